// Word accuracy and latency of OCR2Text over rendered words, and the pattern base build time.
// Runs with the installation directory as current directory (make bench).
#include "enginespy.h"
#include "glyphreadlib.h"
#include "textwindow.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using glyphtest::Capture;
using lxtest::TextRun;

namespace {

const char* const kFonts[] = {"Arial", "Times New Roman", "Courier New", "Tahoma"};
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 24};
struct Colours {
    COLORREF text, background;
    const char* name;
};
const Colours kColours[] = {
    {RGB(0, 0, 0), RGB(255, 255, 255), "black/white"},
    {RGB(255, 255, 255), RGB(0, 0, 128), "white/navy"},
    {RGB(128, 0, 0), RGB(255, 255, 225), "maroon/cream"},
    {RGB(0, 0, 0), RGB(212, 208, 200), "black/grey"},
};
const char* const kWords[] = {
    "the", "Window", "settings", "Dictionary", "pointer", "capture", "Quickly", "glyph",
    "measure", "Jumping", "zebra", "Oxygen", "waltz", "vexing", "Bright", "quartz", "Hyphen",
    "milk", "Lookup", "popup", "Fjord", "yellow", "kind", "Every", "approximately", "Xerox",
    "ribbon", "Cancel", "Apply", "help", "File", "Edit", "View", "Tools", "options", "minimum"};
const int kWordCount = static_cast<int>(sizeof kWords / sizeof kWords[0]);

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& f)
{
    return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 /
           static_cast<double>(f.QuadPart);
}

}  // namespace

int main()
{
    CreateDirectoryA("Logs", nullptr);
    glyphtest::GlyphreadLib lib;
    if (!lib.Loaded()) {
        std::printf("glyphread.dll not loaded\n");
        return 1;
    }
    // Counts the engine's share of every capture.
    const bool watched = glyphtest::WatchEngineImports(lib.Module());
    if (getenv("BENCH_TRACE"))
        glyphtest::Spy().onRecognize = [](const TextractRequest& r, int flags) {
            fprintf(stderr, "  req %lx (%ld,%ld)-(%ld,%ld)\n", (long)flags, r.left, r.top, r.right, r.bottom);
        };
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    lib.OCRMakePattern(0);
    QueryPerformanceCounter(&t1);
    std::printf("pattern base build (OCRMakePattern without dialog): %.0f ms\n",
                Ms(t0, t1, freq));

    // The whole screen, so that every capture sees the one background of the run.
    lxtest::TextWindow window(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 RGB(255, 255, 255));
    std::vector<double> latencies, engineShare;
    int total = 0, exact = 0, word = 0;
    std::map<std::string, std::pair<int, int>> byFont;  // font -> (exact, total)
    std::map<int, std::pair<int, int>> bySize;          // points -> (exact, total)
    std::vector<std::string> failures;
    for (const char* face : kFonts) {
        for (const Colours& colours : kColours) {
            std::vector<TextRun> runs;
            int y = 60;
            for (int pt : kSizes) {
                std::string line;
                for (int i = 0; i < 4; ++i) {
                    line += kWords[(word++) % kWordCount];
                    if (i < 3)
                        line += ' ';
                }
                runs.push_back(TextRun{line, face, pt, colours.text, 40, y});
                y += lxtest::PixelsForPoints(pt) * 3 / 2 + 24;
            }
            window.Show(runs, colours.background);
            for (int r = 0; r < static_cast<int>(runs.size()); ++r) {
                const std::string& text = runs[static_cast<size_t>(r)].text;
                size_t start = 0;
                while (start < text.size()) {
                    size_t end = text.find(' ', start);
                    if (end == std::string::npos)
                        end = text.size();
                    const std::string expected = text.substr(start, end - start);
                    // Points at the first, middle and last letter of every word.
                    for (size_t at : {start, start + expected.size() / 2, end - 1}) {
                        const POINT p = window.CenterOf(r, static_cast<int>(at));
                        if (getenv("BENCH_TRACE")) fprintf(stderr, "%s %d %s %s@%zu\n", face, runs[r].points, colours.name, expected.c_str(), at);
                        glyphtest::Spy().recognizeMs = 0;
                        QueryPerformanceCounter(&t0);
                        const Capture c = glyphtest::CaptureAt(lib, p.x, p.y);
                        QueryPerformanceCounter(&t1);
                        latencies.push_back(Ms(t0, t1, freq));
                        engineShare.push_back(glyphtest::Spy().recognizeMs);
                        ++total;
                        auto& f = byFont[face];
                        auto& z = bySize[runs[r].points];
                        ++f.second;
                        ++z.second;
                        if (c.result == 1 && c.word == expected) {
                            ++exact;
                            ++f.first;
                            ++z.first;
                        } else if (failures.size() < 40) {
                            failures.push_back(std::string(face) + " " +
                                               std::to_string(runs[r].points) + "pt " +
                                               colours.name + ": '" + expected + "' at '" +
                                               text[at] + "' -> '" + c.word + "' (" +
                                               std::to_string(c.result) + ")");
                        }
                    }
                    start = end + 1;
                }
            }
        }
    }
    std::sort(latencies.begin(), latencies.end());
    const double median = latencies.empty() ? 0.0 : latencies[latencies.size() / 2];
    const double p95 = latencies.empty() ? 0.0 : latencies[latencies.size() * 95 / 100];
    std::sort(engineShare.begin(), engineShare.end());
    const double engineMedian = engineShare.empty() ? 0.0 : engineShare[engineShare.size() / 2];
    std::printf("OCR2Text word accuracy: %d of %d exact (%.2f%%), target 99%%\n", exact, total,
                total ? 100.0 * exact / total : 0.0);
    for (const auto& f : byFont)
        std::printf("  %-16s %d of %d\n", f.first.c_str(), f.second.first, f.second.second);
    for (const auto& z : bySize)
        std::printf("  %2d pt            %d of %d\n", z.first, z.second.first, z.second.second);
    std::printf("OCR2Text latency: median %.2f ms, 95th percentile %.2f ms, target 20 ms\n",
                median, p95);
    if (watched)
        std::printf("  of which inside the engine's EngineRecognizeArea: median %.2f ms\n",
                    engineMedian);
    for (const auto& f : failures)
        std::printf("  miss: %s\n", f.c_str());
    lib.OCRCleanUp();
    return 0;
}
