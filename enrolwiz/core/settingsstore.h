// The wizard's view of the product settings.
//
// The settings live twice: in the release key of the current user's registry (where the
// dictionary program reads them) and in the local database "./data/admin/system.pwl", which
// also keeps the local users. A store reads every setting from the registry into members
// when opened; a setter re-reads the registry, changes one member, mirrors it into the
// NorvantaReg table, writes every setting back and tells the dictionary program's window
// (hwndVedezivi) that the configuration changed. Store objects share nothing in memory; they
// stay consistent through the registry alone.
#pragma once

#include "sqlitedb.h"

#include <windows.h>

#include <memory>
#include <string>

class CSettingsStore {
public:
    CSettingsStore() = default;
    ~CSettingsStore();
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;

    // Creates the database on first use (ending the program with exit code 0 when it cannot),
    // upgrades old user tables, reads the machine values and every setting. When the
    // application name is "Vedezivi" or "Zorodera" the window handle is published in the
    // release key as "hwnd" + name.
    void Open(const std::string& appName, HWND hwnd);
    // Runs the opening again with the name and window of the last Open.
    void Reopen();

    const std::string& AppName() const { return m_appName; }
    HWND Window() const { return m_hwnd; }
    bool HasReleaseKey() const { return m_releaseKey != nullptr; }

    // --- read accessors (copies) ----------------------------------------------------------
    std::string szStartMode() const { return m_szStartMode; }
    std::string szMultipleUser() const { return m_szMultipleUser; }
    std::string szDisplayLanguage() const { return m_szDisplayLanguage; }
    int szFirstInstall() const { return m_szFirstInstall; }  // 1 when the stored text is "0"
    std::string szProfilePath() const { return m_szProfilePath; }
    std::string szLanguageSkin() const { return m_szLanguageSkin; }
    std::string szInstallDate() const { return m_szInstallDate; }
    std::string szUSIID() const { return m_szUSIID; }
    std::string szDictionaryList() const { return m_szDictionaryList; }
    std::string szCoBrandedID() const { return m_szCoBrandedID; }
    std::string szCurrentDictionary() const { return m_szCurrentDictionary; }
    std::string szEmail() const { return m_szEmail; }
    std::string szInstallationPath() const { return m_szInstallationPath; }
    std::string szPopupFilename() const { return m_szPopupFilename; }
    std::string szLearnFilename() const { return m_szLearnFilename; }
    std::string szLastUpdate() const { return m_szLastUpdate; }
    std::string szAutostartPath() const { return m_szAutostartPath; }
    std::string szCurrentLearnDictionary() const { return m_szCurrentLearnDictionary; }
    std::string szBuild() const { return m_szBuild; }
    int bAktualisieren() const { return m_bAktualisieren; }
    int bAutostart() const { return m_bAutostart; }
    int bMouseState() const { return m_bMouseState; }  // 1, 2, 3 or 4
    int bMouseShift() const { return m_bMouseShift; }
    std::string szTotalDicChosen() const { return m_szTotalDicChosen; }
    std::string szProgVer() const { return m_szProgVer; }
    std::string szInstallationLanguage() const { return m_szInstallationLanguage; }
    int bShowPVDeleteConfirmation() const { return m_bShowPVDeleteConfirmation; }
    int bDoNotShowEmptyTranslation() const { return m_bDoNotShowEmptyTranslation; }
    DWORD dwLastSyncInfo() const { return m_dwLastSyncInfo; }

    // --- setters: reopen, assign, mirror row (named as the setter), write back, notify ------
    void SetszMultipleUser(const std::string& value);
    void SetszDisplayLanguage(const std::string& value);
    void SetszFirstInstall(int flag);
    void SetszProfilePath(const std::string& value);
    void SetszLanguageSkin(const std::string& value);
    void SetszUSIID(const std::string& value);
    void SetszDictionaryList(const std::string& value);
    void SetszCurrentDictionary(const std::string& value);
    void SetszEmail(const std::string& value);
    void SetszCurrentLearnDictionary(const std::string& value);
    void SetnMouseState(int value);  // member bMouseState, mirror row nMouseState
    void SetbMouseShift(int value);
    void SetbShowPVDeleteConfirmation(int value);
    void SetbDoNotShowEmptyTranslation(int value);  // touches no mirror row
    void SetdwLastSyncInfo(DWORD value);            // touches no mirror row

