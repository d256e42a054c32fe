// Word accuracy and latency of the screen OCR under one rendering condition, read beside a peer.
//
//   glyphread_bench.exe --plan              writes testrun/ocrbench/plan.tsv: every word of a
//                                           condition with its face, size, weight and colours
//   glyphread_bench.exe --condition NAME    measures one condition
//
// Every condition shows the same hard words (rn/m, Il1, i/j dots, short words) in the same
// faces, sizes (8-24 pt), weights and colour schemes, and reads them from the screen:
//   wine8, wine10   GDI text as the Wine the program runs under draws it (the name says which
//                   Wine the caller meant; the renderer line says which one it was)
//   antialiased     GDI text with ANTIALIASED_QUALITY fonts
//   cleartype       GDI text with CLEARTYPE_QUALITY fonts (Wine draws both as it draws the
//                   default: the font's own smoothing table decides, and never in colour)
//   subpixel        colour-fringed text as ClearType makes it from GDI's glyph outlines
//   heldout         GDI text in a family left out of the pattern base (BENCH_HELD_OUT,
//                   default FreeSans), which the recogniser never learnt
//   scaled150       GDI text at 1.5 times the pixel size, as at 150% display scaling
//   freetype        images drawn on Linux by FreeType (tools/benchimages, ImageMagick)
//   chromium        images cut from headless Chromium screenshots (tools/benchimages)
// Images are shown in a window of their own. Each word's strip is saved once (binary PPM, in
// testrun/ocrbench/NAME) while it is on screen and read there by the engine
// (EngineRecognizeArea on the strip, and once more on a 200 x 40 strip at the word for the
// latency figure) and by OCR2Text pointed at the word's first, middle and last letter. The
// native peer reader (tools/ocrpeer, Tesseract) reads the saved strips afterwards and prints
// every condition's table; `make bench` runs it all.
//
// The pattern base is built by fontlearner.exe from the stage over the bench's faces
// (BENCH_ALL_FAMILIES=1: every installed text family), never the held-out one, once per Wine
// (testrun/ocrbench/FontBase-wineN.tpb, kept until tools/runbench removes it).
//
// Environment: BENCH_WORDS (words per face, size, weight and scheme; default 2), BENCH_FACES
// (';'-separated faces instead of the corpus's), BENCH_HELD_OUT, BENCH_TRACE (every miss).
#include "benchimage.h"
#include "enginespy.h"
#include "glyphreadlib.h"
#include "lxtest.h"
#include "textract.h"
#include "textwindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

using benchimage::Image;
using glyphtest::Capture;
using lxtest::TextRun;

