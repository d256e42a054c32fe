// Facts about the machine and about an earlier installation of the dictionary program,
// read when a settings store is opened.
#include "settingsstore.h"
#include "storeutil.h"

using namespace storeutil;

void CSettingsStore::ReadMachineValues()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        MessageBoxA(nullptr, "No such registry", "Info Error", MB_ICONWARNING | MB_OK);
        m_productId.clear();
    } else {
        char id[254] = {};
        DWORD size = sizeof id - 1;
        DWORD type = 0;
        if (RegQueryValueExA(key, "ProductId", nullptr, &type, reinterpret_cast<BYTE*>(id),
                             &size) == ERROR_SUCCESS)
            m_productId = id;
        else
            m_productId.clear();
        RegCloseKey(key);
    }

    // Opened level by level with full access, so the read fails for a user without write
    // rights there.
    m_windowsProductName.clear();
    HKEY version = OpenKeyChain(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                KEY_ALL_ACCESS);
    if (version) {
        ReadText(version, "ProductName", m_windowsProductName);
        RegCloseKey(version);
    }
}

void CSettingsStore::ReadPreviousVersionValues()
{
    HKEY product = OpenKeyChain(HKEY_CURRENT_USER, "software\\Lexipop", KEY_ALL_ACCESS);
    if (!product) {
        m_previousVersion = "2.8";
        m_previousCobrandID = "LXP_LEXIPOP";
        m_previousBuild = "5";
        return;
    }
    m_previousVersion.clear();
    m_previousCobrandID.clear();
    m_previousBuild.clear();
    ReadText(product, "szPreviousVersion", m_previousVersion);
    ReadText(product, "szPreviousCobrandID", m_previousCobrandID);
    ReadText(product, "szPreviousBuild", m_previousBuild);
    RegCloseKey(product);
}

std::string CSettingsStore::WindowsVersionName(DWORD platformId, DWORD major, DWORD minor)
{
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        if (major != 4)
            return std::string();
        if (minor <= 9)
            return "W95";
        if (minor == 10)
            return "W98";
        if (minor == 90)
            return "WME";
        return std::string();
    }
    if (platformId == VER_PLATFORM_WIN32_NT) {
        if (major < 5)
            return "WNT";
        if (major == 5 && minor == 0)
            return "W2K";
        if (major == 5 && minor == 1)
            return "WXP";
        return std::string();
    }
    return std::string();
}

std::string CSettingsStore::GetWindowsVersionName() const
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return m_windowsProductName;
    return WindowsVersionName(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}
