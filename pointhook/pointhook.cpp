// pointhook.dll: one system-wide WH_MOUSE hook that spots the look-up gesture.
//
// MouseFunc runs inside every process on the desktop that receives mouse input, on the
// thread that receives the message. It must never crash or stall its host: it allocates
// nothing, keeps every name in a fixed stack buffer, checks every window query (a failed
// query reads as an empty name, which matches nothing), reads window titles without sending
// any message to the window's thread, and waits only in the two synchronous hold-mode
// reports to the dictionary program.
#define POINTHOOK_BUILD
#include "pointhook.h"

#include "hookstate.h"
#include "lxpmessages.h"

#include <atomic>
#include <cstring>

// The message numbers come from LxpMessage, which caches them per process in plain atomic
// words: no lock and no allocation inside the hook.
static_assert(std::atomic<UINT>::is_always_lock_free, "message cache must be lock-free");

// The one block shared by every process that maps the library (see hookstate.h).
HookSharedState g_hookShared __attribute__((section(HOOK_SHARED_SECTION), shared)) =
    HOOK_SHARED_STATE_INITIAL;

namespace {

// Per process: this library's module instance, recorded on attach.
HINSTANCE g_hInstance = nullptr;

// Every access goes to memory: other processes change the block at any time.
volatile HookSharedState& Shared()
{
    return g_hookShared;
}

// Names are read into a 129-byte buffer: at most 128 characters take part in a comparison.
constexpr int kNameBuffer = 129;

// Ancestor chains are walked at most this far (real chains are a few dozen windows deep).
constexpr int kMaxAncestors = 256;

using Name = char[kNameBuffer];

void ReadClassName(HWND hwnd, Name& out)
{
    out[0] = '\0';
    if (!hwnd)
        return;
    const int n = GetClassNameA(hwnd, out, kNameBuffer);
    out[n > 0 && n < kNameBuffer ? n : 0] = '\0';
}

// The title as the window manager stores it. GetWindowText would send WM_GETTEXT to a
// window of another thread of this process and wait for that thread; this never waits.
void ReadTitle(HWND hwnd, Name& out)
{
    out[0] = '\0';
    if (!hwnd)
        return;
    WCHAR wide[kNameBuffer];
    const int n = InternalGetWindowText(hwnd, wide, kNameBuffer);
    if (n <= 0 || n >= kNameBuffer)
        return;
    char narrow[kNameBuffer * 2];
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, n, narrow, sizeof narrow, nullptr,
                                          nullptr);
    if (bytes <= 0)
        return;
    const int kept = bytes < kNameBuffer - 1 ? bytes : kNameBuffer - 1;
    std::memcpy(out, narrow, static_cast<size_t>(kept));
    out[kept] = '\0';
}

bool Is(const Name& name, const char* wanted)
{
    return std::strcmp(name, wanted) == 0;
}

// The window the system reports under the pointer, and its class, asked once per message
// however many rules look at them.
class UnderPointer {
public:
    explicit UnderPointer(POINT pt) : m_pt(pt) {}
    HWND Window()
    {
        Read();
        return m_hwnd;
    }
    const Name& Class()
    {
        Read();
        return m_class;
    }

private:
    void Read()
    {
        if (m_read)
            return;
        m_read = true;
        m_hwnd = WindowFromPoint(m_pt);
        ReadClassName(m_hwnd, m_class);
    }

    POINT m_pt;
    bool m_read = false;
    HWND m_hwnd = nullptr;
    Name m_class = "";
};

// A window whose text the dictionary program may read: not a combo box's drop-down list,
// not an HTML dialog, not inside the dictionary program's own pop-up or hidden window, and
// not the window the dictionary program asked to ignore.
// The dictionary program's windows are recognised by their titles only. Their window class,
// "Afx:400000:800:10011:0:0", is a name the MFC framework builds from an executable's load
// address and class styles, so any MFC program's windows may carry the same one: comparing
// it would switch look-ups off in unrelated programs.
bool IsCapturableWindow(UnderPointer& under, HWND hwndTarget)
{
    if (Is(under.Class(), "ComboLBox") || Is(under.Class(), "Internet Explorer_TridentDlgFrame"))
        return false;

    Name name;
    const HWND w = under.Window();

    HWND a = w ? GetParent(w) : nullptr;
    for (int depth = 0; a && depth < kMaxAncestors; ++depth) {
        ReadTitle(a, name);
        if (Is(name, "Lexipop Popup") || Is(name, "LXPhiddenWndv1.0"))
            return false;
        ReadClassName(a, name);
        if (Is(name, "Internet Explorer_TridentDlgFrame"))
            return false;
        a = GetParent(a);
    }

    return hwndTarget != Shared().hwndIgnore;
}

