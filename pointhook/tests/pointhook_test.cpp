// pointhook.dll under test: the library is loaded at run time from the installation
// directory, exactly as the dictionary program loads it, and its shared block is read
// straight out of the ".shr" section of the loaded image.
//
// Most cases call MouseFunc directly with real windows of this process laid out on screen
// (WindowFromPoint must find them); the end-to-end cases install the hook for the desktop and
// click with SendInput on a window of a child process.
#include "hookstate.h"
#include "lxpmessages.h"
#include "lxtest.h"
#include "pointhook.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// --- the library ---------------------------------------------------------------------------

struct Library {
    HMODULE module = nullptr;
    PFN_InitHooksDll InitHooksDll = nullptr;
    PFN_InstallFilter InstallFilter = nullptr;
    PFN_RemoveHooksDll RemoveHooksDll = nullptr;
    PFN_SetOn SetOn = nullptr;
    PFN_SetOff SetOff = nullptr;
    PFN_ResetMouse ResetMouse = nullptr;
    PFN_MessageDisplayed MessageDisplayed = nullptr;
    PFN_SetPassHook SetPassHook = nullptr;
    PFN_MouseFunc MouseFunc = nullptr;
    HookSharedState* state = nullptr;
    DWORD sectionFlags = 0;
    DWORD sectionSize = 0;
};

std::string LibraryPath()
{
    return lxtest::StageDir() + "\\pointhook.dll";
}

template <typename T>
void Bind(HMODULE m, T& fn, const char* name)
{
    fn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

// Section header of the shared block inside a PE image that starts at `base`.
const IMAGE_SECTION_HEADER* SharedSection(const unsigned char* base)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return nullptr;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* sec = IMAGE_FIRST_SECTION(nt);
    for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++sec) {
        if (std::strncmp(reinterpret_cast<const char*>(sec->Name), HOOK_SHARED_SECTION,
                         IMAGE_SIZEOF_SHORT_NAME) == 0)
            return sec;
    }
    return nullptr;
}

Library LoadLibraryUnderTest()
{
    Library lib;
    lib.module = LoadLibraryA(LibraryPath().c_str());
    if (!lib.module)
        return lib;
    Bind(lib.module, lib.InitHooksDll, "InitHooksDll");
    Bind(lib.module, lib.InstallFilter, "InstallFilter");
    Bind(lib.module, lib.RemoveHooksDll, "RemoveHooksDll");
    Bind(lib.module, lib.SetOn, "SetOn");
    Bind(lib.module, lib.SetOff, "SetOff");
    Bind(lib.module, lib.ResetMouse, "ResetMouse");
    Bind(lib.module, lib.MessageDisplayed, "MessageDisplayed");
    Bind(lib.module, lib.SetPassHook, "SetPassHook");
    Bind(lib.module, lib.MouseFunc, "MouseFunc");
    const auto* base = reinterpret_cast<const unsigned char*>(lib.module);
    if (const IMAGE_SECTION_HEADER* sec = SharedSection(base)) {
        lib.state = reinterpret_cast<HookSharedState*>(const_cast<unsigned char*>(base) +
                                                       sec->VirtualAddress);
        lib.sectionFlags = sec->Characteristics;
        lib.sectionSize = sec->Misc.VirtualSize;
    }
    return lib;
}

Library& Lib()
{
    static Library lib = LoadLibraryUnderTest();
    return lib;
}

HookSharedState& State()
{
    return *Lib().state;
}

UINT Msg(LxpMsg m)
{
    return LxpMessage(m);
}

// --- the notify window: records the four hook messages ----------------------------------

struct Event {
    UINT msg;
    long x;
    long y;
    bool sent;
};

std::vector<Event> g_events;
bool g_inHookCall = false;
int g_displayOnHoldUp = -1;  // >= 0: the notify window answers a hold release with this

LRESULT CALLBACK NotifyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == Msg(LxpMsg::MouseHookOpen) || msg == Msg(LxpMsg::MouseHookClose) ||
        msg == Msg(LxpMsg::OnRightMouseButtonDown) || msg == Msg(LxpMsg::OnRightMouseButtonUp)) {
        g_events.push_back({msg, static_cast<long>(static_cast<int>(wParam)),
                            static_cast<long>(static_cast<int>(lParam)),
                            g_inHookCall || InSendMessage() != FALSE});
        if (msg == Msg(LxpMsg::OnRightMouseButtonUp) && g_displayOnHoldUp >= 0)
            Lib().MessageDisplayed(g_displayOnHoldUp);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Events since the last call: sent ones arrive during the hook call, posted ones when the
// queue is pumped.
std::vector<Event> TakeEvents()
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    std::vector<Event> out;
    out.swap(g_events);
    return out;
}

// --- the windows the hook has to tell apart ---------------------------------------------

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        char text[160];
        char cls[129] = "";
        GetClassNameA(hwnd, cls, sizeof cls);
        int n = GetWindowTextA(hwnd, text, sizeof text);
        if (n == 0)
            lstrcpynA(text, cls, sizeof text);
        FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterPlainClass(const char* name)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

struct Windows {
    HWND notify = nullptr;
    HWND host = nullptr;       // top-level, holds the children below
    HWND plain = nullptr;      // an ordinary capturable child
    HWND ignore = nullptr;     // hwndIgnore
    HWND tab = nullptr, toolbar = nullptr, rebar = nullptr, tree = nullptr, list = nullptr;
    HWND trayNotify = nullptr;               // class "TrayNotifyWnd"
    HWND taskbar = nullptr, taskbarChild = nullptr;    // child of "Shell_TrayWnd"
    HWND shellView = nullptr, shellViewChild = nullptr; // child of "SHELLDLL_DefView"
    HWND trident = nullptr, tridentChild = nullptr;     // "Internet Explorer_TridentDlgFrame"
    HWND combo = nullptr, comboList = nullptr;          // drop-down list "ComboLBox"
    HWND popup = nullptr, popupChild = nullptr;         // top-level titled "Lexipop Popup"
    HWND popupOwned = nullptr;                          // pop-up owned by it
    HWND hidden = nullptr, hiddenChild = nullptr;       // titled "LXPhiddenWndv1.0"
    HWND tridentTop = nullptr;                          // top-level of the IE dialog class
};

