// lxpmsgbx.dll under test: the library is loaded at run time from the installation directory,
// as the wizard loads it. Modal boxes run in child processes of this program (the table of
// boxes is shared by both sides: the child gets a row number); the modeless dialog runs here.
#include "lxtest.h"
#include "resource.h"
#include "skinbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Library {
    HMODULE module = nullptr;
    SetAppSkinFn SetAppSkin = nullptr;
    OpenMsgDlgFn OpenMsgDlg = nullptr;
    ModelessDlgCreateFn Create = nullptr;
    ModelessDlgShowFn Show = nullptr;
    ModelessDlgDisplayFn Display = nullptr;
    ModelessDlgCenterFn Center = nullptr;
    ModelessDlgDestroyFn Destroy = nullptr;
};

template <typename T>
void Bind(HMODULE m, T& fn, const char* name)
{
    fn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

// The staged library, loaded with the stage as current folder (the skin control and skins are
// found from there).
const Library& Lib()
{
    static Library lib = [] {
        Library l;
        SetCurrentDirectoryA(lxtest::StageDir().c_str());
        l.module = LoadLibraryA((lxtest::StageDir() + "\\lxpmsgbx.dll").c_str());
        Bind(l.module, l.SetAppSkin, "SetAppSkin");
        Bind(l.module, l.OpenMsgDlg, "OpenMsgDlg");
        Bind(l.module, l.Create, "ModelessDlgCreate");
        Bind(l.module, l.Show, "ModelessDlgShow");
        Bind(l.module, l.Display, "ModelessDlgDisplay");
        Bind(l.module, l.Center, "ModelessDlgCenter");
        Bind(l.module, l.Destroy, "ModelessDlgDestroy");
        return l;
    }();
    return lib;
}

// --- modal boxes in a child ----------------------------------------------------------------

struct Box {
    const char* module;  // language module name
    const char* skin;    // SetAppSkin path, or null for no call
    std::string message;
    int flags;
};

const std::string kShort = "Your settings were saved.";
const std::string kLong(48, 'x');  // (6 + 1) x 48 > 55 x 6: two lines

// Every box a test shows; the child gets the row.
const std::vector<Box>& Boxes()
{
    static const std::vector<Box> boxes = {
        /* 0 */ {"", ".\\skin\\lxpen01.skn", kShort, 0x0001},
        /* 1 */ {"", ".\\skin\\lxpen01.skn", kShort, 0x0002},
        /* 2 */ {"", ".\\skin\\lxpen01.skn", kShort, 0x0003},
        /* 3 */ {"", ".\\skin\\lxpen01.skn", kShort, 0x0004 | 0x0010},
        /* 4 */ {"", ".\\skin\\lxpen01.skn", kShort, 0x0006},
        /* 5 */ {"", ".\\skin\\lxpen01.skn", kShort, 0x0007},
        /* 6 */ {"", ".\\skin\\lxpen01.skn", kShort, 0x0000 | 0x0040},
        /* 7 */ {"", ".\\skin\\lxpen01.skn", kShort, 0x000C | 0x0100 | 0x0020},
        /* 8 */ {"LXPRESDE.DLL", ".\\skin\\lxpde01.skn", kShort, 0x0004 | 0x0010},
        /* 9 */ {"lxpResZh.dll", ".\\skin\\lxpzh01.skn", kShort, 0x0004 | 0x0010},
        /* 10 */ {"lxpResVi.dll", ".\\skin\\lxpvi01.skn", kShort, 0x0002},
        /* 11 */ {"", ".\\skin\\lxpen01.skn", std::string(10, 'x'), 0x0000},
        /* 12 */ {"", ".\\skin\\lxpen01.skn", std::string(47, 'x'), 0x0000},
        /* 13 */ {"", ".\\skin\\lxpen01.skn", kLong, 0x0000},
        /* 14 */ {"", ".\\skin\\lxpen01.skn", "ab\ncdef\ng", 0x0000},
        /* 15 */ {"", ".\\skin\\lxpen01.skn", std::string(120, 'x'), 0x0000},
        /* 16 */ {"", ".\\skin\\lxpen01.skn", "  " + kShort + " \r\n", 0x0000},
        /* 17 */ {"", ".\\skin\\lxpen01.skn", "Connecting to the server...", 0x0805},
        /* 18 */ {"", nullptr, kShort, 0x0001},
        /* 19 */ {"", ".\\skin\\missing.skn", kShort, 0x0001},
        /* 20 */ {"", ".\\skin\\lxpen01.skn", kShort, 0x0003 | 0x0200 | 0x0010 | 0x0080},
        /* 21 */ {"lxpResVi.dll", ".\\skin\\lxpvi01.skn", "L\xE0m l\xD5i v\xE0o m\xE1y", 0x0002},
    };
    return boxes;
}

LXTEST_CHILD(open_box)
{
    const Box& box = Boxes().at(static_cast<size_t>(std::atoi(argv[0])));
    if (!Lib().OpenMsgDlg)
        return 1000;
    if (box.skin)
        Lib().SetAppSkin(box.skin);
    return Lib().OpenMsgDlg(box.module, "not shown", box.message.c_str(), box.flags);
}

// What a shown box offers.
struct Seen {
    std::wstring labels[3];  // L"-" for a hidden button
    std::string message;
    std::wstring messageW;  // the message control's text as drawn
    SIZE area{0, 0};  // message area
    SIZE client{0, 0};
    bool check = false, bar = false;
    int icon = 0;  // the visible icon control
};

Seen Look(HWND dlg)
{
    Seen s;
    const int buttons[3] = {IDC_MSG_FIRST, IDC_MSG_SECOND, IDC_MSG_THIRD};
    for (int i = 0; i < 3; ++i) {
        HWND b = GetDlgItem(dlg, buttons[i]);
        wchar_t text[128] = L"";
        GetWindowTextW(b, text, 128);
        s.labels[i] = IsWindowVisible(b) ? text : L"-";
    }
    char text[512] = "";
    GetDlgItemTextA(dlg, IDC_MSG_TEXT, text, sizeof text);
    s.message = text;
    wchar_t wide[512] = L"";
    GetDlgItemTextW(dlg, IDC_MSG_TEXT, wide, 512);
    s.messageW = wide;
    RECT r{};
    GetClientRect(GetDlgItem(dlg, IDC_MSG_TEXT), &r);
    s.area = {r.right, r.bottom};
    GetClientRect(dlg, &r);
    s.client = {r.right, r.bottom};
    s.check = IsWindowVisible(GetDlgItem(dlg, IDC_MSG_CHECK)) != FALSE;
    s.bar = IsWindowVisible(GetDlgItem(dlg, IDC_MSG_WAITBAR)) != FALSE;
    for (int id : {IDC_MSG_EXCLAMATION, IDC_MSG_QUESTION, IDC_MSG_INFORMATION, IDC_MSG_STOP})
        if (IsWindowVisible(GetDlgItem(dlg, id)))
            s.icon = id;
    return s;
}

// Shows box `row` in a child, looks at it, saves it as `shot` (when given), ticks the check box
// when asked, presses button `press` (0-2; -1 presses nothing) and returns the child's result.
int RunBox(size_t row, Seen* seen, const std::string& shot = "", bool tick = false,
           int press = 0, DWORD* lifetimeMs = nullptr)
{
    const DWORD start = GetTickCount();
    HANDLE child = lxtest::StartChild("open_box", std::to_string(row), lxtest::StageDir());
    if (!child)
        return -100;
    HWND dlg = lxtest::WaitChildDialog(child);
    if (dlg) {
        lxtest::PumpMessages(300);  // the skin paints
        if (seen)
            *seen = Look(dlg);
        if (!shot.empty())
            lxtest::SaveWindowPng(dlg, shot);
        if (tick)
            SendMessageA(GetDlgItem(dlg, IDC_MSG_CHECK), BM_SETCHECK, BST_CHECKED, 0);
        const int buttons[3] = {IDC_MSG_FIRST, IDC_MSG_SECOND, IDC_MSG_THIRD};
        if (press >= 0)
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(buttons[press], BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dlg, buttons[press])));
    }
    const int result = lxtest::FinishChild(child, 20000);
    if (lifetimeMs)
        *lifetimeMs = GetTickCount() - start;
    return result;
}

