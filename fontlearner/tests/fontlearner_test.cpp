// fontlearner.exe of the installation directory, run as the dictionary program runs it, with a
// window of this test published as the dictionary program's pop-up.
#include "lxpmessages.h"
#include "productfacts.h"
#include "lxtest.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const char* const kReleaseKey = lxfacts::kReleaseKeyPath;
const char kDialogText[] = "Building font pattern for character recognition.";

// A pattern build takes one to two seconds here; a copy that has not ended well after that has
// hung, and the test says so without waiting for minutes.
const DWORD kBuildMs = 30000;

std::string g_dir;      // scratch folder: the pattern base of this test
std::string g_pattern;  // pattern base file the engine writes

// The pop-up window of the dictionary program, as far as fontlearner sees it: it records
// LXPAPI_MSG_ONOCRBUILDINGDONE.
struct Popup : lxtest::MessageWindow {
    Popup() : MessageWindow({LxpMessage(LxpMsg::OnOcrBuildingDone)}, "Lexipop Popup") {}
    // wParam of each message so far (lParam is always 0).
    std::vector<WPARAM> Received() const
    {
        for (const lxtest::Message& m : Seen())
            EXPECT_EQ(m.lParam, 0);
        return WParams();
    }
    HWND hwnd = Hwnd();
};

// Publishes a window handle as "hwndVedezivi" for the life of the object.
struct PublishedHandle {
    explicit PublishedHandle(HWND hwnd)
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kReleaseKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) == ERROR_SUCCESS) {
            const DWORD value = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hwnd));
            RegSetValueExA(key, "hwndVedezivi", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&value), sizeof value);
            RegCloseKey(key);
        }
    }
    ~PublishedHandle() { Remove(); }
    static void Remove() { RegDeleteKeyValueA(HKEY_CURRENT_USER, kReleaseKey, "hwndVedezivi"); }
};

HANDLE StartFontlearner()
{
    return lxtest::StartProgram(lxtest::StageDir() + "\\fontlearner.exe", "",
                                lxtest::StageDir());
}

using lxtest::Ended;
using lxtest::StaticTexts;

// The program's own (never shown) dialog, found by its text.
HWND BuilderDialog(DWORD pid)
{
    for (HWND d : lxtest::ProcessDialogs(pid))
        if (StaticTexts(d).find(kDialogText) != std::string::npos)
            return d;
    return nullptr;
}

// A visible message box of the process whose text contains `text`.
HWND MessageBoxWith(DWORD pid, const std::string& text)
{
    for (HWND d : lxtest::ProcessDialogs(pid))
        if (IsWindowVisible(d) && StaticTexts(d).find(text) != std::string::npos)
            return d;
    return nullptr;
}

bool MutexHeldElsewhere()
{
    HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, "Textract - Build Font Base");
    if (!m)
        return false;
    const DWORD r = WaitForSingleObject(m, 0);
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED)
        ReleaseMutex(m);
    CloseHandle(m);
    return r == WAIT_TIMEOUT;
}

FILETIME WriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a))
        return FILETIME{0, 0};
    return a.ftLastWriteTime;
}

}  // namespace

class Fontlearner : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_dir = lxtest::FreshDir("fontlearner");
        g_pattern = g_dir + "\\FontBase.tpb";
        // The engine of fontlearner (a child process) keeps its pattern base here.
        SetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", g_pattern.c_str());
    }
    void TearDown() override { PublishedHandle::Remove(); }
};

TEST_F(Fontlearner, BuildIsReportedToThePopupWhileTheDialogStaysHidden)
{
    Popup popup;
    PublishedHandle published(popup.hwnd);
    DeleteFileA(g_pattern.c_str());
    HANDLE process = StartFontlearner();
    ASSERT_NE(process, nullptr);
    const DWORD pid = GetProcessId(process);
    bool held = false, dialogFound = false, dialogVisible = true;
    popup.onMessage = [&](const lxtest::Message& m) {
        const WPARAM wp = m.wParam;
        if (wp != 0)
            return;
        held = MutexHeldElsewhere();
        HWND dialog = BuilderDialog(pid);
        dialogFound = dialog != nullptr;
        dialogVisible = dialog && IsWindowVisible(dialog);
    };
    EXPECT_TRUE(lxtest::PumpUntil([&] { return Ended(process); }, kBuildMs));
    EXPECT_EQ(lxtest::FinishChild(process, 0), 0);
    EXPECT_EQ(popup.Received(), (std::vector<WPARAM>{0, 1}));
    EXPECT_TRUE(held) << "the build ran without the mutex";
    EXPECT_TRUE(dialogFound);
    EXPECT_FALSE(dialogVisible);
    EXPECT_TRUE(lxtest::FileExists(g_pattern));
    EXPECT_FALSE(MutexHeldElsewhere());
}

TEST_F(Fontlearner, WithoutThePopupHandleTheBuildIsSilent)
{
    Popup popup;
    PublishedHandle::Remove();
    DeleteFileA(g_pattern.c_str());
    HANDLE process = StartFontlearner();
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(lxtest::PumpUntil([&] { return Ended(process); }, kBuildMs));
    EXPECT_EQ(lxtest::FinishChild(process, 0), 0);
    lxtest::PumpMessages(100);
    EXPECT_TRUE(popup.Received().empty());
    EXPECT_TRUE(lxtest::FileExists(g_pattern));
}