HWND Child(const char* cls, const char* title, DWORD style, HWND parent, int x, int y, int w,
           int h)
{
    return CreateWindowExA(0, cls, title, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

HWND TopLevel(const char* cls, const char* title, DWORD style, HWND owner, int x, int y, int w,
              int h)
{
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, cls, title,
                                WS_POPUP | WS_BORDER | style, x, y, w, h, owner, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return hwnd;
}

Windows MakeWindows()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES |
                                                ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterPlainClass("PointhookTestPlain");
    RegisterPlainClass("TrayNotifyWnd");
    RegisterPlainClass("Shell_TrayWnd");
    RegisterPlainClass("SHELLDLL_DefView");
    RegisterPlainClass("Internet Explorer_TridentDlgFrame");
    WNDCLASSA nc = {};
    nc.lpfnWndProc = NotifyProc;
    nc.hInstance = GetModuleHandleA(nullptr);
    nc.lpszClassName = "PointhookTestNotify";
    RegisterClassA(&nc);

    Windows w;
    w.notify = CreateWindowExA(0, "PointhookTestNotify", "notify", WS_OVERLAPPED, 0, 0, 10, 10,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    // Screen 1024 x 768: the host covers the left part, the dictionary windows sit beside it.
    w.host = TopLevel("PointhookTestPlain", "host", WS_CLIPCHILDREN, nullptr, 0, 0, 640, 560);
    const DWORD ctl = WS_BORDER;
    w.plain = Child("PointhookTestPlain", "plain text", ctl, w.host, 10, 10, 140, 90);
    w.ignore = Child("PointhookTestPlain", "ignored", ctl, w.host, 170, 10, 140, 90);
    w.tab = Child(WC_TABCONTROLA, "", ctl, w.host, 330, 10, 140, 90);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("Tab");
    SendMessageA(w.tab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    w.toolbar = Child(TOOLBARCLASSNAMEA, "", ctl | CCS_NORESIZE | CCS_NOPARENTALIGN, w.host, 490,
                      10, 140, 90);
    w.rebar = Child(REBARCLASSNAMEA, "", ctl | CCS_NORESIZE | CCS_NOPARENTALIGN, w.host, 10, 120,
                    140, 90);
    w.tree = Child(WC_TREEVIEWA, "", ctl, w.host, 170, 120, 140, 90);
    w.list = Child(WC_LISTVIEWA, "", ctl | LVS_REPORT, w.host, 330, 120, 140, 90);
    w.trayNotify = Child("TrayNotifyWnd", "", ctl, w.host, 490, 120, 140, 90);
    w.taskbar = Child("Shell_TrayWnd", "", ctl, w.host, 10, 230, 140, 90);
    w.taskbarChild = Child("PointhookTestPlain", "in taskbar", ctl, w.taskbar, 10, 10, 120, 70);
    w.shellView = Child("SHELLDLL_DefView", "", ctl, w.host, 170, 230, 140, 90);
    w.shellViewChild = Child("PointhookTestPlain", "in folder view", ctl, w.shellView, 10, 10, 120,
                             70);
    w.trident = Child("Internet Explorer_TridentDlgFrame", "", ctl, w.host, 330, 230, 140, 90);
    w.tridentChild = Child("PointhookTestPlain", "in HTML dialog", ctl, w.trident, 10, 10, 120,
                           70);
    w.combo = Child(WC_COMBOBOXA, "", CBS_DROPDOWNLIST | WS_VSCROLL, w.host, 10, 340, 140, 200);
    for (const char* s : {"alpha", "beta", "gamma", "delta", "epsilon"})
        SendMessageA(w.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessageA(w.combo, CB_SETCURSEL, 0, 0);

    w.popup = TopLevel("PointhookTestPlain", "Lexipop Popup", 0, nullptr, 660, 10, 340, 150);
    w.popupChild = Child("PointhookTestPlain", "inside the pop-up", ctl, w.popup, 20, 40, 200, 60);
    w.popupOwned = TopLevel("PointhookTestPlain", "owned by the pop-up", 0, w.popup, 660, 180,
                            340, 80);
    w.hidden = TopLevel("PointhookTestPlain", "LXPhiddenWndv1.0", 0, nullptr, 660, 280, 340, 120);
    w.hiddenChild = Child("PointhookTestPlain", "inside the hidden window", ctl, w.hidden, 20, 20,
                          250, 60);
    w.tridentTop = TopLevel("Internet Explorer_TridentDlgFrame", "HTML dialog", 0, nullptr, 660,
                            420, 340, 120);
    COMBOBOXINFO cbi = {};
    cbi.cbSize = sizeof cbi;
    if (GetComboBoxInfo(w.combo, &cbi))
        w.comboList = cbi.hwndList;
    UpdateWindow(w.host);
    lxtest::PumpMessages(200);
    return w;
}

Windows& Wnd()
{
    static Windows w = MakeWindows();
    return w;
}

// The combo box's list is on screen only while it is dropped down (and then holds the
// mouse capture of this thread, so it is closed again after each use).
struct DroppedDown {
    explicit DroppedDown(HWND combo) : m_combo(combo)
    {
        SendMessageA(m_combo, CB_SHOWDROPDOWN, TRUE, 0);
        lxtest::PumpMessages(200);
    }
    ~DroppedDown()
    {
        SendMessageA(m_combo, CB_SHOWDROPDOWN, FALSE, 0);
        ReleaseCapture();
        lxtest::PumpMessages(100);
    }
    DroppedDown(const DroppedDown&) = delete;
    DroppedDown& operator=(const DroppedDown&) = delete;

private:
    HWND m_combo;
};

// A screen point where the system finds this very window (not a child of it, and not its
// parent where the control lets the mouse through, as a tab control does beside its tabs):
// the centre when it qualifies, else the first such point of a grid over the window.
POINT Center(HWND hwnd)
{
    RECT rc = {};
    GetWindowRect(hwnd, &rc);
    const POINT mid{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    if (WindowFromPoint(mid) == hwnd)
        return mid;
    for (LONG y = rc.top + 2; y < rc.bottom - 1; y += 3)
        for (LONG x = rc.left + 2; x < rc.right - 1; x += 3)
            if (WindowFromPoint(POINT{x, y}) == hwnd)
                return POINT{x, y};
    return mid;
}

// --- calling the hook -------------------------------------------------------------------

void SetShift(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    keys[VK_LSHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Clean block: notify and ignore windows of this test, given settings, every flag cleared,
// capturing on, no hook.
void Reset(int mouseState, int mouseShift)
{
    HookSharedState& s = State();
    if (s.hHook)
        UnhookWindowsHookEx(s.hHook);
    s = HookSharedState HOOK_SHARED_STATE_INITIAL;
    s.hwndNotify = Wnd().notify;
    s.hwndIgnore = Wnd().ignore;
    s.nMouseState = mouseState;
    s.bMouseShift = mouseShift;
    SetShift(false);
    g_displayOnHoldUp = -1;
    TakeEvents();
}

LRESULT Call(UINT msg, POINT pt, HWND target, int code = HC_ACTION)
{
    MOUSEHOOKSTRUCT rec = {};
    rec.pt = pt;
    rec.hwnd = target;
    rec.wHitTestCode = HTCLIENT;
    g_inHookCall = true;
    const LRESULT r = Lib().MouseFunc(code, msg, reinterpret_cast<LPARAM>(&rec));
    g_inHookCall = false;
    return r;
}

LRESULT Press(UINT msg, HWND over, int code = HC_ACTION)
{
    return Call(msg, Center(over), over, code);
}

bool SameBlock(const HookSharedState& a, const HookSharedState& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const char* Name(UINT msg)
{
    for (LxpMsg m : {LxpMsg::MouseHookOpen, LxpMsg::MouseHookClose, LxpMsg::OnRightMouseButtonDown,
                     LxpMsg::OnRightMouseButtonUp})
        if (msg == LxpMessage(m))
            return LxpMessageName(m);
    return "?";
}

// One event of the expected kind, delivery and position.
void ExpectOne(const std::vector<Event>& ev, LxpMsg kind, bool sent, POINT pt)
{
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_STREQ(Name(ev[0].msg), LxpMessageName(kind));
    EXPECT_EQ(ev[0].sent, sent);
    EXPECT_EQ(ev[0].x, pt.x);
    EXPECT_EQ(ev[0].y, pt.y);
}

class Pointhook : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Lib().module, nullptr) << LibraryPath();
        ASSERT_NE(Lib().MouseFunc, nullptr);
        ASSERT_NE(Lib().state, nullptr);
        Wnd();
    }
    void TearDown() override { SetShift(false); }
};

const UINT kAllMessages[] = {WM_MOUSEMOVE,  WM_LBUTTONDOWN, WM_LBUTTONUP,
                             WM_RBUTTONDOWN, WM_RBUTTONUP,   WM_MBUTTONDOWN,
                             WM_MBUTTONUP,   WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK};

}  // namespace

// --- the library and its shared block ---------------------------------------------------

TEST_F(Pointhook, ExportsAndSharedBlock)
{
    const Library& lib = Lib();
    EXPECT_NE(lib.InitHooksDll, nullptr);
    EXPECT_NE(lib.InstallFilter, nullptr);
    EXPECT_NE(lib.RemoveHooksDll, nullptr);
    EXPECT_NE(lib.SetOn, nullptr);
    EXPECT_NE(lib.SetOff, nullptr);
    EXPECT_NE(lib.ResetMouse, nullptr);
    EXPECT_NE(lib.MessageDisplayed, nullptr);
    EXPECT_NE(lib.SetPassHook, nullptr);
    EXPECT_NE(lib.MouseFunc, nullptr);

    // The block sits alone in a section every process shares, and the file holds the block
    // as a freshly mapped library starts: all zero but bEnabled.
    EXPECT_TRUE(lib.sectionFlags & IMAGE_SCN_MEM_SHARED);
    EXPECT_TRUE(lib.sectionFlags & IMAGE_SCN_MEM_WRITE);
    EXPECT_GE(lib.sectionSize, sizeof(HookSharedState));
    const std::string file = lxtest::ReadFileBytes(LibraryPath());
    ASSERT_GT(file.size(), 1024u);
    const auto* img = reinterpret_cast<const unsigned char*>(file.data());
    const IMAGE_SECTION_HEADER* sec = SharedSection(img);
    ASSERT_NE(sec, nullptr);
    ASSERT_LE(sec->PointerToRawData + sizeof(HookSharedState), file.size());
    HookSharedState initial;
    std::memcpy(&initial, img + sec->PointerToRawData, sizeof initial);
    const HookSharedState expected HOOK_SHARED_STATE_INITIAL;
    EXPECT_TRUE(SameBlock(initial, expected));
    EXPECT_EQ(initial.bEnabled, 1);

    // Each setter writes its own field and nothing else (this pins the field order).
    Reset(1, 0);
    HookSharedState want = State();
    lib.SetOff();
    want.bEnabled = 0;
    EXPECT_TRUE(SameBlock(State(), want));
    lib.SetOn();
    want.bEnabled = 1;
    EXPECT_TRUE(SameBlock(State(), want));
    lib.ResetMouse(3, 1);
    want.nMouseState = 3;
    want.bMouseShift = 1;
    EXPECT_TRUE(SameBlock(State(), want));
    lib.MessageDisplayed(-7);
    want.bMessageDisplayed = -7;
    EXPECT_TRUE(SameBlock(State(), want));
    lib.SetPassHook();
    want.bPassHook = 1;
    EXPECT_TRUE(SameBlock(State(), want));
}

TEST_F(Pointhook, InitHooksDllKeepsTheFlagsItDoesNotName)
{
    HookSharedState& s = State();
    s = HookSharedState HOOK_SHARED_STATE_INITIAL;
    s.bCloseArmed = 1;
    s.bCaptureActive = 1;
    s.bEnabled = 0;
    s.bPassHook = 1;
    s.bMessageDisplayed = 5;
    s.bHoldPressed = 1;
    s.bHoldDownSent = 1;
    HookSharedState want = s;

    EXPECT_EQ(Lib().InitHooksDll(Wnd().notify, Wnd().popup, 4, 0), 0);
    const HHOOK first = s.hHook;
    EXPECT_NE(first, nullptr);
    want.hwndNotify = Wnd().notify;
    want.hwndIgnore = Wnd().popup;
    want.hHook = first;
    want.nMouseState = 4;
    want.bMouseShift = 0;
    want.bCaptureActive = 0;
    want.bEnabled = 1;
    EXPECT_TRUE(SameBlock(s, want));

    // Installing again replaces the hook: the first one is gone, not leaked.
    EXPECT_EQ(Lib().InstallFilter(), 1);
    EXPECT_NE(s.hHook, nullptr);
    EXPECT_NE(s.hHook, first);
    EXPECT_FALSE(UnhookWindowsHookEx(first));
    EXPECT_TRUE(UnhookWindowsHookEx(s.hHook));
    s.hHook = nullptr;
}

LXTEST_CHILD(shared_block)
{
    // Sees what the parent wrote, and writes back through the exports.
    Library lib = LoadLibraryUnderTest();
    if (!lib.state || !lib.MessageDisplayed)
        return 101;
    if (lib.state->bMessageDisplayed != 12345)
        return 102;
    const int seen = lib.state->nMouseState;
    lib.MessageDisplayed(777);
    lib.SetPassHook();
    lib.SetOff();
    return seen;
}

LXTEST_CHILD(remove_hooks)
{
    Library lib = LoadLibraryUnderTest();
    if (!lib.InitHooksDll || !lib.RemoveHooksDll)
        return 101;
    lib.InitHooksDll(nullptr, nullptr, 1, 0);
    if (!lib.state->hHook)
        return 102;
    lib.RemoveHooksDll();
    return 42;  // never reached: the process ends inside RemoveHooksDll
}

TEST_F(Pointhook, SecondProcessSharesTheBlock)
{
    Reset(37, 1);
    Lib().MessageDisplayed(12345);
    EXPECT_EQ(lxtest::RunChild("shared_block"), 37);
    EXPECT_EQ(State().bMessageDisplayed, 777);
    EXPECT_EQ(State().bPassHook, 1);
    EXPECT_EQ(State().bEnabled, 0);

    // The child installs the hook and removes it: the block no longer names a hook.
    EXPECT_EQ(lxtest::RunChild("remove_hooks"), 0);
    EXPECT_EQ(State().hHook, nullptr);
}

// --- MouseFunc ---------------------------------------------------------------------------

TEST_F(Pointhook, NegativeCodeAndSwitchedOffPassEverything)
{
    const Windows& w = Wnd();
    for (int mode : {1, 3, 4}) {
        Reset(mode, 0);
        State().bCloseArmed = 1;
        State().bCaptureActive = 1;
        State().bMessageDisplayed = 1;
        State().bHoldPressed = 1;
        State().bHoldDownSent = 1;
        const HookSharedState before = State();
        for (UINT msg : kAllMessages) {
            EXPECT_EQ(Press(msg, w.plain, -1), 0) << msg;
            EXPECT_TRUE(SameBlock(State(), before)) << msg;
            // A message the application only looked at is left for when it is taken.
            EXPECT_EQ(Press(msg, w.plain, HC_NOREMOVE), 0) << msg;
            EXPECT_TRUE(SameBlock(State(), before)) << msg;
        }
        Lib().SetOff();
        const HookSharedState off = State();
        for (UINT msg : kAllMessages) {
            EXPECT_EQ(Press(msg, w.plain), 0) << msg;
            EXPECT_TRUE(SameBlock(State(), off)) << msg;
        }
        EXPECT_TRUE(TakeEvents().empty());
        // Switched on again, the same left press closes the pop-up.
        Lib().SetOn();
        EXPECT_EQ(Press(WM_LBUTTONDOWN, w.plain), 0);
        ExpectOne(TakeEvents(), LxpMsg::MouseHookClose, false, Center(w.plain));
    }
}

TEST_F(Pointhook, RightButtonTriggerAndShift)
{
    const Windows& w = Wnd();
    const POINT pt = Center(w.plain);
    ASSERT_EQ(WindowFromPoint(pt), w.plain);

    // Right button: the press is consumed and reported, the flags of a capture are set.
    Reset(1, 0);
    State().bHoldPressed = 1;
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 1);
    ExpectOne(TakeEvents(), LxpMsg::MouseHookOpen, false, pt);
    EXPECT_EQ(State().bCaptureActive, 1);
    EXPECT_EQ(State().bCloseArmed, 1);
    EXPECT_EQ(State().bHoldPressed, 0);
    EXPECT_EQ(State().bMessageDisplayed, 1);
    // ... and so is the release while the pop-up shows; not once the pop-up has gone.
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 1);
    Lib().MessageDisplayed(0);
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());
    // Moves and the middle button are never a trigger.
    EXPECT_EQ(Press(WM_MOUSEMOVE, w.plain), 0);
    EXPECT_EQ(Press(WM_MBUTTONDOWN, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());

    // Shift held (the thread's key state, not the asynchronous one) is no trigger here.
    Reset(1, 0);
    SetShift(true);
    ASSERT_LT(GetKeyState(VK_SHIFT), 0);
    const HookSharedState before = State();
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_TRUE(SameBlock(State(), before));

    // Shift + right button: only with Shift held.
    Reset(1, 1);
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(State().bCaptureActive, 0);
    SetShift(true);
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 1);
    ExpectOne(TakeEvents(), LxpMsg::MouseHookOpen, false, pt);
    EXPECT_EQ(State().bCaptureActive, 1);
}

TEST_F(Pointhook, MiddleButtonTrigger)
{
    const Windows& w = Wnd();
    Reset(3, 0);
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(Press(WM_MBUTTONDOWN, w.plain), 1);
    ExpectOne(TakeEvents(), LxpMsg::MouseHookOpen, false, Center(w.plain));
    EXPECT_EQ(State().bCaptureActive, 1);
    // The middle release always reaches the application.
    EXPECT_EQ(Press(WM_MBUTTONUP, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());
    // Shift + middle button is nothing.
    Reset(3, 0);
    SetShift(true);
    EXPECT_EQ(Press(WM_MBUTTONDOWN, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(State().bCaptureActive, 0);
}

TEST_F(Pointhook, OtherSettingsNeverTrigger)
{
    const Windows& w = Wnd();
    struct Setting {
        int state, shift;
    };
    for (Setting st : {Setting{2, 0}, Setting{2, 1}, Setting{3, 1}, Setting{4, 1}, Setting{0, 0},
                       Setting{5, 0}, Setting{-1, 0}, Setting{1, 2}}) {
        for (bool shift : {false, true}) {
            Reset(st.state, st.shift);
            SetShift(shift);
            const HookSharedState before = State();
            for (UINT msg : kAllMessages)
                EXPECT_EQ(Press(msg, w.plain), 0) << st.state << "/" << st.shift << " " << msg;
            EXPECT_TRUE(TakeEvents().empty()) << st.state << "/" << st.shift;
            EXPECT_TRUE(SameBlock(State(), before)) << st.state << "/" << st.shift;
        }
    }
}

TEST_F(Pointhook, ExcludedControlsPassWithoutAMessage)
{
    const Windows& w = Wnd();
    struct Case {
        HWND hwnd;
        const char* what;
    };
    const Case cases[] = {{w.tab, "tab"},           {w.toolbar, "toolbar"},
                          {w.rebar, "rebar"},       {w.tree, "tree view"},
                          {w.list, "list view"},    {w.trayNotify, "tray"},
                          {w.taskbarChild, "child of the taskbar"},
                          {w.shellViewChild, "child of the folder view"}};
    for (const Case& c : cases) {
        ASSERT_NE(c.hwnd, nullptr) << c.what;
        ASSERT_EQ(WindowFromPoint(Center(c.hwnd)), c.hwnd) << c.what;
        for (int mode : {1, 3}) {
            Reset(mode, 0);
            const HookSharedState before = State();
            EXPECT_EQ(Press(WM_RBUTTONDOWN, c.hwnd), 0) << c.what;
            EXPECT_EQ(Press(WM_MBUTTONDOWN, c.hwnd), 0) << c.what;
            EXPECT_TRUE(TakeEvents().empty()) << c.what;
            EXPECT_TRUE(SameBlock(State(), before)) << c.what;
        }
        // Hold mode: the press only marks the hold flags, nothing is sent.
        Reset(4, 0);
        EXPECT_EQ(Press(WM_RBUTTONDOWN, c.hwnd), 0) << c.what;
        EXPECT_TRUE(TakeEvents().empty()) << c.what;
        EXPECT_EQ(State().bHoldPressed, 1) << c.what;
        EXPECT_EQ(State().bHoldDownSent, 0) << c.what;
        // After a capture, a right release over such a control reaches it ...
        Reset(1, 0);
        State().bCaptureActive = 1;
        State().bMessageDisplayed = 1;
        EXPECT_EQ(Press(WM_RBUTTONUP, c.hwnd), 0) << c.what;
        // ... and a left press there still closes the pop-up (it is capturable).
        State().bCloseArmed = 1;
        EXPECT_EQ(Press(WM_LBUTTONDOWN, c.hwnd), 0) << c.what;
        ExpectOne(TakeEvents(), LxpMsg::MouseHookClose, false, Center(c.hwnd));
    }
}

TEST_F(Pointhook, WindowsThatAreNeverCaptured)
{
    const Windows& w = Wnd();
    ASSERT_NE(w.comboList, nullptr);
    DroppedDown dropped(w.combo);
    ASSERT_TRUE(IsWindowVisible(w.comboList));
    char cls[129] = "";
    GetClassNameA(w.comboList, cls, sizeof cls);
    ASSERT_STREQ(cls, "ComboLBox");
    struct Case {
        HWND hwnd;
        const char* what;
    };
    const Case cases[] = {{w.comboList, "drop-down list"},
                          {w.trident, "HTML dialog frame"},
                          {w.tridentChild, "inside an HTML dialog"},
                          {w.tridentTop, "top-level HTML dialog"},
                          {w.popupChild, "inside the pop-up"},
                          {w.popupOwned, "owned by the pop-up"},
                          {w.hiddenChild, "inside the hidden window"},
                          {w.ignore, "hwndIgnore"}};
    for (const Case& c : cases) {
        ASSERT_NE(c.hwnd, nullptr) << c.what;
        ASSERT_EQ(WindowFromPoint(Center(c.hwnd)), c.hwnd) << c.what;
        for (int mode : {1, 3, 4}) {
            Reset(mode, 0);
            const HookSharedState before = State();
            EXPECT_EQ(Press(WM_RBUTTONDOWN, c.hwnd), 0) << c.what;
            EXPECT_EQ(Press(WM_MBUTTONDOWN, c.hwnd), 0) << c.what;
            EXPECT_TRUE(TakeEvents().empty()) << c.what;
            if (mode != 4)
                EXPECT_TRUE(SameBlock(State(), before)) << c.what;
            else
                EXPECT_EQ(State().bHoldDownSent, 0) << c.what;
        }
        // No close message either, and a right release there is not taken.
        Reset(1, 0);
        State().bCloseArmed = 1;
        State().bCaptureActive = 1;
        State().bMessageDisplayed = 1;
        EXPECT_EQ(Press(WM_LBUTTONDOWN, c.hwnd), 0) << c.what;
        EXPECT_EQ(Press(WM_RBUTTONUP, c.hwnd), 0) << c.what;
        EXPECT_TRUE(TakeEvents().empty()) << c.what;
    }

    // hwndIgnore is judged by the window the message is for, not by the one under the
    // pointer: the same press addressed elsewhere is captured.
    Reset(1, 0);
    EXPECT_EQ(Call(WM_RBUTTONDOWN, Center(w.ignore), w.plain), 1);
    ExpectOne(TakeEvents(), LxpMsg::MouseHookOpen, false, Center(w.ignore));
    Reset(1, 0);
    EXPECT_EQ(Call(WM_RBUTTONDOWN, Center(w.plain), w.ignore), 0);
    EXPECT_TRUE(TakeEvents().empty());

    // A top-level window's own title is not looked at: the pop-up's frame itself and the
    // hidden window's own client area are ordinary windows.
    for (HWND top : {w.popup, w.hidden}) {
        RECT rc;
        GetWindowRect(top, &rc);
        const POINT corner{rc.right - 20, rc.bottom - 10};
        ASSERT_EQ(WindowFromPoint(corner), top);
        Reset(1, 0);
        EXPECT_EQ(Call(WM_RBUTTONDOWN, corner, top), 1);
        ExpectOne(TakeEvents(), LxpMsg::MouseHookOpen, false, corner);
    }
}

TEST_F(Pointhook, HoldMode)
{
    const Windows& w = Wnd();
    const POINT pt = Center(w.plain);

    // The press reaches the application and is reported synchronously.
    Reset(4, 0);
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 0);
    ExpectOne(TakeEvents(), LxpMsg::OnRightMouseButtonDown, true, pt);
    EXPECT_EQ(State().bHoldPressed, 1);
    EXPECT_EQ(State().bHoldDownSent, 1);
    EXPECT_EQ(State().bCaptureActive, 0);
    // The release is reported; the dictionary program says no pop-up shows, so it passes.
    g_displayOnHoldUp = 0;
    State().bMessageDisplayed = 1;
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 0);
    ExpectOne(TakeEvents(), LxpMsg::OnRightMouseButtonUp, true, pt);
    EXPECT_EQ(State().bHoldDownSent, 0);
    EXPECT_EQ(State().bCloseArmed, 1);
    EXPECT_EQ(State().bCaptureActive, 1);
    EXPECT_EQ(State().bMessageDisplayed, 0);

    // Second round: the pop-up shows when the release is reported, so the release is taken.
    g_displayOnHoldUp = 1;
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 0);
    ExpectOne(TakeEvents(), LxpMsg::OnRightMouseButtonDown, true, pt);
    State().bMessageDisplayed = 0;
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 1);
    ExpectOne(TakeEvents(), LxpMsg::OnRightMouseButtonUp, true, pt);
    // A left press closes the pop-up, the left release ends the capture.
    EXPECT_EQ(Press(WM_LBUTTONDOWN, w.plain), 0);
    ExpectOne(TakeEvents(), LxpMsg::MouseHookClose, false, pt);
    EXPECT_EQ(Press(WM_LBUTTONUP, w.plain), 0);
    EXPECT_EQ(State().bCaptureActive, 0);

    // Hold flags left from earlier gestures never turn another press into a hold report.
    g_displayOnHoldUp = -1;
    EXPECT_EQ(State().bHoldPressed, 1);
    EXPECT_EQ(State().bHoldDownSent, 0);
    EXPECT_EQ(Press(WM_MBUTTONDOWN, w.plain), 0);
    SetShift(true);
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 0);
    SetShift(false);
    Lib().ResetMouse(3, 0);
    State().bMessageDisplayed = 0;
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 0);
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(State().bHoldDownSent, 0);

    // A hold press over a window that is not captured reports nothing, nor its release.
    Reset(4, 0);
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.popupChild), 0);
    EXPECT_EQ(Press(WM_RBUTTONUP, w.popupChild), 0);
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(Pointhook, WorkAreaEdgesAreInside)
{
    const Windows& w = Wnd();
    RECT screenWa;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &screenWa, 0));

    // With the work area as the system has it: corners on all four edges are inside.
    auto check = [&](const RECT& wa, HWND target) {
        for (POINT p : {POINT{wa.left, wa.top}, POINT{wa.right, wa.bottom},
                        POINT{wa.left, wa.bottom}, POINT{wa.right, wa.top}}) {
            Reset(1, 0);
            EXPECT_EQ(Call(WM_RBUTTONDOWN, p, target), 1) << p.x << "," << p.y;
            ExpectOne(TakeEvents(), LxpMsg::MouseHookOpen, false, p);
        }
        for (POINT p : {POINT{wa.right + 1, wa.top}, POINT{wa.left, wa.bottom + 1},
                        POINT{wa.left - 1, wa.top + 5}, POINT{wa.left + 5, wa.top - 1}}) {
            Reset(1, 0);
            EXPECT_EQ(Call(WM_RBUTTONDOWN, p, target), 0) << p.x << "," << p.y;
            EXPECT_TRUE(TakeEvents().empty()) << p.x << "," << p.y;
            // Outside: nothing is reported, but the flags of a capture are set.
            EXPECT_EQ(State().bCaptureActive, 1);
            EXPECT_EQ(State().bCloseArmed, 1);
            EXPECT_EQ(State().bMessageDisplayed, 1);
        }
    };
    check(screenWa, w.plain);

    // A work area that leaves a strip of the screen out (as a taskbar does): a press over a
    // window in that strip is outside.
    RECT small = {60, 40, 645, 450};
    if (SystemParametersInfoA(SPI_SETWORKAREA, 0, &small, 0)) {
        RECT now = {};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &now, 0);
        if (EqualRect(&now, &small)) {
            check(small, w.plain);
            // On screen, between the host and the dictionary windows.
            Reset(1, 0);
            const POINT strip{652, 300};
            EXPECT_EQ(Call(WM_RBUTTONDOWN, strip, w.plain), 0);
            EXPECT_TRUE(TakeEvents().empty());
            EXPECT_EQ(State().bCaptureActive, 1);
        } else {
            ADD_FAILURE() << "work area not changed: " << now.left << "," << now.top << ","
                          << now.right << "," << now.bottom;
        }
        SystemParametersInfoA(SPI_SETWORKAREA, 0, &screenWa, 0);
    } else {
        std::printf("note: the work area cannot be changed here; the on-screen strip case "
                    "is left out\n");
    }
}

