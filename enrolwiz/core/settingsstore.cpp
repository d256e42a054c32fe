#include "settingsstore.h"

#include "appmessage.h"
#include "lxpmessages.h"
#include "storeutil.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace storeutil;

// How a setting is kept in the registry and in memory.
enum class CSettingsStore::Kind {
    Text,          // string value, text member
    FirstInstall,  // string value; flag member, 1 exactly when the text is "0"
    FlagIsOne,     // number value; flag member, 1 when the number is 1
    FlagNonZero,   // number value; flag member, 1 when the number is not 0
    MouseState,    // number value; 1, 2 or 3 as stored, anything else 4
    Number,        // number value; unsigned member
};

struct CSettingsStore::Setting {
    const char* name;
    Kind kind;
    bool writtenBack;
    const char* defaultText;  // Text only
    std::string CSettingsStore::*text;
    int CSettingsStore::*flag;
    DWORD CSettingsStore::*number;
};

// Every setting of the release key, in the order the store reads them.
const CSettingsStore::Setting* CSettingsStore::Settings(size_t& count)
{
    using S = CSettingsStore;
    static const Setting table[] = {
        {"szStartMode", Kind::Text, true, "", &S::m_szStartMode, nullptr, nullptr},
        {"szMultipleUser", Kind::Text, true, "", &S::m_szMultipleUser, nullptr, nullptr},
        {"szDisplayLanguage", Kind::Text, true, "", &S::m_szDisplayLanguage, nullptr, nullptr},
        {"szFirstInstall", Kind::FirstInstall, true, "", nullptr, &S::m_szFirstInstall, nullptr},
        {"szProfilePath", Kind::Text, true, "", &S::m_szProfilePath, nullptr, nullptr},
        {"szLanguageSkin", Kind::Text, true, "", &S::m_szLanguageSkin, nullptr, nullptr},
        {"szInstallDate", Kind::Text, true, "", &S::m_szInstallDate, nullptr, nullptr},
        {"szUSIID", Kind::Text, true, "", &S::m_szUSIID, nullptr, nullptr},
        {"szDictionaryList", Kind::Text, true, "", &S::m_szDictionaryList, nullptr, nullptr},
        {"szCoBrandedID", Kind::Text, true, "", &S::m_szCoBrandedID, nullptr, nullptr},
        {"szCurrentDictionary", Kind::Text, true, "", &S::m_szCurrentDictionary, nullptr,
         nullptr},
        {"szEmail", Kind::Text, true, "", &S::m_szEmail, nullptr, nullptr},
        {"szInstallationPath", Kind::Text, false, "", &S::m_szInstallationPath, nullptr,
         nullptr},
        {"szPopupFilename", Kind::Text, false, "", &S::m_szPopupFilename, nullptr, nullptr},
        {"szLearnFilename", Kind::Text, false, "", &S::m_szLearnFilename, nullptr, nullptr},
        {"szLastUpdate", Kind::Text, true, "", &S::m_szLastUpdate, nullptr, nullptr},
        {"szAutostartPath", Kind::Text, false, "", &S::m_szAutostartPath, nullptr, nullptr},
        {"szCurrentLearnDictionary", Kind::Text, true, "", &S::m_szCurrentLearnDictionary,
         nullptr, nullptr},
        {"szBuild", Kind::Text, true, "1", &S::m_szBuild, nullptr, nullptr},
        {"bAktualisieren", Kind::FlagIsOne, true, "", nullptr, &S::m_bAktualisieren, nullptr},
        {"bAutostart", Kind::FlagIsOne, true, "", nullptr, &S::m_bAutostart, nullptr},
        {"bMouseState", Kind::MouseState, true, "", nullptr, &S::m_bMouseState, nullptr},
        {"bMouseShift", Kind::FlagIsOne, true, "", nullptr, &S::m_bMouseShift, nullptr},
        // (the window of the pop-up or the learner is published here)
        {"szTotalDicChosen", Kind::Text, false, "", &S::m_szTotalDicChosen, nullptr, nullptr},
        {"szProgVer", Kind::Text, false, "", &S::m_szProgVer, nullptr, nullptr},
        {"szInstallationLanguage", Kind::Text, false, "", &S::m_szInstallationLanguage, nullptr,
         nullptr},
        {"bShowPVDeleteConfirmation", Kind::FlagNonZero, true, "", nullptr,
         &S::m_bShowPVDeleteConfirmation, nullptr},
        {"bDoNotShowEmptyTranslation", Kind::FlagNonZero, true, "", nullptr,
         &S::m_bDoNotShowEmptyTranslation, nullptr},
        {"dwLastSyncInfo", Kind::Number, true, "", nullptr, nullptr, &S::m_dwLastSyncInfo},
    };
    count = sizeof table / sizeof table[0];
    return table;
}

