// The OCR benchmark's peer reader and its tables (a native Linux program, not a Windows one).
//
//   ocrpeer DIR
//
// DIR holds one folder per rendering condition that glyphread_bench.exe measured (wine8,
// wine10, antialiased, cleartype, subpixel, heldout, scaled150, freetype, chromium):
// strips.tsv (id, face, points, bold, scheme, word, in base, strip file), the strips as binary
// PPM files, and results.tsv (reader, id, text read, milliseconds). Every strip is read by
// Tesseract through its C++ library, as it is and 3x upscaled (single text line, English
// model, loaded once before any timing). Then one table per condition prints words exact and
// median / 95th-percentile latency per reader, size band and colour scheme; one summary line per
// reader and condition follows ("words exact: <reader> <condition> NN.N%"), then the speed
// line: medians over every condition of the engine on a 200 x 40 strip, OCR2Text and
// Tesseract 3x, and the ratios.
#include <tesseract/baseapi.h>
#include <leptonica/allheaders.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Strip {
    int id = 0;
    std::string face;
    int points = 0;
    bool bold = false;
    std::string scheme, word;
    bool inBase = true;
    std::string file;
};

struct Reading {
    std::string reader;
    int id = 0;
    std::string got;
    double ms = 0;
};

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream s(line);
    std::string f;
    while (std::getline(s, f, '\t'))
        out.push_back(f);
    if (!line.empty() && line.back() == '\t')
        out.emplace_back();
    return out;
}

// Calls `row` with the fields of every line of a tab-separated file that has at least `least`.
template <typename F>
void ForEachRow(const std::string& path, size_t least, F row)
{
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto f = Fields(line);
        if (f.size() >= least)
            row(f);
    }
}

// Image of a binary PPM file (null when unreadable).
PIX* LoadPpm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    in.get();
    if (magic != "P6" || w <= 0 || h <= 0 || max != 255)
        return nullptr;
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    if (!in)
        return nullptr;
    PIX* pix = pixCreate(w, h, 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            pixSetRGBPixel(pix, x, y, p[0], p[1], p[2]);
        }
    return pix;
}

std::string Trimmed(const char* text)
{
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    return s;
}

std::string Band(int points)
{
    if (points <= 10)
        return "8-10 pt";
    if (points <= 14)
        return "11-14 pt";
    return "16-24 pt";
}

struct Tally {
    int exact = 0, total = 0;
    std::vector<double> ms;
    void Add(bool ok, double t)
    {
        exact += ok;
        ++total;
        ms.push_back(t);
    }
    double Percent() const { return total ? 100.0 * exact / total : 0.0; }
    double At(double q)
    {
        if (ms.empty())
            return 0;
        std::sort(ms.begin(), ms.end());
        return ms[std::min(ms.size() - 1, static_cast<size_t>(q * static_cast<double>(ms.size())))];
    }
};


// One condition's strips with every reading of them.
struct Condition {
    std::string name;
    std::vector<Strip> strips;
    std::vector<Reading> readings;
};

Condition LoadCondition(const std::string& dir, const std::string& name)
{
    Condition c;
    c.name = name;
    ForEachRow(dir + "/strips.tsv", 8, [&](const std::vector<std::string>& f) {
        Strip s;
        s.id = std::atoi(f[0].c_str());
        s.face = f[1];
        s.points = std::atoi(f[2].c_str());
        s.bold = f[3] == "1";
        s.scheme = f[4];
        s.word = f[5];
        s.inBase = f[6] == "1";
        s.file = f[7];
        std::replace(s.file.begin(), s.file.end(), '\\', '/');
        c.strips.push_back(s);
    });
    ForEachRow(dir + "/results.tsv", 4, [&](const std::vector<std::string>& f) {
        c.readings.push_back({f[0], std::atoi(f[1].c_str()), f[2], std::atof(f[3].c_str())});
    });
    return c;
}

void ReadWithTesseract(tesseract::TessBaseAPI& api, const std::string& dir, Condition& c)
{
    for (const Strip& s : c.strips) {
        PIX* pix = LoadPpm(dir + "/" + s.file);
        if (!pix)
            continue;
        for (int scale : {1, 3}) {
            const auto t0 = std::chrono::steady_clock::now();
            PIX* use = scale == 1 ? pixClone(pix)
                                  : pixScale(pix, static_cast<float>(scale),
                                             static_cast<float>(scale));
            api.SetImage(use);
            char* text = api.GetUTF8Text();
            const std::string got = Trimmed(text);
            delete[] text;
            pixDestroy(&use);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count();
            c.readings.push_back({scale == 1 ? "tesseract" : "tesseract3x", s.id, got, ms});
        }
        pixDestroy(&pix);
    }
}

const std::vector<std::string> kReaders = {"engine",        "OCR2Text-middle", "OCR2Text-first",
                                           "OCR2Text-last", "tesseract",       "tesseract3x"};
