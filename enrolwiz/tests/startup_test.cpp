// Start-up of the wizard: the command-line switch, the language module, the single-instance
// window, clean-up, and the real program started as a second process.
#include "lexiregapp.h"
#include "programlog.h"
#include "resids.h"
#include "storetest.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace storetest;

class StartupTest : public ScratchTest {};

namespace {

std::string ModuleString(HINSTANCE module, UINT id)
{
    char buf[256] = {};
    if (!module || LoadStringA(module, id, buf, sizeof buf) <= 0)
        return std::string();
    return buf;
}

// Language modules from the stage into the current scratch folder (all but `except`).
void CopyLanguageModules(const std::string& dir, const std::string& except = std::string())
{
    for (const char* m : {"resen.dll", "resde.dll", "reszh.dll", "resvi.dll", "resreg.dll"}) {
        if (except.find(m) != std::string::npos)
            continue;
        ASSERT_TRUE(CopyFileA((lxtest::StageDir() + "\\" + m).c_str(), (dir + "\\" + m).c_str(),
                              FALSE))
            << m;
    }
}

struct SheetSeen {
    bool ran = false;
    int startAtEmail = -1;
    std::string module;
    HWND marker = nullptr;
};

// Runs the start-up with a sheet that notes what it was given.
SheetSeen Start(const char* commandLine, CLexiRegApp& app)
{
    SheetSeen seen;
    app.SetSheetRunner([&seen](int startAtEmail) {
        seen.ran = true;
        seen.startAtEmail = startAtEmail;
        seen.module = ModuleString(LxResourceHandle(), IDS_RES_MODULE);
        seen.marker = FindWindowA(nullptr, CLexiRegApp::kInstanceTitle);
    });
    EXPECT_FALSE(app.InitInstance(commandLine));
    return seen;
}

}  // namespace

TEST(Startup, CommandLineSwitch)
{
    EXPECT_EQ(CLexiRegApp::StartAtEmailFromCommandLine("-regemail-"), 1);
    EXPECT_EQ(CLexiRegApp::StartAtEmailFromCommandLine("-REGEMAIL-"), 1);
    EXPECT_EQ(CLexiRegApp::StartAtEmailFromCommandLine("-RegEmail-"), 1);
    EXPECT_EQ(CLexiRegApp::StartAtEmailFromCommandLine(" -regemail-"), 0);
    EXPECT_EQ(CLexiRegApp::StartAtEmailFromCommandLine("-regemail- "), 0);
    EXPECT_EQ(CLexiRegApp::StartAtEmailFromCommandLine("-regemail- -x"), 0);
    EXPECT_EQ(CLexiRegApp::StartAtEmailFromCommandLine("/regemail"), 0);
    EXPECT_EQ(CLexiRegApp::StartAtEmailFromCommandLine(""), 0);
}

TEST(Startup, ProgramLogIsOpenedStatically)
{
    EXPECT_EQ(g_ErrorLog.Path(), ".\\logs\\ErrorLog.log");
    EXPECT_EQ(g_ErrorLog.SizeLimit(), 1000u * 1024u);
}

