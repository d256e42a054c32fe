// The settings store against this prefix's real registry and the real engine.
#include "lxpmessages.h"
#include "settingsstore.h"
#include "storetest.h"

#include <gtest/gtest.h>

#include <string>

using namespace storetest;

class SettingsStoreTest : public ScratchTest {};

namespace {

// The mirror table as an import leaves it, seeded through the store itself.
void ImportNow()
{
    CSettingsStore s;
    s.Open("test", nullptr);
    s.ImportReleaseKey();
}

}  // namespace

TEST_F(SettingsStoreTest, FirstUseCreatesTheDatabaseWithFourTables)
{
    ASSERT_FALSE(lxtest::FileExists("data\\admin\\system.pwl"));
    CSettingsStore s;
    s.Open("Application101", nullptr);
    EXPECT_TRUE(lxtest::FileExists("data\\admin\\system.pwl"));
    EXPECT_FALSE(s.HasReleaseKey());  // the installation makes it, not the store

    const auto tables = Rows("Select name From sqlite_master where type='table' order by name");
    ASSERT_EQ(tables.size(), 4u);
    EXPECT_EQ(*tables[0].at("name"), "LexiUsers");
    EXPECT_EQ(*tables[1].at("name"), "LexipopReg");
    EXPECT_EQ(*tables[2].at("name"), "NorvantaReg");
    EXPECT_EQ(*tables[3].at("name"), "UsersRegistry");
    const auto users = Rows("Select * From UsersRegistry");
    EXPECT_TRUE(users.empty());

    // A later open keeps what is there; a lost mirror table comes back.
    ASSERT_TRUE(Exec("Insert Into LexiUsers(UserName, UserPass, LogTime) values('k', 'p', 't')"));
    ASSERT_TRUE(Exec("drop table LexipopReg"));
    s.Reopen();
    EXPECT_EQ(Rows("Select * From LexiUsers").size(), 1u);
    EXPECT_EQ(Rows("Select name From sqlite_master where name='LexipopReg'").size(), 1u);
    EXPECT_FALSE(KeyExists(lxfacts::kReleaseKeyPath));
}

