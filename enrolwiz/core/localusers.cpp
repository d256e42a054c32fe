// Local users of the settings store: saving the current user, logging a stored user in,
// the user's profile folders and the upgrade of older user tables.
#include "base64.h"
#include "settingsstore.h"
#include "storeutil.h"

#include <cstring>
#include <vector>

using namespace storeutil;

namespace {

const char* const kCreateLexiUsers =
    "Create Table LexiUsers(UserName varchar(20), UserPass varchar(20), LogTime varchar(16))";

struct Column {
    const char* name;
    const char* type;
    const char* missingDefault;  // value of a row saved from a table that lacked the column
};

const Column kLexiUsersColumns[] = {
    {"UserName", "varchar(20)", ""},
    {"UserPass", "varchar(20)", ""},
    {"LogTime", "varchar(16)", ""},
};

const Column kUsersRegistryColumns[] = {
    {"UserName", "varchar(50)", ""},
    {"MouseShift", "varchar(1)", "0"},
    {"MouseState", "varchar(1)", "1"},
    {"ShowPVDeleteConfirmation", "varchar(1)", "1"},
    {"CurrentLearnDictionary", "varchar(225)", ""},
    {"DictionaryList", "varchar(225)", ""},
    {"DisplayLanguage", "varchar(30)", ""},
    {"LanguageSkin", "varchar(15)", ""},
    {"ProfilePath", "varchar(225)", ""},
    {"CurrentDictionary", "varchar(225)", ""},
    {"LastSyncInfo", "varchar(15)", ""},
    {"ShowEmptyTranslation", "varchar(1)", "1"},
};

template <size_t N>
std::string CreateStatement(const char* table, const Column (&columns)[N])
{
    std::string sql = std::string("Create Table ") + table + "(";
    for (size_t i = 0; i < N; ++i) {
        if (i)
            sql += ", ";
        sql += std::string(columns[i].name) + " " + columns[i].type;
    }
    return sql + ")";
}

template <size_t N>
std::string InsertStatement(const char* table, const Column (&columns)[N],
                            const std::vector<std::string>& values)
{
    std::string names;
    std::string texts;
    for (size_t i = 0; i < N; ++i) {
        if (i) {
            names += ", ";
            texts += ", ";
        }
        names += columns[i].name;
        texts += "'" + SqlQuote(values[i]) + "'";
    }
    return std::string("Insert Into ") + table + "(" + names + ") values(" + texts + ")";
}

// Rebuilds a table of an older layout in the current one. The rows are kept value by value
// (never joined into one text), so values holding "|", blanks at either end or the text
// "NULL" come back exactly; a column the old table lacked gets its default, a cell of SQL
// NULL an empty value. The whole rebuild is one transaction: a failure keeps the old table.
template <size_t N>
void UpgradeTable(CSQLiteDatabase& db, const char* table, const Column (&columns)[N])
{
    CSQLiteTable old(lxfacts::kEngineDir);
    if (!db.Query(std::string("Select * from ") + table, old) || old.GetRowCount() < 1)
        return;
    bool complete = true;
    for (const Column& c : columns)
        complete = complete && old.HasColumn(c.name);
    if (complete)
        return;

    std::vector<std::vector<std::string>> rows;
    for (old.First(); !old.AtEnd(); old.Next()) {
        std::vector<std::string> row;
        for (const Column& c : columns) {
            if (!old.HasColumn(c.name)) {
                row.push_back(c.missingDefault);
            } else {
                const char* v = old.GetValue(c.name);
                row.push_back(v ? v : "");
            }
        }
        rows.push_back(std::move(row));
    }

    if (!db.Execute("BEGIN TRANSACTION"))
        return;
    bool ok = db.Execute(std::string("drop table ") + table) &&
              db.Execute(CreateStatement(table, columns));
    for (size_t i = 0; ok && i < rows.size(); ++i)
        ok = db.Execute(InsertStatement(table, columns, rows[i]));
    db.Execute(ok ? "COMMIT TRANSACTION" : "ROLLBACK TRANSACTION");
}

// Values of the current settings in the column order of UsersRegistry.
std::vector<std::string> UserRegistryValues(const CSettingsStore& s)
{
    return {s.szEmail(),
            Decimal(s.bMouseShift()),
            Decimal(s.bMouseState()),
            Decimal(s.bShowPVDeleteConfirmation()),
            s.szCurrentLearnDictionary(),
            s.szDictionaryList(),
            s.szDisplayLanguage(),
            s.szLanguageSkin(),
            s.szProfilePath(),
            s.szCurrentDictionary(),
            Unsigned(s.dwLastSyncInfo()),
            Decimal(s.bDoNotShowEmptyTranslation())};
}

bool HasRow(CSQLiteDatabase& db, const std::string& sql)
{
    CSQLiteTable t(lxfacts::kEngineDir);
    return db.Query(sql, t) && t.GetRowCount() > 0;
}

}  // namespace

void CSettingsStore::UpgradeUserTables()
{
    CSQLiteDatabase db;
    if (!OpenDatabase(db))
        return;
    UpgradeTable(db, "LexiUsers", kLexiUsersColumns);
    UpgradeTable(db, "UsersRegistry", kUsersRegistryColumns);
    db.Execute("Create Table NorvantaReg(ValueName varchar(50), ValueType varchar(2), "
               "ValueData varchar(300))");
    db.Execute("Create Table LexipopReg(ValueName varchar(50), ValueType varchar(2), "
               "ValueData varchar(300))");
    db.Close();
}

