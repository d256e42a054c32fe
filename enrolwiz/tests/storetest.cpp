#include "storetest.h"

#include "lxpmessages.h"

namespace storetest {

namespace {

const char* KeyOf(const char* keyPath)
{
    return keyPath ? keyPath : lxfacts::kReleaseKeyPath;
}

HKEY OpenKey(const char* keyPath, REGSAM access)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyOf(keyPath), 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

}  // namespace

void DeleteProductKeys()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + lxfacts::kVendorKey).c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string("Software\\") + lxfacts::kVendorKey).c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, lxfacts::kProductKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, lxfacts::kProductKeyPath);
}

void CreateReleaseKey()
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    if (key)
        RegCloseKey(key);
}

void SeedValue(const char* name, DWORD type, const std::string& bytes, const char* keyPath)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, KeyOf(keyPath), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

void SeedText(const char* name, const std::string& value, const char* keyPath)
{
    SeedValue(name, REG_SZ, value + std::string(1, '\0'), keyPath);
}

void SeedNumber(const char* name, DWORD value, const char* keyPath)
{
    SeedValue(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value),
              keyPath);
}

void DeleteValue(const char* name, const char* keyPath)
{
    if (HKEY key = OpenKey(keyPath, KEY_ALL_ACCESS)) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}

std::optional<std::string> RegText(const char* name, const char* keyPath)
{
    HKEY key = OpenKey(keyPath, KEY_READ);
    if (!key)
        return std::nullopt;
    char buf[4096] = {};
    DWORD size = sizeof buf - 1;
    DWORD type = 0;
    const LSTATUS rc =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    return std::string(buf);
}

std::optional<DWORD> RegNumber(const char* name, const char* keyPath)
{
    HKEY key = OpenKey(keyPath, KEY_READ);
    if (!key)
        return std::nullopt;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    const LSTATUS rc =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD)
        return std::nullopt;
    return value;
}

DWORD RegType(const char* name, const char* keyPath)
{
    HKEY key = OpenKey(keyPath, KEY_READ);
    if (!key)
        return REG_NONE;
    DWORD type = REG_NONE;
    const LSTATUS rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, nullptr);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? type : REG_NONE;
}

bool KeyExists(const char* keyPath)
{
    HKEY key = OpenKey(keyPath, KEY_READ);
    if (key)
        RegCloseKey(key);
    return key != nullptr;
}

std::vector<Row> Rows(const std::string& sql)
{
    std::vector<Row> out;
    CSQLiteDatabase db;
    if (!db.Open(lxfacts::kDatabaseFile, lxfacts::kEngineDir))
        return out;
    CSQLiteTable t(lxfacts::kEngineDir);
    if (db.Query(sql, t)) {
        for (t.First(); !t.AtEnd(); t.Next()) {
            Row r;
            for (int c = 0; c < t.GetColumnCount(); ++c) {
                const char* name = t.GetColumnName(c);
                const char* v = t.GetValue(name);
                r[name] = v ? std::optional<std::string>(v) : std::nullopt;
            }
            out.push_back(std::move(r));
        }
    }
    return out;
}

bool Exec(const std::string& sql)
{
    CSQLiteDatabase db;
    return db.Open(lxfacts::kDatabaseFile, lxfacts::kEngineDir) && db.Execute(sql);
}

std::optional<std::string> MirrorRow(const char* name, const char* table)
{
    const auto rows = Rows(std::string("Select * From ") + table + " where ValueName='" +
                           SqlQuote(name) + "'");
    if (rows.empty())
        return std::nullopt;
    const auto it = rows.front().find("ValueData");
    return it == rows.front().end() || !it->second ? std::optional<std::string>("<null>")
                                                    : it->second;
}

void ScratchTest::SetUp()
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    m_dir = lxtest::FreshDir(std::string(info->test_suite_name()) + "_" + info->name());
    ASSERT_TRUE(CopyFileA((lxtest::StageDir() + "\\sqlite.dll").c_str(),
                          (m_dir + "\\sqlite.dll").c_str(), FALSE));
    CreateDirectoryA((m_dir + "\\data").c_str(), nullptr);
    m_cwd = std::make_unique<lxtest::CurrentDir>(m_dir);
    DeleteProductKeys();
}

void ScratchTest::TearDown()
{
    DeleteProductKeys();
    m_cwd.reset();
}

void ScratchTest::RemoveEngine()
{
    ASSERT_TRUE(DeleteFileA((m_dir + "\\sqlite.dll").c_str())) << "engine still loaded";
}

ConfigChangeCounter::ConfigChangeCounter()
    : MessageWindow({LxpMessage(LxpMsg::ConfigChange)}, "Lexipop Popup (test)")
{
}

int ConfigChangeCounter::Count() const
{
    int n = 0;
    for (const lxtest::Message& m : Seen())
        n += m.wParam == 0 && m.lParam == 0 ? 1 : 0;
    return n;
}

}  // namespace storetest