TEST_F(Pointhook, CloseMessageForEveryLeftPressAfterACapture)
{
    const Windows& w = Wnd();
    Reset(1, 0);
    // No capture yet: a left press is nothing.
    EXPECT_EQ(Press(WM_LBUTTONDOWN, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());

    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 1);
    ExpectOne(TakeEvents(), LxpMsg::MouseHookOpen, false, Center(w.plain));
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 1);
    for (HWND where : {w.plain, w.tab, w.tree}) {
        EXPECT_EQ(Press(WM_LBUTTONDOWN, where), 0);
        ExpectOne(TakeEvents(), LxpMsg::MouseHookClose, false, Center(where));
        EXPECT_EQ(Press(WM_LBUTTONUP, where), 0);
        EXPECT_EQ(State().bCaptureActive, 0);
    }
    // Not over a window that is never captured.
    EXPECT_EQ(Press(WM_LBUTTONDOWN, w.popupChild), 0);
    {
        DroppedDown dropped(w.combo);
        EXPECT_EQ(Press(WM_LBUTTONDOWN, w.comboList), 0);
    }
    EXPECT_TRUE(TakeEvents().empty());
    // Once the capture has ended, the right release reaches the application again.
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 0);
    EXPECT_EQ(State().bCloseArmed, 1);
}