// Controls whose pixels are not running text: tab strips, toolbars, rebars, the taskbar and
// its notification area, tree and list views, the desktop and folder views.
bool IsExcludedControl(UnderPointer& under)
{
    const Name& name = under.Class();
    const HWND w = under.Window();
    Name parentName;
    if (Is(name, "SysTabControl32") || Is(name, "ToolbarWindow32") || Is(name, "ReBarWindow32"))
        return true;
    ReadClassName(w ? GetParent(w) : nullptr, parentName);
    if (Is(parentName, "Shell_TrayWnd"))
        return true;
    if (Is(name, "TrayNotifyWnd") || Is(name, "SysTreeView32") || Is(name, "SysListView32"))
        return true;
    return Is(parentName, "SHELLDLL_DefView");
}

// Work area of the primary monitor, all four edges inclusive.
bool InWorkArea(POINT pt)
{
    RECT wa;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0))
        return false;
    return pt.x >= wa.left && pt.x <= wa.right && pt.y >= wa.top && pt.y <= wa.bottom;
}

WPARAM XParam(POINT pt)
{
    return static_cast<WPARAM>(static_cast<INT_PTR>(pt.x));
}

LPARAM YParam(POINT pt)
{
    return static_cast<LPARAM>(pt.y);
}

void PostToNotify(LxpMsg which, POINT pt)
{
    const HWND target = Shared().hwndNotify;
    const UINT msg = LxpMessage(which);
    if (target && msg)
        PostMessageA(target, msg, XParam(pt), YParam(pt));
}

// Hold-mode reports wait until the dictionary program's window procedure has returned. A
// dictionary program that has stopped answering is not waited for, so it cannot freeze the
// mouse in every other program.
constexpr UINT kSendTimeoutMs = 5000;

void SendToNotify(LxpMsg which, POINT pt)
{
    const HWND target = Shared().hwndNotify;
    const UINT msg = LxpMessage(which);
    if (!target || !msg)
        return;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(target, msg, XParam(pt), YParam(pt), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &result);
}

LRESULT PassOn(int nCode, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(Shared().hHook, nCode, wParam, lParam);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_hInstance = hInstance;
    return TRUE;
}

int WINAPI InitHooksDll(HWND hwndNotify, HWND hwndIgnore, int nMouseState, int bMouseShift)
{
    volatile HookSharedState& s = Shared();
    s.hwndNotify = hwndNotify;
    s.hwndIgnore = hwndIgnore;
    s.nMouseState = nMouseState;
    s.bMouseShift = bMouseShift;
    InstallFilter();
    s.bCaptureActive = 0;
    s.bEnabled = 1;
    return 0;
}

int WINAPI InstallFilter()
{
    volatile HookSharedState& s = Shared();
    // A second installation replaces the first instead of leaving it behind: a leaked hook
    // could never be removed and would run the gesture rules twice for every message.
    if (const HHOOK old = s.hHook) {
        s.hHook = nullptr;
        UnhookWindowsHookEx(old);
    }
    s.hHook = SetWindowsHookExA(WH_MOUSE, MouseFunc, g_hInstance, 0);
    return 1;
}

void WINAPI RemoveHooksDll()
{
    volatile HookSharedState& s = Shared();
    // Other processes keep the block: they must not pass messages on to a removed hook.
    if (const HHOOK hook = s.hHook) {
        s.hHook = nullptr;
        UnhookWindowsHookEx(hook);
    }
    ExitProcess(0);
}

void WINAPI SetOn()
{
    Shared().bEnabled = 1;
}

void WINAPI SetOff()
{
    Shared().bEnabled = 0;
}

void WINAPI ResetMouse(int nMouseState, int bMouseShift)
{
    Shared().nMouseState = nMouseState;
    Shared().bMouseShift = bMouseShift;
}

