// The engine's own progress window for building the pattern base.
#include "engine.h"
#include "textract.h"

#include <commctrl.h>

namespace textract {

namespace {

const char kClassName[] = "TextractBuildDialog";
const int kIdLabel = 100;
const int kIdProgress = 101;

struct DialogState {
    HWND hwnd = nullptr;
    HWND label = nullptr;
    HWND bar = nullptr;
    bool cancelled = false;
};

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DialogState* st = reinterpret_cast<DialogState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_NCCREATE: {
        const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        break;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL && st)
            st->cancelled = true;
        return 0;
    case WM_CLOSE:
        if (st)
            st->cancelled = true;
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage((int)msg.wParam);  // leave it for the caller's loop
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

int BuildWithDialog()
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    HINSTANCE inst = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&DialogProc), &inst);
    WNDCLASSA wc = {};
    if (!GetClassInfoA(inst, kClassName, &wc)) {
        wc.lpfnWndProc = DialogProc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        RegisterClassA(&wc);
    }

    DialogState st;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT rc = {0, 0, 360, 112};
    AdjustWindowRectEx(&rc, style, FALSE, WS_EX_DLGMODALFRAME);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    st.hwnd = CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kClassName,
                              "Building font pattern database", style, x, y, w, h, nullptr,
                              nullptr, inst, &st);
    if (!st.hwnd)
        return BuildAndStore(nullptr);  // no window: build all the same
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    st.label = CreateWindowExA(0, "STATIC", "Preparing...", WS_CHILD | WS_VISIBLE | SS_LEFT, 12,
                               12, 336, 18, st.hwnd,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdLabel)), inst,
                               nullptr);
    st.bar = CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 12,
                             36, 336, 20, st.hwnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdProgress)), inst,
                             nullptr);
    HWND cancel = CreateWindowExA(0, "BUTTON", "Cancel",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 274, 72,
                                  74, 26, st.hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), inst,
                                  nullptr);
    for (HWND c : {st.label, cancel})
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ShowWindow(st.hwnd, SW_SHOW);
    UpdateWindow(st.hwnd);
    Pump();

    const int status = BuildAndStore([&](int done, int total, const std::string& label) {
        if (total > 0) {
            SendMessageA(st.bar, PBM_SETRANGE32, 0, total);
            SendMessageA(st.bar, PBM_SETPOS, done, 0);
        }
        const std::string text =
            label.empty() ? std::string("Saving the pattern base...") : "Rendering " + label;
        SetWindowTextA(st.label, text.c_str());
        UpdateWindow(st.hwnd);
        Pump();
        return !st.cancelled;
    });
    DestroyWindow(st.hwnd);
    Pump();
    return status;
}

}  // namespace textract
