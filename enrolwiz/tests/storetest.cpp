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

int g_configChanges = 0;

LRESULT CALLBACK CounterProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == LxpMessage(LxpMsg::ConfigChange) && wp == 0 && lp == 0) {
        ++g_configChanges;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
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

int FinishChild(HANDLE process, DWORD timeoutMs)
{
    const int code = lxtest::WaitExit(process, timeoutMs);
    if (code == -1)
        TerminateProcess(process, 99);
    CloseHandle(process);
    return code;
}

namespace {

struct DialogSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<DialogSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (owner == s->pid && std::string(cls) == "#32770" && IsWindowVisible(hwnd)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindProcessDialog(DWORD pid)
{
    DialogSearch s{pid, nullptr};
    EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string MessageBoxText(HWND box)
{
    char buf[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
    return buf;
}

std::string WindowTitle(HWND hwnd)
{
    char buf[512] = {};
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

ConfigChangeCounter::ConfigChangeCounter()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CounterProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LxTestConfigCounter";
    RegisterClassA(&wc);
    m_hwnd = CreateWindowExA(0, wc.lpszClassName, "Lexipop Popup (test)", WS_POPUP, 0, 0, 10, 10,
                             nullptr, nullptr, wc.hInstance, nullptr);
    g_configChanges = 0;
}

ConfigChangeCounter::~ConfigChangeCounter()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
}

int ConfigChangeCounter::Count() const
{
    return g_configChanges;
}

void ConfigChangeCounter::Reset()
{
    g_configChanges = 0;
}

}  // namespace storetest