namespace {

const char* const kFaces[] = {"Liberation Sans", "Liberation Serif", "Liberation Mono",
                              "DejaVu Sans", "Open Sans"};
const int kSizes[] = {8, 9, 10, 12, 14, 18, 24};
struct Scheme {
    COLORREF text, background;
    const char* name;
};
const Scheme kSchemes[] = {
    {RGB(0, 0, 0), RGB(255, 255, 255), "black/white"},
    {RGB(255, 255, 255), RGB(0, 0, 128), "white/navy"},
};
// Hard on purpose: rn beside m, I beside l and 1, dots of i and j, p and q, short words, and
// words wider than half the strip at large sizes.
const char* const kWords[] = {
    "minimum", "burn",  "Format", "approximately", "Illinois", "jiffy", "quip",  "pique",
    "lilt",    "modern", "corner", "of",           "it",       "join",  "Wizard", "billing",
    "Illegal", "dip",   "rnm",    "jumping",       "a",        "Quill", "pop",   "I"};
const int kWordCount = static_cast<int>(sizeof kWords / sizeof kWords[0]);

// One word of a condition.
struct Entry {
    int id = 0, set = 0;
    std::string face;
    int points = 0, pixels = 0;
    bool bold = false;
    const Scheme* scheme = nullptr;
    std::string word;
};

std::string Env(const char* name, const char* fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

std::string HeldOut()
{
    return Env("BENCH_HELD_OUT", "FreeSans");
}

std::vector<std::string> BaseFaces()
{
    std::vector<std::string> faces;
    std::string rest = Env("BENCH_FACES", "");
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

// The words of a condition: the same sequence of words in every face and every condition.
std::vector<Entry> Plan(const std::string& condition)
{
    const int perSet = std::max(1, std::atoi(Env("BENCH_WORDS", "2").c_str()));
    const std::vector<std::string> faces =
        condition == "heldout" ? std::vector<std::string>{HeldOut()} : BaseFaces();
    std::vector<Entry> plan;
    int set = 0;
    for (const std::string& face : faces) {
        int next = 0;
        for (const Scheme& scheme : kSchemes)
            for (int pt : kSizes)
                for (int bold = 0; bold < 2; ++bold, ++set)
                    for (int i = 0; i < perSet; ++i) {
                        Entry e;
                        e.id = static_cast<int>(plan.size());
                        e.set = set;
                        e.face = face;
                        e.points = pt;
                        e.pixels = lxtest::PixelsForPoints(pt);
                        if (condition == "scaled150")
                            e.pixels = (e.pixels * 3 + 1) / 2;
                        e.bold = bold != 0;
                        e.scheme = &scheme;
                        e.word = kWords[(next++) % kWordCount];
                        plan.push_back(e);
                    }
    }
    return plan;
}

double NowMs()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

std::string Hex(COLORREF c)
{
    char s[8];
    std::snprintf(s, sizeof s, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
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
    static int reported = 0;
    if (status < 0 && reported++ < 3)
        std::printf("EngineRecognizeArea (%ld,%ld)-(%ld,%ld): status %d\n", r.left, r.top,
                    r.right, r.bottom, status);
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

// A borderless top-most window that shows images at given client positions on a background.
class ImageWindow {
public:
    ImageWindow(int width, int height) : m_width(width), m_height(height)
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "GlyphreadBenchImages";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        m_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0x808080);
        m_hwnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "glyphread bench images",
                                 WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                                 wc.hInstance, this);
    }
    ~ImageWindow()
    {
        if (m_hwnd)
            DestroyWindow(m_hwnd);
    }
    ImageWindow(const ImageWindow&) = delete;
    ImageWindow& operator=(const ImageWindow&) = delete;

    void Clear() { std::fill(m_pixels.begin(), m_pixels.end(), 0x808080); }
    void Put(const Image& image, int x0, int y0)
    {
        for (int y = 0; y < image.height && y0 + y < m_height; ++y)
            for (int x = 0; x < image.width && x0 + x < m_width; ++x)
                m_pixels[static_cast<size_t>(y0 + y) * static_cast<size_t>(m_width) +
                         static_cast<size_t>(x0 + x)] =
                    image.px[static_cast<size_t>(y) * static_cast<size_t>(image.width) +
                             static_cast<size_t>(x)];
    }
    // Repaints and waits until the screen shows every pixel (the window sits at 0, 0).
    bool Show()
    {
        InvalidateRect(m_hwnd, nullptr, FALSE);
        UpdateWindow(m_hwnd);
        const DWORD start = GetTickCount();
        do {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            if (lxtest::GrabScreen(RECT{0, 0, m_width, m_height}) == m_pixels)
                return true;
            Sleep(10);
        } while (GetTickCount() - start < 3000);
        return false;
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<ImageWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_PAINT && self) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            BITMAPINFO bi{};
            bi.bmiHeader.biSize = sizeof bi.bmiHeader;
            bi.bmiHeader.biWidth = self->m_width;
            bi.bmiHeader.biHeight = -self->m_height;
            bi.bmiHeader.biPlanes = 1;
            bi.bmiHeader.biBitCount = 32;
            bi.bmiHeader.biCompression = BI_RGB;
            SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(self->m_width),
                              static_cast<DWORD>(self->m_height), 0, 0, 0,
                              static_cast<UINT>(self->m_height), self->m_pixels.data(), &bi,
                              DIB_RGB_COLORS);
            EndPaint(hwnd, &ps);
            return 0;
        }
        if (msg == WM_ERASEBKGND)
            return 1;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    int m_width, m_height;
    std::vector<DWORD> m_pixels;
    HWND m_hwnd = nullptr;
};