// A Vietnamese message is 8-bit text in the "Heo May 1.1" font's own encoding, like the box's
// labels: it reaches the screen byte for byte (read as code page 1252), whatever the system's
// code page (the skinbox_test_cp936 entry runs this under a Chinese one).
TEST(SkinMsgDlg, VietnameseBodyInTheFontsOwnEncoding)
{
    if (const char* want = getenv("LX_EXPECT_ACP")) {
        ASSERT_EQ(GetACP(), static_cast<UINT>(atoi(want)));
    }
    Seen seen;
    ASSERT_EQ(RunBox(21, &seen, "", false, 0), 4);  // Retry
    const std::string& bytes = Boxes()[21].message;
    std::wstring expected;
    for (unsigned char c : bytes) {
        wchar_t w = 0;
        MultiByteToWideChar(1252, 0, reinterpret_cast<const char*>(&c), 1, &w, 1);
        expected += w;
    }
    EXPECT_EQ(seen.messageW, expected);
}

TEST(SkinMsgDlg, ButtonSetsLabelsAndResults)
{
    const bool german = GetACP() == 1252;
    const std::wstring ja = german ? L"Ja" : L"Yes", nein = german ? L"Nein" : L"No",
                       loeschen = german ? L"L\u00f6schen" : L"Cancel";
    // Chinese draws its labels itself: the buttons' own texts are empty. Vietnamese labels are
    // the VISCII bytes the "Heo May 1.1" font of the test prefix draws ("L\u00e0m l\u1ea1i",
    // "H\u1ee7y b\u1ecf"), read as code page 1252.
    struct Case {
        size_t row;
        const char* shot;
        bool tick;
        int press;
        std::wstring labels[3];
        int result;
    } cases[] = {
        {0, "skinbox_en_yesno", false, 1, {L"Yes", L"No", L"-"}, 7},
        {0, nullptr, false, 2, {L"Yes", L"No", L"-"}, 7},
        {1, "skinbox_en_retrycancel", false, 0, {L"Retry", L"Cancel", L"-"}, 4},
        {2, "skinbox_en_okcancel", false, 1, {L"OK", L"Cancel", L"-"}, 2},
        {3, "skinbox_en_yesnocancel", true, 0, {L"Yes", L"No", L"Cancel"}, 0x26},
        {3, nullptr, true, 1, {L"Yes", L"No", L"Cancel"}, 0x27},
        {3, nullptr, true, 2, {L"Yes", L"No", L"Cancel"}, 2},
        {3, nullptr, false, 0, {L"Yes", L"No", L"Cancel"}, 6},
        {4, "skinbox_en_cancel", false, 0, {L"Cancel", L"-", L"-"}, 2},
        {5, "skinbox_en_close", false, 2, {L"Close", L"-", L"-"}, 8},
        {6, "skinbox_en_ok", false, 0, {L"OK", L"-", L"-"}, 1},
        {6, nullptr, false, 2, {L"OK", L"-", L"-"}, 2},
        {7, nullptr, false, 0, {L"OK", L"-", L"-"}, 1},
        {8, "skinbox_de_yesnocancel", true, 1, {ja, nein, loeschen}, 0x27},
        {9, "skinbox_zh_yesnocancel", true, 0, {L"", L"", L""}, 0x26},
        {10, "skinbox_vi_retrycancel", false, 0, {L"L\xE0m l\xD5i", L"H\xFCy b\xF6", L"-"}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row) + " press " + std::to_string(c.press));
        Seen seen;
        EXPECT_EQ(RunBox(c.row, &seen, c.shot ? c.shot : "", c.tick, c.press), c.result);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(seen.labels[i], c.labels[i]) << "button " << i;
        EXPECT_EQ(seen.message, kShort);
    }
}