TEST_F(Pointhook, PassHookLetsOneGestureThrough)
{
    const Windows& w = Wnd();
    Reset(1, 0);
    // A running capture whose release would otherwise be taken.
    State().bCaptureActive = 1;
    State().bMessageDisplayed = 1;
    Lib().SetPassHook();
    // Over an excluded control the request is kept for a real gesture.
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.tab), 0);
    EXPECT_EQ(State().bPassHook, 1);
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 0);
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(State().bPassHook, 0);
    // Used up: the next gesture is captured again.
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 1);
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 1);
    ExpectOne(TakeEvents(), LxpMsg::MouseHookOpen, false, Center(w.plain));

    // Hold mode: neither press nor release is reported.
    Reset(4, 0);
    Lib().SetPassHook();
    EXPECT_EQ(Press(WM_RBUTTONDOWN, w.plain), 0);
    EXPECT_EQ(Press(WM_RBUTTONUP, w.plain), 0);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(State().bPassHook, 0);
}

TEST_F(Pointhook, Screenshot)
{
    const Windows& w = Wnd();
    DroppedDown dropped(w.combo);
    RECT rc = {0, 0, 1024, 570};
    EXPECT_FALSE(lxtest::SaveScreenPng(rc, "pointhook_windows").empty());
    EXPECT_FALSE(lxtest::SaveWindowPng(w.host, "pointhook_host").empty());
}