void CSettingsStore::SaveCurrentUser(const std::string& password)
{
    Reopen();
    const std::string encoded = Base64Encode(password);
    const std::string user = SqlQuote(m_szEmail);

    CSQLiteDatabase db;
    if (OpenDatabase(db)) {
        const std::string now = LocalTimeStamp();
        if (HasRow(db, "Select * From LexiUsers Where UserName='" + user + "'")) {
            db.Execute("Update LexiUsers set UserPass='" + SqlQuote(encoded) + "', LogTime='" +
                       now + "' where UserName='" + user + "'");
        } else {
            db.Execute("Insert Into LexiUsers(UserName, UserPass, LogTime) values('" + user +
                       "', '" + SqlQuote(encoded) + "', '" + now + "')");
        }
        // The settings row is looked for on its own: a user known to LexiUsers whose
        // settings row is missing gets one instead of losing the settings.
        const std::vector<std::string> values = UserRegistryValues(*this);
        if (HasRow(db, "Select * From UsersRegistry where UserName='" + user + "'")) {
            std::string sql = "Update UsersRegistry set ";
            for (size_t i = 1; i < values.size(); ++i) {
                if (i > 1)
                    sql += ", ";
                sql += std::string(kUsersRegistryColumns[i].name) + "='" + SqlQuote(values[i]) +
                       "'";
            }
            db.Execute(sql + " where UserName='" + user + "'");
        } else {
            db.Execute(InsertStatement("UsersRegistry", kUsersRegistryColumns, values));
        }
        db.Close();
    }

    UpdateMirrorRow("szEmail", m_szEmail);
    UpdateMirrorRow("bMouseShift", Decimal(m_bMouseShift));
    UpdateMirrorRow("bMouseState", Decimal(m_bMouseState));
    UpdateMirrorRow("bShowPVDeleteConfirmation", Decimal(m_bShowPVDeleteConfirmation));
    UpdateMirrorRow("bDoNotShowEmptyTranslation", Decimal(m_bDoNotShowEmptyTranslation));
    UpdateMirrorRow("szCurrentLearnDictionary", m_szCurrentLearnDictionary);
    UpdateMirrorRow("szDictionaryList", m_szDictionaryList);
    UpdateMirrorRow("szDisplayLanguage", m_szDisplayLanguage);
    UpdateMirrorRow("szLanguageSkin", m_szLanguageSkin);
    UpdateMirrorRow("szProfilePath", m_szProfilePath);
    UpdateMirrorRow("szCurrentDictionary", m_szCurrentDictionary);
}

void CSettingsStore::LogInUser(const std::string& userName)
{
    CSQLiteDatabase db;
    if (!OpenDatabase(db))
        return;
    const std::string user = SqlQuote(userName);
    if (_stricmp(userName.c_str(), lxfacts::kAnonymousUser) != 0)
        db.Execute("Update LexiUsers set LogTime='" + LocalTimeStamp() + "' where UserName='" +
                   user + "'");

    CSQLiteTable row(lxfacts::kEngineDir);
    if (db.Query("Select * From UsersRegistry where UserName='" + user + "'", row) &&
        row.GetRowCount() > 0) {
        auto text = [&row](const char* column) {
            const char* v = row.GetValue(column);
            return std::string(v ? v : "");
        };
        auto number = [&row](const char* column) { return ParseNumber(row.GetValue(column)); };
        // Copied out first: the setters below reopen the store and the database.
        const std::string email = text("UserName");
        const int mouseShift = static_cast<int>(number("MouseShift"));
        const int mouseState = static_cast<int>(number("MouseState"));
        const int showDelete = static_cast<int>(number("ShowPVDeleteConfirmation"));
        const std::string learnDictionary = text("CurrentLearnDictionary");
        const std::string currentDictionary = text("CurrentDictionary");
        const std::string dictionaryList = text("DictionaryList");
        const std::string language = text("DisplayLanguage");
        const std::string skin = text("LanguageSkin");
        const std::string profile = text("ProfilePath");
        const DWORD lastSync = number("LastSyncInfo");
        const int noEmpty = static_cast<int>(number("ShowEmptyTranslation"));

        SetszEmail(email);
        SetbMouseShift(mouseShift);
        SetnMouseState(mouseState);
        SetbShowPVDeleteConfirmation(showDelete);
        SetszCurrentLearnDictionary(learnDictionary);
        SetszCurrentDictionary(currentDictionary);
        SetszDictionaryList(dictionaryList);
        SetszDisplayLanguage(language);
        SetszLanguageSkin(skin);
        SetszProfilePath(profile);
        CreateProfileDirectories();
        SetdwLastSyncInfo(lastSync);
        SetbDoNotShowEmptyTranslation(noEmpty);
    }
    db.Close();
}

void CSettingsStore::CreateProfileDirectories()
{
    const std::string path = m_szProfilePath + "\\";
    for (size_t pos = path.find('\\', 3); pos != std::string::npos;
         pos = path.find('\\', pos + 1))
        CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
}