TEST_F(SettingsStoreTest, ReadsEverySettingWithItsDefault)
{
    CreateReleaseKey();
    {
        CSettingsStore s;
        s.Open("test", nullptr);
        ASSERT_TRUE(s.HasReleaseKey());
        EXPECT_EQ(s.szBuild(), "1");
        EXPECT_EQ(s.bMouseState(), 4);
        EXPECT_EQ(s.szFirstInstall(), 0);
        EXPECT_EQ(s.szEmail(), "");
        EXPECT_EQ(s.bMouseShift(), 0);
        EXPECT_EQ(s.bShowPVDeleteConfirmation(), 0);
        EXPECT_EQ(s.dwLastSyncInfo(), 0u);
        EXPECT_EQ(s.AppName(), "test");
    }
    SeedText("szStartMode", "0");
    SeedText("szMultipleUser", "1");
    SeedText("szDisplayLanguage", "Deutsch");
    SeedText("szProfilePath", ".\\data\\profile\\a@b.com");
    SeedText("szLanguageSkin", "lxpde01");
    SeedText("szInstallDate", "20240101");
    SeedText("szUSIID", "U-1");
    SeedText("szDictionaryList", "EnglishGerman|GermanEnglish");
    SeedText("szCoBrandedID", "LXP_LEXIPOP");
    SeedText("szCurrentDictionary", "EnglishGerman");
    SeedText("szEmail", "a@b.com");
    SeedText("szInstallationPath", "C:\\Lexipop");
    SeedText("szPopupFilename", "Norvanta Lexipop.exe");
    SeedText("szLearnFilename", "fontlearner.exe");
    SeedText("szLastUpdate", "20240202");
    SeedText("szAutostartPath", "C:\\Lexipop\\a.exe");
    SeedText("szCurrentLearnDictionary", "GermanEnglish");
    SeedText("szBuild", "42");
    SeedNumber("bAktualisieren", 1);
    SeedNumber("bAutostart", 2);  // only 1 counts as set
    SeedNumber("bMouseState", 2);
    SeedNumber("bMouseShift", 1);
    SeedText("szTotalDicChosen", "3");
    SeedText("szProgVer", "2.9");
    SeedText("szInstallationLanguage", "German");
    SeedNumber("bShowPVDeleteConfirmation", 7);  // any non-zero number counts as set
    SeedNumber("bDoNotShowEmptyTranslation", 0);
    SeedNumber("dwLastSyncInfo", 0xFFFFFFF0u);

    CSettingsStore s;
    s.Open("test", nullptr);
    EXPECT_EQ(s.szStartMode(), "0");
    EXPECT_EQ(s.szMultipleUser(), "1");
    EXPECT_EQ(s.szDisplayLanguage(), "Deutsch");
    EXPECT_EQ(s.szProfilePath(), ".\\data\\profile\\a@b.com");
    EXPECT_EQ(s.szLanguageSkin(), "lxpde01");
    EXPECT_EQ(s.szInstallDate(), "20240101");
    EXPECT_EQ(s.szUSIID(), "U-1");
    EXPECT_EQ(s.szDictionaryList(), "EnglishGerman|GermanEnglish");
    EXPECT_EQ(s.szCoBrandedID(), "LXP_LEXIPOP");
    EXPECT_EQ(s.szCurrentDictionary(), "EnglishGerman");
    EXPECT_EQ(s.szEmail(), "a@b.com");
    EXPECT_EQ(s.szInstallationPath(), "C:\\Lexipop");
    EXPECT_EQ(s.szPopupFilename(), "Norvanta Lexipop.exe");
    EXPECT_EQ(s.szLearnFilename(), "fontlearner.exe");
    EXPECT_EQ(s.szLastUpdate(), "20240202");
    EXPECT_EQ(s.szAutostartPath(), "C:\\Lexipop\\a.exe");
    EXPECT_EQ(s.szCurrentLearnDictionary(), "GermanEnglish");
    EXPECT_EQ(s.szBuild(), "42");
    EXPECT_EQ(s.bAktualisieren(), 1);
    EXPECT_EQ(s.bAutostart(), 0);
    EXPECT_EQ(s.bMouseState(), 2);
    EXPECT_EQ(s.bMouseShift(), 1);
    EXPECT_EQ(s.szTotalDicChosen(), "3");
    EXPECT_EQ(s.szProgVer(), "2.9");
    EXPECT_EQ(s.szInstallationLanguage(), "German");
    EXPECT_EQ(s.bShowPVDeleteConfirmation(), 1);
    EXPECT_EQ(s.bDoNotShowEmptyTranslation(), 0);
    EXPECT_EQ(s.dwLastSyncInfo(), 0xFFFFFFF0u);

    // A text of size 0 is the same as a missing one; an empty text is kept.
    SeedValue("szBuild", REG_SZ, "");
    s.Reopen();
    EXPECT_EQ(s.szBuild(), "1");
    SeedText("szBuild", "");
    s.Reopen();
    EXPECT_EQ(s.szBuild(), "");
}

TEST_F(SettingsStoreTest, MouseStateOutsideOneToThreeReadsAsFour)
{
    CreateReleaseKey();
    CSettingsStore s;
    for (DWORD stored : {0u, 5u, 0xFFFFFFFFu}) {
        SeedNumber("bMouseState", stored);
        s.Open("test", nullptr);
        EXPECT_EQ(s.bMouseState(), 4) << stored;
    }
    for (DWORD stored : {1u, 2u, 3u}) {
        SeedNumber("bMouseState", stored);
        s.Reopen();
        EXPECT_EQ(s.bMouseState(), static_cast<int>(stored));
    }
    DeleteValue("bMouseState");
    s.Reopen();
    EXPECT_EQ(s.bMouseState(), 4);
    SeedText("bMouseState", "2");  // not a number value
    s.Reopen();
    EXPECT_EQ(s.bMouseState(), 4);
    // Written back as read.
    s.WriteBack();
    EXPECT_EQ(RegNumber("bMouseState"), 4u);
}

