#include "textwindow.h"

#include <cstring>

namespace lxtest {

namespace {

const char kClass[] = "LxTestTextWindow";

void Pump(DWORD ms)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

HFONT MakeFont(const TextRun& run)
{
    const int em = run.pixels > 0 ? run.pixels : PixelsForPoints(run.points);
    return CreateFontA(-em, 0, 0, 0, run.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, run.quality,
                       DEFAULT_PITCH | FF_DONTCARE,
                       run.face.c_str());
}

// A DC of the window with the run's font selected, for measuring.
class RunDC {
public:
    RunDC(HWND hwnd, const TextRun& run) : m_hwnd(hwnd), m_dc(GetDC(hwnd)), m_font(MakeFont(run))
    {
        m_old = SelectObject(m_dc, m_font);
    }
    ~RunDC()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_font);
        ReleaseDC(m_hwnd, m_dc);
    }
    RunDC(const RunDC&) = delete;
    RunDC& operator=(const RunDC&) = delete;
    HDC Get() const { return m_dc; }
    // Width of the first n characters of text.
    int Extent(const std::string& text, size_t n) const
    {
        SIZE sz{};
        GetTextExtentPoint32A(m_dc, text.c_str(), static_cast<int>(n), &sz);
        return static_cast<int>(sz.cx);
    }

private:
    HWND m_hwnd;
    HDC m_dc;
    HFONT m_font;
    HGDIOBJ m_old;
};

}  // namespace

int PixelsForPoints(int points)
{
    return MulDiv(points, 96, 72);
}

std::vector<DWORD> GrabScreen(const RECT& r)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<DWORD> px(static_cast<size_t>(w) * static_cast<size_t>(h));
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::memcpy(px.data(), bits, px.size() * sizeof(DWORD));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    for (auto& p : px)
        p &= 0xFFFFFF;
    return px;
}

TextWindow::TextWindow(int x, int y, int width, int height, COLORREF background)
{
    Create(x, y, width, height, background);
    Show();
}

TextWindow::~TextWindow()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
    Pump(50);
}

bool TextWindow::Create(int x, int y, int width, int height, COLORREF background)
{
    m_background = background;
    WNDCLASSA wc = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kClass, &wc)) {
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    m_hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClass, "lxtest text", WS_POPUP, x,
                             y, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    return m_hwnd != nullptr;
}

void TextWindow::Clear()
{
    m_panels.clear();
    m_pictures.clear();
    m_runs.clear();
}

void TextWindow::AddPanel(const RECT& rc, COLORREF color)
{
    m_panels.push_back({rc, color});
}

void TextWindow::AddImage(int x, int y, int width, int height, const std::vector<DWORD>& pixels)
{
    if (width > 0 && height > 0 && pixels.size() == (size_t)width * (size_t)height)
        m_pictures.push_back({x, y, width, height, pixels});
}

size_t TextWindow::AddRun(const TextRun& run)
{
    m_runs.push_back(run);
    return m_runs.size() - 1;
}

void TextWindow::Show()
{
    ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
    SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    GdiFlush();
    Pump(150);
}

void TextWindow::Show(const std::vector<TextRun>& runs, COLORREF background)
{
    m_runs = runs;
    m_background = background;
    Show();
}

std::vector<CharCell> TextWindow::Cells(int run) const
{
    const TextRun& r = m_runs.at(static_cast<size_t>(run));
    const RunDC dc(m_hwnd, r);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc.Get(), &tm);
    POINT origin{r.x, r.y};
    ClientToScreen(m_hwnd, &origin);
    std::vector<CharCell> cells;
    for (size_t i = 0; i < r.text.size(); ++i) {
        CharCell c;
        c.ch = r.text[i];
        c.run = run;
        c.screen = RECT{origin.x + (i ? dc.Extent(r.text, i) : 0), origin.y,
                        origin.x + dc.Extent(r.text, i + 1), origin.y + tm.tmHeight};
        cells.push_back(c);
    }
    return cells;
}

RECT TextWindow::CellOf(int run, int index) const
{
    return Cells(run).at(static_cast<size_t>(index)).screen;
}

POINT TextWindow::CenterOf(int run, int index) const
{
    const RECT r = CellOf(run, index);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT TextWindow::RunScreenRect(size_t index) const
{
    const TextRun& run = m_runs.at(index);
    const RunDC dc(m_hwnd, run);
    SIZE sz = {};
    GetTextExtentPoint32A(dc.Get(), run.text.c_str(), static_cast<int>(run.text.size()), &sz);
    POINT p = {run.x, run.y};
    ClientToScreen(m_hwnd, &p);
    return RECT{p.x, p.y, p.x + sz.cx - 1, p.y + sz.cy - 1};
}

int TextWindow::CharScreenX(size_t index, size_t i) const
{
    const TextRun& run = m_runs.at(index);
    const RunDC dc(m_hwnd, run);
    POINT p = {run.x + (i ? dc.Extent(run.text, i) : 0), run.y};
    ClientToScreen(m_hwnd, &p);
    return p.x;
}

std::string TextWindow::RealFace(size_t index) const
{
    const RunDC dc(m_hwnd, m_runs.at(index));
    char name[LF_FACESIZE] = {};
    GetTextFaceA(dc.Get(), LF_FACESIZE, name);
    return name;
}

void TextWindow::Paint(HDC dc)
{
    RECT client;
    GetClientRect(m_hwnd, &client);
    HBRUSH bg = CreateSolidBrush(m_background);
    FillRect(dc, &client, bg);
    DeleteObject(bg);
    for (const Panel& p : m_panels) {
        HBRUSH b = CreateSolidBrush(p.color);
        FillRect(dc, &p.rc, b);
        DeleteObject(b);
    }
    for (const Picture& p : m_pictures) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = p.width;
        bi.bmiHeader.biHeight = -p.height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, p.x, p.y, (DWORD)p.width, (DWORD)p.height, 0, 0, 0,
                          (UINT)p.height, p.pixels.data(), &bi, DIB_RGB_COLORS);
    }
    SetBkMode(dc, TRANSPARENT);
    for (const TextRun& run : m_runs) {
        HFONT f = MakeFont(run);
        HGDIOBJ old = SelectObject(dc, f);
        SetTextColor(dc, run.color);
        TextOutA(dc, run.x, run.y, run.text.c_str(), static_cast<int>(run.text.size()));
        SelectObject(dc, old);
        DeleteObject(f);
    }
}

LRESULT CALLBACK TextWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TextWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace lxtest
