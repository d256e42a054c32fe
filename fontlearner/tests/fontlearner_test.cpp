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

std::string g_dir;      // scratch folder: the pattern base of this test
std::string g_pattern;  // pattern base file the engine writes

// The pop-up window of the dictionary program, as far as fontlearner sees it.
struct Popup {
    HWND hwnd = nullptr;
    std::vector<WPARAM> received;
    std::function<void(WPARAM)> onMessage;

    Popup()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "FontlearnerTestPopup";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, wc.lpszClassName, "Lexipop Popup", WS_POPUP, 0, 0, 10, 10,
                               nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Popup() { DestroyWindow(hwnd); }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        auto* self = reinterpret_cast<Popup*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && msg == LxpMessage(LxpMsg::OnOcrBuildingDone)) {
            self->received.push_back(wp);
            EXPECT_EQ(lp, 0);
            if (self->onMessage)
                self->onMessage(wp);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
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
    const std::string stage = lxtest::StageDir();
    std::string cmd = "\"" + stage + "\\fontlearner.exe\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, stage.c_str(),
                        &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

bool Ended(HANDLE process)
{
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

DWORD ExitCodeOf(HANDLE process)
{
    DWORD code = 12345;
    GetExitCodeProcess(process, &code);
    return code;
}

// Ends a copy that is still running after a failed check, so that no copy outlives the test.
void CloseCopy(HANDLE process)
{
    if (!process)
        return;
    if (!Ended(process))
        TerminateProcess(process, 99);
    CloseHandle(process);
}

struct DialogSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<DialogSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (owner == s->pid && std::string(cls) == "#32770")
        s->found.push_back(hwnd);
    return TRUE;
}

// Top-level dialog windows (#32770) of a process.
std::vector<HWND> DialogsOf(DWORD pid)
{
    DialogSearch search{pid, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Text of the static controls of a window, joined.
std::string StaticTexts(HWND hwnd)
{
    std::string all;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {}, text[512] = {};
        GetClassNameA(child, cls, sizeof cls);
        GetWindowTextA(child, text, sizeof text);
        if (_stricmp(cls, "Static") == 0)
            all += text;
    }
    return all;
}

// The program's own (never shown) dialog, found by its text.
HWND BuilderDialog(DWORD pid)
{
    for (HWND d : DialogsOf(pid))
        if (StaticTexts(d).find(kDialogText) != std::string::npos)
            return d;
    return nullptr;
}

// A visible message box of the process whose text contains `text`.
HWND MessageBoxWith(DWORD pid, const std::string& text)
{
    for (HWND d : DialogsOf(pid))
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
    popup.onMessage = [&](WPARAM wp) {
        if (wp != 0)
            return;
        held = MutexHeldElsewhere();
        HWND dialog = BuilderDialog(pid);
        dialogFound = dialog != nullptr;
        dialogVisible = dialog && IsWindowVisible(dialog);
    };
    EXPECT_TRUE(lxtest::PumpUntil([&] { return Ended(process); }, 180000));
    EXPECT_EQ(ExitCodeOf(process), 0u);
    CloseCopy(process);
    EXPECT_EQ(popup.received, (std::vector<WPARAM>{0, 1}));
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
    EXPECT_TRUE(lxtest::PumpUntil([&] { return Ended(process); }, 180000));
    EXPECT_EQ(ExitCodeOf(process), 0u);
    CloseCopy(process);
    lxtest::PumpMessages(100);
    EXPECT_TRUE(popup.received.empty());
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
    popup.onMessage = [&](WPARAM wp) {
        if (popup.received.size() == 1) {
            // The first copy is building: start another and give it time to (wrongly) start.
            second = StartFontlearner();
            Sleep(1500);
        } else if (popup.received.size() == 2) {
            EXPECT_EQ(wp, 1u);
            firstBuilt = WriteTime(g_pattern);
        } else if (popup.received.size() == 3) {
            EXPECT_TRUE(Ended(first)) << "the second copy began before the first had ended";
        }
    };
    EXPECT_TRUE(lxtest::PumpUntil([&] { return second && Ended(first) && Ended(second); },
                                  300000));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ExitCodeOf(first), 0u);
    EXPECT_EQ(ExitCodeOf(second), 0u);
    CloseCopy(first);
    CloseCopy(second);
    EXPECT_EQ(popup.received, (std::vector<WPARAM>{0, 1, 0, 1}));
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
    EXPECT_EQ(ExitCodeOf(process), 0u);
    CloseCopy(process);
    CloseHandle(section);
    lxtest::PumpMessages(200);
    EXPECT_FALSE(IsIconic(previous));
    EXPECT_TRUE(popup.received.empty()) << "a build ran although a copy was announced";
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
        [&] { return (box = MessageBoxWith(pid, "Textract error")) != nullptr; }, 180000));
    if (box) {
        EXPECT_NE(StaticTexts(box).find("Textract error -986:"), std::string::npos)
            << StaticTexts(box);
        EXPECT_NE(StaticTexts(box).find("Internal error"), std::string::npos);
        EXPECT_EQ(popup.received, (std::vector<WPARAM>{0}));
        // The builder dialog owns the box and stays hidden while it is shown.
        HWND dialog = BuilderDialog(pid);
        EXPECT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog && IsWindowVisible(dialog));
        EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
        lxtest::SaveWindowPng(box, "fontlearner_engine_error");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    EXPECT_TRUE(lxtest::PumpUntil([&] { return Ended(process); }, 30000));
    EXPECT_EQ(ExitCodeOf(process), 0u);
    CloseCopy(process);
    EXPECT_EQ(popup.received, (std::vector<WPARAM>{0, 1}));
}