CSettingsStore::~CSettingsStore()
{
    CloseReleaseKey();
}

// --- opening ------------------------------------------------------------------------------

void CSettingsStore::Open(const std::string& appName, HWND hwnd)
{
    if (!m_engine || !m_engine->IsLoaded()) {
        m_engine = std::make_unique<CSQLiteLibrary>(
            CSQLiteLibrary::PathFor(lxfacts::kEngineDir).c_str());
        m_engine->Load();
    }
    EnsureDatabase();
    UpgradeUserTables();
    ReadMachineValues();
    m_appName = appName;
    m_hwnd = hwnd;
    ReadPreviousVersionValues();
    OpenReleaseKey();
    if (m_releaseKey)
        ReadSettings();
}

void CSettingsStore::Reopen()
{
    const std::string name = m_appName;
    Open(name, m_hwnd);
}

void CSettingsStore::EnsureDatabase()
{
    CreateDirectoryA(lxfacts::kDatabaseDir, nullptr);
    if (GetFileAttributesA(lxfacts::kDatabaseFile) != INVALID_FILE_ATTRIBUTES)
        return;
    CSQLiteDatabase db;
    if (!OpenDatabase(db)) {
        db.Close();
        ShowAppMessage("Unable to create system users file!");
        std::exit(0);
    }
    db.Execute("Create Table LexiUsers(UserName varchar(20), UserPass varchar(20), "
               "LogTime varchar(16))");
    db.Execute("Create Table UsersRegistry(UserName varchar(50), MouseShift varchar(1), "
               "MouseState varchar(1), ShowPVDeleteConfirmation varchar(1), "
               "CurrentLearnDictionary varchar(225), DictionaryList varchar(225), "
               "DisplayLanguage varchar(30), LanguageSkin varchar(15), "
               "ProfilePath varchar(225), CurrentDictionary varchar(225), "
               "LastSyncInfo varchar(15), ShowEmptyTranslation varchar(1))");
    db.Execute("Create Table NorvantaReg(ValueName varchar(50), ValueType varchar(2), "
               "ValueData varchar(300))");
    db.Execute("Create Table LexipopReg(ValueName varchar(50), ValueType varchar(2), "
               "ValueData varchar(300))");
    db.Close();
}

void CSettingsStore::CloseReleaseKey()
{
    if (m_releaseKey) {
        RegCloseKey(m_releaseKey);
        m_releaseKey = nullptr;
    }
}

void CSettingsStore::OpenReleaseKey()
{
    CloseReleaseKey();
    m_releaseKey = OpenKeyChain(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, KEY_ALL_ACCESS);
}

void CSettingsStore::ReadSettings()
{
    size_t count = 0;
    const Setting* table = Settings(count);
    for (size_t i = 0; i < count; ++i) {
        const Setting& s = table[i];
        if (s.kind == Kind::Text || s.kind == Kind::FirstInstall) {
            std::string text;
            if (!ReadText(m_releaseKey, s.name, text))
                text = s.defaultText;
            if (s.kind == Kind::Text)
                this->*s.text = text;
            else
                this->*s.flag = text == "0" ? 1 : 0;
        } else {
            DWORD n = 0;
            ReadNumber(m_releaseKey, s.name, n);
            switch (s.kind) {
            case Kind::FlagIsOne:
                this->*s.flag = n == 1 ? 1 : 0;
                break;
            case Kind::FlagNonZero:
                this->*s.flag = n != 0 ? 1 : 0;
                break;
            case Kind::MouseState:
                this->*s.flag = (n >= 1 && n <= 3) ? static_cast<int>(n) : 4;
                break;
            default:
                this->*s.number = n;
                break;
            }
        }
        if (std::string(s.name) == "bMouseShift")
            PublishWindow();
    }
}

