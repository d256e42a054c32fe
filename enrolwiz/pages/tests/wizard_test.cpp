// The wizard sheet under Xvfb: a real sheet from the language modules, created modeless and
// driven with PSM_PRESSBUTTON; the active page, the buttons and the focus read back; the
// completion page ends through a replaced process end (and, in one case, the real program ends
// with exit code 0).
#include "lxrecord.h"
#include "lxtest.h"
#include "lxpmessages.h"
#include "productfacts.h"
#include "resourcehandle.h"
#include "storetest.h"
#include "wizarddriver.h"
#include "skinbinding.h"
#include "wizlexireg.h"

#include "pages/emailids.h"
#include "pages/mouseids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using lxtest::SheetDriver;

const std::string kAnonymous = lxfacts::kAnonymousUser;

// A scratch installation as the current folder: the engine, the skin control and skins, the
// skinned dialogs, the list files, a recording program in the dictionary program's place and
// the language module of one language as the resource module.
class WizardTest : public storetest::ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        ASSERT_EQ(lxtest::CopySkinnedDialogs(), "");
        // Nothing listens on the listed port: no page of this program reaches a server.
        lxtest::WriteFileBytes("data\\server.lst", "127.0.0.1\r\n");
        lxtest::WriteFileBytes("data\\port.lst", std::to_string(lxtest::UnusedPort()) + "\r\n");
        lxtest::WriteFileBytes("data\\domainlist.lst", ".de Germany\r\n.uk United Kingdom\r\n");
        ASSERT_TRUE(CopyFileA((lxtest::BuildDir() + "\\enrolwiz\\lexipop_recorder.exe").c_str(),
                              "Norvanta Lexipop.exe", FALSE));
        lxtest::CopyRuntimeDlls(lxtest::BuildDir() + "\\enrolwiz", ".");
        storetest::CreateReleaseKey();
        UseLanguage("resen.dll");
    }

    void TearDown() override
    {
        m_sheet.reset();
        if (HMODULE module = LxResourceHandle())
            FreeLibrary(module);
        LxSetResourceHandle(nullptr);
        ScratchTest::TearDown();
    }

    void UseLanguage(const char* module)
    {
        if (HMODULE old = LxResourceHandle())
            FreeLibrary(old);
        LxSetResourceHandle(LoadLibraryA((lxtest::StageDir() + "\\" + module).c_str()));
        ASSERT_NE(LxResourceHandle(), nullptr) << module;
    }

    // The sheet as the start-up makes it, created modeless.
    CWizLexiReg& Open(int startAtEmail = 0)
    {
        m_sheet.reset();
        m_ended = -1;
        m_sheet = std::make_unique<CWizLexiReg>(nullptr);
        m_sheet->AddFlags(CWizLexiReg::kStartFlags);
        m_sheet->startAtEmail = startAtEmail;
        m_sheet->pageComplete.endProcess = [this](UINT code) { m_ended = static_cast<int>(code); };
        m_drive.Attach(m_sheet->Create());
        CWizLexiReg* sheet = m_sheet.get();
        m_drive.filter = [sheet](MSG& msg) { return sheet->TranslateSheetMessage(msg); };
        m_drive.Settle();
        return *m_sheet;
    }

    HWND PageItem(int id) const { return GetDlgItem(m_drive.ActivePage(), id); }

    static std::string Text(UINT id) { return CWizardContext::ModuleText(id); }

    static CSettingsStore& Stored()
    {
        static CSettingsStore store;
        store.Open("wizard_test", nullptr);
        return store;
    }

    std::unique_ptr<CWizLexiReg> m_sheet;
    SheetDriver m_drive;
    int m_ended = -1;
};

// --- the mouse page and the way to an anonymous completion ---------------------------------