TEST_F(SettingsStoreTest, FirstInstallIsInvertedBothWays)
{
    CreateReleaseKey();
    SeedText("szStartMode", "0");
    CSettingsStore s;

    SeedText("szFirstInstall", "0");
    s.Open("test", nullptr);
    EXPECT_EQ(s.szFirstInstall(), 1);
    s.WriteBack();
    EXPECT_EQ(RegText("szFirstInstall"), "0");

    for (const char* stored : {"1", "2", ""}) {
        SeedText("szFirstInstall", stored);
        s.Reopen();
        EXPECT_EQ(s.szFirstInstall(), 0) << stored;
        s.WriteBack();
        EXPECT_EQ(RegText("szFirstInstall"), "1") << stored;
    }
    DeleteValue("szFirstInstall");
    s.Reopen();
    EXPECT_EQ(s.szFirstInstall(), 0);

    // The setter mirrors the flag itself, the registry keeps the inverted text.
    SeedText("szFirstInstall", "1");
    ImportNow();
    ASSERT_EQ(MirrorRow("szFirstInstall"), "1");
    s.SetszFirstInstall(1);
    EXPECT_EQ(MirrorRow("szFirstInstall"), "1");
    EXPECT_EQ(RegText("szFirstInstall"), "0");
    s.SetszFirstInstall(0);
    EXPECT_EQ(MirrorRow("szFirstInstall"), "0");
    EXPECT_EQ(RegText("szFirstInstall"), "1");
}

