// The wizard's binding to the skinned dialog library: the library and the skin control are
// copied into the scratch folder, which is where the wizard finds them (its current folder).
#include "appmessage.h"
#include "settingsstore.h"
#include "skinbinding.h"
#include "storetest.h"

namespace {

using namespace storetest;

class SkinBindingTest : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        CreateReleaseKey();
    }
    void CopyLibrary()
    {
        const std::string stage = lxtest::StageDir();
        CreateDirectoryA("skin", nullptr);
        for (const char* file : {"lxpmsgbx.dll", "lxskin.dll", "skin\\lxpen01.skn"})
            ASSERT_TRUE(CopyFileA((stage + "\\" + file).c_str(), (m_dir + "\\" + file).c_str(),
                                  FALSE))
                << file;
    }
};

// The waiting dialog is the one dialog of this process whose message area holds `text`.
HWND WaitingDialog(const std::string& text)
{
    for (HWND d : lxtest::ProcessDialogs(GetCurrentProcessId()))
        if (IsWindowVisible(d) && MessageBoxText(d) == text)
            return d;
    return nullptr;
}

TEST_F(SkinBindingTest, WaitingDialogOpensOnceAndClosesOnce)
{
    CopyLibrary();
    CSettingsStore store;
    store.Open("enrolwiz", nullptr);
    const RECT page{100, 100, 600, 400};
    EXPECT_EQ(UpdateWaitingDialog("nothing open"), 0);
    EXPECT_EQ(CenterWaitingDialog(page), 0);
    EXPECT_EQ(CloseWaitingDialog(), 0);

    EXPECT_EQ(OpenWaitingDialog("Connecting to the server...", store), 1);
    EXPECT_EQ(OpenWaitingDialog("A second dialog", store), 0);
    lxtest::PumpMessages(300);
    HWND dlg = WaitingDialog("Connecting to the server...");
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WaitingDialog("A second dialog"), nullptr);

    EXPECT_EQ(UpdateWaitingDialog("Sending the request..."), 1);
    EXPECT_EQ(MessageBoxText(dlg), "Sending the request...");
    EXPECT_EQ(CenterWaitingDialog(page), 1);
    RECT r{};
    GetWindowRect(dlg, &r);
    EXPECT_EQ(r.left, 350 - (r.right - r.left) / 2);
    EXPECT_EQ(r.top, 250 - (r.bottom - r.top) / 2);
    lxtest::PumpMessages(300);
    lxtest::SaveWindowPng(dlg, "enrolwiz_waiting_dialog");

    EXPECT_EQ(CloseWaitingDialog(), 1);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(CloseWaitingDialog(), 0);
    // Closed means closed: the next request gets a dialog of its own.
    EXPECT_EQ(OpenWaitingDialog("Logging in...", store), 1);
    lxtest::PumpMessages(200);
    EXPECT_NE(WaitingDialog("Logging in..."), nullptr);
    EXPECT_EQ(CloseWaitingDialog(), 1);
}

LXTEST_CHILD(open_waiting)
{
    CSettingsStore store;
    store.Open("enrolwiz", nullptr);
    return OpenWaitingDialog("Connecting to the server...", store) + 10;
}

LXTEST_CHILD(show_message)
{
    SkinResourceModuleName() = argc > 0 ? argv[0] : "";
    return ShowAppMessage("Please enter a valid e-mail address.", MB_ICONQUESTION);
}

TEST_F(SkinBindingTest, MissingLibraryIsReported)
{
    const lxtest::ChildBox box = lxtest::AnswerChildBox(
        lxtest::StartChild("open_waiting", "", m_dir), "enrolwiz_skinbox_missing");
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.text, "Error: 'lxpmsgbx.dll' could not be loaded.");
    EXPECT_EQ(box.exitCode, 10);
}

// Every message of the wizard comes skinned: the skinned box's caption, text and OK answer.
TEST_F(SkinBindingTest, AppMessagesAreSkinned)
{
    CopyLibrary();
    const lxtest::ChildBox box = lxtest::AnswerChildBox(
        lxtest::StartChild("show_message", "lxpresde.dll", m_dir), "enrolwiz_skinned_message");
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.title, "Lexipop");
    EXPECT_EQ(box.text, "Please enter a valid e-mail address.");
    EXPECT_EQ(box.exitCode, 1);
}

}  // namespace
