// "Norvanta Lexipop.exe": the dictionary program, small. It publishes its pop-up window in the
// release key, has the mouse hook report the user's look-up gesture to its hidden window,
// reads the word under the pointer from the screen and shows it in the pop-up beside the
// pointer. It has the font pattern base built when there is none, and again when the installed
// fonts change. WM_CLOSE to either window ends it; unhooking is its last act.
#include "glyphread.h"
#include "lxpmessages.h"
#include "lxwin.h"
#include "moduleexport.h"
#include "pointhook.h"
#include "productfacts.h"
#include "textract.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

const char kPopupTitle[] = "Lexipop Popup";
const char kHiddenTitle[] = "LXPhiddenWndv1.0";
const char kPopupClass[] = "LexipopPopup";
const char kHiddenClass[] = "LexipopHidden";
const char kFontLearner[] = "fontlearner.exe";
const char kBuilding[] = "Learning the screen fonts...";
const char kBuilt[] = "Screen fonts learnt.";
const UINT_PTR kHideTimer = 1;
const UINT kBuiltShowMs = 2000;
const int kPopupOffset = 12;  // the pop-up sits this far below and right of the pointer

// The trigger settings as the wizard stored them: right button without Shift when the
// values are missing; a stored button other than 1 to 3 means hold mode.
struct MouseSettings {
    int state = 1;
    int shift = 0;
};

MouseSettings ReadMouseSettings()
{
    MouseSettings m;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return m;
    auto read = [key](const char* name, DWORD& out) {
        DWORD size = sizeof out, type = 0;
        return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&out),
                                &size) == ERROR_SUCCESS &&
               type == REG_DWORD;
    };
    DWORD n = 0;
    if (read("bMouseState", n))
        m.state = (n >= 1 && n <= 3) ? static_cast<int>(n) : 4;
    if (read("bMouseShift", n))
        m.shift = n == 1 ? 1 : 0;
    RegCloseKey(key);
    return m;
}

