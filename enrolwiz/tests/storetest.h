// Shared by the settings tests: a scratch folder (with the engine copied in and a "data"
// folder) as the current folder, the real registry keys of this prefix emptied before and
// after each test, and small readers for the registry and the database.
#pragma once

#include "lxtest.h"
#include "sqlitedb.h"
#include "productfacts.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace storetest {

using Row = std::map<std::string, std::optional<std::string>>;

// Deletes the vendor key (and the release key below it) and the product key.
void DeleteProductKeys();
// Creates the release key (as the installation does) and returns nothing.
void CreateReleaseKey();
void SeedText(const char* name, const std::string& value, const char* keyPath = nullptr);
void SeedNumber(const char* name, DWORD value, const char* keyPath = nullptr);
void SeedValue(const char* name, DWORD type, const std::string& bytes,
               const char* keyPath = nullptr);
void DeleteValue(const char* name, const char* keyPath = nullptr);
// Registry value of the release key (or keyPath): text / number, nullopt when missing or of
// another type.
std::optional<std::string> RegText(const char* name, const char* keyPath = nullptr);
std::optional<DWORD> RegNumber(const char* name, const char* keyPath = nullptr);
DWORD RegType(const char* name, const char* keyPath = nullptr);  // REG_NONE when missing
bool KeyExists(const char* keyPath);

// Every row of a query on the current folder's database (nullopt for SQL NULL).
std::vector<Row> Rows(const std::string& sql);
bool Exec(const std::string& sql);
// ValueData of one mirror row, nullopt when the row is missing.
std::optional<std::string> MirrorRow(const char* name, const char* table = "NorvantaReg");

// Makes a scratch folder named after the running test, copies the engine in, creates
// "data", makes it the current folder and empties the product's registry keys.
class ScratchTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Removes the engine copy (the program then runs without its database).
    void RemoveEngine();

    std::string m_dir;
    std::unique_ptr<lxtest::CurrentDir> m_cwd;
};

// Waits for a child process, ends it when it does not end in time, closes the handle and
// returns its exit code (-1 when it had to be ended).
int FinishChild(HANDLE process, DWORD timeoutMs);

// Top-level window of process pid whose class is the dialog class, or null.
HWND FindProcessDialog(DWORD pid);
// Text of the message box's static text.
std::string MessageBoxText(HWND box);
std::string WindowTitle(HWND hwnd);

// A window on this thread that counts LXPAPI_MSG_CONFIGCHANGE.
class ConfigChangeCounter {
public:
    ConfigChangeCounter();
    ~ConfigChangeCounter();
    HWND Window() const { return m_hwnd; }
    int Count() const;
    void Reset();

private:
    HWND m_hwnd = nullptr;
};

}  // namespace storetest
