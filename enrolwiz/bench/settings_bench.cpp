// Figures for the settings store: the median time to open a store and to run one setter,
// each beside the bare work it cannot avoid in the same run:
//   open   vs. opening the release key and reading every setting from it;
//   setter vs. one engine load + database open + one statement + close.
// Runs in a scratch folder under %TEMP% (with a copy of .\sqlite.dll); the release key is
// put back as it was found.
#include "settingsstore.h"
#include "sqlitedb.h"
#include "productfacts.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

double Now()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(freq.QuadPart);
}

double MedianUs(int runs, const std::function<void(int)>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        work(i);
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

// The release key's values as found, to be put back at the end.
bool Snapshot(std::vector<Value>& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLen = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        Value v{name, type, std::vector<BYTE>(size)};
        RegQueryValueExA(key, name, nullptr, &type, v.data.data(), &size);
        out.push_back(std::move(v));
    }
    RegCloseKey(key);
    return true;
}

void Restore(bool existed, const std::vector<Value>& values)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath);
    if (!existed)
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (const Value& v : values)
        RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(),
                       static_cast<DWORD>(v.data.size()));
    RegCloseKey(key);
}

void Seed()
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    auto text = [key](const char* name, const char* value) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(strlen(value) + 1));
    };
    auto number = [key](const char* name, DWORD value) {
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
    };
    text("szStartMode", "0");
    text("szDisplayLanguage", "English");
    text("szFirstInstall", "0");
    text("szProfilePath", ".\\data\\profile\\bench@example.com");
    text("szDictionaryList", "EnglishGerman|EnglishFrench");
    text("szCurrentDictionary", "EnglishGerman");
    text("szEmail", "bench@example.com");
    text("szBuild", "7");
    number("bMouseState", 1);
    number("bMouseShift", 0);
    number("bShowPVDeleteConfirmation", 1);
    number("dwLastSyncInfo", 12345);
    RegCloseKey(key);
}

const char* const kNames[] = {
    "szStartMode", "szMultipleUser", "szDisplayLanguage", "szFirstInstall", "szProfilePath",
    "szLanguageSkin", "szInstallDate", "szUSIID", "szDictionaryList", "szCoBrandedID",
    "szCurrentDictionary", "szEmail", "szInstallationPath", "szPopupFilename",
    "szLearnFilename", "szLastUpdate", "szAutostartPath", "szCurrentLearnDictionary",
    "szBuild", "bAktualisieren", "bAutostart", "bMouseState", "bMouseShift",
    "szTotalDicChosen", "szProgVer", "szInstallationLanguage", "bShowPVDeleteConfirmation",
    "bDoNotShowEmptyTranslation", "dwLastSyncInfo"};

}  // namespace

int main()
{
    char stage[MAX_PATH];
    GetCurrentDirectoryA(sizeof stage, stage);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string dir = std::string(temp) + "lx_settings_bench";
    CreateDirectoryA(dir.c_str(), nullptr);
    CreateDirectoryA((dir + "\\data").c_str(), nullptr);
    DeleteFileA((dir + "\\data\\admin\\system.pwl").c_str());
    if (!CopyFileA((std::string(stage) + "\\sqlite.dll").c_str(), (dir + "\\sqlite.dll").c_str(),
                   FALSE)) {
        std::printf("settings_bench: no sqlite.dll in the current folder\n");
        return 1;
    }
    SetCurrentDirectoryA(dir.c_str());

    std::vector<Value> saved;
    const bool existed = Snapshot(saved);
    Seed();

    const int runs = 41;
    {
        CSettingsStore first;  // creates the database outside the measured runs
        first.Open("bench", nullptr);
        first.ImportReleaseKey();
    }

    // Bare work first, while no store holds the engine: every cycle maps the library anew.
    const double bareRead = MedianUs(runs, [](int) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS)
            return;
        for (const char* name : kNames) {
            BYTE buf[512];
            DWORD size = sizeof buf;
            DWORD type = 0;
            RegQueryValueExA(key, name, nullptr, &type, buf, &size);
        }
        RegCloseKey(key);
    });
    auto cycle = [](int i) {
        CSQLiteDatabase db;
        if (db.Open(lxfacts::kDatabaseFile, lxfacts::kEngineDir))
            db.Execute("Update NorvantaReg set ValueData='bench" + std::to_string(i) +
                       "@example.com' where ValueName='szEmail'");
        db.Close();
    };
    const double coldCycle = MedianUs(runs, cycle);
    const double engineLoad = MedianUs(runs, [](int) {
        CSQLiteLibrary engine(CSQLiteLibrary::PathFor(lxfacts::kEngineDir).c_str());
        engine.Load();
    });

    // A fresh store object each time (as every holder opens its own).
    const double open = MedianUs(runs, [](int) {
        CSettingsStore s;
        s.Open("bench", nullptr);
    });

    // One setter on an open store; the same bare cycle beside it with the engine mapped.
    CSettingsStore store;
    store.Open("bench", nullptr);
    const double setter = MedianUs(runs, [&store](int i) {
        store.SetszEmail("bench" + std::to_string(i) + "@example.com");
    });
    const double warmCycle = MedianUs(runs, cycle);

    std::printf("settings store, median of %d runs (microseconds)\n", runs);
    std::printf("  open a store (new object)                  %8.0f\n", open);
    std::printf("  bare: read the settings from the registry  %8.0f   ratio %.1f\n", bareRead,
                bareRead > 0 ? open / bareRead : 0.0);
    std::printf("  bare: engine load+open+statement+close     %8.0f   ratio %.1f\n", coldCycle,
                coldCycle > 0 ? open / coldCycle : 0.0);
    std::printf("  one setter (store open)                    %8.0f\n", setter);
    std::printf("  bare: engine load+open+statement+close     %8.0f   ratio %.1f\n", coldCycle,
                coldCycle > 0 ? setter / coldCycle : 0.0);
    std::printf("  bare: the same with the engine mapped      %8.0f   ratio %.1f\n", warmCycle,
                warmCycle > 0 ? setter / warmCycle : 0.0);
    std::printf("  (mapping the engine alone: load+unload     %8.0f)\n", engineLoad);

    Restore(existed, saved);
    SetCurrentDirectoryA(stage);
    return 0;
}
