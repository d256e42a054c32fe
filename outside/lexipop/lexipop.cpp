// "Norvanta Lexipop.exe": the dictionary program, small. It publishes its pop-up window in the
// release key, has the mouse hook report the user's look-up gesture to its hidden window,
// reads the word under the pointer from the screen and shows it in the pop-up beside the
// pointer, with its meaning from a small word list. It has the font pattern base built when
// there is none, and again when the installed fonts change. WM_CLOSE to either window ends it;
// unhooking is its last act.
#include "glyphread.h"
#include "lexipopwindows.h"
#include "lxpmessages.h"
#include "lxwin.h"
#include "moduleexport.h"
#include "pointhook.h"
#include "productfacts.h"
#include "textract.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <unordered_map>

namespace {

const char kPopupClass[] = "LexipopPopup";
const char kHiddenClass[] = "LexipopHidden";
const char kFontLearner[] = "fontlearner.exe";
const char kWordList[] = "data\\meanings.txt";
const UINT_PTR kHideTimer = 1;
const UINT kBuiltShowMs = 2000;
const int kPopupOffset = 12;    // the pop-up sits this far below and right of the pointer
const int kMeaningWidth = 320;  // a longer meaning wraps at this width
const int kPad = 6;

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

// The word list: one "word<TAB>meaning" line per word, the words in lower case.
std::unordered_map<std::string, std::string> ReadWordList(const char* file)
{
    std::unordered_map<std::string, std::string> words;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t tab = line.find('\t');
        if (tab != std::string::npos && tab > 0)
            words.emplace(line.substr(0, tab), line.substr(tab + 1));
    }
    return words;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
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
        m_words = ReadWordList(kWordList);
        m_boldFont = MakeBoldFont();
        // The pop-up is complete and published before the hidden window comes: whoever finds
        // both finds the program ready. The pop-up only shows: it is never the active window,
        // not even when the foreground window closes while the pop-up is the topmost one (the
        // font learner's dialog ends so), and the program being read keeps the keyboard.
        // WS_EX_NOACTIVATE keeps clicks from activating it; being disabled keeps the system
        // (Wine too) from choosing it as the next window to activate. Wine hands an active
        // pop-up to the window manager and, with none running, leaves it on the screen after
        // hiding it, over the next words to read.
        if (!m_popup.Create(instance, kPopupClass, LEXIPOP_POPUP_TITLE,
                            WS_POPUP | WS_BORDER | WS_DISABLED,
                            WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, none))
            return false;
        m_text = MakeStatic(instance, LEXIPOP_IDC_WORD);
        m_meaning = MakeStatic(instance, LEXIPOP_IDC_MEANING);
        SendMessageA(m_text, WM_SETFONT, reinterpret_cast<WPARAM>(m_boldFont), FALSE);
        SendMessageA(m_meaning, WM_SETFONT,
                     reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        PublishPopup(m_popup.Hwnd());
        if (!m_hidden.Create(instance, kHiddenClass, LEXIPOP_HIDDEN_TITLE, WS_OVERLAPPED,
                             WS_EX_TOOLWINDOW, none))
            return false;
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
        const auto meaning = m_words.find(Lower(word));
        ShowPopup(word, POINT{pt.x + kPopupOffset, pt.y + kPopupOffset},
                  meaning == m_words.end() ? std::string() : meaning->second);
        return true;
    }

    HWND MakeStatic(HINSTANCE instance, int id)
    {
        return CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0,
                               0, 0, 0, m_popup.Hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                               nullptr);
    }

    static HFONT MakeBoldFont()
    {
        LOGFONTA lf = {};
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        return CreateFontIndirectA(&lf);
    }

    // The extent of a text drawn in a font, wrapped at `width` when that is not zero.
    static SIZE Measure(HWND control, HGDIOBJ font, const std::string& text, int width)
    {
        RECT rc = {0, 0, width, 0};
        if (text.empty())
            return SIZE{0, 0};
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, font);
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc,
                  DT_CALCRECT | DT_NOPREFIX | (width ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        // A little room: the static control wraps a line that fills its width exactly.
        return SIZE{rc.right - rc.left + 2, rc.bottom - rc.top};
    }

    void ShowBuildProgress(bool done)
    {
        RECT work = {};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        ShowPopup(done ? LEXIPOP_BUILT_TEXT : LEXIPOP_BUILDING_TEXT,
                  POINT{work.right, work.bottom}, std::string());
        if (done)
            SetTimer(m_popup.Hwnd(), kHideTimer, kBuiltShowMs, nullptr);
        else
            KillTimer(m_popup.Hwnd(), kHideTimer);
    }

    // Sizes the pop-up to its texts (the meaning, if any, below the first) and places it at
    // `at`, kept inside the work area.
    void ShowPopup(const std::string& text, POINT at, const std::string& meaning)
    {
        lxwin::SetText(m_text, text);
        lxwin::SetText(m_meaning, meaning);
        const SIZE top = Measure(m_text, m_boldFont, text, 0);
        const SIZE below =
            Measure(m_meaning, GetStockObject(DEFAULT_GUI_FONT), meaning, kMeaningWidth);
        const int gap = meaning.empty() ? 0 : kPad / 2;
        const int width = std::max(top.cx, below.cx) + 2 * kPad + 2;
        const int height = top.cy + gap + below.cy + 2 * kPad + 2;
        RECT work = {};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        const LONG x = std::max(work.left, std::min(at.x, work.right - width));
        const LONG y = std::max(work.top, std::min(at.y, work.bottom - height));
        MoveWindow(m_text, kPad, kPad, top.cx, top.cy, FALSE);
        MoveWindow(m_meaning, kPad, kPad + top.cy + gap, below.cx, below.cy, FALSE);
        SetWindowPos(m_popup.Hwnd(), HWND_TOPMOST, x, y, width, height,
                     SWP_NOACTIVATE | SWP_SHOWWINDOW);
        // Drawn at once with its texts, before the next look-up or a picture of the screen.
        RedrawWindow(m_popup.Hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }

    // Hides the pop-up and the highlight; a pending hiding of a message goes too, so that it
    // cannot hide a word shown after it.
    void HidePopup()
    {
        KillTimer(m_popup.Hwnd(), kHideTimer);
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
    HWND m_meaning = nullptr;
    HFONT m_boldFont = nullptr;  // lives as long as the process
    std::unordered_map<std::string, std::string> m_words;
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
