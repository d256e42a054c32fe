// Facts about the machine and about an earlier installation of the dictionary program,
// read when a settings store is opened.
#include "appmessage.h"
#include "settingsstore.h"
#include "storeutil.h"

using namespace storeutil;

void CSettingsStore::ReadMachineValues()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        ShowAppMessage(nullptr, "No such registry", "Info Error", MB_ICONWARNING | MB_OK);
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
    HKEY product = OpenKeyChain(HKEY_CURRENT_USER, lxfacts::kProductKeyPath, KEY_ALL_ACCESS);
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

std::string CSettingsStore::GetWindowsVersionName() const
{
    std::string name;
    if (!lxfacts::RunningWindowsVersionName(name))
        return m_windowsProductName;
    return name;
}