// Figures of every condition, in the order the benchmark runs them; others follow.
const std::vector<std::string> kOrder = {"wine8",    "wine10",  "antialiased", "cleartype",
                                         "subpixel", "heldout", "scaled150",   "freetype",
                                         "chromium"};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ocrpeer DIR\n");
        return 2;
    }
    const std::string top = argv[1];
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(top))
        if (entry.is_directory() && std::filesystem::exists(entry.path() / "strips.tsv"))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const auto ia = std::find(kOrder.begin(), kOrder.end(), a) - kOrder.begin();
        const auto ib = std::find(kOrder.begin(), kOrder.end(), b) - kOrder.begin();
        return ia != ib ? ia < ib : a < b;
    });
    std::vector<Condition> conditions;
    for (const std::string& n : names) {
        conditions.push_back(LoadCondition(top + "/" + n, n));
        if (conditions.back().strips.empty())
            conditions.pop_back();
    }
    if (conditions.empty()) {
        std::fprintf(stderr, "ocrpeer: no strips in %s\n", top.c_str());
        return 1;
    }

    setenv("OMP_THREAD_LIMIT", "1", 1);  // one core, as the engine has
    tesseract::TessBaseAPI api;
    const bool tess = api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) == 0;
    if (tess) {
        api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
        for (Condition& c : conditions)
            ReadWithTesseract(api, top + "/" + c.name, c);
        api.End();
    } else {
        std::printf("tesseract: the English model did not load; its rows are missing\n");
    }

    // reader -> condition -> group -> tally; groups: "all", size bands, schemes.
    std::map<std::string, std::map<std::string, std::map<std::string, Tally>>> tallies;
    std::map<std::string, Tally> speed;  // reader -> latency over every condition
    std::map<std::string, std::vector<std::string>> misses;
    for (Condition& c : conditions) {
        std::map<int, const Strip*> byId;
        for (const Strip& s : c.strips)
            byId[s.id] = &s;
        std::vector<std::string> groups = {"all", "8-10 pt", "11-14 pt", "16-24 pt"};
        for (const Strip& s : c.strips)
            if (std::find(groups.begin(), groups.end(), s.scheme) == groups.end())
                groups.push_back(s.scheme);
        for (const Reading& r : c.readings) {
            auto it = byId.find(r.id);
            if (it == byId.end())
                continue;
            const Strip& s = *it->second;
            speed[r.reader].Add(true, r.ms);
            if (r.reader == "engine-200x40")
                continue;  // timed only
            const bool ok = r.got == s.word;
            for (const std::string& g : {std::string("all"), Band(s.points), s.scheme})
                tallies[r.reader][c.name][g].Add(ok, r.ms);
            if (!ok && misses[r.reader + " " + c.name].size() < 12)
                misses[r.reader + " " + c.name].push_back(
                    s.face + " " + std::to_string(s.points) + (s.bold ? " bold " : " ") +
                    s.scheme + ": " + s.word + " -> " + r.got);
        }
        std::printf("\n%s: %zu strips (%s); words exact %% and latency median / 95th "
                    "percentile in ms\n%-16s",
                    c.name.c_str(), c.strips.size(), c.strips.front().face.c_str(), "reader");
        for (const std::string& g : groups)
            std::printf(" %18s", g.c_str());
        std::printf("\n");
        for (const std::string& reader : kReaders) {
            if (!tallies[reader].count(c.name))
                continue;
            std::printf("%-16s", reader.c_str());
            for (const std::string& g : groups) {
                Tally& x = tallies[reader][c.name][g];
                char cell[64];
                std::snprintf(cell, sizeof cell, "%5.1f%% %4.1f/%4.1f", x.Percent(), x.At(0.5),
                              x.At(0.95));
                std::printf(" %18s", x.total ? cell : "-");
            }
            std::printf("\n");
        }
    }
    std::printf("\n");
    for (const std::string& reader : kReaders)
        for (const Condition& c : conditions)
            if (tallies[reader].count(c.name))
                std::printf("words exact: %s %s %.1f%%\n", reader.c_str(), c.name.c_str(),
                            tallies[reader][c.name]["all"].Percent());
    const double e = speed["engine-200x40"].At(0.5), o = speed["OCR2Text-middle"].At(0.5),
                 t3 = speed["tesseract3x"].At(0.5);
    std::printf("speed (medians over every condition): engine %.2f ms per 200x40 strip, "
                "OCR2Text %.2f ms, tesseract3x %.1f ms per strip; tesseract3x/engine %.1fx, "
                "tesseract3x/OCR2Text %.1fx\n",
                e, o, t3, e > 0 ? t3 / e : 0.0, o > 0 ? t3 / o : 0.0);
    if (std::getenv("OCRPEER_MISSES"))
        for (const auto& m : misses)
            for (const std::string& line : m.second)
                std::printf("  miss %s: %s\n", m.first.c_str(), line.c_str());
    return 0;
}