// Every button set in every language, one child showing them one after the other: each box
// shows its set's number of buttons and is saved as skinbox_<language>_set<N>.png.
struct Language {
    const char* name;
    const char* module;
    const char* skin;
};
const Language kLanguages[] = {{"en", "", ".\\skin\\lxpen01.skn"},
                               {"de", "lxpResDe.dll", ".\\skin\\lxpde01.skn"},
                               {"zh", "lxpResZh.dll", ".\\skin\\lxpzh01.skn"},
                               {"vi", "lxpResVi.dll", ".\\skin\\lxpvi01.skn"}};
const int kSetButtons[8] = {1, 2, 2, 2, 3, 0, 1, 1};  // visible buttons of sets 0-7

LXTEST_CHILD(every_set)
{
    (void)argv;
    for (const Language& lang : kLanguages) {
        Lib().SetAppSkin(lang.skin);
        for (int set = 0; set < 8; ++set)
            Lib().OpenMsgDlg(lang.module, "", kShort.c_str(), set);
    }
    return 0;
}

TEST(SkinMsgDlg, EveryButtonSetInEveryLanguage)
{
    HANDLE child = lxtest::StartChild("every_set", "", lxtest::StageDir());
    for (const Language& lang : kLanguages) {
        for (int set = 0; set < 8; ++set) {
            SCOPED_TRACE(std::string(lang.name) + " set " + std::to_string(set));
            HWND dlg = lxtest::WaitChildDialog(child);
            ASSERT_NE(dlg, nullptr);
            lxtest::PumpMessages(200);  // the skin paints
            const Seen seen = Look(dlg);
            int shown = 0;
            for (const auto& label : seen.labels)
                shown += label != L"-";
            EXPECT_EQ(shown, kSetButtons[set]);
            lxtest::SaveWindowPng(dlg, std::string("skinbox_") + lang.name + "_set" +
                                           std::to_string(set));
            PostMessageA(dlg, WM_CLOSE, 0, 0);
            lxtest::PumpUntil([&] { return !IsWindow(dlg); }, 5000);
        }
    }
    EXPECT_EQ(lxtest::FinishChild(child, 20000), 0);
}