// What one word looks like on screen: the strip to read and the points of its letters.
struct Shown {
    RECT strip{};
    std::vector<POINT> letters;  // first, middle, last letter
};

// Reads every word of the condition from the screen and writes strips.tsv and results.tsv.
class Bench {
public:
    Bench(const std::string& dir, glyphtest::GlyphreadLib& lib) : m_dir(dir), m_lib(lib)
    {
        m_trace = std::getenv("BENCH_TRACE") != nullptr;
    }

    void Read(const Entry& e, const Shown& shown, bool inBase)
    {
        const std::string file = "strips\\" + std::to_string(e.id) + ".ppm";
        SaveStrip(shown.strip, m_dir + "\\" + file);
        char line[512];
        std::snprintf(line, sizeof line, "%d\t%s\t%d\t%d\t%s\t%s\t%d\t%s\n", e.id, e.face.c_str(),
                      e.points, e.bold ? 1 : 0, e.scheme->name, e.word.c_str(), inBase ? 1 : 0,
                      file.c_str());
        m_index += line;
        double ms = 0;
        const std::string got = EngineRead(shown.strip, ms);
        Record(e, "engine", got, ms);
        // The latency figure: the engine over a 200 x 40 strip from the word's top-left.
        const RECT wide = {shown.strip.left, shown.strip.top, shown.strip.left + 199,
                           shown.strip.top + 39};
        EngineRead(wide, ms);
        Record(e, "engine-200x40", e.word, ms);
        const char* const readers[] = {"OCR2Text-first", "OCR2Text-middle", "OCR2Text-last"};
        for (size_t k = 0; k < 3; ++k) {
            const POINT p = shown.letters[k];
            const double t0 = NowMs();
            const Capture c = glyphtest::CaptureAt(m_lib, p.x, p.y);
            Record(e, readers[k], c.word, NowMs() - t0);
        }
        ++m_count;
    }

    int Finish()
    {
        lxtest::WriteFileBytes(m_dir + "\\strips.tsv", m_index);
        lxtest::WriteFileBytes(m_dir + "\\results.tsv", m_results);
        return m_count;
    }

private:
    void Record(const Entry& e, const char* reader, const std::string& got, double ms)
    {
        char line[512];
        std::snprintf(line, sizeof line, "%s\t%d\t%s\t%.3f\n", reader, e.id, got.c_str(), ms);
        m_results += line;
        if (m_trace && got != e.word)
            std::fprintf(stderr, "%s %dpt%s %s: %s '%s' -> '%s'\n", e.face.c_str(), e.points,
                         e.bold ? " bold" : "", e.scheme->name, reader, e.word.c_str(),
                         got.c_str());
    }

    std::string m_dir;
    glyphtest::GlyphreadLib& m_lib;
    bool m_trace = false;
    std::string m_index, m_results;
    int m_count = 0;
};

// Words drawn by GDI in a window of text runs, a set at a time.
void RunGdi(const std::string& condition, const std::vector<Entry>& plan, Bench& bench)
{
    const BYTE quality = condition == "antialiased" ? ANTIALIASED_QUALITY
                         : condition == "cleartype" ? CLEARTYPE_QUALITY
                                                    : DEFAULT_QUALITY;
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    lxtest::TextWindow window(0, 0, screenW, screenH, RGB(255, 255, 255));
    for (size_t from = 0; from < plan.size();) {
        size_t to = from;
        std::vector<TextRun> runs;
        int y = 20;
        while (to < plan.size() && plan[to].set == plan[from].set) {
            const Entry& e = plan[to];
            const int rowH = e.pixels * 2 + 16;
            if (y + rowH >= screenH)
                break;
            TextRun run{e.word, e.face, e.points, e.scheme->text,
                        240 + 60 * static_cast<int>((to - from) % 3), y};
            run.bold = e.bold;
            run.quality = quality;
            run.pixels = e.pixels;
            runs.push_back(run);
            y += rowH;
            ++to;
        }
        window.Show(runs, plan[from].scheme->background);
        for (size_t r = 0; r < runs.size(); ++r) {
            const Entry& e = plan[from + r];
            Shown shown;
            shown.strip = window.RunScreenRect(r);
            shown.strip.left -= 6;
            shown.strip.right += 6;
            shown.strip.top -= 3;
            shown.strip.bottom += 3;
            const size_t n = e.word.size();
            for (size_t at : {static_cast<size_t>(0), n / 2, n - 1})
                shown.letters.push_back(window.CenterOf(static_cast<int>(r), static_cast<int>(at)));
            bench.Read(e, shown, e.face != HeldOut());
        }
        from = std::max(to, from + 1);
    }
}

