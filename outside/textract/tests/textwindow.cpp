#include "textwindow.h"

namespace textract_test {

namespace {
const char kClass[] = "TextractTestTextWindow";
}

TextWindow::~TextWindow()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
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
    m_hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClass, "Textract test text",
                             WS_POPUP, x, y, width, height, nullptr, nullptr,
                             GetModuleHandleA(nullptr), this);
    return m_hwnd != nullptr;
}

void TextWindow::Clear()
{
    m_panels.clear();
    m_runs.clear();
}

void TextWindow::AddPanel(const RECT& rc, COLORREF colour) { m_panels.push_back({rc, colour}); }

size_t TextWindow::AddRun(const TextRun& run)
{
    m_runs.push_back(run);
    return m_runs.size() - 1;
}

void TextWindow::Show()
{
    ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
    SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InvalidateRect(m_hwnd, nullptr, TRUE);
    UpdateWindow(m_hwnd);
    GdiFlush();
    const DWORD until = GetTickCount() + 150;
    MSG msg;
    while ((LONG)(GetTickCount() - until) < 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

HFONT TextWindow::MakeFont(const TextRun& run) const
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return CreateFontA(-MulDiv(run.pitch, dpi, 72), 0, 0, 0, run.bold ? FW_BOLD : FW_NORMAL, 0,
                       0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, run.face.c_str());
}

RECT TextWindow::RunScreenRect(size_t index) const
{
    const TextRun& run = m_runs[index];
    HDC dc = GetDC(m_hwnd);
    HFONT f = MakeFont(run);
    HGDIOBJ old = SelectObject(dc, f);
    SIZE sz = {};
    GetTextExtentPoint32A(dc, run.text.c_str(), (int)run.text.size(), &sz);
    SelectObject(dc, old);
    DeleteObject(f);
    ReleaseDC(m_hwnd, dc);
    POINT p = {run.x, run.y};
    ClientToScreen(m_hwnd, &p);
    RECT r = {p.x, p.y, p.x + sz.cx - 1, p.y + sz.cy - 1};
    return r;
}

int TextWindow::CharScreenX(size_t index, size_t i) const
{
    const TextRun& run = m_runs[index];
    HDC dc = GetDC(m_hwnd);
    HFONT f = MakeFont(run);
    HGDIOBJ old = SelectObject(dc, f);
    SIZE sz = {};
    GetTextExtentPoint32A(dc, run.text.c_str(), (int)i, &sz);
    SelectObject(dc, old);
    DeleteObject(f);
    ReleaseDC(m_hwnd, dc);
    POINT p = {run.x + (i ? sz.cx : 0), run.y};
    ClientToScreen(m_hwnd, &p);
    return p.x;
}

std::string TextWindow::RealFace(size_t index) const
{
    HDC dc = GetDC(m_hwnd);
    HFONT f = MakeFont(m_runs[index]);
    HGDIOBJ old = SelectObject(dc, f);
    char name[LF_FACESIZE] = {};
    GetTextFaceA(dc, LF_FACESIZE, name);
    SelectObject(dc, old);
    DeleteObject(f);
    ReleaseDC(m_hwnd, dc);
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
        HBRUSH b = CreateSolidBrush(p.colour);
        FillRect(dc, &p.rc, b);
        DeleteObject(b);
    }
    SetBkMode(dc, TRANSPARENT);
    for (const TextRun& run : m_runs) {
        HFONT f = MakeFont(run);
        HGDIOBJ old = SelectObject(dc, f);
        SetTextColor(dc, run.colour);
        TextOutA(dc, run.x, run.y, run.text.c_str(), (int)run.text.size());
        SelectObject(dc, old);
        DeleteObject(f);
    }
}

LRESULT CALLBACK TextWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    TextWindow* self = reinterpret_cast<TextWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace textract_test