TEST(SkinMsgDlg, IconsCheckBoxAndWaitingBar)
{
    Seen seen;
    EXPECT_EQ(RunBox(3, &seen), 6);  // 0x14
    EXPECT_TRUE(seen.check);
    EXPECT_FALSE(seen.bar);
    EXPECT_EQ(seen.icon, 0);
    EXPECT_EQ(RunBox(6, &seen), 1);  // information
    EXPECT_EQ(seen.icon, IDC_MSG_INFORMATION);
    EXPECT_FALSE(seen.check);
    EXPECT_EQ(RunBox(7, &seen), 1);  // stop and exclamation: exclamation wins
    EXPECT_EQ(seen.icon, IDC_MSG_EXCLAMATION);
    EXPECT_EQ(RunBox(20, &seen, "skinbox_en_waitbar"), 1);  // question, bar, check box
    EXPECT_EQ(seen.icon, IDC_MSG_QUESTION);
    EXPECT_TRUE(seen.bar);
    EXPECT_TRUE(seen.check);
}

// English text font: W = 6, H = 13.
TEST(SkinMsgDlg, MessageAreaFollowsTheLayoutRule)
{
    struct Case {
        size_t row;
        SIZE area;
        std::string message;
    } cases[] = {
        {11, {7 * 10, 13 * 2}, std::string(10, 'x')},
        {12, {7 * 47, 13 * 2}, std::string(47, 'x')},
        {13, {55 * 6, 13 * 3}, kLong},                 // past the limit: two lines
        {14, {6 * 4, 13 * 4}, "ab\ncdef\ng"},         // longest line
        {15, {55 * 6, 13 * 4}, std::string(120, 'x')},  // 120 / 55 + 1 = 3 lines
        {16, {7 * 25, 13 * 2}, kShort},                // trimmed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row));
        Seen seen;
        EXPECT_EQ(RunBox(c.row, &seen), 1);
        EXPECT_EQ(seen.area.cx, c.area.cx);
        EXPECT_EQ(seen.area.cy, c.area.cy);
        EXPECT_EQ(seen.message, c.message);
        EXPECT_GE(seen.client.cx, 300 + 60);  // content at least 300 wide, 30 margins
    }
}