TEST_F(WizardTest, MouseChoicesLeadThroughCancelToAnAnonymousCompletion)
{
    struct Case {
        int choice;
        bool byRowText;      // chosen by a click on the row's text, not on the button
        bool cancelOnMouse;  // Cancel on the mouse page instead of the e-mail page
        int mouseState;
        int mouseShift;
    };
    const Case cases[] = {
        {1, false, false, 1, 0},
        {2, false, false, 3, 0},
        {3, true, true, 1, 1},
        {4, false, false, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("choice " + std::to_string(c.choice));
        CWizLexiReg& sheet = Open();
        WizardData& data = sheet.data;
        ASSERT_EQ(m_drive.ActiveIndex(), CWizLexiReg::kMouse);
        auto nextWidth = [this] {
            RECT rc = {};
            GetWindowRect(m_drive.Button(lxtest::kSheetNext), &rc);
            return rc.right - rc.left;
        };
        const int width = nextWidth();
        EXPECT_EQ(m_drive.Title(), Text(175));
        EXPECT_FALSE(m_drive.Visible(lxtest::kSheetBack));
        EXPECT_TRUE(m_drive.Visible(IDCANCEL));
        EXPECT_TRUE(m_drive.Enabled(lxtest::kSheetNext));

        if (c.byRowText) {
            const RECT row = sheet.pageMouse.RowRect(c.choice);
            PostMessageA(m_drive.ActivePage(), WM_LBUTTONDOWN, MK_LBUTTON,
                         MAKELPARAM(row.right - 10, (row.top + row.bottom) / 2));
        } else if (c.choice != 1) {
            PostMessageA(PageItem(IDC_MOUSE_OPTION1 + c.choice - 1), BM_CLICK, 0, 0);
        }
        m_drive.Settle();
        EXPECT_EQ(data.mouseChoice, c.choice);

        if (c.cancelOnMouse) {
            m_drive.Press(PSBTN_CANCEL);
        } else {
            m_drive.Press(PSBTN_NEXT);  // the animation of the choice
            EXPECT_EQ(m_drive.ActiveIndex(), CWizLexiReg::kMouse);
            EXPECT_TRUE(sheet.pageMouse.DemoShown());
            EXPECT_TRUE(IsWindowVisible(PageItem(IDC_MOUSE_ANIMATION)));
            EXPECT_FALSE(IsWindowVisible(PageItem(IDC_MOUSE_OPTION1)));
            EXPECT_TRUE(m_drive.Visible(lxtest::kSheetBack));
            if (c.choice == 2) {
                m_drive.Press(PSBTN_BACK);  // back to the choices
                EXPECT_EQ(m_drive.ActiveIndex(), CWizLexiReg::kMouse);
                EXPECT_FALSE(sheet.pageMouse.DemoShown());
                EXPECT_FALSE(m_drive.Visible(lxtest::kSheetBack));
                EXPECT_TRUE(IsWindowVisible(PageItem(IDC_MOUSE_OPTION1)));
                m_drive.Press(PSBTN_NEXT);
            }
            m_drive.Press(PSBTN_NEXT);
            ASSERT_TRUE(m_drive.WaitForPage(CWizLexiReg::kEmail));
            EXPECT_EQ(m_drive.Title(), Text(176));
            EXPECT_EQ(data.goingBack, 0);
            m_drive.Press(PSBTN_CANCEL);
        }
        // Every page after the one cancelled skips itself up to the promotion page.
        ASSERT_TRUE(m_drive.WaitForPage(CWizLexiReg::kPromo));
        EXPECT_EQ(data.cancelled, 1);
        EXPECT_EQ(data.skipRest, 1);
        EXPECT_FALSE(m_drive.Visible(IDCANCEL));
        EXPECT_FALSE(m_drive.Visible(lxtest::kSheetBack));
        EXPECT_EQ(m_drive.Title(), Text(183));
        EXPECT_EQ(nextWidth(), width + CWizLexiRegPromo::kNextWidening);
        m_drive.Press(PSBTN_NEXT);
        ASSERT_TRUE(m_drive.WaitForPage(CWizLexiReg::kComplete));
        EXPECT_EQ(m_drive.Title(), Text(185));
        EXPECT_EQ(nextWidth(), width + CWizLexiRegPromo::kNextWidening);  // kept, not widened twice
        EXPECT_EQ(lxtest::WindowTitle(m_drive.Button(lxtest::kSheetNext)), sheet.finishCaption);

        DeleteFileA("started.txt");
        m_drive.Press(PSBTN_NEXT);
        EXPECT_EQ(m_ended, 0);
        EXPECT_FALSE(IsWindowVisible(m_drive.Sheet()));
        CSettingsStore& stored = Stored();
        EXPECT_EQ(stored.bMouseState(), c.mouseState);
        EXPECT_EQ(stored.bMouseShift(), c.mouseShift);
        EXPECT_EQ(stored.szEmail(), kAnonymous);
        const std::string profileTail = "\\data\\profile\\" + kAnonymous;
        EXPECT_EQ(stored.szProfilePath().substr(stored.szProfilePath().size() - profileTail.size()),
                  profileTail);
        EXPECT_EQ(stored.szMultipleUser(), "No");
        EXPECT_TRUE(lxtest::PumpUntil([] { return lxtest::FileExists("started.txt"); }, 10000));
    }
}

TEST_F(WizardTest, FirstRunMakesTheAnonymousUserAndEveryRunANewInstallationId)
{
    // A stored address equal to the anonymous user counts as a first run too.
    for (const std::string& stored : {std::string(), kAnonymous}) {
        SCOPED_TRACE("stored e-mail \"" + stored + "\"");
        storetest::SeedText("szEmail", stored);
        RemoveDirectoryA((".\\data\\profile\\" + kAnonymous).c_str());
        CWizLexiReg& sheet = Open();
        EXPECT_EQ(sheet.data.previousEmail, "");
        EXPECT_NE(GetFileAttributesA((".\\data\\profile\\" + kAnonymous).c_str()),
                  INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(Stored().szEmail(), kAnonymous);
        EXPECT_EQ(Stored().bMouseState(), 1);
        EXPECT_EQ(Stored().bMouseShift(), 0);
    }
    const std::string first = Stored().szUSIID();
    Open();
    const std::string second = Stored().szUSIID();
    EXPECT_EQ(first.size(), 32u);
    EXPECT_EQ(first.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(first, second);

    // A known user is no first run: the address before this run is kept.
    storetest::SeedText("szEmail", "kim@mail.de");
    EXPECT_EQ(Open().data.previousEmail, "kim@mail.de");
    EXPECT_EQ(Stored().szEmail(), "kim@mail.de");

    // A running dictionary program is closed: WM_CLOSE goes to the top-most window above its
    // pop-up (here the pop-up's owner, as GetParent gives it).
    lxtest::MessageWindow owner({WM_CLOSE}, "dictionary main window");
    HWND popup = CreateWindowExA(0, "STATIC", "Lexipop Popup", WS_POPUP, 0, 0, 10, 10,
                                 owner.Hwnd(), nullptr, nullptr, nullptr);
    ASSERT_NE(popup, nullptr);
    Open();
    EXPECT_EQ(owner.Seen().size(), 1u);
    DestroyWindow(popup);
}

TEST_F(WizardTest, ChineseDictionaryTextsAndTheSkinnedDialogsModule)
{
    const struct {
        const char* dictionary;
        int builtin;
        const char* skinModule;
    } cases[] = {
        {"English-Chinese(S)", 1, "lxpreszh.dll"},
        {"German-English", 0, "lxpresde.dll"},
        {"Vietnamese-English", 0, "lxpresvi.dll"},
        {"", 0, "lxpreszh.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dictionary);
        storetest::SeedText("szCurrentDictionary", c.dictionary);
        CWizLexiReg& sheet = Open();
        EXPECT_EQ(sheet.useBuiltinStrings, c.builtin);
        EXPECT_EQ(SkinResourceModuleName(), c.skinModule);
        CWizardContext& context = sheet.Context();
        for (UINT id : {175u, 183u, 196u, 128u})
            EXPECT_EQ(context.GetText(id), c.builtin ? BuiltinText(id) : Text(id)) << id;
        if (!c.builtin)
            continue;
        // Built-in texts: English titles, Chinese (code page 936) messages, none for 184.
        EXPECT_EQ(m_drive.Title(), "Lexipop Mouse Activation Settings");
        EXPECT_EQ(std::string(BuiltinText(123)), "Mr.|Mrs.|Miss|");
        EXPECT_EQ(std::string(BuiltinText(184)), "");
        for (UINT id = 104; id <= 196; ++id) {
            if (id == 123 || (id >= 175 && id <= 185))
                continue;
            const std::string text = BuiltinText(id);
            wchar_t wide[256];
            EXPECT_GT(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.c_str(), -1, wide, 256),
                      1) << id;
            EXPECT_NE(std::find_if(text.begin(), text.end(),
                                   [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; }),
                      text.end()) << id;
        }
        // The page draws the Chinese captions of the sheet's buttons itself.
        EXPECT_EQ(lxtest::WindowTitle(m_drive.Button(lxtest::kSheetNext)), "");
        EXPECT_EQ(lxtest::WindowTitle(m_drive.Button(IDCANCEL)), "");
        EXPECT_FALSE(m_drive.Save("wizard_zh_builtin_0_mouse").empty());
    }

    // The progress texts of the waiting dialog: the caption, a blank line, the code's text.
    CWizardContext& context = Open().Context();
    context.data.waitingCaption = "Checking";
    EXPECT_EQ(context.ProgressText(3), "Checking\n\n" + Text(128));
    EXPECT_EQ(context.ProgressText(11), "Checking\n\n" + Text(136));
    EXPECT_EQ(context.ProgressText(12), "Checking\n\n");
    EXPECT_EQ(context.ProgressText(40), "Checking\n\n" + Text(128));
}

// --- the e-mail page --------------------------------------------------------------------------

TEST_F(WizardTest, EmailPageFiltersChecksAndHandsTheAddressOn)
{
    CWizLexiReg& sheet = Open(1);  // "-regemail-"
    ASSERT_EQ(m_drive.ActiveIndex(), CWizLexiReg::kEmail);
    EXPECT_TRUE(m_drive.Visible(lxtest::kSheetBack));
    EXPECT_FALSE(m_drive.Enabled(lxtest::kSheetNext));  // empty address
    HWND edit = PageItem(IDC_EMAIL_EDIT);
    RECT at = {};
    GetWindowRect(edit, &at);
    MapWindowPoints(nullptr, m_drive.ActivePage(), reinterpret_cast<POINT*>(&at), 2);
    EXPECT_EQ(at.left, 26);
    EXPECT_EQ(at.top, 358);

    const struct {
        const char* typed;
        const char* kept;
    } filter[] = {
        {"Kim.Lee@Mail.DE", "kim.lee@mail.de"},
        {"@kim", "kim"},                 // '@' first
        {"kim.@mail", "kim.mail"},       // '@' after '.'
        {"kim@mail@de", "kim@mailde"},   // a second '@'
        {"k i+m\xE4@x", "kim@x"},        // blanks, '+', non-ASCII
        {"a_b-c9", "a_b-c9"},
    };
    for (const auto& f : filter) {
        SetWindowTextA(edit, f.typed);
        m_drive.Settle(100);
        EXPECT_EQ(lxtest::WindowTitle(edit), f.kept) << f.typed;
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        if (std::string(f.typed) != f.kept) {  // a changed text leaves the caret at its end
            EXPECT_EQ(start, std::string(f.kept).size()) << f.typed;
            EXPECT_EQ(end, start);
        }
        EXPECT_TRUE(m_drive.Enabled(lxtest::kSheetNext));
    }

    // The domain check: a listed ending, a generic ending anywhere, and no '@'.
    const struct {
        const char* address;
        bool valid;
    } domains[] = {
        {"kim@mail.de", true},          // listed ending
        {"kim@mail.uk", true},
        {"kim@cool.xyz", false},        // neither listed nor generic
        {"kim@mail.company.xy", true},  // ".co" anywhere
        {"kim@web.info", false},
    };
    for (const auto& d : domains)
        EXPECT_EQ(CWizLexiRegEmail::IsValidAddress(d.address), d.valid) << d.address;
    EXPECT_TRUE(CWizLexiRegEmail::IsValidAddress("kim@cool.xyz", "data\\no-such.lst"));

    {
        lxtest::BoxAnswerer answer(GetCurrentProcessId(), {m_drive.Sheet()});
        for (const char* refused : {"kim@cool.xyz", "kimmail.de"}) {
            SetWindowTextA(edit, refused);
            m_drive.Press(PSBTN_NEXT, 1500);
            EXPECT_EQ(m_drive.ActiveIndex(), CWizLexiReg::kEmail) << refused;
        }
        EXPECT_EQ(answer.Texts(), (std::vector<std::string>{Text(196), Text(196)}));
        EXPECT_EQ(sheet.data.link.GetEmailAddress(), "");
    }

    // A good address goes on to the server hunt, which finds no server here: text 192, and
    // the rest of the run completes anonymously.
    lxtest::BoxAnswerer answer(GetCurrentProcessId(), {m_drive.Sheet()});
    SetWindowTextA(edit, "Kim@Mail.DE");
    m_drive.Press(PSBTN_NEXT);
    EXPECT_EQ(sheet.data.email, "kim@mail.de");
    EXPECT_EQ(sheet.data.link.GetEmailAddress(), "kim@mail.de");
    EXPECT_TRUE(m_drive.WaitForPage(CWizLexiReg::kPromo, 30000));
    EXPECT_EQ(answer.Texts(), std::vector<std::string>{Text(192)});
    EXPECT_EQ(sheet.data.cancelled, 1);
}

// --- keyboard ---------------------------------------------------------------------------------

TEST_F(WizardTest, EscapeDoesNothingAndEnterPressesNextUnlessBackHasTheFocus)
{
    CWizLexiReg& sheet = Open();
    m_drive.Press(PSBTN_NEXT);  // the animation: Back and Cancel shown
    ASSERT_TRUE(sheet.pageMouse.DemoShown());

    SendMessageA(m_drive.Sheet(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_drive.Button(lxtest::kSheetBack)), TRUE);
    m_drive.Key(VK_RETURN);  // Back has the focus: Back, not Next
    EXPECT_EQ(m_drive.ActiveIndex(), CWizLexiReg::kMouse);
    EXPECT_FALSE(sheet.pageMouse.DemoShown());

    m_drive.Key(VK_ESCAPE);
    EXPECT_TRUE(sheet.IsRunning());
    EXPECT_EQ(m_drive.ActiveIndex(), CWizLexiReg::kMouse);
    EXPECT_EQ(sheet.data.cancelled, 0);

    m_drive.Press(PSBTN_NEXT);
    SetFocus(m_drive.ActivePage());  // neither Back nor Cancel
    m_drive.Key(VK_RETURN);  // Back and Cancel shown, Next enabled: Next
    EXPECT_EQ(m_drive.ActiveIndex(), CWizLexiReg::kEmail);

    m_drive.Key(VK_ESCAPE);
    EXPECT_EQ(m_drive.ActiveIndex(), CWizLexiReg::kEmail);
    EXPECT_EQ(sheet.data.cancelled, 0);
}

// --- the installation report ------------------------------------------------------------------

TEST_F(WizardTest, CompletionReportsTheInstallationOnlyOnTheFirstInstall)
{
    const UINT reportReply = LxpMessage(LxpMsg::GetCallbackMsgLogout);
    for (const char* firstInstall : {"0", "1"}) {
        SCOPED_TRACE(std::string("szFirstInstall ") + firstInstall);
        storetest::SeedText("szFirstInstall", firstInstall);
        Open();
        lxtest::RecordingWindow replies;
        m_drive.Press(PSBTN_CANCEL);
        ASSERT_TRUE(m_drive.WaitForPage(CWizLexiReg::kPromo));
        m_drive.Press(PSBTN_NEXT);
        ASSERT_TRUE(m_drive.WaitForPage(CWizLexiReg::kComplete));
        CCommClientWrapper::SetCallingWindow(replies.Hwnd());
        m_drive.Press(PSBTN_NEXT);
        EXPECT_EQ(m_ended, 0);
        // Before any server was found the link refuses the report at once, to the calling window.
        EXPECT_EQ(replies.Of(reportReply).size(), std::string(firstInstall) == "0" ? 1u : 0u);
        // A report that was not sent is sent by the next run.
        EXPECT_EQ(Stored().szFirstInstall(), std::string(firstInstall) == "0" ? 1 : 0);
    }

    // A user known before this run becomes the current user again after an anonymous end.
    storetest::SeedText("szEmail", "kim@mail.de");
    Stored().SaveCurrentUser("secret");
    Open();
    m_drive.Press(PSBTN_CANCEL);
    ASSERT_TRUE(m_drive.WaitForPage(CWizLexiReg::kPromo));
    m_drive.Press(PSBTN_NEXT);
    m_drive.Press(PSBTN_NEXT);
    EXPECT_EQ(m_ended, 0);
    EXPECT_EQ(Stored().szEmail(), "kim@mail.de");

    CSettingsStore& store = Stored();
    const std::string report = CWizLexiRegComplete::InstallationReport(store, "261207194501");
    EXPECT_EQ(report.find(";;"), std::string::npos) << report;
    EXPECT_EQ(report.substr(report.size() - 14), ";261207194501|");
    EXPECT_EQ(report.compare(0, 33, store.szUSIID() + ";"), 0) << report;

    EXPECT_EQ(CWizLexiRegComplete::AccountPageAddress("lex.example", "8080", "Vietnamese",
                                                       "kim@mail.de", "a&b#c d"),
              "http://lex.example:8080/vi/logon.jsp?username=kim%40mail.de&password=a%26b%23c%20d");
    EXPECT_EQ(CWizLexiRegComplete::AccountPageAddress("lex.example", "", "Deutsch", "k", "p"),
              "http://lex.example/de/logon.jsp?username=k&password=p");
}

// --- the real program -------------------------------------------------------------------------

TEST_F(WizardTest, TheProgramCompletesAnonymouslyStartsTheDictionaryAndExitsWithZero)
{
    // The program from a copy of the stage with the recording program in the dictionary's
    // place, driven from here through its sheet.
    const std::string stage = lxtest::StageDir();
    for (const char* file : {"enrolwiz.exe", "netcourier.dll", "resen.dll", "resreg.dll"})
        ASSERT_TRUE(CopyFileA((stage + "\\" + file).c_str(), file, FALSE)) << file;
    lxtest::CopyRuntimeDlls(stage, ".");
    HANDLE program = lxtest::StartProgram(m_dir + "\\enrolwiz.exe", "", m_dir);
    ASSERT_NE(program, nullptr);
    SheetDriver drive(lxtest::WaitSheetOf(GetProcessId(program)));
    ASSERT_NE(drive.Sheet(), nullptr);
    EXPECT_EQ(drive.ActiveIndex(), CWizLexiReg::kMouse);
    drive.Press(PSBTN_CANCEL);
    EXPECT_TRUE(drive.WaitForPage(CWizLexiReg::kPromo));
    drive.Press(PSBTN_NEXT);
    EXPECT_TRUE(drive.WaitForPage(CWizLexiReg::kComplete));
    drive.Press(PSBTN_NEXT, 0);
    EXPECT_EQ(lxtest::FinishChild(program, 30000), 0);
    EXPECT_TRUE(lxtest::PumpUntil([] { return lxtest::FileExists("started.txt"); }, 10000));
    EXPECT_NE(lxtest::ReadFileBytes("started.txt").find("started in " + m_dir), std::string::npos);
}

// --- screenshots ------------------------------------------------------------------------------

TEST_F(WizardTest, ScreenshotsOfEveryPageInEnglishAndGerman)
{
    for (const char* language : {"en", "de"}) {
        UseLanguage((std::string("res") + language + ".dll").c_str());
        const std::string prefix = std::string("wizard_") + language + "_";
        CWizLexiReg& sheet = Open();
        EXPECT_FALSE(m_drive.Save(prefix + "0_mouse").empty());
        PostMessageA(PageItem(IDC_MOUSE_OPTION1 + 2), BM_CLICK, 0, 0);
        m_drive.Press(PSBTN_NEXT, 800);
        EXPECT_FALSE(m_drive.Save(prefix + "0_mouse_animation").empty());
        m_drive.Press(PSBTN_NEXT);
        SetWindowTextA(PageItem(IDC_EMAIL_EDIT), "kim@mail.de");
        EXPECT_FALSE(m_drive.Save(prefix + "1_email").empty());
        m_drive.Press(PSBTN_CANCEL);
        ASSERT_TRUE(m_drive.WaitForPage(CWizLexiReg::kPromo));
        EXPECT_FALSE(m_drive.Save(prefix + "8_promo").empty());
        m_drive.Press(PSBTN_NEXT);
        ASSERT_TRUE(m_drive.WaitForPage(CWizLexiReg::kComplete));
        EXPECT_FALSE(m_drive.Save(prefix + "9_complete").empty());
        (void)sheet;
    }
}

}  // namespace