TEST_F(Fontlearner, SecondCopyWaitsForTheFirstAndBuildsAgain)
{
    Popup popup;
    PublishedHandle published(popup.hwnd);
    HANDLE first = StartFontlearner();
    ASSERT_NE(first, nullptr);
    HANDLE second = nullptr;
    FILETIME firstBuilt{};
    popup.onMessage = [&](const lxtest::Message& m) {
        const WPARAM wp = m.wParam;
        if (popup.Seen().size() == 1) {
            // The first copy is building: start another and give it time to (wrongly) start.
            second = StartFontlearner();
            Sleep(1500);
        } else if (popup.Seen().size() == 2) {
            EXPECT_EQ(wp, 1u);
            firstBuilt = WriteTime(g_pattern);
        } else if (popup.Seen().size() == 3) {
            EXPECT_TRUE(Ended(first)) << "the second copy began before the first had ended";
        }
    };
    EXPECT_TRUE(lxtest::PumpUntil([&] { return second && Ended(first) && Ended(second); },
                                  2 * kBuildMs));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(lxtest::FinishChild(first, 0), 0);
    EXPECT_EQ(lxtest::FinishChild(second, 0), 0);
    EXPECT_EQ(popup.Received(), (std::vector<WPARAM>{0, 1, 0, 1}));
    const FILETIME rebuilt = WriteTime(g_pattern);
    EXPECT_GT(CompareFileTime(&rebuilt, &firstBuilt), 0) << "the second copy did not build";
}

TEST_F(Fontlearner, AnnouncedCopyIsRestoredInsteadOfBuilding)
{
    Popup popup;
    PublishedHandle published(popup.hwnd);
    // A running copy announced in the shared section, with its window minimised.
    HWND previous = CreateWindowExA(0, "STATIC", "previous fontlearner",
                                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 120,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(previous, SW_MINIMIZE);
    lxtest::PumpMessages(200);
    ASSERT_TRUE(IsIconic(previous));
    HANDLE section =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4,
                           "CInstanceChecker_MMF_Textract - Build Font Base");
    ASSERT_NE(section, nullptr);
    void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 4);
    const DWORD value = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(previous));
    CopyMemory(view, &value, sizeof value);
    UnmapViewOfFile(view);

    HANDLE process = StartFontlearner();
    ASSERT_NE(process, nullptr);
    const DWORD pid = GetProcessId(process);
    HWND box = nullptr;
    EXPECT_TRUE(lxtest::PumpUntil(
        [&] { return (box = MessageBoxWith(pid, "Previous version detected")) != nullptr; },
        30000));
    if (box) {
        EXPECT_NE(StaticTexts(box).find("Previous version detected, will now restore it"),
                  std::string::npos);
        lxtest::SaveWindowPng(box, "fontlearner_previous_copy");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    EXPECT_TRUE(lxtest::PumpUntil([&] { return Ended(process); }, 30000));
    EXPECT_EQ(lxtest::FinishChild(process, 0), 0);
    CloseHandle(section);
    lxtest::PumpMessages(200);
    EXPECT_FALSE(IsIconic(previous));
    EXPECT_TRUE(popup.Received().empty()) << "a build ran although a copy was announced";
    EXPECT_FALSE(MutexHeldElsewhere());
    DestroyWindow(previous);
}

TEST_F(Fontlearner, EngineErrorIsShownAndTheEndIsStillReported)
{
    Popup popup;
    PublishedHandle published(popup.hwnd);
    // The pattern base cannot be written where a folder takes its name.
    const std::string blocked = g_dir + "\\blocked.tpb";
    CreateDirectoryA(blocked.c_str(), nullptr);
    SetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", blocked.c_str());
    HANDLE process = StartFontlearner();
    SetEnvironmentVariableA("TEXTRACT_PATTERN_FILE", g_pattern.c_str());
    ASSERT_NE(process, nullptr);
    const DWORD pid = GetProcessId(process);
    HWND box = nullptr;
    EXPECT_TRUE(lxtest::PumpUntil(
        [&] { return (box = MessageBoxWith(pid, "Textract error")) != nullptr; }, kBuildMs));
    if (box) {
        EXPECT_NE(StaticTexts(box).find("Textract error -986:"), std::string::npos)
            << StaticTexts(box);
        EXPECT_NE(StaticTexts(box).find("Internal error"), std::string::npos);
        EXPECT_EQ(popup.Received(), (std::vector<WPARAM>{0}));
        // The builder dialog owns the box and stays hidden while it is shown.
        HWND dialog = BuilderDialog(pid);
        EXPECT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog && IsWindowVisible(dialog));
        EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
        lxtest::SaveWindowPng(box, "fontlearner_engine_error");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    EXPECT_TRUE(lxtest::PumpUntil([&] { return Ended(process); }, 30000));
    EXPECT_EQ(lxtest::FinishChild(process, 0), 0);
    EXPECT_EQ(popup.Received(), (std::vector<WPARAM>{0, 1}));
}