TEST(SkinMsgDlg, AutoPressEndsWithOneAfterTwoSeconds)
{
    Seen seen;
    DWORD lifetime = 0;
    EXPECT_EQ(RunBox(17, &seen, "skinbox_en_autopress", false, -1, &lifetime), 1);
    for (const auto& label : seen.labels)
        EXPECT_EQ(label, L"-");
    EXPECT_GE(lifetime, 1800u);
}

TEST(SkinMsgDlg, SkinFailuresTellTheUserAndClose)
{
    // No SetAppSkin: the control is asked to load no path, which fails; a missing file too.
    for (size_t row : {18u, 19u}) {
        HANDLE child = lxtest::StartChild("open_box", std::to_string(row), lxtest::StageDir());
        const lxtest::ChildBox box =
            lxtest::AnswerChildBox(child, row == 18 ? "skinbox_skin_error" : "");
        EXPECT_TRUE(box.shown);
        EXPECT_EQ(box.text, "Could not load or apply the skin.");
        EXPECT_EQ(box.exitCode, 0);
    }
}

// --- the modeless dialog, in this process ---------------------------------------------------

std::vector<std::pair<int, int>> g_calls;
void WINAPI Record(int value, int result)
{
    g_calls.emplace_back(value, result);
}

RECT WindowRect(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

HWND DialogOf(void* handle, const char* message)
{
    // The dialog is the process's window whose message area holds the text.
    for (HWND d : lxtest::ProcessDialogs(GetCurrentProcessId())) {
        char text[256] = "";
        GetDlgItemTextA(d, IDC_MSG_TEXT, text, sizeof text);
        if (handle && message == std::string(text))
            return d;
    }
    return nullptr;
}

TEST(ModelessDlg, CreateShowCentreDisplayDestroy)
{
    const Library& lib = Lib();
    ASSERT_NE(lib.Create, nullptr);
    lib.SetAppSkin(".\\skin\\lxpen01.skn");
    void* dlg = lib.Create(7, Record, "", "Connecting...", 0x0205);
    ASSERT_NE(dlg, nullptr);
    HWND hwnd = DialogOf(dlg, "Connecting...");
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(IsWindowVisible(hwnd));  // starts hidden
    lib.Show(dlg, SW_SHOW);
    lxtest::PumpMessages(500);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    const Seen seen = Look(hwnd);
    EXPECT_TRUE(seen.bar);
    for (const auto& label : seen.labels)
        EXPECT_EQ(label, L"-");
    lxtest::SaveWindowPng(hwnd, "skinbox_en_waiting");

    // Centres: on a large rectangle and on one smaller than the dialog.
    const RECT box = WindowRect(hwnd);
    const LONG w = box.right - box.left, h = box.bottom - box.top;
    for (const RECT& r : {RECT{0, 0, 1001, 701}, RECT{400, 300, 411, 305}}) {
        lib.Center(dlg, &r);
        const RECT now = WindowRect(hwnd);
        EXPECT_EQ(now.left, r.left + (r.right - r.left) / 2 - w / 2);
        EXPECT_EQ(now.top, r.top + (r.bottom - r.top) / 2 - h / 2);
        EXPECT_EQ(now.right - now.left, w);
    }

    // A longer text widens the dialog; a null handle is ignored.
    const std::string longer(54, 'y');
    lib.Display(dlg, longer.c_str());
    lib.Display(nullptr, "ignored");
    lxtest::PumpMessages(200);
    EXPECT_EQ(Look(hwnd).message, longer);
    EXPECT_EQ(Look(hwnd).area.cx, 55 * 6);
    EXPECT_GT(WindowRect(hwnd).right - WindowRect(hwnd).left, w);
    EXPECT_TRUE(g_calls.empty());

    lib.Destroy(dlg);
    lxtest::PumpMessages(100);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(ModelessDlg, ButtonsCallBackUnlessTold)
{
    const Library& lib = Lib();
    ASSERT_NE(lib.Create, nullptr);
    lib.SetAppSkin(".\\skin\\lxpen01.skn");
    for (int flags : {0x0014, 0x1014}) {
        g_calls.clear();
        void* dlg = lib.Create(42, Record, "", "Press a button", flags);
        ASSERT_NE(dlg, nullptr);
        HWND hwnd = DialogOf(dlg, "Press a button");
        ASSERT_NE(hwnd, nullptr);
        lib.Show(dlg, SW_SHOW);
        CheckDlgButton(hwnd, IDC_MSG_CHECK, BST_CHECKED);
        for (int id : {IDC_MSG_FIRST, IDC_MSG_THIRD})
            SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hwnd, id)));
        lxtest::PumpMessages(100);
        EXPECT_TRUE(IsWindow(hwnd));  // a press does not close a modeless dialog
        if (flags & 0x1000)
            EXPECT_TRUE(g_calls.empty());
        else
            EXPECT_EQ(g_calls, (std::vector<std::pair<int, int>>{{42, 0x26}, {42, 2}}));
        lib.Destroy(dlg);
    }
}

