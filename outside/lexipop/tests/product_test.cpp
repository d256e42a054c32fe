// The whole product end to end, as a person meets it: the wizard of a copy of the installation
// directory run as a process and driven through its sheet, the dictionary program it starts at
// its end, and look-ups with SendInput over a sample window of this test. A second wizard run
// closes the running program and the one it starts follows the new mouse choice.
#include "lexipopwindows.h"
#include "lxrecord.h"
#include "lxtest.h"
#include "productdriver.h"
#include "productfacts.h"
#include "textwindow.h"

#include "pages/mouseids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

DWORD PublishedPopup()
{
    DWORD value = 0, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, lxfacts::kPopupWindowValue,
                 RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

struct Look {
    const char* what;
    DWORD down, up;
    int at;             // 0: "orange", 1: "lemon", 2: blank paper
    const char* shown;  // the pop-up's word afterwards; "": hidden
};

struct WizardRun {
    int mouseOption;  // the option button chosen on the mouse page
    std::vector<Look> looks;
};

}  // namespace

TEST(Product, WizardStartsTheDictionaryWhoseLookUpsFollowEachRunsMouseChoice)
{
    const std::string dir = lxtest::CopyInstallation("product");
    ASSERT_FALSE(dir.empty());
    // The installation's server lists name a port nobody listens on: no page reaches a server.
    lxtest::WriteFileBytes(dir + "\\data\\server.lst", "127.0.0.1\r\n");
    lxtest::WriteFileBytes(dir + "\\data\\port.lst",
                           std::to_string(lxtest::UnusedPort()) + "\r\n");
    // The dictionary program and the fontlearner it starts inherit where the pattern base goes.
    const std::string base = dir + "\\FontBase.tpb";
    SetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", base.c_str());

    // Below the wizard's sheet, on top of everything.
    lxtest::TextWindow sample(120, 640, 560, 80, RGB(255, 255, 255));
    sample.AddRun({"apple orange lemon", "Tahoma", 12, RGB(0, 0, 0), 16, 24});
    sample.Show();
    const POINT points[] = {sample.CenterOf(0, 8), sample.CenterOf(0, 15),
                            {sample.CellOf(0, 0).left + 400, sample.CellOf(0, 0).top - 12}};  // above the pop-up

    const WizardRun runs[] = {
        {IDC_MOUSE_OPTION1,  // right button
         {{"right click on a word", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 0, "orange"},
          {"left click elsewhere", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2, ""},
          {"middle click on a word", MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 1, ""}}},
        {IDC_MOUSE_OPTION1 + 1,  // middle button
         {{"right click on a word", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 0, ""},
          {"middle click on a word", MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 1, "lemon"},
          {"left click elsewhere", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2, ""}}},
    };
    lxtest::DictionaryDriver dictionary;
    DWORD previous = 0;
    for (const WizardRun& run : runs) {
        SCOPED_TRACE("mouse option " + std::to_string(run.mouseOption));
        ASSERT_EQ(lxtest::RunWizardAnonymously(dir, run.mouseOption), 0);
        // Starting, the wizard closed the program the run before had started.
        EXPECT_TRUE(dictionary.Ended());
        ASSERT_TRUE(dictionary.Attach(20000, previous));
        previous = dictionary.Pid();
        EXPECT_EQ(PublishedPopup(), static_cast<DWORD>(HandleToLong(dictionary.Popup())));
        EXPECT_FALSE(IsWindowVisible(dictionary.Hidden()));
        // The first program builds the pattern base; the look-up right after the report of the
        // build keeps its word when the report's own time to go is up.
        ASSERT_TRUE(dictionary.WaitReady(base, 120000));
        bool first = true;
        for (const Look& look : run.looks) {
            SCOPED_TRACE(look.what);
            EXPECT_TRUE(dictionary.Click(look.down, look.up, points[look.at], look.shown));
            if (first && *look.shown)
                lxtest::PumpMessages(2500);
            first = false;
            EXPECT_EQ(dictionary.Shown(), look.shown);
            if (*look.shown) {
                EXPECT_NE(dictionary.Meaning().find("fruit"), std::string::npos)
                    << dictionary.Meaning();
                RECT shot = {}, p = {}, w = {};
                GetWindowRect(dictionary.Popup(), &p);
                GetWindowRect(sample.Hwnd(), &w);
                UnionRect(&shot, &p, &w);
                lxtest::SaveScreenPng(shot, std::string("product_popup_") + look.shown);
            }
        }
    }

    // A change of the installed fonts has the pattern base built again.
    ASSERT_TRUE(DeleteFileA(base.c_str()));
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(dictionary.Hidden(), WM_FONTCHANGE, 0, 0, SMTO_NORMAL, 10000, &answer);
    EXPECT_TRUE(dictionary.WaitReady(base, 120000));
    EXPECT_TRUE(lxtest::PumpUntil(
        [&] { return lxtest::StaticTexts(dictionary.Popup()) == LEXIPOP_BUILT_TEXT; }, 10000));

    EXPECT_EQ(dictionary.Close(20000), 0);
}