void CSettingsStore::PublishWindow()
{
    if (_stricmp(m_appName.c_str(), "Vedezivi") != 0 &&
        _stricmp(m_appName.c_str(), "Zorodera") != 0)
        return;
    WriteNumber(m_releaseKey, (lxfacts::kPublishedWindowPrefix + m_appName).c_str(), HandleToULong(m_hwnd));
}

// --- writing ------------------------------------------------------------------------------

void CSettingsStore::WriteBack()
{
    if (m_releaseKey) {
        WriteNumber(m_releaseKey, "dwLastSyncInfo", m_dwLastSyncInfo);
        size_t count = 0;
        const Setting* table = Settings(count);
        for (size_t i = 0; i < count; ++i) {
            const Setting& s = table[i];
            if (!s.writtenBack || s.kind == Kind::Number)
                continue;
            switch (s.kind) {
            case Kind::Text:
                WriteText(m_releaseKey, s.name, this->*s.text);
                break;
            case Kind::FirstInstall:
                WriteText(m_releaseKey, s.name, this->*s.flag == 1 ? "0" : "1");
                break;
            case Kind::MouseState:
                WriteNumber(m_releaseKey, s.name, static_cast<DWORD>(this->*s.flag));
                break;
            default:
                WriteNumber(m_releaseKey, s.name, this->*s.flag ? 1 : 0);
                break;
            }
        }
    }
    NotifyConfigChange();
}

void CSettingsStore::NotifyConfigChange() const
{
    DWORD published = 0;
    ReadNumber(m_releaseKey, lxfacts::kPopupWindowValue, published);
    const HWND target = static_cast<HWND>(LongToHandle(static_cast<LONG>(published)));
    if (!target || !IsWindow(target))
        return;
    // A synchronous send; a pop-up that hangs does not take the wizard with it.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(target, LxpMessage(LxpMsg::ConfigChange), 0, 0,
                        SMTO_NORMAL | SMTO_ABORTIFHUNG, 10000, &answer);
}

void CSettingsStore::UpdateMirrorRow(const std::string& valueName, const std::string& valueText)
{
    CSQLiteDatabase db;
    if (!OpenDatabase(db))
        return;
    db.Execute("Update NorvantaReg set ValueData='" + SqlQuote(valueText) +
               "' where ValueName='" + SqlQuote(valueName) + "'");
    db.Close();
}

void CSettingsStore::FinishSetter(const char* rowName, const std::string& rowValue)
{
    if (rowName)
        UpdateMirrorRow(rowName, rowValue);
    WriteBack();
}

// Every setter: re-read the registry, take the new value, mirror it (where the setting has a
// row) and write everything back.
void CSettingsStore::Assign(std::string& member, const char* rowName, const std::string& value)
{
    Reopen();
    member = value;
    FinishSetter(rowName, value);
}

void CSettingsStore::Assign(int& member, const char* rowName, int value)
{
    Reopen();
    member = value;
    FinishSetter(rowName, rowName ? Decimal(value) : std::string());
}

void CSettingsStore::SetszMultipleUser(const std::string& value)
{
    Assign(m_szMultipleUser, "szMultipleUser", value);
}

void CSettingsStore::SetszDisplayLanguage(const std::string& value)
{
    Assign(m_szDisplayLanguage, "szDisplayLanguage", value);
}

void CSettingsStore::SetszFirstInstall(int flag)
{
    Assign(m_szFirstInstall, "szFirstInstall", flag);
}

void CSettingsStore::SetszProfilePath(const std::string& value)
{
    Assign(m_szProfilePath, "szProfilePath", value);
}

void CSettingsStore::SetszLanguageSkin(const std::string& value)
{
    Assign(m_szLanguageSkin, "szLanguageSkin", value);
}

void CSettingsStore::SetszUSIID(const std::string& value)
{
    Assign(m_szUSIID, "szUSIID", value);
}

void CSettingsStore::SetszDictionaryList(const std::string& value)
{
    Assign(m_szDictionaryList, "szDictionaryList", value);
}

void CSettingsStore::SetszCurrentDictionary(const std::string& value)
{
    Assign(m_szCurrentDictionary, "szCurrentDictionary", value);
}