TEST_F(StartupTest, StartupLoadsTheModuleOfTheStoredLanguage)
{
    CopyLanguageModules(m_dir, "resvi.dll");
    CreateReleaseKey();
    struct Case {
        const char* language;
        const char* commandLine;
        const char* module;
        int startAtEmail;
    };
    const Case cases[] = {
        {"deutsch", "-REGEMAIL-", "resde.dll", 1},
        {"German", " -regemail-", "resen.dll", 0},
        {"Chinese (S)", "-regemail-", "reszh.dll", 1},
        {"", "", "resen.dll", 0},
        {"Vietnamese", "-regemail-", "resreg.dll", 1},  // resvi.dll is missing
    };
    for (const Case& c : cases) {
        SeedText("szDisplayLanguage", c.language);
        CLexiRegApp app;
        const SheetSeen seen = Start(c.commandLine, app);
        EXPECT_TRUE(seen.ran) << c.language;
        EXPECT_EQ(seen.module, c.module) << c.language;
        EXPECT_EQ(seen.startAtEmail, c.startAtEmail) << c.language;
        EXPECT_EQ(seen.marker, app.HiddenWindow());
        EXPECT_EQ(app.LoadedModule(), c.module);
        // Clean-up: the module is freed and no longer the resource handle.
        EXPECT_EQ(LxResourceHandle(), nullptr);
        EXPECT_EQ(GetModuleHandleA(c.module), nullptr) << c.module;
    }
    // The first run made the database in the current folder.
    EXPECT_TRUE(lxtest::FileExists("data\\admin\\system.pwl"));

    // The Chinese module holds its texts in code page 936.
    HMODULE zh = LoadLibraryA("reszh.dll");
    ASSERT_NE(zh, nullptr);
    wchar_t name[32] = {};
    LoadStringW(zh, IDS_RES_LANGUAGE, name, 32);
    EXPECT_EQ(std::wstring(name), L"\x7B80\x4F53\x4E2D\x6587");
    FreeLibrary(zh);
}