// --- end to end: the hook installed for the desktop, clicks on another process ----------

namespace {

const RECT kTargetRect = {700, 590, 1000, 740};

LONG g_seen = 0;

LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_RBUTTONDOWN: g_seen |= 1; break;
    case WM_RBUTTONUP: g_seen |= 2; break;
    case WM_LBUTTONDOWN: g_seen |= 4; break;
    case WM_LBUTTONUP: g_seen |= 8; break;
    case WM_CONTEXTMENU: g_seen |= 16; return 0;
    default: break;
    }
    return PlainProc(hwnd, msg, wParam, lParam);
}

using lxtest::SendMouse;

}  // namespace

// A window of another process; exits with what it saw when the parent sets the done event.
LXTEST_CHILD(click_target)
{
    if (argc < 2)
        return 100;
    // "peek": the message loop looks at each message before taking it, as MFC's idle loop
    // does (the hook then sees a mouse message first with HC_NOREMOVE, then with HC_ACTION).
    const bool peekFirst = argc >= 3 && std::strcmp(argv[2], "peek") == 0;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[0]);
    HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
    if (!ready || !done)
        return 101;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "PointhookClickTarget";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "PointhookClickTarget",
                                "text of another program", WS_POPUP | WS_BORDER, kTargetRect.left,
                                kTargetRect.top, kTargetRect.right - kTargetRect.left,
                                kTargetRect.bottom - kTargetRect.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    lxtest::PumpMessages(100);
    SetEvent(ready);
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(1, &done, FALSE, 30000, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1)
            break;
        MSG m;
        while (peekFirst ? PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE) != FALSE : true) {
            if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
                break;
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    // The hook library came into this process only because the desktop hook needed it.
    const bool mapped = GetModuleHandleA("pointhook.dll") != nullptr;
    return g_seen | (mapped ? 32 : 0);
}