void CSettingsStore::SetszEmail(const std::string& value)
{
    Assign(m_szEmail, "szEmail", value);
}

void CSettingsStore::SetszCurrentLearnDictionary(const std::string& value)
{
    Assign(m_szCurrentLearnDictionary, "szCurrentLearnDictionary", value);
}

void CSettingsStore::SetnMouseState(int value)
{
    Assign(m_bMouseState, "nMouseState", value);
}

void CSettingsStore::SetbMouseShift(int value)
{
    Assign(m_bMouseShift, "bMouseShift", value);
}

void CSettingsStore::SetbShowPVDeleteConfirmation(int value)
{
    Assign(m_bShowPVDeleteConfirmation, "bShowPVDeleteConfirmation", value);
}

void CSettingsStore::SetbDoNotShowEmptyTranslation(int value)
{
    Assign(m_bDoNotShowEmptyTranslation, nullptr, value);
}

void CSettingsStore::SetdwLastSyncInfo(DWORD value)
{
    Reopen();
    m_dwLastSyncInfo = value;
    FinishSetter(nullptr, std::string());
}

// --- mirror tables ------------------------------------------------------------------------

void CSettingsStore::ImportReleaseKey()
{
    ImportKey(lxfacts::kReleaseKeyPath, "NorvantaReg");
}

void CSettingsStore::ImportProductKey()
{
    ImportKey(lxfacts::kProductKeyPath, "LexipopReg");
}

void CSettingsStore::ExportReleaseKey()
{
    ExportKey(lxfacts::kReleaseKeyPath, "NorvantaReg");
}

void CSettingsStore::ExportProductKey()
{
    ExportKey(lxfacts::kProductKeyPath, "LexipopReg");
}

void CSettingsStore::ImportKey(const char* keyPath, const char* table)
{
    if (m_szStartMode != "0")
        return;
    CSQLiteDatabase db;
    if (!OpenDatabase(db))
        return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        db.Close();
        return;
    }
    const std::string tableName = table;
    db.Execute("Delete From " + tableName);
    for (DWORD index = 0;; ++index) {
        char name[260];
        DWORD nameLen = sizeof name;
        const LSTATUS rc =
            RegEnumValueA(key, index, name, &nameLen, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the table is left out; the values after it still come in.
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS)
            break;
        BYTE data[260] = {};
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS)
            continue;
        std::string typeText;
        std::string text;
        if (type == REG_DWORD && size == sizeof(DWORD)) {
            DWORD n = 0;
            memcpy(&n, data, sizeof n);
            typeText = "0";
            text = Decimal(static_cast<int>(n));
        } else {
            typeText = type == REG_SZ ? "1" : "";
            size_t len = 0;
            while (len < size && data[len] != 0)
                ++len;
            text.assign(reinterpret_cast<const char*>(data), len);
        }
        db.Execute("Insert Into " + tableName + "(ValueName, ValueType, ValueData) values('" +
                   SqlQuote(name) + "', '" + typeText + "', '" + SqlQuote(text) + "')");
    }
    RegCloseKey(key);
    db.Close();
}

void CSettingsStore::ExportKey(const char* keyPath, const char* table)
{
    CSQLiteDatabase db;
    if (!OpenDatabase(db))
        return;
    CSQLiteTable rows(lxfacts::kEngineDir);
    if (db.Query(std::string("Select * From ") + table, rows)) {
        for (rows.First(); !rows.AtEnd(); rows.Next()) {
            const char* name = rows.GetValue("ValueName");
            const char* type = rows.GetValue("ValueType");
            const char* data = rows.GetValue("ValueData");
            HKEY key = nullptr;
            if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
                continue;
            if (type && std::string(type) == "0")
                WriteNumber(key, name ? name : "", ParseNumber(data));
            else
                WriteText(key, name ? name : "", data ? data : "");
            RegCloseKey(key);
        }
    }
    db.Close();
}

// --- skin ---------------------------------------------------------------------------------

std::string CSettingsStore::GetSkinFile() const
{
    return lxfacts::LanguageFor(m_szDisplayLanguage).skinFile;
}

std::wstring CSettingsStore::GetSkinFileW() const
{
    const std::string narrow = GetSkinFile();
    const int n = MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}