TEST_F(SettingsStoreTest, SetterRereadsMirrorsWritesBackAndNotifies)
{
    CreateReleaseKey();
    SeedText("szStartMode", "0");
    SeedText("szEmail", "old@x.com");
    SeedText("szDisplayLanguage", "English");
    SeedText("szInstallationPath", "C:\\Lexipop");
    ImportNow();

    ConfigChangeCounter counter;
    SeedNumber("hwndVedezivi", HandleToULong(counter.Window()));

    CSettingsStore a;
    a.Open("a", nullptr);
    CSettingsStore b;
    b.Open("b", nullptr);

    // b's setter first re-reads what a wrote.
    a.SetszDisplayLanguage("Vietnamese");
    EXPECT_EQ(counter.Count(), 1);
    b.SetszEmail("new@x.com");
    EXPECT_EQ(counter.Count(), 2);
    EXPECT_EQ(b.szDisplayLanguage(), "Vietnamese");
    EXPECT_EQ(RegText("szDisplayLanguage"), "Vietnamese");
    EXPECT_EQ(RegText("szEmail"), "new@x.com");
    EXPECT_EQ(MirrorRow("szEmail"), "new@x.com");
    EXPECT_EQ(MirrorRow("szDisplayLanguage"), "Vietnamese");

    // Written back: every marked setting, defaults included; the others are left alone.
    EXPECT_EQ(RegText("szStartMode"), "0");
    EXPECT_EQ(RegText("szBuild"), "1");
    EXPECT_EQ(RegText("szUSIID"), "");
    EXPECT_EQ(RegNumber("bMouseState"), 4u);
    EXPECT_EQ(RegNumber("bAktualisieren"), 0u);
    EXPECT_EQ(RegNumber("dwLastSyncInfo"), 0u);
    EXPECT_EQ(RegText("szInstallationPath"), "C:\\Lexipop");
    EXPECT_EQ(RegType("szPopupFilename"), static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(RegType("szTotalDicChosen"), static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(RegType("szProgVer"), static_cast<DWORD>(REG_NONE));

    // Numbers: mirror row in decimal under the setter's name; flags written as 0 or 1.
    b.SetnMouseState(3);
    EXPECT_EQ(RegNumber("bMouseState"), 3u);
    EXPECT_EQ(MirrorRow("nMouseState"), std::nullopt);  // no such row: nothing inserted
    ASSERT_TRUE(Exec("Insert Into NorvantaReg(ValueName, ValueType, ValueData) "
                     "values('nMouseState', '0', '1')"));
    ASSERT_TRUE(Exec("Insert Into NorvantaReg(ValueName, ValueType, ValueData) "
                     "values('bMouseState', '0', '9')"));
    b.SetnMouseState(2);
    EXPECT_EQ(MirrorRow("nMouseState"), "2");
    EXPECT_EQ(MirrorRow("bMouseState"), "9");  // the row saving a user updates
    b.SetbMouseShift(1);
    EXPECT_EQ(MirrorRow("bMouseShift"), std::nullopt);
    EXPECT_EQ(RegNumber("bMouseShift"), 1u);
    b.SetbShowPVDeleteConfirmation(5);
    EXPECT_EQ(RegNumber("bShowPVDeleteConfirmation"), 1u);

    // Two setters that touch no row.
    const auto before = Rows("Select * From NorvantaReg order by ValueName");
    b.SetbDoNotShowEmptyTranslation(1);
    b.SetdwLastSyncInfo(4000000000u);
    EXPECT_EQ(Rows("Select * From NorvantaReg order by ValueName"), before);
    EXPECT_EQ(RegNumber("bDoNotShowEmptyTranslation"), 1u);
    EXPECT_EQ(RegNumber("dwLastSyncInfo"), 4000000000u);

    // The rest of the text setters, each with its own row.
    b.SetszMultipleUser("1");
    b.SetszProfilePath("p");
    b.SetszLanguageSkin("lxpvi01");
    b.SetszUSIID("usi");
    b.SetszDictionaryList("l1|l2");
    b.SetszCurrentDictionary("cd");
    b.SetszCurrentLearnDictionary("cld");
    EXPECT_EQ(MirrorRow("szMultipleUser"), std::nullopt);  // not in the key at import
    for (const char* name : {"szMultipleUser", "szProfilePath", "szLanguageSkin", "szUSIID",
                             "szDictionaryList", "szCurrentDictionary",
                             "szCurrentLearnDictionary"})
        EXPECT_TRUE(RegText(name).has_value()) << name;
    EXPECT_EQ(RegText("szCurrentLearnDictionary"), "cld");

    // One message per setter: 2 above + 3 numbers + 1 show-delete + 2 no-row + 7 texts.
    EXPECT_EQ(counter.Count(), 15);
    b.WriteBack();
    EXPECT_EQ(counter.Count(), 16);

    // A published handle that no longer names a window is harmless.
    SeedNumber("hwndVedezivi", 0x12345678);
    b.SetszUSIID("again");
    EXPECT_EQ(counter.Count(), 16);
}

TEST_F(SettingsStoreTest, SetterWithoutTheReleaseKeyChangesMemberAndRowOnly)
{
    CSettingsStore s;
    s.Open("test", nullptr);
    ASSERT_TRUE(Exec("Insert Into NorvantaReg(ValueName, ValueType, ValueData) "
                     "values('szEmail', '1', 'before')"));
    ConfigChangeCounter counter;
    s.SetszEmail("after@x.com");
    EXPECT_EQ(s.szEmail(), "after@x.com");
    EXPECT_EQ(MirrorRow("szEmail"), "after@x.com");
    s.SetszDisplayLanguage("Deutsch");
    EXPECT_EQ(MirrorRow("szDisplayLanguage"), std::nullopt);
    EXPECT_EQ(s.szDisplayLanguage(), "Deutsch");
    EXPECT_EQ(s.szEmail(), "after@x.com");  // kept: nothing to re-read
    EXPECT_FALSE(KeyExists(lxfacts::kReleaseKeyPath));
    EXPECT_EQ(counter.Count(), 0);
}

TEST_F(SettingsStoreTest, WithoutTheEngineTheRegistryStillWorks)
{
    CreateReleaseKey();
    { CSettingsStore first; first.Open("test", nullptr); }  // database made
    RemoveEngine();
    SeedText("szStartMode", "0");
    CSettingsStore s;
    s.Open("test", nullptr);
    s.SetszEmail("e@x.com");
    EXPECT_EQ(RegText("szEmail"), "e@x.com");
    s.ImportReleaseKey();
    s.ExportReleaseKey();
    s.SaveCurrentUser("pw");
    s.LogInUser("e@x.com");
    EXPECT_EQ(RegText("szEmail"), "e@x.com");
}

TEST_F(SettingsStoreTest, WindowIsPublishedForThePopupAndTheLearner)
{
    CreateReleaseKey();
    ConfigChangeCounter counter;
    const HWND hwnd = counter.Window();
    {
        CSettingsStore s;
        s.Open("vedezivi", hwnd);
    }
    EXPECT_EQ(RegNumber("hwndvedezivi"), HandleToULong(hwnd));  // names ignore case
    {
        CSettingsStore s;
        s.Open("Zorodera", hwnd);
    }
    EXPECT_EQ(RegNumber("hwndZorodera"), HandleToULong(hwnd));
    {
        CSettingsStore s;
        s.Open("Application101", hwnd);
        // The published pop-up window gets the change notice.
        s.SetszUSIID("x");
    }
    EXPECT_EQ(RegType("hwndApplication101"), static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(counter.Count(), 1);
}

TEST_F(SettingsStoreTest, ImportAndExportOfTheReleaseKey)
{
    CreateReleaseKey();
    SeedText("szStartMode", "0");
    SeedText("szEmail", "it's@x.com");
    SeedText("it's a name", "v");
    SeedNumber("dwLastSyncInfo", 4294967295u);
    SeedNumber("bMouseState", 2);
    SeedText("szLong", std::string(300, 'L'));
    SeedText("szAlmost", std::string(258, 'A'));  // 259 bytes with its zero: fits
    SeedText("szHigh", "M\xFC" "nchen \xC4");
    SeedValue("binValue", REG_BINARY, std::string("ab\0cd", 5));
    SeedValue("szExpand", REG_EXPAND_SZ, std::string("%TEMP%\\x") + '\0');
    SeedText(std::string(259, 'n').c_str(), "longest name");
    SeedText(std::string(260, 'a').c_str(), "name too long");  // listed before the others

    CSettingsStore s;
    s.Open("test", nullptr);
    ASSERT_TRUE(Exec("Insert Into NorvantaReg(ValueName, ValueType, ValueData) "
                     "values('stale', '1', 'gone after import')"));
    s.ImportReleaseKey();

    EXPECT_EQ(MirrorRow("stale"), std::nullopt);
    EXPECT_EQ(MirrorRow("szEmail"), "it's@x.com");
    EXPECT_EQ(MirrorRow("it's a name"), "v");
    EXPECT_EQ(MirrorRow("dwLastSyncInfo"), "-1");
    EXPECT_EQ(MirrorRow("bMouseState"), "2");
    EXPECT_EQ(MirrorRow("szLong"), std::nullopt);
    EXPECT_EQ(MirrorRow("szAlmost"), std::string(258, 'A'));
    EXPECT_EQ(MirrorRow("szHigh"), "M\xFC" "nchen \xC4");
    EXPECT_EQ(MirrorRow("binValue"), "ab");
    EXPECT_EQ(MirrorRow("szExpand"), "%TEMP%\\x");
    EXPECT_EQ(MirrorRow(std::string(259, 'n').c_str()), "longest name");
    EXPECT_EQ(MirrorRow(std::string(260, 'a').c_str()), std::nullopt);
    const auto types = Rows("Select * From NorvantaReg where ValueName in "
                            "('szEmail', 'dwLastSyncInfo', 'binValue', 'szExpand') "
                            "order by ValueName");
    ASSERT_EQ(types.size(), 4u);
    EXPECT_EQ(*types[0].at("ValueType"), "");   // binValue
    EXPECT_EQ(*types[1].at("ValueType"), "0");  // dwLastSyncInfo
    EXPECT_EQ(*types[2].at("ValueType"), "1");  // szEmail
    EXPECT_EQ(*types[3].at("ValueType"), "");   // szExpand

    // Export into a key the installation lost: made again, same 32-bit pattern back.
    DeleteProductKeys();
    s.ExportReleaseKey();
    EXPECT_EQ(RegNumber("dwLastSyncInfo"), 0xFFFFFFFFu);
    EXPECT_EQ(RegNumber("bMouseState"), 2u);
    EXPECT_EQ(RegText("szEmail"), "it's@x.com");
    EXPECT_EQ(RegText("it's a name"), "v");
    EXPECT_EQ(RegText("szHigh"), "M\xFC" "nchen \xC4");
    EXPECT_EQ(RegText("binValue"), "ab");  // other types come back as text
    EXPECT_EQ(RegText("szExpand"), "%TEMP%\\x");
    EXPECT_EQ(RegType("szLong"), static_cast<DWORD>(REG_NONE));
}

TEST_F(SettingsStoreTest, NoImportUnlessStartModeIsZero)
{
    CreateReleaseKey();
    SeedText("szEmail", "a@x.com");
    SeedText("szPreviousVersion", "2.5", lxfacts::kProductKeyPath);
    CSettingsStore s;
    s.Open("test", nullptr);
    ASSERT_TRUE(Exec("Insert Into NorvantaReg values('keep', '1', 'me')"));
    ASSERT_TRUE(Exec("Insert Into LexipopReg values('keep', '1', 'me too')"));
    for (const char* mode : {"", "1", " 0", "00"}) {
        SeedText("szStartMode", mode);
        s.Reopen();
        s.ImportReleaseKey();
        s.ImportProductKey();
        EXPECT_EQ(MirrorRow("keep"), "me") << mode;
        EXPECT_EQ(MirrorRow("keep", "LexipopReg"), "me too") << mode;
        EXPECT_EQ(MirrorRow("szEmail"), std::nullopt) << mode;
    }
    DeleteValue("szStartMode");
    s.Reopen();
    s.ImportReleaseKey();
    EXPECT_EQ(MirrorRow("keep"), "me");

    // "0": both tables rebuilt from their keys.
    SeedText("szStartMode", "0");
    s.Reopen();
    s.ImportReleaseKey();
    s.ImportProductKey();
    EXPECT_EQ(MirrorRow("keep"), std::nullopt);
    EXPECT_EQ(MirrorRow("szEmail"), "a@x.com");
    EXPECT_EQ(MirrorRow("keep", "LexipopReg"), std::nullopt);
    EXPECT_EQ(MirrorRow("szPreviousVersion", "LexipopReg"), "2.5");

    // A key that cannot be opened leaves its table as it was.
    ASSERT_TRUE(Exec("Insert Into LexipopReg values('keep', '1', 'still')"));
    RegDeleteTreeA(HKEY_CURRENT_USER, lxfacts::kProductKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, lxfacts::kProductKeyPath);
    s.ImportProductKey();
    EXPECT_EQ(MirrorRow("keep", "LexipopReg"), "still");

    // Export of the product key creates it.
    s.ExportProductKey();
    EXPECT_EQ(RegText("keep", lxfacts::kProductKeyPath), "still");
    EXPECT_EQ(RegText("szPreviousVersion", lxfacts::kProductKeyPath), "2.5");
}

TEST(SettingsStore, SkinFileFollowsTheDisplayLanguage)
{
    struct Case {
        const char* language;
        const char* skin;
    };
    const Case cases[] = {
        {"Deutsch", ".\\skin\\lxpde01.skn"},     {"deutsch", ".\\skin\\lxpde01.skn"},
        {"Chinese (S)", ".\\skin\\lxpzh01.skn"}, {"CHINESE (s)", ".\\skin\\lxpzh01.skn"},
        {"Vietnamese", ".\\skin\\lxpvi01.skn"},  {"German", ".\\skin\\lxpen01.skn"},
        {"", ".\\skin\\lxpen01.skn"},            {"Chinese", ".\\skin\\lxpen01.skn"},
    };
    const std::string dir = lxtest::FreshDir("SettingsStore_Skin");
    CopyFileA((lxtest::StageDir() + "\\sqlite.dll").c_str(), (dir + "\\sqlite.dll").c_str(),
              FALSE);
    CreateDirectoryA((dir + "\\data").c_str(), nullptr);
    lxtest::CurrentDir cwd(dir);
    DeleteProductKeys();
    CreateReleaseKey();
    CSettingsStore s;
    for (const Case& c : cases) {
        SeedText("szDisplayLanguage", c.language);
        s.Open("test", nullptr);
        EXPECT_EQ(s.GetSkinFile(), c.skin) << c.language;
        const std::wstring skinW = s.GetSkinFileW();
        const std::string wide(skinW.begin(), skinW.end());
        EXPECT_EQ(wide, c.skin);
    }
    DeleteProductKeys();
}

// --- quotes in values ---------------------------------------------------------------------

TEST_F(SettingsStoreTest, QuotesInValuesAreKept)
{
    CreateReleaseKey();
    SeedText("szStartMode", "0");
    SeedText("szProfilePath", "x");
    SeedText("szCurrentDictionary", "x");
    SeedText("szEmail", "o'neil@x.com");
    ImportNow();

    CSettingsStore s;
    s.Open("test", nullptr);
    const std::string profile = ".\\data\\profile\\o'neil's";
    const std::string dictionary = "Webster's ''New'' Dictionary";
    s.SetszProfilePath(profile);
    s.SetszCurrentDictionary(dictionary);
    EXPECT_EQ(MirrorRow("szProfilePath"), profile);
    EXPECT_EQ(MirrorRow("szCurrentDictionary"), dictionary);

    s.SaveCurrentUser("pa'ss");
    const auto users = Rows("Select * From LexiUsers");
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(*users[0].at("UserName"), "o'neil@x.com");
    const auto settings = Rows("Select * From UsersRegistry where UserName='o''neil@x.com'");
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_EQ(*settings[0].at("ProfilePath"), profile);
    EXPECT_EQ(*settings[0].at("CurrentDictionary"), dictionary);

    s.SaveCurrentUser("again");
    EXPECT_EQ(Rows("Select * From LexiUsers").size(), 1u);
    EXPECT_EQ(Rows("Select * From UsersRegistry").size(), 1u);

    // Logging the user in again finds the row by the quoted name.
    s.SetszProfilePath("elsewhere");
    s.LogInUser("o'neil@x.com");
    EXPECT_EQ(RegText("szProfilePath"), profile);
    EXPECT_TRUE(lxtest::FileExists(profile));
}

// --- the first use cannot make the database ------------------------------------------------

LXTEST_CHILD(open_store)
{
    CSettingsStore s;
    s.Open("Application101", nullptr);
    return 7;  // not reached when the database cannot be made
}

TEST_F(SettingsStoreTest, UnableToCreateTheDatabaseEndsTheProgram)
{
    RemoveEngine();
    HANDLE child = lxtest::StartChild("open_store", "", m_dir);
    ASSERT_NE(child, nullptr);
    HWND box = nullptr;
    const DWORD pid = GetProcessId(child);
    EXPECT_TRUE(lxtest::PumpUntil([&] { return (box = FindProcessDialog(pid)) != nullptr; },
                                  20000));
    if (box) {
        EXPECT_EQ(MessageBoxText(box), "Unable to create system users file!");
        EXPECT_EQ(WindowTitle(box), "enrolwiz_test");
        lxtest::SaveWindowPng(box, "settings_unable_to_create");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    EXPECT_EQ(FinishChild(child, 20000), 0);
    EXPECT_FALSE(lxtest::FileExists("data\\admin\\system.pwl"));
}

// --- another process reads while the store writes ------------------------------------------

LXTEST_CHILD(mirror_reader)
{
    // Reads the mirror table until told to stop; every read must succeed and see one
    // complete row of the values the writer uses.
    int reads = 0;
    const DWORD start = GetTickCount();
    for (;;) {
        const bool stop = lxtest::FileExists("stop.flag") || GetTickCount() - start > 60000;
        CSQLiteDatabase db;
        if (!db.Open(lxfacts::kDatabaseFile, lxfacts::kEngineDir))
            return 2;
        CSQLiteTable t(lxfacts::kEngineDir);
        if (!db.Query("Select * From NorvantaReg where ValueName='szEmail'", t))
            return 3;
        if (t.GetRowCount() != 1 || !t.GetValue("ValueData"))
            return 4;
        const std::string v = t.GetValue("ValueData");
        if (v != "start@x.com" && v.rfind("writer", 0) != 0)
            return 5;
        db.Close();
        if (++reads == 1)
            lxtest::WriteFileBytes("ready.flag", "1");
        if (stop)
            return reads > 1 ? 0 : 6;
    }
}

TEST_F(SettingsStoreTest, AnotherProcessReadsWhileTheStoreWrites)
{
    CreateReleaseKey();
    SeedText("szStartMode", "0");
    SeedText("szEmail", "start@x.com");
    ImportNow();

    HANDLE reader = lxtest::StartChild("mirror_reader", "", m_dir);
    ASSERT_NE(reader, nullptr);
    // Whatever happens below, the reader is told to stop and does not outlive the test.
    struct StopReader {
        HANDLE process;
        ~StopReader()
        {
            lxtest::WriteFileBytes("stop.flag", "1");
            if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0)
                TerminateProcess(process, 99);
            CloseHandle(process);
        }
    } stopReader{reader};
    EXPECT_TRUE(lxtest::PumpUntil([] { return lxtest::FileExists("ready.flag"); }, 20000));

    CSettingsStore s;
    s.Open("writer", nullptr);
    for (int i = 0; i < 40; ++i) {
        const std::string value = "writer" + std::to_string(i) + "@x.com";
        s.SetszEmail(value);
        ASSERT_EQ(MirrorRow("szEmail"), value) << i;
        ASSERT_EQ(RegText("szEmail"), value) << i;
    }
    lxtest::WriteFileBytes("stop.flag", "1");
    EXPECT_EQ(lxtest::WaitExit(reader, 30000), 0);
}
