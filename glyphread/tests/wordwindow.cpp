#include "wordwindow.h"

namespace glyphtest {

namespace {

const char kClass[] = "GlyphreadWordWindow";

void Pump(DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

}  // namespace

int PixelsForPoints(int points)
{
    return MulDiv(points, 96, 72);
}

WordWindow::WordWindow(int x, int y, int width, int height, COLORREF background)
    : m_background(background)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);  // a second registration fails harmlessly
    m_hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClass, "glyphread words",
                             WS_POPUP, x, y, width, height, nullptr, nullptr, wc.hInstance, this);
    SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(m_hwnd);
    Pump(100);
}

WordWindow::~WordWindow()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
    Pump(50);
}

void WordWindow::Show(const std::vector<TextRun>& runs, COLORREF background)
{
    m_runs = runs;
    m_background = background;
    SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    GdiFlush();
    Pump(120);
}

HFONT WordWindow::MakeFont(const TextRun& run) const
{
    return CreateFontA(-PixelsForPoints(run.points), 0, 0, 0, run.bold ? FW_BOLD : FW_NORMAL,
                       FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, run.face.c_str());
}

void WordWindow::Paint(HDC dc)
{
    RECT client;
    GetClientRect(m_hwnd, &client);
    HBRUSH brush = CreateSolidBrush(m_background);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    SetBkMode(dc, TRANSPARENT);
    for (const TextRun& run : m_runs) {
        HFONT font = MakeFont(run);
        HGDIOBJ old = SelectObject(dc, font);
        SetTextColor(dc, run.color);
        TextOutA(dc, run.x, run.y, run.text.c_str(), static_cast<int>(run.text.size()));
        SelectObject(dc, old);
        DeleteObject(font);
    }
}

std::vector<CharCell> WordWindow::Cells(int run) const
{
    std::vector<CharCell> cells;
    const TextRun& r = m_runs.at(static_cast<size_t>(run));
    HDC dc = GetDC(m_hwnd);
    HFONT font = MakeFont(r);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    POINT origin{r.x, r.y};
    ClientToScreen(m_hwnd, &origin);
    for (size_t i = 0; i < r.text.size(); ++i) {
        SIZE before{}, through{};
        GetTextExtentPoint32A(dc, r.text.c_str(), static_cast<int>(i), &before);
        GetTextExtentPoint32A(dc, r.text.c_str(), static_cast<int>(i + 1), &through);
        CharCell c;
        c.ch = r.text[i];
        c.run = run;
        c.screen = RECT{origin.x + (i ? before.cx : 0), origin.y, origin.x + through.cx,
                        origin.y + tm.tmHeight};
        cells.push_back(c);
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(m_hwnd, dc);
    return cells;
}

RECT WordWindow::CellOf(int run, int index) const
{
    return Cells(run).at(static_cast<size_t>(index)).screen;
}

POINT WordWindow::CenterOf(int run, int index) const
{
    const RECT r = CellOf(run, index);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

LRESULT CALLBACK WordWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = reinterpret_cast<WordWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (self)
            self->Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

}  // namespace glyphtest