void WINAPI MessageDisplayed(int bDisplayed)
{
    Shared().bMessageDisplayed = bDisplayed;
}

void WINAPI SetPassHook()
{
    Shared().bPassHook = 1;
}

LRESULT CALLBACK MouseFunc(int nCode, WPARAM wParam, LPARAM lParam)
{
    volatile HookSharedState& s = Shared();
    const auto* record = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    // HC_NOREMOVE: the application only looked at the message (PeekMessage without removing
    // it, as MFC's idle loop does); the same message comes again with HC_ACTION when it is
    // taken, and acting on both would report one press twice.
    if (nCode < 0 || nCode == HC_NOREMOVE || !s.bEnabled || !record)
        return PassOn(nCode, wParam, lParam);

    const UINT msg = static_cast<UINT>(wParam);
    const POINT pt = record->pt;
    const HWND target = record->hwnd;

    UnderPointer under(pt);

    // Which gesture this press is. Shift is the key state that belongs to this message (asked
    // for presses only: a mouse move costs no more than passing it on).
    const bool press = msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
    const bool shift = press && GetKeyState(VK_SHIFT) < 0;
    const LONG mouseState = s.nMouseState;
    const LONG mouseShift = s.bMouseShift;
    bool trigger = false;
    bool holdPress = false;
    if (msg == WM_RBUTTONDOWN) {
        if (mouseState == 1 && mouseShift == (shift ? 1 : 0)) {
            trigger = true;
        } else if (!shift && mouseState == 4 && mouseShift == 0) {
            holdPress = true;
            s.bHoldPressed = 1;
            s.bHoldDownSent = 0;
        }
    } else if (msg == WM_MBUTTONDOWN) {
        trigger = !shift && mouseState == 3 && mouseShift == 0;
    }

    // Presses over a window whose text can be read.
    if (press && IsCapturableWindow(under, target)) {
        if (IsExcludedControl(under))
            return PassOn(nCode, wParam, lParam);
        // A hold-mode report belongs to the press that step 2 took for a hold press only;
        // stale hold flags never turn a middle press or a Shift press into one.
        const bool holdReport = holdPress && s.bHoldPressed == 1 && s.bHoldDownSent == 0;
        if ((trigger || holdReport) && s.bPassHook) {
            // The dictionary program asked to let one gesture through: the application gets
            // this press and, since no capture is running, its release too.
            s.bPassHook = 0;
            s.bCaptureActive = 0;
            return PassOn(nCode, wParam, lParam);
        }
        if (trigger) {
            s.bCaptureActive = 1;
            s.bCloseArmed = 1;
            s.bHoldPressed = 0;
            s.bMessageDisplayed = 1;
            if (!InWorkArea(pt))
                return PassOn(nCode, wParam, lParam);
            PostToNotify(LxpMsg::MouseHookOpen, pt);
            return 1;
        }
        if (holdReport) {
            SendToNotify(LxpMsg::OnRightMouseButtonDown, pt);
            s.bHoldDownSent = 1;
        }
    }

    // Releases: the first rule that matches decides.
    if (msg == WM_LBUTTONUP && s.bCaptureActive == 1) {
        s.bCaptureActive = 0;
        return PassOn(nCode, wParam, lParam);
    }
    if (msg == WM_RBUTTONUP && s.bHoldPressed == 1 && s.bHoldDownSent == 1) {
        SendToNotify(LxpMsg::OnRightMouseButtonUp, pt);
        s.bHoldDownSent = 0;
        s.bCloseArmed = 1;
        s.bCaptureActive = 1;
        // Read after the send: the dictionary program answers through MessageDisplayed.
        if (s.bMessageDisplayed)
            return 1;
        return PassOn(nCode, wParam, lParam);
    }
    if (msg == WM_RBUTTONUP && s.bCaptureActive == 1 && IsCapturableWindow(under, target) &&
        !IsExcludedControl(under)) {
        if (s.bMessageDisplayed)
            return 1;
        return PassOn(nCode, wParam, lParam);
    }

    // A left press after a capture closes the pop-up (every such press, not only the first).
    if (msg == WM_LBUTTONDOWN && s.bCloseArmed == 1 && IsCapturableWindow(under, target))
        PostToNotify(LxpMsg::MouseHookClose, pt);
    return PassOn(nCode, wParam, lParam);
}
