// A real top-level window that draws known text runs, for the engine's tests and benchmark.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace textract_test {

struct TextRun {
    std::string face;
    int pitch = 9;
    bool bold = false;
    COLORREF colour = RGB(0, 0, 0);
    int x = 0, y = 0;  // client position of the first cell's top-left corner
    std::string text;
};

struct Panel {
    RECT rc;
    COLORREF colour;
};

class TextWindow {
public:
    TextWindow() = default;
    ~TextWindow();
    TextWindow(const TextWindow&) = delete;
    TextWindow& operator=(const TextWindow&) = delete;

    // A borderless, topmost window at a screen position.
    bool Create(int x, int y, int width, int height, COLORREF background);
    void Clear();
    void AddPanel(const RECT& rc, COLORREF colour);
    // Adds a run and returns its index.
    size_t AddRun(const TextRun& run);
    // Repaints and waits until the screen shows the window's contents.
    void Show();

    HWND Hwnd() const { return m_hwnd; }
    // Screen rectangle (inclusive edges) of a run's cells, as GDI lays them out.
    RECT RunScreenRect(size_t index) const;
    // Screen x of the left edge of character i of a run.
    int CharScreenX(size_t index, size_t i) const;
    const TextRun& Run(size_t index) const { return m_runs[index]; }
    // The face GDI really uses for a run's font.
    std::string RealFace(size_t index) const;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    HFONT MakeFont(const TextRun& run) const;

    HWND m_hwnd = nullptr;
    COLORREF m_background = RGB(255, 255, 255);
    std::vector<Panel> m_panels;
    std::vector<TextRun> m_runs;
};

}  // namespace textract_test