// The pop-up's handle in the release key, where the wizard and fontlearner find it. Window
// handles carry 32 significant bits in both builds.
void PublishPopup(HWND popup)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const DWORD value = static_cast<DWORD>(HandleToLong(popup));
    RegSetValueExA(key, lxfacts::kPopupWindowValue, 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

// Starts fontlearner.exe from the current (installation) folder; it ends by itself.
void StartFontLearner()
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string command = std::string("\"") + kFontLearner + "\"";
    if (CreateProcessA(kFontLearner, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

bool PatternBaseExists()
{
    const char* file = EnginePatternFileName();
    return file && GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES;
}

// The two libraries, loaded from the installation folder at run time.
struct Libraries {
    HMODULE hook = nullptr;
    HMODULE ocr = nullptr;
    PFN_InitHooksDll InitHooksDll = nullptr;
    PFN_RemoveHooksDll RemoveHooksDll = nullptr;
    PFN_ResetMouse ResetMouse = nullptr;
    PFN_MessageDisplayed MessageDisplayed = nullptr;
    int(WINAPI* OCR2Text)(int, int, char*, int*, int*, int*, int*) = nullptr;
    void(WINAPI* OCRHighlightRect)(RECT, int) = nullptr;
    void(WINAPI* OCRCleanUp)() = nullptr;

    template <typename F>
    static void Get(HMODULE module, F& fn, const char* name)
    {
        fn = ModuleExport<F>(module, name);
    }

    bool Load()
    {
        hook = LoadLibraryA("pointhook.dll");
        ocr = LoadLibraryA("glyphread.dll");
        Get(hook, InitHooksDll, "InitHooksDll");
        Get(hook, RemoveHooksDll, "RemoveHooksDll");
        Get(hook, ResetMouse, "ResetMouse");
        Get(hook, MessageDisplayed, "MessageDisplayed");
        Get(ocr, OCR2Text, "OCR2Text");
        Get(ocr, OCRHighlightRect, "OCRHighlightRect");
        Get(ocr, OCRCleanUp, "OCRCleanUp");
        return InitHooksDll && RemoveHooksDll && ResetMouse && MessageDisplayed && OCR2Text &&
               OCRHighlightRect && OCRCleanUp;
    }
};

class Lexipop;

// Both windows hand every message to the program; what they do not handle goes on as usual.
class ProgramWindow : public lxwin::Window {
public:
    explicit ProgramWindow(Lexipop& app) : m_app(app) {}

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    Lexipop& m_app;
};

class Lexipop {
public:
    bool Start(HINSTANCE instance)
    {
        if (!m_libs.Load())
            return false;
        lxwin::RegisterWindowClass(instance, kPopupClass, 0,
                                   reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1));
        lxwin::RegisterWindowClass(instance, kHiddenClass);
        const RECT none = {0, 0, 0, 0};
        if (!m_hidden.Create(instance, kHiddenClass, kHiddenTitle, WS_OVERLAPPED, WS_EX_TOOLWINDOW,
                             none) ||
            !m_popup.Create(instance, kPopupClass, kPopupTitle, WS_POPUP | WS_BORDER,
                            WS_EX_TOPMOST | WS_EX_TOOLWINDOW, none))
            return false;
        m_text = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                 0, 0, 0, 0, m_popup.Hwnd(), nullptr, instance, nullptr);
        PublishPopup(m_popup.Hwnd());
        const MouseSettings m = ReadMouseSettings();
        m_libs.InitHooksDll(m_hidden.Hwnd(), m_popup.Hwnd(), m.state, m.shift);
        if (!PatternBaseExists())
            StartFontLearner();
        return true;
    }

    // The last act: the hook goes and takes the process with it.
    [[noreturn]] void Exit()
    {
        m_libs.OCRCleanUp();
        m_libs.RemoveHooksDll();
        ExitProcess(0);  // not reached: RemoveHooksDll ends the process
    }

    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled)
    {
        handled = true;
        const POINT pt = {static_cast<LONG>(static_cast<INT32>(wParam)),
                          static_cast<LONG>(static_cast<INT32>(lParam))};
        if (msg == LxpMessage(LxpMsg::MouseHookOpen) ||
            msg == LxpMessage(LxpMsg::OnRightMouseButtonDown)) {
            // Hold mode shows the word for as long as the button is down.
            m_libs.MessageDisplayed(LookUp(pt) ? 1 : 0);
        } else if (msg == LxpMessage(LxpMsg::MouseHookClose) ||
                   msg == LxpMessage(LxpMsg::OnRightMouseButtonUp)) {
            HidePopup();
        } else if (msg == LxpMessage(LxpMsg::ConfigChange)) {
            const MouseSettings m = ReadMouseSettings();
            m_libs.ResetMouse(m.state, m.shift);
        } else if (msg == LxpMessage(LxpMsg::OnOcrBuildingDone)) {
            ShowBuildProgress(wParam != 0);
        } else if (msg == WM_FONTCHANGE && hwnd == m_hidden.Hwnd()) {
            StartFontLearner();  // a newly installed font is learnt
        } else if (msg == WM_TIMER && wParam == kHideTimer) {
            KillTimer(hwnd, kHideTimer);
            HidePopup();
        } else if (msg == WM_CLOSE) {
            PostQuitMessage(0);
        } else {
            handled = false;
        }
        return 0;
    }

private:
    // Reads the word at the point and shows it beside it; false when there is none.
    bool LookUp(POINT pt)
    {
        HidePopup();  // neither the pop-up nor the highlight may hide the text to read
        char word[GLYPHREAD_WORD_BUFFER] = {};
        int left = 0, top = 0, right = 0, bottom = 0;
        if (!m_libs.OCR2Text(pt.x, pt.y, word, &left, &top, &right, &bottom) || !word[0])
            return false;
        m_libs.OCRHighlightRect(RECT{left, top, right, bottom}, 1);
        m_highlighted = true;
        ShowPopup(word, POINT{pt.x + kPopupOffset, pt.y + kPopupOffset});
        return true;
    }

    void ShowBuildProgress(bool done)
    {
        RECT work = {};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        ShowPopup(done ? kBuilt : kBuilding, POINT{work.right, work.bottom});
        if (done)
            SetTimer(m_popup.Hwnd(), kHideTimer, kBuiltShowMs, nullptr);
        else
            KillTimer(m_popup.Hwnd(), kHideTimer);
    }

    // Sizes the pop-up to its text and places it at `at`, kept inside the work area.
    void ShowPopup(const std::string& text, POINT at)
    {
        lxwin::SetText(m_text, text);
        HDC dc = GetDC(m_text);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SendMessageA(m_text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
        SIZE size = {};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(m_text, dc);
        const int pad = 6;
        const int width = size.cx + 2 * pad + 2, height = size.cy + 2 * pad + 2;
        RECT work = {};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        const LONG x = std::max(work.left, std::min(at.x, work.right - width));
        const LONG y = std::max(work.top, std::min(at.y, work.bottom - height));
        MoveWindow(m_text, pad, pad, size.cx, size.cy, FALSE);
        SetWindowPos(m_popup.Hwnd(), HWND_TOPMOST, x, y, width, height,
                     SWP_NOACTIVATE | SWP_SHOWWINDOW);
        UpdateWindow(m_popup.Hwnd());
    }

    void HidePopup()
    {
        ShowWindow(m_popup.Hwnd(), SW_HIDE);
        if (m_highlighted) {
            m_libs.OCRHighlightRect(RECT{}, 0);
            m_highlighted = false;
        }
    }

    Libraries m_libs;
    ProgramWindow m_hidden{*this};
    ProgramWindow m_popup{*this};
    HWND m_text = nullptr;
    bool m_highlighted = false;
};

LRESULT ProgramWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    bool handled = false;
    const LRESULT result = m_app.OnMessage(Hwnd(), msg, wParam, lParam, handled);
    return handled ? result : Window::OnMessage(msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    static Lexipop app;  // lives until the process ends inside Exit
    if (!app.Start(instance))
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    app.Exit();
}
