// Word accuracy and latency of the screen OCR over a rendered corpus, read beside a peer.
//
// Renders hard words (rn/m, Il1, i/j dots, short words) in every face of the corpus, 8-24 pt,
// regular and bold, in four colour schemes. Each word's strip is saved once (binary PPM, in
// build/<arch>/testrun/ocrbench) while it is on screen, and read there by the engine
// (EngineRecognizeArea on the strip) and by OCR2Text pointed at the word's first, middle and
// last letter. The native peer reader (tools/ocrpeer, Tesseract) reads the saved strips
// afterwards and prints the table of every reader; `make bench` runs both.
//
// The pattern base is built first by fontlearner.exe from the stage (its build time is
// printed) over every installed text family but the held-out face, which stands for a face
// installed after the base was built.
//
// Environment: BENCH_WORDS (words per face, size, weight and scheme; default 6),
// BENCH_FACES (';'-separated faces instead of the corpus's), BENCH_TRACE (every capture).
#include "enginespy.h"
#include "glyphreadlib.h"
#include "lxtest.h"
#include "textract.h"
#include "textwindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using glyphtest::Capture;
using lxtest::TextRun;

namespace {

const char kHeldOut[] = "FreeSans";
const char* const kFaces[] = {"Liberation Sans", "Liberation Serif", "Liberation Mono",
                              "DejaVu Sans",     "DejaVu Serif",     "DejaVu Sans Mono",
                              "Open Sans",       kHeldOut};
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 24};
struct Scheme {
    COLORREF text, background;
    const char* name;
};
const Scheme kSchemes[] = {
    {RGB(0, 0, 0), RGB(255, 255, 255), "black/white"},
    {RGB(255, 255, 255), RGB(0, 0, 128), "white/navy"},
    {RGB(128, 0, 0), RGB(255, 255, 225), "maroon/cream"},
    {RGB(0, 0, 0), RGB(212, 208, 200), "black/grey"},
};
// Hard on purpose: rn beside m, I beside l and 1, dots of i and j, p and q, short words, and
// words wider than half the strip at large sizes.
const char* const kWords[] = {
    "minimum", "burn",  "Format", "approximately", "Illinois", "jiffy", "quip",  "pique",
    "lilt",    "modern", "corner", "of",           "it",       "join",  "Wizard", "billing",
    "Illegal", "dip",   "rnm",    "jumping",       "a",        "Quill", "pop",   "I"};
const int kWordCount = static_cast<int>(sizeof kWords / sizeof kWords[0]);

double NowMs()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// Screen pixels of an inclusive rectangle as a binary PPM file.
bool SaveStrip(const RECT& r, const std::string& path)
{
    const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
    const std::vector<DWORD> px = lxtest::GrabScreen(RECT{r.left, r.top, r.right + 1, r.bottom + 1});
    std::string out = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (DWORD p : px) {
        out.push_back(static_cast<char>((p >> 16) & 255));
        out.push_back(static_cast<char>((p >> 8) & 255));
        out.push_back(static_cast<char>(p & 255));
    }
    return lxtest::WriteFileBytes(path, out);
}

std::string EngineRead(const RECT& r, double& ms)
{
    TextractRequest req = {0, 0, r.left, r.top, r.right, r.bottom};
    TextractResult res = {0, nullptr, 0};
    std::string s;
    const double t0 = NowMs();
    const int status = EngineRecognizeArea(&req, &res, TEXTRACT_FLAGS_WORDS);
    ms = NowMs() - t0;
    if (status >= 0)
        for (LONG i = 0; i < res.AreaSize / TEXTRACT_ITEM_SIZE; ++i)
            if (res.pItems[i].nKind <= TEXTRACT_ITEM_SPACE)
                s += static_cast<char>(res.pItems[i].chCode);
    EngineFreeResult(&res);
    return s;
}

// Runs a program of the stage and waits for it; false when it could not start.
bool RunAndWait(const std::string& commandLine)
{
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

std::vector<std::string> BenchFaces()
{
    std::vector<std::string> faces;
    const char* env = std::getenv("BENCH_FACES");
    std::string rest = env ? env : "";
    while (!rest.empty()) {
        const size_t semi = rest.find(';');
        if (semi > 0)
            faces.push_back(rest.substr(0, semi));
        rest = semi == std::string::npos ? std::string() : rest.substr(semi + 1);
    }
    if (faces.empty())
        faces.assign(std::begin(kFaces), std::end(kFaces));
    return faces;
}

}  // namespace