class PointhookDesktop : public Pointhook {
protected:
    HANDLE child = nullptr;
    HANDLE done = nullptr;

    void StartTarget(const char* loop = "get")
    {
        const std::string id = std::to_string(GetCurrentProcessId());
        const std::string readyName = "pointhook_test_ready_" + id;
        const std::string doneName = "pointhook_test_done_" + id;
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
        done = CreateEventA(nullptr, TRUE, FALSE, doneName.c_str());
        child = lxtest::StartChild("click_target", readyName + " " + doneName + " " + loop);
        ASSERT_NE(child, nullptr);
        HANDLE both[] = {ready, child};
        EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 30000), WAIT_OBJECT_0);
        CloseHandle(ready);
        lxtest::PumpMessages(200);
    }

    int StopTarget()
    {
        SetEvent(done);
        const int code = lxtest::WaitExit(child, 30000);
        CloseHandle(child);
        CloseHandle(done);
        child = done = nullptr;
        return code;
    }

    void TearDown() override
    {
        if (State().hHook)
            UnhookWindowsHookEx(State().hHook);
        State().hHook = nullptr;
        if (child)
            StopTarget();
        Pointhook::TearDown();
    }

    static bool Received(const std::vector<Event>& ev, LxpMsg kind)
    {
        for (const Event& e : ev)
            if (e.msg == LxpMessage(kind))
                return true;
        return false;
    }

    // Pumps this thread until an event of the kind arrived (or the time is up).
    static std::vector<Event> WaitFor(LxpMsg kind, DWORD ms = 5000)
    {
        std::vector<Event> all;
        lxtest::PumpUntil(
            [&] {
                for (const Event& e : g_events)
                    all.push_back(e);
                g_events.clear();
                return Received(all, kind);
            },
            ms);
        return all;
    }
};

