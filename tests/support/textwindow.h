// A real top-level window that draws known text runs (and coloured panels) at known places,
// for the OCR tests and benchmarks: the screen rectangle of every character comes from GDI's
// own metrics.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lxtest {

struct TextRun {
    std::string text;
    std::string face;  // font face name
    int points = 10;   // font size in points at 96 dpi
    COLORREF color = RGB(0, 0, 0);
    int x = 0;         // client position of the run's first cell, top-left
    int y = 0;
    bool bold = false;
    BYTE quality = DEFAULT_QUALITY;  // font quality: ANTIALIASED_QUALITY, CLEARTYPE_QUALITY, ...
    int pixels = 0;                  // em height in pixels instead of points, when not 0
};

// Screen cell of one drawn character.
struct CharCell {
    char ch = 0;
    RECT screen{};  // left/right of its advance, top/bottom of the font's cell
    int run = 0;
};

// Font pixel height for a size in points at 96 dpi (the em height).
int PixelsForPoints(int points);

// Screen pixels of a rectangle (right and bottom exclusive) as 0x00RRGGBB, top-down.
std::vector<DWORD> GrabScreen(const RECT& r);

class TextWindow {
public:
    TextWindow() = default;
    // Created and shown at once, empty.
    TextWindow(int x, int y, int width, int height, COLORREF background);
    ~TextWindow();
    TextWindow(const TextWindow&) = delete;
    TextWindow& operator=(const TextWindow&) = delete;

    // A borderless, topmost pop-up at a screen position, not shown yet.
    bool Create(int x, int y, int width, int height, COLORREF background);
    void Clear();
    void AddPanel(const RECT& rc, COLORREF color);
    // An image (top-down 0x00RRGGBB pixels) drawn with its top-left corner at (x, y), over the
    // panels and under the runs.
    void AddImage(int x, int y, int width, int height, const std::vector<DWORD>& pixels);
    // Adds a run and returns its index.
    size_t AddRun(const TextRun& run);
    // Repaints and waits until the screen shows the window's contents.
    void Show();
    // Replaces the runs and the background, then shows them.
    void Show(const std::vector<TextRun>& runs, COLORREF background);

    HWND Hwnd() const { return m_hwnd; }
    const std::vector<TextRun>& Runs() const { return m_runs; }
    const TextRun& Run(size_t index) const { return m_runs.at(index); }
    // Cells of every character of a run (spaces included), in order.
    std::vector<CharCell> Cells(int run) const;
    RECT CellOf(int run, int index) const;
    // Screen point in the middle of that cell.
    POINT CenterOf(int run, int index) const;
    // Screen rectangle (inclusive edges) of a run's cells.
    RECT RunScreenRect(size_t index) const;
    // Screen x of the left edge of character i of a run.
    int CharScreenX(size_t index, size_t i) const;
    // The face GDI really uses for a run's font.
    std::string RealFace(size_t index) const;

private:
    struct Panel {
        RECT rc;
        COLORREF color;
    };
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);

    HWND m_hwnd = nullptr;
    COLORREF m_background = RGB(255, 255, 255);
    std::vector<Panel> m_panels;
    struct Picture {
        int x, y, width, height;
        std::vector<DWORD> pixels;
    };
    std::vector<Picture> m_pictures;
    std::vector<TextRun> m_runs;
};

}  // namespace lxtest