    // Writes every written-back setting into the release key, then notifies.
    void WriteBack();
    // Sends LXPAPI_MSG_CONFIGCHANGE to the window published as hwndVedezivi.
    void NotifyConfigChange() const;
    // "Update NorvantaReg set ValueData=... where ValueName=..."; never inserts a row.
    void UpdateMirrorRow(const std::string& valueName, const std::string& valueText);

    // Rebuild NorvantaReg / LexipopReg from the release / product key; only while
    // szStartMode is "0".
    void ImportReleaseKey();
    void ImportProductKey();
    // Write every row of NorvantaReg / LexipopReg into the release / product key.
    void ExportReleaseKey();
    void ExportProductKey();

    // Skin file of the display language (".\skin\lxpen01.skn" unless German, Chinese or
    // Vietnamese is chosen); the wide form is converted from the system code page.
    std::string GetSkinFile() const;
    std::wstring GetSkinFileW() const;

    // --- local users -----------------------------------------------------------------------
    // Stores the current settings as the row of the user szEmail with this (plain) password.
    void SaveCurrentUser(const std::string& password);
    // Stamps the user's log-in time (not for the anonymous user) and makes the user's
    // stored settings the live ones, one setter each.
    void LogInUser(const std::string& userName);
    // Creates every folder level of szProfilePath.
    void CreateProfileDirectories();
    // Rebuilds LexiUsers / UsersRegistry tables of older layouts, keeping their rows, and
    // makes sure both mirror tables exist.
    void UpgradeUserTables();

    // --- machine facts and the earlier installation -----------------------------------------
    std::string GetProductId() const { return m_productId; }
    std::string GetWindowsProductName() const { return m_windowsProductName; }
    std::string GetPreviousVersion() const { return m_previousVersion; }
    std::string GetPreviousCobrandID() const { return m_previousCobrandID; }
    std::string GetPreviousBuild() const { return m_previousBuild; }
    // "W95", "W98", "WME", "WNT", "W2K", "WXP" or empty for any later Windows.
    // (the product name when the system does not say).
    std::string GetWindowsVersionName() const;

private:
    enum class Kind;
    struct Setting;
    static const Setting* Settings(size_t& count);

    void EnsureDatabase();
    void ReadMachineValues();
    void ReadPreviousVersionValues();
    void OpenReleaseKey();
    void CloseReleaseKey();
    void ReadSettings();
    void PublishWindow();
    void ImportKey(const char* keyPath, const char* table);
    void ExportKey(const char* keyPath, const char* table);
    void FinishSetter(const char* rowName, const std::string& rowValue);
    void Assign(std::string& member, const char* rowName, const std::string& value);
    void Assign(int& member, const char* rowName, int value);

    std::string m_appName;
    HWND m_hwnd = nullptr;
    HKEY m_releaseKey = nullptr;
    // One more reference on the engine library for the store's lifetime: every operation
    // still loads and frees its own copy, but the library stays mapped between them.
    std::unique_ptr<CSQLiteLibrary> m_engine;

    std::string m_productId;
    std::string m_windowsProductName;
    std::string m_previousVersion;
    std::string m_previousCobrandID;
    std::string m_previousBuild;

    std::string m_szStartMode;
    std::string m_szMultipleUser;
    std::string m_szDisplayLanguage;
    int m_szFirstInstall = 0;
    std::string m_szProfilePath;
    std::string m_szLanguageSkin;
    std::string m_szInstallDate;
    std::string m_szUSIID;
    std::string m_szDictionaryList;
    std::string m_szCoBrandedID;
    std::string m_szCurrentDictionary;
    std::string m_szEmail;
    std::string m_szInstallationPath;
    std::string m_szPopupFilename;
    std::string m_szLearnFilename;
    std::string m_szLastUpdate;
    std::string m_szAutostartPath;
    std::string m_szCurrentLearnDictionary;
    std::string m_szBuild;
    int m_bAktualisieren = 0;
    int m_bAutostart = 0;
    int m_bMouseState = 0;
    int m_bMouseShift = 0;
    std::string m_szTotalDicChosen;
    std::string m_szProgVer;
    std::string m_szInstallationLanguage;
    int m_bShowPVDeleteConfirmation = 0;
    int m_bDoNotShowEmptyTranslation = 0;
    DWORD m_dwLastSyncInfo = 0;
};