// A box asked for while the waiting dialog is the active window, the waiting dialog closed
// under it a little later (a reply came): the box stays and its answer comes back.
void* g_waiting = nullptr;
void CALLBACK CloseWaiting(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    Lib().Destroy(g_waiting);
}

LXTEST_CHILD(box_over_waiting)
{
    (void)argv;
    Lib().SetAppSkin(".\\skin\\lxpen01.skn");
    g_waiting = Lib().Create(0, nullptr, "", "Waiting...", 0x0205);
    if (!g_waiting)
        return 1000;
    Lib().Show(g_waiting, SW_SHOW);
    lxtest::PumpMessages(300);
    SetTimer(nullptr, 0, 1000, &CloseWaiting);
    return Lib().OpenMsgDlg("", "", kShort.c_str(), 0x0001);
}

TEST(SkinMsgDlg, ABoxOverTheWaitingDialogOutlivesIt)
{
    HANDLE child = lxtest::StartChild("box_over_waiting", "", lxtest::StageDir());
    ASSERT_NE(child, nullptr);
    HWND box = nullptr, waiting = nullptr;
    lxtest::PumpUntil([&] {
        for (HWND d : lxtest::ProcessDialogs(GetProcessId(child))) {
            const std::string text = Look(d).message;
            if (text == kShort && IsWindowVisible(d))
                box = d;
            else if (text == "Waiting...")
                waiting = d;
        }
        return box != nullptr;
    }, 20000);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(GetWindow(box, GW_OWNER), waiting);
    lxtest::PumpUntil([&] { return !IsWindow(waiting); }, 5000);
    lxtest::PumpMessages(300);
    EXPECT_TRUE(IsWindow(box)) << "the box closed with the waiting dialog";
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_MSG_FIRST, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDC_MSG_FIRST)));
    EXPECT_EQ(lxtest::FinishChild(child, 20000), 6);
}

}  // namespace
