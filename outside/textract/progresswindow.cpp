#include "progresswindow.h"

#include "lxwin.h"
#include "productfacts.h"

#include <commctrl.h>

namespace textract {

namespace {

const char kClassName[] = "TextractBuildDialog";
const int kIdLabel = 100;
const int kIdProgress = 101;

class ProgressWindow : public lxwin::Window {
public:
    bool Open(HINSTANCE inst)
    {
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        RECT rc = {0, 0, 360, 112};
        AdjustWindowRectEx(&rc, style, FALSE, WS_EX_DLGMODALFRAME);
        const int w = rc.right - rc.left, h = rc.bottom - rc.top;
        const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
        if (!Create(inst, kClassName, "Building font pattern database", style,
                    WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, RECT{x, y, x + w, y + h}))
            return false;
        m_label = Child(inst, "STATIC", "Preparing...", SS_LEFT, {12, 12, 348, 30}, kIdLabel);
        m_bar = Child(inst, PROGRESS_CLASSA, nullptr, PBS_SMOOTH, {12, 36, 348, 56}, kIdProgress);
        HWND cancel = Child(inst, "BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON,
                            {274, 72, 348, 98}, IDCANCEL);
        const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        lxwin::SetFont(m_label, font, false);
        lxwin::SetFont(cancel, font, false);
        ShowWindow(Hwnd(), SW_SHOW);
        UpdateWindow(Hwnd());
        return true;
    }

    // Shows the progress and lets the window answer; false once cancelled.
    bool Report(int done, int total, const std::string& label)
    {
        if (total > 0) {
            SendMessageA(m_bar, PBM_SETRANGE32, 0, total);
            SendMessageA(m_bar, PBM_SETPOS, static_cast<WPARAM>(done), 0);
        }
        lxwin::SetText(m_label, label.empty() ? std::string("Saving the pattern base...")
                                              : "Rendering " + label);
        UpdateWindow(Hwnd());
        lxwin::PumpWaiting();
        return !m_cancelled;
    }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if ((msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || msg == WM_CLOSE) {
            m_cancelled = true;
            return 0;
        }
        return Window::OnMessage(msg, wParam, lParam);
    }

private:
    HWND Child(HINSTANCE inst, const char* cls, const char* text, DWORD style, const RECT& r,
               int id)
    {
        return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, Hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    }

    HWND m_label = nullptr;
    HWND m_bar = nullptr;
    bool m_cancelled = false;
};

}  // namespace

int RunWithProgressWindow(const std::function<int(const Progress&)>& work)
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    const HINSTANCE inst =
        lxfacts::ModuleOfAddress(reinterpret_cast<const void*>(&RunWithProgressWindow));
    lxwin::RegisterWindowClass(inst, kClassName, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

    ProgressWindow window;
    if (!window.Open(inst))
        return work(nullptr);
    lxwin::PumpWaiting();
    const int status = work([&window](int done, int total, const std::string& label) {
        return window.Report(done, total, label);
    });
    window.Destroy();
    lxwin::PumpWaiting();
    return status;
}

}  // namespace textract
