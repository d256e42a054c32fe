// End to end: the staged dictionary program, started without a pattern base, against a sample
// window of this test, clicked with SendInput. The mouse hook runs on this test's thread
// while it pumps messages.
#include "lexipopwindows.h"
#include "lxpmessages.h"
#include "lxtest.h"
#include "productdriver.h"
#include "productfacts.h"
#include "textwindow.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void WriteReleaseNumber(const char* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

DWORD ReadReleaseNumber(const char* name)
{
    DWORD value = 0, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, name, RRF_RT_REG_DWORD, nullptr,
                 &value, &size);
    return value;
}

// Starts the staged program and waits up to 20 s for its two windows.
HANDLE StartLexipop(lxtest::DictionaryDriver& dictionary, HWND& popup, HWND& hidden)
{
    HANDLE program = lxtest::StartProgram(lxtest::StageDir() + "\\Norvanta Lexipop.exe", "",
                                          lxtest::StageDir());
    dictionary.Attach(program ? 20000 : 0);
    popup = dictionary.Popup();
    hidden = dictionary.Hidden();
    return program;
}

// Shows a captioned window of this test, makes it the foreground window, closes it and
// returns the window that took the activation after it.
HWND CloseAForegroundWindow()
{
    HWND w = CreateWindowExA(0, "STATIC", "lexipop test foreground", WS_OVERLAPPEDWINDOW, 700,
                             500, 200, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_TRUE(w);
    ShowWindow(w, SW_SHOW);
    SetForegroundWindow(w);
    lxtest::PumpUntil([&] { return GetForegroundWindow() == w; }, 3000);
    EXPECT_EQ(GetForegroundWindow(), w);
    DestroyWindow(w);
    lxtest::PumpMessages(500);
    return GetForegroundWindow();
}

}  // namespace

TEST(Lexipop, LooksUpTheWordOfTheGestureFollowsSettingsAndCloses)
{
    const std::string dir = lxtest::FreshDir("lexipop");
    const std::string base = dir + "\\FontBase.tpb";
    // The program and the fontlearner it starts inherit where the pattern base goes.
    SetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", base.c_str());
    WriteReleaseNumber("bMouseState", 1);
    WriteReleaseNumber("bMouseShift", 0);
    WriteReleaseNumber(lxfacts::kPopupWindowValue, 0);

    lxtest::DictionaryDriver dictionary;
    HWND popup = nullptr, hidden = nullptr;
    HANDLE program = StartLexipop(dictionary, popup, hidden);
    ASSERT_TRUE(program && popup && hidden);
    DWORD popupPid = 0, hiddenPid = 0;
    GetWindowThreadProcessId(popup, &popupPid);
    GetWindowThreadProcessId(hidden, &hiddenPid);
    EXPECT_EQ(popupPid, GetProcessId(program));
    EXPECT_EQ(hiddenPid, GetProcessId(program));
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_EQ(ReadReleaseNumber(lxfacts::kPopupWindowValue),
              static_cast<DWORD>(HandleToLong(popup)));

    // No pattern base: fontlearner builds one and the pop-up reports the end of the build.
    const DWORD start = GetTickCount();
    ASSERT_TRUE(lxtest::PumpUntil(
        [&] { return lxtest::FileExists(base) && lxtest::StaticTexts(popup) == LEXIPOP_BUILT_TEXT; },
        400000));
    std::printf("pattern base built by fontlearner in %lu ms\n", GetTickCount() - start);

    lxtest::TextWindow sample(120, 200, 560, 80, RGB(255, 255, 255));
    sample.AddRun({"apple orange lemon", "Tahoma", 12, RGB(0, 0, 0), 16, 24});
    sample.Show();
    const POINT orange = sample.CenterOf(0, 8), lemon = sample.CenterOf(0, 15);
    // Blank paper above the line: the pop-up opens below the word and, with a wide font,
    // reaches far to the right.
    const POINT blank = {sample.CellOf(0, 0).left + 400, sample.CellOf(0, 0).top - 12};

    struct Step {
        const char* what;
        DWORD down, up;     // up 0: the button stays down
        POINT at;
        const char* shown;  // the pop-up's word afterwards; empty: hidden
        DWORD mouseState;   // stored and announced before the step when non-zero
    };
    const Step steps[] = {
        {"right click on a word", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, orange, "orange", 0},
        {"left click elsewhere", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, blank, "", 0},
        {"right click, middle button set", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, lemon, "",
         3},
        {"middle click on a word", MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, lemon, "lemon",
         0},
        {"hold mode: right press on a word", MOUSEEVENTF_RIGHTDOWN, 0, orange, "orange", 4},
        {"hold mode: release", MOUSEEVENTF_RIGHTUP, 0, orange, "", 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.mouseState) {
            WriteReleaseNumber("bMouseState", s.mouseState);
            DWORD_PTR answer = 0;
            ASSERT_TRUE(SendMessageTimeoutA(popup, LxpMessage(LxpMsg::ConfigChange), 0, 0,
                                            SMTO_NORMAL, 10000, &answer));
        }
        EXPECT_TRUE(dictionary.Click(s.down, s.up, s.at, s.shown));
        EXPECT_EQ(dictionary.Shown(), s.shown);
        if (*s.shown) {
            RECT shot = {}, p = {}, w = {};
            GetWindowRect(popup, &p);
            GetWindowRect(sample.Hwnd(), &w);
            UnionRect(&shot, &p, &w);
            lxtest::SaveScreenPng(shot, std::string("lexipop_popup_") + s.shown);
        }
        if (&s == steps) {
            // The pop-up never takes the activation, not even when the foreground window goes
            // while the pop-up is the topmost window on screen (as the font learner's dialog
            // does when it ends): an active pop-up would take the keyboard from the program
            // being read, and under Wine 10 it then stays on the screen after it is hidden,
            // covering the next words to read.
            EXPECT_NE(CloseAForegroundWindow(), popup);
            EXPECT_EQ(dictionary.Shown(), s.shown);
        }
    }

    // Closing the pop-up ends the program; unhooking ends it with exit code 0.
    PostMessageA(popup, WM_CLOSE, 0, 0);
    EXPECT_EQ(lxtest::WaitExit(program, 20000), 0);
    CloseHandle(program);
    EXPECT_FALSE(IsWindow(popup));
    WriteReleaseNumber("bMouseState", 1);

    // With the pattern base there, nothing is built; closing the hidden window ends it too.
    program = StartLexipop(dictionary, popup, hidden);
    ASSERT_TRUE(program && popup && hidden);
    lxtest::PumpMessages(3000);
    EXPECT_EQ(lxtest::StaticTexts(popup), "");
    EXPECT_FALSE(IsWindowVisible(popup));
    PostMessageA(hidden, WM_CLOSE, 0, 0);
    EXPECT_EQ(lxtest::WaitExit(program, 20000), 0);
    CloseHandle(program);
}
