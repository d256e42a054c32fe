// A real top-level window that draws known text runs at known places, for the capture tests
// and the benchmark: the screen rectangle of every character is known from GDI's own metrics.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace glyphtest {

struct TextRun {
    std::string text;
    std::string face;  // font face name
    int points = 10;   // font size in points at 96 dpi
    COLORREF color = RGB(0, 0, 0);
    int x = 0;         // client position of the run's cell top-left
    int y = 0;
    bool bold = false;
};

// Screen cell of one drawn character.
struct CharCell {
    char ch = 0;
    RECT screen{};  // left/right of its advance, top/bottom of the font's cell
    int run = 0;
};

class WordWindow {
public:
    // A topmost pop-up at screen (x, y) of the given size, filled with `background`.
    WordWindow(int x, int y, int width, int height, COLORREF background);
    ~WordWindow();
    WordWindow(const WordWindow&) = delete;
    WordWindow& operator=(const WordWindow&) = delete;

    // Replaces the runs, redraws the window and waits until it is on screen.
    void Show(const std::vector<TextRun>& runs, COLORREF background);

    HWND Handle() const { return m_hwnd; }
    const std::vector<TextRun>& Runs() const { return m_runs; }
    // Cells of every character of run `run` (spaces included), in order.
    std::vector<CharCell> Cells(int run) const;
    // Screen cell of character `index` of run `run`.
    RECT CellOf(int run, int index) const;
    // Screen point in the middle of that cell.
    POINT CenterOf(int run, int index) const;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint(HDC dc);
    HFONT MakeFont(const TextRun& run) const;

    HWND m_hwnd = nullptr;
    COLORREF m_background;
    std::vector<TextRun> m_runs;
};

// Font pixel height for a size in points at 96 dpi (the em height).
int PixelsForPoints(int points);

}  // namespace glyphtest