TEST_F(StartupTest, SecondStartEndsSilentlyAndExceptionsAreSwallowed)
{
    CopyLanguageModules(m_dir);
    CreateReleaseKey();
    CLexiRegApp first;
    SheetSeen inner;
    first.SetSheetRunner([&inner](int) {
        // While the first copy runs its sheet, a second start ends at once.
        CLexiRegApp second;
        inner = Start("-regemail-", second);
        EXPECT_EQ(second.HiddenWindow(), nullptr);
        throw std::runtime_error("the sheet failed");
    });
    EXPECT_FALSE(first.InitInstance(""));
    EXPECT_FALSE(inner.ran);

    // The hidden window outlives the start-up and goes with the application object.
    const HWND marker = first.HiddenWindow();
    ASSERT_NE(marker, nullptr);
    EXPECT_FALSE(IsWindowVisible(marker));
    EXPECT_EQ(WindowTitle(marker), CLexiRegApp::kInstanceTitle);
    EXPECT_TRUE(GetWindowLongPtrA(marker, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetClassLongPtrA(marker, GCL_STYLE) & CS_SAVEBITS, static_cast<ULONG_PTR>(CS_SAVEBITS));
    EXPECT_EQ(GetParent(marker), nullptr);
    RECT r;
    GetWindowRect(marker, &r);
    EXPECT_EQ(r.left, 400);
    EXPECT_EQ(r.top, 400);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(LxResourceHandle(), nullptr);  // clean-up ran after the exception
    EXPECT_EQ(GetModuleHandleA("resen.dll"), nullptr);
}

TEST_F(StartupTest, AnyWindowWithTheTitleBlocksTheStart)
{
    CopyLanguageModules(m_dir);
    const HWND other = CreateWindowExA(0, "STATIC", CLexiRegApp::kInstanceTitle, WS_POPUP, 0, 0,
                                       10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    CLexiRegApp app;
    const SheetSeen seen = Start("", app);
    EXPECT_FALSE(seen.ran);
    EXPECT_EQ(app.HiddenWindow(), nullptr);
    EXPECT_FALSE(lxtest::FileExists("data\\admin\\system.pwl"));  // nothing was touched
    DestroyWindow(other);
}

// --- what the sheet throws ------------------------------------------------------------------

LXTEST_CHILD(start_with_failing_sheet)
{
    {
        CLexiRegApp app;
        app.SetSheetRunner([](int) { throw std::runtime_error("page 104 is missing"); });
        app.InitInstance("");
    }
    CLexiRegApp again;
    again.SetSheetRunner([](int) { throw 7; });
    again.InitInstance("");
    return 5;  // the program lives on after both
}

TEST_F(StartupTest, WhatTheSheetThrowsIsLoggedAndTheProgramLivesOn)
{
    CopyLanguageModules(m_dir);
    CreateReleaseKey();
    CreateDirectoryA("logs", nullptr);
    EXPECT_EQ(lxtest::RunChild("start_with_failing_sheet", "", 60000, m_dir), 5);
    const std::string log = lxtest::ReadFileBytes("logs\\ErrorLog.log");
    EXPECT_NE(log.find(" -- CLexiRegApp::InitInstance() -- <Exception> the wizard sheet failed: "
                       "page 104 is missing\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(" -- CLexiRegApp::InitInstance() -- <Exception> the wizard sheet failed: "
                       "unknown exception\r\n"),
              std::string::npos)
        << log;
}

// --- no language module at all ---------------------------------------------------------------

LXTEST_CHILD(start_app)
{
    CLexiRegApp app;
    bool ran = false;
    app.SetSheetRunner([&ran](int) { ran = true; });
    app.InitInstance("");
    return ran ? 1 : 0;
}

TEST_F(StartupTest, WithoutAnyLanguageModuleTheMissingFilesAreNamed)
{
    CreateReleaseKey();
    SeedText("szDisplayLanguage", "Vietnamese");
    const lxtest::ChildBox box = lxtest::AnswerChildBox(
        lxtest::StartChild("start_app", "", m_dir), "startup_no_language_module");
    EXPECT_NE(box.text.find("\"resvi.dll\""), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("\"resreg.dll\""), std::string::npos) << box.text;
    EXPECT_EQ(box.exitCode, 0);  // the sheet never ran
}

// A database file the engine cannot open: the log names it with the engine's text, the user
// is told once, the wizard still runs, and the file is left as it was.
TEST_F(StartupTest, UnreadableDatabaseIsReportedOnceAndKept)
{
    CopyLanguageModules(m_dir);
    CreateReleaseKey();
    CreateDirectoryA("logs", nullptr);
    CreateDirectoryA("data\\admin", nullptr);
    const std::string damaged(4096, 'Z');
    ASSERT_TRUE(lxtest::WriteFileBytes("data\\admin\\system.pwl", damaged));
    const lxtest::ChildBox box = lxtest::AnswerChildBox(
        lxtest::StartChild("start_app", "", m_dir), "startup_unreadable_database");
    EXPECT_NE(box.text.find("\"./data/admin/system.pwl\""), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("file is not a database"), std::string::npos) << box.text;
    EXPECT_EQ(box.exitCode, 1);  // one box, then the sheet ran
    const std::string log = lxtest::ReadFileBytes("logs\\ErrorLog.log");
    EXPECT_NE(log.find("./data/admin/system.pwl: file is not a database"), std::string::npos)
        << log;
    EXPECT_EQ(lxtest::ReadFileBytes("data\\admin\\system.pwl"), damaged);
}

// --- the real program --------------------------------------------------------------------

namespace {

// enrolwiz.exe of the stage in folder dir; its start-up takes a second or two.
int RunProgram(const std::string& dir, const std::string& args)
{
    return FinishChild(lxtest::StartProgram(lxtest::StageDir() + "\\enrolwiz.exe", args, dir),
                       20000);
}

}  // namespace

TEST_F(StartupTest, TheProgramRefusesASecondCopy)
{
    CreateDirectoryA("logs", nullptr);
    CreateReleaseKey();

    const HWND marker = CreateWindowExA(0, "STATIC", CLexiRegApp::kInstanceTitle, WS_POPUP, 0, 0,
                                        10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(RunProgram(m_dir, "-regemail-"), 0);
    EXPECT_FALSE(lxtest::FileExists("data\\admin\\system.pwl"));
    // The program-wide log is opened before anything else runs.
    EXPECT_TRUE(lxtest::FileExists("logs\\ErrorLog.log"));
    DestroyWindow(marker);

    EXPECT_EQ(RunProgram(m_dir, "-regemail-"), 0);
    EXPECT_TRUE(lxtest::FileExists("data\\admin\\system.pwl"));
    // The start-up writes nothing; what the log holds comes from the wizard's server link,
    // which finds no list files here and ends the program.
    EXPECT_EQ(lxtest::ReadFileBytes("logs\\ErrorLog.log").find("CLexiRegApp"), std::string::npos);
}