TEST_F(PointhookDesktop, RightClickOnAnotherProgramIsTakenAndReported)
{
    Reset(1, 0);
    StartTarget();
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(Lib().InitHooksDll(Wnd().notify, Wnd().popup, 1, 0), 0);
    ASSERT_NE(State().hHook, nullptr);

    const POINT pt{(kTargetRect.left + kTargetRect.right) / 2,
                   (kTargetRect.top + kTargetRect.bottom) / 2};
    SendMouse(0, pt);
    lxtest::PumpMessages(200);
    SendMouse(MOUSEEVENTF_RIGHTDOWN, pt);
    SendMouse(MOUSEEVENTF_RIGHTUP, pt);
    std::vector<Event> ev = WaitFor(LxpMsg::MouseHookOpen);
    ExpectOne(ev, LxpMsg::MouseHookOpen, false, pt);
    EXPECT_EQ(State().bCaptureActive, 1);

    // A left click there now closes the pop-up and reaches the program.
    const POINT pt2{pt.x + 30, pt.y + 20};
    SendMouse(0, pt2);
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt2);
    SendMouse(MOUSEEVENTF_LEFTUP, pt2);
    ev = WaitFor(LxpMsg::MouseHookClose);
    ASSERT_FALSE(ev.empty());
    EXPECT_STREQ(Name(ev[0].msg), "LXPAPI_MSG_MOUSEHOOKCLOSE");
    EXPECT_EQ(ev[0].x, pt2.x);
    EXPECT_EQ(ev[0].y, pt2.y);
    lxtest::PumpMessages(300);
    EXPECT_EQ(State().bCaptureActive, 0);

    // The program saw the left press and release, never the right ones nor a context menu,
    // and the hook library was mapped into it.
    EXPECT_EQ(StopTarget(), 4 | 8 | 32);
}

