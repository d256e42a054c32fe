// Benchmark of the text-extraction engine: word and character accuracy over rendered words,
// recognition latency for a 200 x 40 strip, pattern base build time.
#include "patternbase.h"
#include "recognizer.h"
#include "textract.h"
#include "textwindow.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using lxtest::TextRun;
using lxtest::TextWindow;

static double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart * 1000.0 / (double)f.QuadPart;
}

static std::string Read(const RECT& r)
{
    TextractRequest req = {0, 0, r.left - 2, r.top - 2, r.right + 2, r.bottom + 2};
    TextractResult res = {0, nullptr, 0};
    std::string s;
    if (EngineRecognizeArea(&req, &res, TEXTRACT_FLAGS_WORDS) == 0)
        for (LONG i = 0; i < res.AreaSize / TEXTRACT_ITEM_SIZE; ++i)
            if (res.pItems[i].nKind <= TEXTRACT_ITEM_SPACE)
                s += (char)res.pItems[i].chCode;
    EngineFreeResult(&res);
    return s;
}

int main()
{
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string file = std::string(tmp) + "textract_bench.tpb";
    SetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", file.c_str());
    EngineInit();
    double t0 = Now();
    const int built = EngineBuildPatterns();
    const double buildMs = Now() - t0;
    std::printf("pattern base build: %.0f ms (status %d)\n", buildMs, built);

    const char* words[] = {"file", "Edit", "View", "window", "Options", "Help", "quick",
                           "brown", "jumps", "lazy", "Format", "Insert", "Tools", "cancel",
                           "Apply", "Settings", "Search", "replace", "Open", "Save", "print",
                           "Close", "Exit", "about", "Update", "Network", "account", "Mouse",
                           "button", "Select", "Language", "dictionary", "Next", "Back",
                           "Finish", "mobile", "country", "address", "postal", "Wizard"};
    // The three faces the pattern base holds here (Tahoma falls back to Liberation Sans under
    // Wine without the Windows fonts).
    const char* faces[] = {"Tahoma", "Liberation Serif", "Liberation Mono"};
    const COLORREF inks[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 160)};
    const COLORREF backs[] = {RGB(255, 255, 255), RGB(10, 36, 106), RGB(236, 233, 216)};
    TextWindow win;
    win.Create(0, 0, 1000, 740, RGB(255, 255, 255));
    int wordsTotal = 0, wordsExact = 0, charsTotal = 0, charsRight = 0;
    // TEXTRACT_BENCH_QUICK=1: latency and its parts only.
    const bool quick = GetEnvironmentVariableA("TEXTRACT_BENCH_QUICK", nullptr, 0) != 0;
    for (int c = 0; c < (quick ? 0 : 3); ++c) {
        for (const char* face : faces) {
            for (int pitch = 8; pitch <= 14; ++pitch) {
                for (int bold = 0; bold < 2; ++bold) {
                    win.Clear();
                    win.AddPanel(RECT{0, 0, 1000, 740}, backs[c]);
                    std::vector<size_t> runs;
                    int x = 10, y = 10;
                    for (const char* w : words) {
                        TextRun run;
                        run.face = face;
                        run.points = pitch;
                        run.bold = bold != 0;
                        run.color = inks[c];
                        run.x = x;
                        run.y = y;
                        run.text = w;
                        runs.push_back(win.AddRun(run));
                        x += 200;
                        if (x > 800) {
                            x = 10;
                            y += 40;
                        }
                    }
                    win.Show();
                    for (size_t i : runs) {
                        const std::string got = Read(win.RunScreenRect(i));
                        const std::string& want = win.Run(i).text;
                        ++wordsTotal;
                        wordsExact += got == want;
                        const bool verbose =
                            GetEnvironmentVariableA("TEXTRACT_BENCH_VERBOSE", nullptr, 0) != 0;
                        if (got != want && verbose)
                            std::printf("%d %s %d%s: \"%s\" -> \"%s\"\n", c, face, pitch,
                                        bold ? " bold" : "", want.c_str(), got.c_str());
                        charsTotal += (int)want.size();
                        for (size_t k = 0; k < want.size() && k < got.size(); ++k)
                            charsRight += got[k] == want[k];
                    }
                }
            }
        }
    }
    if (wordsTotal)
        std::printf("words: %d of %d exact (%.1f%%), characters: %.1f%% right in place\n",
                    wordsExact, wordsTotal, 100.0 * wordsExact / wordsTotal,
                    100.0 * charsRight / charsTotal);

    // Latency: a 200 x 40 strip over a line of text.
    win.Clear();
    TextRun run;
    run.face = "Tahoma";
    run.points = 9;
    run.x = 10;
    run.y = 10;
    run.text = "The quick brown fox jumps over the lazy dog";
    win.AddRun(run);
    win.Show();
    std::vector<double> times;
    for (int i = 0; i < 60; ++i) {
        TextractRequest req = {0, 0, 5, 5, 204, 44};
        TextractResult res = {0, nullptr, 0};
        const double a = Now();
        EngineRecognizeArea(&req, &res, TEXTRACT_FLAGS_WORDS);
        times.push_back(Now() - a);
        EngineFreeResult(&res);
    }
    std::sort(times.begin(), times.end());
    std::printf("200x40 strip: median %.2f ms, fastest %.2f ms, slowest %.2f ms\n",
                times[times.size() / 2], times.front(), times.back());

    // Where the time goes: the same strip through the engine's own stages (screen grab with
    // the margin the word pass reads, ink mask and line decoding, items).
    textract::PatternBase base;
    if (textract::LoadPatternBase(base, file)) {
        std::vector<double> grab, recognize, items;
        const RECT area = {5 - 24, 5 - 24, 204 + 24, 44 + 24};
        const RECT inner = {24, 24, 24 + 199, 24 + 39};
        const RECT request = {5, 5, 204, 44};
        for (int i = 0; i < 60; ++i) {
            textract::Image image;
            double a = Now();
            textract::CaptureScreen(area, image);
            double b = Now();
            const auto lines = textract::RecognizeImage(base, image, &inner);
            double c = Now();
            textract::MakeItems(base, image, lines, request, TEXTRACT_FLAGS_WORDS);
            items.push_back(Now() - c);
            grab.push_back(b - a);
            recognize.push_back(c - b);
        }
        // The same size of blank screen: the ink mask alone, nothing to decode.
        std::vector<double> blank;
        const RECT empty = {area.left, 500, area.right, 500 + (area.bottom - area.top)};
        for (int i = 0; i < 60; ++i) {
            textract::Image image;
            textract::CaptureScreen(empty, image);
            const double a = Now();
            textract::RecognizeImage(base, image, &inner);
            blank.push_back(Now() - a);
        }
        for (auto* v : {&grab, &recognize, &items, &blank})
            std::sort(v->begin(), v->end());
        std::printf("  of which (medians): screen grab %.2f ms, mask and decoding %.2f ms "
                    "(mask alone, on blank pixels: %.2f ms), items %.3f ms; pattern base: %zu "
                    "fonts\n",
                    grab[30], recognize[30], blank[30], items[30], base.fonts.size());
    }
    EngineTerminate();
    DeleteFileA(file.c_str());
    return 0;
}