using ImageSource = std::function<bool(const Entry&, Image&)>;

bool LoadPpm(const std::string& path, Image& image)
{
    return benchimage::ParsePpm(lxtest::ReadFileBytes(path), image);
}

// The images tools/benchimages drew outside Wine, by word (none when it drew none).
ImageSource ImageFiles(const std::string& imageDir)
{
    std::map<int, std::string> files;
    {
        const std::string listing = lxtest::ReadFileBytes(imageDir + "\\images.tsv");
        size_t pos = 0;
        while (pos < listing.size()) {
            size_t end = listing.find('\n', pos);
            if (end == std::string::npos)
                end = listing.size();
            const std::string line = listing.substr(pos, end - pos);
            const size_t tab = line.find('\t');
            if (tab != std::string::npos)
                files[std::atoi(line.c_str())] = line.substr(tab + 1);
            pos = end + 1;
        }
    }
    if (files.empty()) {
        std::printf("no images in %s (tools/benchimages makes them)\n", imageDir.c_str());
        return nullptr;
    }
    return [files, imageDir](const Entry& e, Image& image) {
        const auto f = files.find(e.id);
        return f != files.end() && LoadPpm(imageDir + "\\" + f->second, image);
    };
}

// Colour-fringed subpixel text (Wine itself draws none, whatever the font's quality asks).
bool SubpixelImage(const Entry& e, Image& image)
{
    return benchimage::SubpixelText(e.face, e.pixels, e.bold, e.scheme->text,
                                    e.scheme->background, e.word, image);
}

// Words as images (drawn outside Wine, or made here), shown a set at a time.
bool RunImages(const ImageSource& source, const std::vector<Entry>& plan, Bench& bench)
{
    if (!source)
        return false;
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    ImageWindow window(screenW, screenH);
    for (size_t from = 0; from < plan.size();) {
        window.Clear();
        std::vector<std::pair<const Entry*, Image>> shownImages;
        std::vector<POINT> at;
        int y = 20;
        size_t to = from;
        while (to < plan.size() && plan[to].set == plan[from].set) {
            Image image;
            if (!source(plan[to], image)) {
                ++to;
                continue;
            }
            if (y + image.height + 16 >= screenH)
                break;
            const int x = 240 + 60 * static_cast<int>((to - from) % 3);
            window.Put(image, x, y);
            at.push_back(POINT{x, y});
            y += image.height + 16;
            shownImages.emplace_back(&plan[to], std::move(image));
            ++to;
        }
        if (!window.Show())
            std::printf("set %d: the screen did not show the images in time\n", plan[from].set);
        for (size_t k = 0; k < shownImages.size(); ++k) {
            const Entry& e = *shownImages[k].first;
            const Image& image = shownImages[k].second;
            const benchimage::Ink ink = benchimage::InkOf(image);
            if (ink.left < 0)
                continue;
            const POINT o = at[k];
            Shown shown;
            shown.strip = RECT{o.x + std::max(0, ink.left - 6), o.y,
                               o.x + std::min(image.width - 1, ink.right + 6), o.y + image.height - 1};
            // Letters are taken as equally wide across the ink, at the ink's middle height.
            const int n = static_cast<int>(e.word.size());
            const double w = static_cast<double>(ink.right - ink.left + 1) / n;
            for (int i : {0, n / 2, n - 1})
                shown.letters.push_back(POINT{o.x + ink.left + static_cast<int>(w * (i + 0.5)),
                                              o.y + (ink.top + ink.bottom) / 2});
            bench.Read(e, shown, true);
        }
        from = std::max(to, from + 1);
    }
    return true;
}