TEST_F(PointhookDesktop, HoldModeAndPassRequestOnAnotherProgram)
{
    Reset(4, 0);
    StartTarget();
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(Lib().InitHooksDll(Wnd().notify, Wnd().popup, 4, 0), 0);
    const POINT pt{(kTargetRect.left + kTargetRect.right) / 2,
                   (kTargetRect.top + kTargetRect.bottom) / 2};

    // Hold mode: both reports are sent from the other program's thread; this thread answers
    // the release with "pop-up showing", so the release is taken.
    g_displayOnHoldUp = 1;
    SendMouse(0, pt);
    SendMouse(MOUSEEVENTF_RIGHTDOWN, pt);
    std::vector<Event> ev = WaitFor(LxpMsg::OnRightMouseButtonDown);
    ExpectOne(ev, LxpMsg::OnRightMouseButtonDown, true, pt);
    SendMouse(MOUSEEVENTF_RIGHTUP, pt);
    ev = WaitFor(LxpMsg::OnRightMouseButtonUp);
    ExpectOne(ev, LxpMsg::OnRightMouseButtonUp, true, pt);
    lxtest::PumpMessages(300);
    g_displayOnHoldUp = -1;
    EXPECT_EQ(StopTarget(), 1 | 32);

    // Right-button mode with a pass request: the program gets the whole click.
    Reset(1, 0);
    ASSERT_EQ(Lib().InitHooksDll(Wnd().notify, Wnd().popup, 1, 0), 0);
    StartTarget();
    ASSERT_FALSE(HasFailure());
    Lib().SetPassHook();
    SendMouse(0, pt);
    SendMouse(MOUSEEVENTF_RIGHTDOWN, pt);
    SendMouse(MOUSEEVENTF_RIGHTUP, pt);
    lxtest::PumpMessages(700);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(State().bPassHook, 0);
    EXPECT_EQ(StopTarget() & ~16, 1 | 2 | 32);
}

TEST_F(PointhookDesktop, PeekingProgramSeesOneReportPerPress)
{
    // The program looks at every message before taking it: each press is still reported
    // once, not once per look.
    Reset(4, 0);
    StartTarget("peek");
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(Lib().InitHooksDll(Wnd().notify, Wnd().popup, 4, 0), 0);
    const POINT pt{(kTargetRect.left + kTargetRect.right) / 2,
                   (kTargetRect.top + kTargetRect.bottom) / 2};
    g_displayOnHoldUp = 0;  // no pop-up: the release goes on to the program
    SendMouse(0, pt);
    SendMouse(MOUSEEVENTF_RIGHTDOWN, pt);
    SendMouse(MOUSEEVENTF_RIGHTUP, pt);
    std::vector<Event> ev = WaitFor(LxpMsg::OnRightMouseButtonUp);
    const POINT pt2{pt.x + 10, pt.y};
    SendMouse(0, pt2);
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt2);
    SendMouse(MOUSEEVENTF_LEFTUP, pt2);
    for (const Event& e : WaitFor(LxpMsg::MouseHookClose))
        ev.push_back(e);
    lxtest::PumpMessages(500);
    for (const Event& e : TakeEvents())
        ev.push_back(e);
    g_displayOnHoldUp = -1;

    ASSERT_EQ(ev.size(), 3u);
    EXPECT_STREQ(Name(ev[0].msg), "LXPAPI_MSG_ONRIGHTMOUSEBUTTONDOWN");
    EXPECT_STREQ(Name(ev[1].msg), "LXPAPI_MSG_ONRIGHTMOUSEBUTTONUP");
    EXPECT_STREQ(Name(ev[2].msg), "LXPAPI_MSG_MOUSEHOOKCLOSE");
    EXPECT_EQ(ev[2].x, pt2.x);
    // The program got its whole right click (with its context menu) and the left click.
    EXPECT_EQ(StopTarget(), 1 | 2 | 4 | 8 | 16 | 32);
}
