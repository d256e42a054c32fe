// Machine facts and the values of an earlier installation.
#include "settingsstore.h"
#include "storetest.h"

#include <gtest/gtest.h>

using namespace storetest;

class SystemInfoTest : public ScratchTest {};

TEST(SystemInformation, WindowsVersionNameOfThisMachine)
{
    // This machine reports a Windows later than XP.
    CSettingsStore s;
    EXPECT_EQ(s.GetWindowsVersionName(), "");
}

TEST_F(SystemInfoTest, PreviousVersionValuesAndTheirDefaults)
{
    {
        CSettingsStore s;
        s.Open("test", nullptr);
        EXPECT_EQ(s.GetPreviousVersion(), "2.8");
        EXPECT_EQ(s.GetPreviousCobrandID(), "LXP_LEXIPOP");
        EXPECT_EQ(s.GetPreviousBuild(), "5");
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, lxfacts::kProductKeyPath, 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    {
        CSettingsStore s;
        s.Open("test", nullptr);
        EXPECT_EQ(s.GetPreviousVersion(), "");
        EXPECT_EQ(s.GetPreviousCobrandID(), "");
        EXPECT_EQ(s.GetPreviousBuild(), "");
    }
    SeedText("szPreviousVersion", "2.7", lxfacts::kProductKeyPath);
    SeedText("szPreviousCobrandID", "LXP_PARTNER", lxfacts::kProductKeyPath);
    SeedText("szPreviousBuild", "31", lxfacts::kProductKeyPath);
    CSettingsStore s;
    s.Open("test", nullptr);
    EXPECT_EQ(s.GetPreviousVersion(), "2.7");
    EXPECT_EQ(s.GetPreviousCobrandID(), "LXP_PARTNER");
    EXPECT_EQ(s.GetPreviousBuild(), "31");
}

TEST_F(SystemInfoTest, ProductIdAndProductNameComeFromTheMachineKey)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                            KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    // Whatever the prefix holds, the store reads the same; a known value makes it visible.
    char old[256] = {};
    DWORD oldSize = sizeof old;
    const bool hadId =
        RegQueryValueExA(key, "ProductId", nullptr, nullptr, reinterpret_cast<BYTE*>(old),
                         &oldSize) == ERROR_SUCCESS;
    const char id[] = "55274-640-2673064-23950";
    const char name[] = "Microsoft Windows XP";
    RegSetValueExA(key, "ProductId", 0, REG_SZ, reinterpret_cast<const BYTE*>(id), sizeof id);
    char oldName[256] = {};
    DWORD oldNameSize = sizeof oldName;
    const bool hadName =
        RegQueryValueExA(key, "ProductName", nullptr, nullptr, reinterpret_cast<BYTE*>(oldName),
                         &oldNameSize) == ERROR_SUCCESS;
    RegSetValueExA(key, "ProductName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                   sizeof name);

    CSettingsStore s;
    s.Open("test", nullptr);
    EXPECT_EQ(s.GetProductId(), id);
    EXPECT_EQ(s.GetWindowsProductName(), name);

    if (hadId)
        RegSetValueExA(key, "ProductId", 0, REG_SZ, reinterpret_cast<const BYTE*>(old), oldSize);
    else
        RegDeleteValueA(key, "ProductId");
    if (hadName)
        RegSetValueExA(key, "ProductName", 0, REG_SZ, reinterpret_cast<const BYTE*>(oldName),
                       oldNameSize);
    else
        RegDeleteValueA(key, "ProductName");
    RegCloseKey(key);
}

// A machine whose HKEY_LOCAL_MACHINE lacks the Windows key: this process sees an empty key
// in its place.
LXTEST_CHILD(store_without_machine_key)
{
    HKEY empty = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\LxTestEmptyMachine", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &empty, nullptr) != ERROR_SUCCESS)
        return 20;
    if (RegOverridePredefKey(HKEY_LOCAL_MACHINE, empty) != ERROR_SUCCESS)
        return 21;
    CSettingsStore s;
    s.Open("test", nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(empty);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\LxTestEmptyMachine");
    return s.GetProductId().empty() && s.GetWindowsProductName().empty() ? 0 : 22;
}

TEST_F(SystemInfoTest, MissingMachineKeyShowsNoSuchRegistry)
{
    HANDLE child = lxtest::StartChild("store_without_machine_key", "", m_dir);
    ASSERT_NE(child, nullptr);
    const DWORD pid = GetProcessId(child);
    HWND box = nullptr;
    EXPECT_TRUE(lxtest::PumpUntil(
        [&] {
            box = FindProcessDialog(pid);
            return box != nullptr || WaitForSingleObject(child, 0) == WAIT_OBJECT_0;
        },
        20000));
    EXPECT_NE(box, nullptr) << "exit code " << lxtest::WaitExit(child, 0);
    if (box) {
        EXPECT_EQ(MessageBoxText(box), "No such registry");
        EXPECT_EQ(WindowTitle(box), "Info Error");
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        lxtest::SaveWindowPng(box, "settings_no_such_registry");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    // Opening goes on after the box.
    EXPECT_EQ(FinishChild(child, 20000), 0);
    EXPECT_TRUE(lxtest::FileExists("data\\admin\\system.pwl"));
}