int main()
{
    CreateDirectoryA("Logs", nullptr);
    const std::string dir = lxtest::FreshDir("ocrbench");
    CreateDirectoryA((dir + "\\strips").c_str(), nullptr);
    const std::string base = dir + "\\FontBase.tpb";
    SetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", base.c_str());
    SetEnvironmentVariableA("TEXTRACT_FONT_FAMILIES", nullptr);  // every installed family
    SetEnvironmentVariableA("TEXTRACT_FONT_EXCLUDE", kHeldOut);

    const double b0 = NowMs();
    const bool built = RunAndWait("fontlearner.exe");
    const double buildMs = NowMs() - b0;
    std::printf("pattern base build (fontlearner.exe, every installed text family but %s): "
                "%.0f ms, %zu KB%s\n",
                kHeldOut, buildMs, lxtest::ReadFileBytes(base).size() / 1024,
                built ? "" : " (fontlearner.exe did not start)");
    std::printf("renderer: Wine %s\n", lxtest::WineVersion().c_str());

    glyphtest::GlyphreadLib lib;
    if (!lib.Loaded()) {
        std::printf("glyphread.dll not loaded\n");
        return 1;
    }
    EngineInit();
    const bool trace = std::getenv("BENCH_TRACE") != nullptr;
    const int perSet = std::max(1, std::atoi(std::getenv("BENCH_WORDS") ? std::getenv("BENCH_WORDS")
                                                                         : "6"));
    std::string index, results;
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    lxtest::TextWindow window(0, 0, screenW, screenH, RGB(255, 255, 255));
    int id = 0, next = 0;
    for (const std::string& face : BenchFaces()) {
        const bool inBase = face != kHeldOut;
        for (const Scheme& scheme : kSchemes) {
            for (int pt : kSizes) {
                for (int bold = 0; bold < 2; ++bold) {
                    std::vector<TextRun> runs;
                    const int rowH = lxtest::PixelsForPoints(pt) * 2 + 16;
                    int y = 20;
                    for (int i = 0; i < perSet && y + rowH < screenH; ++i, y += rowH) {
                        TextRun run{kWords[(next++) % kWordCount], face, pt, scheme.text,
                                    240 + 60 * (i % 3), y};
                        run.bold = bold != 0;
                        runs.push_back(run);
                    }
                    window.Show(runs, scheme.background);
                    for (int r = 0; r < static_cast<int>(runs.size()); ++r) {
                        const std::string& word = runs[static_cast<size_t>(r)].text;
                        RECT strip = window.RunScreenRect(static_cast<size_t>(r));
                        strip.left -= 6;
                        strip.right += 6;
                        strip.top -= 3;
                        strip.bottom += 3;
                        const std::string file = "strips\\" + std::to_string(id) + ".ppm";
                        SaveStrip(strip, dir + "\\" + file);
                        char line[512];
                        std::snprintf(line, sizeof line, "%d\t%s\t%d\t%d\t%s\t%s\t%d\t%s\n", id,
                                      face.c_str(), pt, bold, scheme.name, word.c_str(),
                                      inBase ? 1 : 0, file.c_str());
                        index += line;
                        auto record = [&](const char* reader, const std::string& got,
                                          double ms) {
                            std::snprintf(line, sizeof line, "%s\t%d\t%s\t%.3f\n", reader, id,
                                          got.c_str(), ms);
                            results += line;
                            if (trace && got != word)
                                std::fprintf(stderr, "%s %dpt%s %s: %s '%s' -> '%s'\n",
                                             face.c_str(), pt, bold ? " bold" : "", scheme.name,
                                             reader, word.c_str(), got.c_str());
                        };
                        double ms = 0;
                        const std::string got = EngineRead(strip, ms);
                        record("engine", got, ms);
                        const size_t n = word.size();
                        const std::pair<const char*, size_t> points[] = {
                            {"OCR2Text first", 0}, {"OCR2Text middle", n / 2},
                            {"OCR2Text last", n - 1}};
                        for (const auto& at : points) {
                            const POINT p = window.CenterOf(r, static_cast<int>(at.second));
                            const double t0 = NowMs();
                            const Capture c = glyphtest::CaptureAt(lib, p.x, p.y);
                            record(at.first, c.word, NowMs() - t0);
                        }
                        ++id;
                    }
                }
            }
        }
    }
    lib.OCRCleanUp();
    EngineTerminate();
    lxtest::WriteFileBytes(dir + "\\strips.tsv", index);
    lxtest::WriteFileBytes(dir + "\\results.tsv", results);
    std::printf("%d strips saved in %s; the peer reader prints the table\n", id, dir.c_str());
    return 0;
}