const char* const kConditions[] = {"wine8",     "wine10",    "antialiased", "cleartype", "subpixel",
                                   "heldout",   "scaled150", "freetype",    "chromium"};

}  // namespace

int main(int argc, char** argv)
{
    CreateDirectoryA("Logs", nullptr);
    const std::string top = lxtest::BuildDir() + "\\testrun\\ocrbench";
    CreateDirectoryA((lxtest::BuildDir() + "\\testrun").c_str(), nullptr);
    CreateDirectoryA(top.c_str(), nullptr);
    if (argc >= 2 && std::strcmp(argv[1], "--plan") == 0) {
        // The words every image condition draws; the GDI conditions draw the same.
        std::string out;
        for (const Entry& e : Plan("freetype")) {
            char line[512];
            std::snprintf(line, sizeof line, "%d\t%d\t%s\t%d\t%d\t%s\t%s\t%s\n", e.id, e.set,
                          e.face.c_str(), e.pixels, e.bold ? 1 : 0, Hex(e.scheme->text).c_str(),
                          Hex(e.scheme->background).c_str(), e.word.c_str());
            out += line;
        }
        lxtest::WriteFileBytes(top + "\\plan.tsv", out);
        return 0;
    }
    const std::string condition = argc >= 3 && std::strcmp(argv[1], "--condition") == 0
                                      ? argv[2]
                                      : "wine8";
    if (std::find_if(std::begin(kConditions), std::end(kConditions), [&](const char* c) {
            return condition == c;
        }) == std::end(kConditions)) {
        std::fprintf(stderr, "usage: glyphread_bench.exe --plan | --condition NAME\n");
        return 2;
    }
    const std::string wine = lxtest::WineVersion();
    const std::string dir = lxtest::FreshDir("ocrbench\\" + condition);
    CreateDirectoryA((dir + "\\strips").c_str(), nullptr);
    const std::string base = top + "\\FontBase-wine" + wine.substr(0, wine.find('.')) + ".tpb";
    SetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", base.c_str());
    // The base learns the bench's faces (BENCH_ALL_FAMILIES=1: every installed family), never
    // the held-out one.
    std::string families;
    for (const std::string& f : BaseFaces())
        families += (families.empty() ? "" : ";") + f;
    const bool all = std::getenv("BENCH_ALL_FAMILIES") != nullptr;
    SetEnvironmentVariableA("TEXTRACT_FONT_FAMILIES", all ? nullptr : families.c_str());
    SetEnvironmentVariableA("TEXTRACT_FONT_EXCLUDE", HeldOut().c_str());
    std::printf("condition %s, renderer: Wine %s\n", condition.c_str(), wine.c_str());
    if (!lxtest::FileExists(base)) {
        const double b0 = NowMs();
        const bool built = RunAndWait("fontlearner.exe");
        std::printf("pattern base build (fontlearner.exe, %s but %s): %.0f ms, %zu KB%s\n",
                    all ? "every installed text family" : families.c_str(), HeldOut().c_str(),
                    NowMs() - b0, lxtest::ReadFileBytes(base).size() / 1024,
                    built ? "" : " (fontlearner.exe did not start)");
    }

    glyphtest::GlyphreadLib lib;
    if (!lib.Loaded()) {
        std::printf("glyphread.dll not loaded\n");
        return 1;
    }
    EngineInit();
    Bench bench(dir, lib);
    const std::vector<Entry> plan = Plan(condition);
    bool ok = true;
    if (condition == "freetype" || condition == "chromium")
        ok = RunImages(ImageFiles(top + "\\" + condition + "-images"), plan, bench);
    else if (condition == "subpixel")
        ok = RunImages(SubpixelImage, plan, bench);
    else
        RunGdi(condition, plan, bench);
    lib.OCRCleanUp();
    EngineTerminate();
    const int count = bench.Finish();
    std::printf("%d strips saved in %s; the peer reader prints the table\n", count, dir.c_str());
    return ok ? 0 : 1;
}
