// Local users: Base64 of passwords, saving and logging in users, profile folders and the
// upgrade of older user tables.
#include "base64.h"
#include "settingsstore.h"
#include "storetest.h"

#include <wincrypt.h>

#include <gtest/gtest.h>

using namespace storetest;

class LocalUsersTest : public ScratchTest {};

namespace {

// The system's encoder without line breaks, broken after every 76 characters here: an
// independent reference for the stored form.
std::string Reference(const std::string& bytes)
{
    if (bytes.empty())
        return std::string();
    DWORD n = 0;
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    CryptBinaryToStringA(reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()), flags, nullptr, &n);
    std::string plain(n, '\0');
    CryptBinaryToStringA(reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()), flags, &plain[0], &n);
    plain.resize(n);
    std::string out;
    for (size_t i = 0; i < plain.size(); ++i) {
        out += plain[i];
        if ((i + 1) % 76 == 0)
            out += "\r\n";
    }
    return out;
}

std::string Repeat(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += static_cast<char>('a' + i % 26);
    return s;
}

void SeedUserSettings()
{
    CreateReleaseKey();
    SeedText("szStartMode", "0");
    SeedText("szEmail", "user@x.com");
    SeedNumber("bMouseShift", 1);
    SeedNumber("bMouseState", 3);
    SeedNumber("bShowPVDeleteConfirmation", 1);
    SeedNumber("bDoNotShowEmptyTranslation", 1);
    SeedText("szCurrentLearnDictionary", "learn");
    SeedText("szDictionaryList", "d1|d2");
    SeedText("szDisplayLanguage", "Deutsch");
    SeedText("szLanguageSkin", "lxpde01");
    SeedText("szProfilePath", ".\\data\\profile\\user@x.com");
    SeedText("szCurrentDictionary", "d1");
    SeedNumber("dwLastSyncInfo", 4000000000u);
}

}  // namespace

TEST(Base64, StoredFormBreaksLinesAfter76Characters)
{
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("f"), "Zg==");
    EXPECT_EQ(Base64Encode("fo"), "Zm8=");
    EXPECT_EQ(Base64Encode("foo"), "Zm9v");
    EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Base64Encode("7351"), "NzM1MQ==");
    EXPECT_EQ(Base64Encode(std::string("\xFF\xFE\x00", 3)), "//4A");

    const std::string e57 = Base64Encode(Repeat(57));
    ASSERT_EQ(e57.size(), 78u);
    EXPECT_EQ(e57.substr(76), "\r\n");
    const std::string e58 = Base64Encode(Repeat(58));
    ASSERT_EQ(e58.size(), 82u);
    EXPECT_EQ(e58.substr(76, 2), "\r\n");
    EXPECT_EQ(e58.substr(78), "Zg==");  // the 58th character, 'f'
    for (size_t n : {1u, 56u, 57u, 58u, 113u, 114u, 115u, 300u})
        EXPECT_EQ(Base64Encode(Repeat(n)), Reference(Repeat(n))) << n;
}

TEST_F(LocalUsersTest, SavingOneUserTwiceKeepsOneRowInEachTable)
{
    SeedUserSettings();
    {
        CSettingsStore imp;
        imp.Open("test", nullptr);
        imp.ImportReleaseKey();
    }
    CSettingsStore s;
    s.Open("test", nullptr);
    s.SaveCurrentUser("first");

    auto users = Rows("Select * From LexiUsers");
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(*users[0].at("UserName"), "user@x.com");
    EXPECT_EQ(*users[0].at("UserPass"), Base64Encode("first"));
    const std::string firstTime = *users[0].at("LogTime");
    EXPECT_EQ(firstTime.size(), 14u);
    auto settings = Rows("Select * From UsersRegistry");
    ASSERT_EQ(settings.size(), 1u);
    const Row expected = {
        {"UserName", "user@x.com"},      {"MouseShift", "1"},
        {"MouseState", "3"},             {"ShowPVDeleteConfirmation", "1"},
        {"CurrentLearnDictionary", "learn"}, {"DictionaryList", "d1|d2"},
        {"DisplayLanguage", "Deutsch"},  {"LanguageSkin", "lxpde01"},
        {"ProfilePath", ".\\data\\profile\\user@x.com"}, {"CurrentDictionary", "d1"},
        {"LastSyncInfo", "4000000000"},  {"ShowEmptyTranslation", "1"}};
    EXPECT_EQ(settings[0], expected);

    // The mirror rows the save updates (bMouseState, not nMouseState).
    SeedNumber("bMouseState", 2);
    Sleep(1100);
    s.SaveCurrentUser("second");
    EXPECT_EQ(MirrorRow("bMouseState"), "2");
    EXPECT_EQ(MirrorRow("szEmail"), "user@x.com");
    EXPECT_EQ(MirrorRow("szDictionaryList"), "d1|d2");

    users = Rows("Select * From LexiUsers");
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(*users[0].at("UserPass"), Base64Encode("second"));
    EXPECT_GT(*users[0].at("LogTime"), firstTime);
    settings = Rows("Select * From UsersRegistry");
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_EQ(*settings[0].at("MouseState"), "2");

    // A second user is a second row in each table.
    SeedText("szEmail", "other@x.com");
    s.SaveCurrentUser(Repeat(57));
    EXPECT_EQ(Rows("Select * From LexiUsers").size(), 2u);
    EXPECT_EQ(Rows("Select * From UsersRegistry").size(), 2u);
    const auto other = Rows("Select * From LexiUsers where UserName='other@x.com'");
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(*other[0].at("UserPass"), Base64Encode(Repeat(57)));  // CR LF kept

    // A user known to LexiUsers without a settings row gets one.
    ASSERT_TRUE(Exec("Delete From UsersRegistry where UserName='other@x.com'"));
    s.SaveCurrentUser("third");
    EXPECT_EQ(Rows("Select * From UsersRegistry where UserName='other@x.com'").size(), 1u);
    EXPECT_EQ(Rows("Select * From LexiUsers").size(), 2u);
}

TEST_F(LocalUsersTest, LogInCopiesTheUsersSettingsOneSetterEach)
{
    SeedUserSettings();
    CSettingsStore s;
    s.Open("test", nullptr);
    s.SaveCurrentUser("pw");
    ASSERT_TRUE(Exec("Update LexiUsers set LogTime='20000101000000'"));

    // Someone else becomes current.
    SeedText("szEmail", "someone@else.com");
    SeedNumber("bMouseShift", 0);
    SeedNumber("bMouseState", 1);
    SeedNumber("bShowPVDeleteConfirmation", 0);
    SeedNumber("bDoNotShowEmptyTranslation", 0);
    SeedText("szCurrentLearnDictionary", "");
    SeedText("szDictionaryList", "");
    SeedText("szDisplayLanguage", "English");
    SeedText("szLanguageSkin", "lxpen01");
    SeedText("szProfilePath", "");
    SeedText("szCurrentDictionary", "");
    SeedNumber("dwLastSyncInfo", 0);

    ConfigChangeCounter counter;
    SeedNumber("hwndVedezivi", HandleToULong(counter.Window()));
    s.LogInUser("user@x.com");
    EXPECT_EQ(counter.Count(), 12);

    EXPECT_EQ(RegText("szEmail"), "user@x.com");
    EXPECT_EQ(RegNumber("bMouseShift"), 1u);
    EXPECT_EQ(RegNumber("bMouseState"), 3u);
    EXPECT_EQ(RegNumber("bShowPVDeleteConfirmation"), 1u);
    EXPECT_EQ(RegNumber("bDoNotShowEmptyTranslation"), 1u);
    EXPECT_EQ(RegText("szCurrentLearnDictionary"), "learn");
    EXPECT_EQ(RegText("szDictionaryList"), "d1|d2");
    EXPECT_EQ(RegText("szDisplayLanguage"), "Deutsch");
    EXPECT_EQ(RegText("szLanguageSkin"), "lxpde01");
    EXPECT_EQ(RegText("szProfilePath"), ".\\data\\profile\\user@x.com");
    EXPECT_EQ(RegText("szCurrentDictionary"), "d1");
    EXPECT_EQ(RegNumber("dwLastSyncInfo"), 4000000000u);
    EXPECT_EQ(s.szEmail(), "user@x.com");
    EXPECT_TRUE(lxtest::FileExists("data\\profile\\user@x.com"));
    const auto users = Rows("Select * From LexiUsers");
    ASSERT_EQ(users.size(), 1u);
    EXPECT_NE(*users[0].at("LogTime"), "20000101000000");

    // A user with a LexiUsers row but no settings: only the time stamp changes.
    ASSERT_TRUE(Exec("Insert Into LexiUsers values('bare@x.com', 'cA==', '20000101000000')"));
    counter.Reset();
    s.LogInUser("BARE@x.com");  // names in SQL compare exactly: no row at all
    s.LogInUser("bare@x.com");
    EXPECT_EQ(counter.Count(), 0);
    EXPECT_EQ(RegText("szEmail"), "user@x.com");
    const auto bare = Rows("Select * From LexiUsers where UserName='bare@x.com'");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_NE(*bare[0].at("LogTime"), "20000101000000");
}

TEST_F(LocalUsersTest, AnonymousLogInKeepsItsLogTime)
{
    CreateReleaseKey();
    SeedText("szEmail", lxfacts::kAnonymousUser);
    SeedNumber("bMouseState", 1);
    CSettingsStore s;
    s.Open("test", nullptr);
    s.SaveCurrentUser(lxfacts::kAnonymousPassword);
    ASSERT_TRUE(Exec("Update LexiUsers set LogTime='20000101000000'"));
    const auto saved = Rows("Select * From LexiUsers");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(*saved[0].at("UserPass"), "NzM1MQ==");

    SeedNumber("bMouseState", 2);
    s.LogInUser("Anonymous@Norvanta.com");  // compared without regard to case
    auto users = Rows("Select * From LexiUsers");
    EXPECT_EQ(*users[0].at("LogTime"), "20000101000000");
    s.LogInUser(lxfacts::kAnonymousUser);
    users = Rows("Select * From LexiUsers");
    EXPECT_EQ(*users[0].at("LogTime"), "20000101000000");
    EXPECT_EQ(RegNumber("bMouseState"), 1u);  // its stored settings are back
}

TEST_F(LocalUsersTest, ProfileFoldersAreMadeLevelByLevel)
{
    CreateReleaseKey();
    SeedText("szProfilePath", ".\\data\\profile\\a@b.com\\deeper");
    CSettingsStore s;
    s.Open("test", nullptr);
    s.CreateProfileDirectories();
    EXPECT_TRUE(lxtest::FileExists("data\\profile\\a@b.com\\deeper"));

    const std::string absolute = m_dir + "\\abs\\x";
    SeedText("szProfilePath", absolute);
    s.Reopen();
    s.CreateProfileDirectories();
    EXPECT_TRUE(lxtest::FileExists(absolute));
}

TEST_F(LocalUsersTest, OldLexiUsersWithoutLogTimeIsRebuilt)
{
    CreateDirectoryA("data\\admin", nullptr);
    const std::string longPass = Base64Encode(Repeat(60));  // holds a CR LF
    ASSERT_TRUE(Exec("Create Table LexiUsers(UserName varchar(20), UserPass varchar(20))"));
    ASSERT_TRUE(Exec("Insert Into LexiUsers values('a@x.com', 'cA==')"));
    ASSERT_TRUE(Exec("Insert Into LexiUsers values('b|c@x.com', '" + longPass + "')"));
    ASSERT_TRUE(Exec("Insert Into LexiUsers values(' NULL ', NULL)"));
    ASSERT_TRUE(Exec("Create Table UsersRegistry(UserName varchar(50), MouseState varchar(1), "
                     "DisplayLanguage varchar(30), ProfilePath varchar(225))"));
    ASSERT_TRUE(Exec("Insert Into UsersRegistry values('a@x.com', '3', 'Deutsch', NULL)"));
    ASSERT_TRUE(Exec("Create Table NorvantaReg(ValueName varchar(50), ValueType varchar(2), "
                     "ValueData varchar(300))"));

    CSettingsStore s;
    s.Open("test", nullptr);

    const auto users = Rows("Select * From LexiUsers");
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[0], (Row{{"UserName", "a@x.com"}, {"UserPass", "cA=="}, {"LogTime", ""}}));
    EXPECT_EQ(users[1],
              (Row{{"UserName", "b|c@x.com"}, {"UserPass", longPass}, {"LogTime", ""}}));
    EXPECT_EQ(users[2], (Row{{"UserName", " NULL "}, {"UserPass", ""}, {"LogTime", ""}}));

    const auto settings = Rows("Select * From UsersRegistry");
    ASSERT_EQ(settings.size(), 1u);
    const Row expected = {
        {"UserName", "a@x.com"},        {"MouseShift", "0"},
        {"MouseState", "3"},            {"ShowPVDeleteConfirmation", "1"},
        {"CurrentLearnDictionary", ""}, {"DictionaryList", ""},
        {"DisplayLanguage", "Deutsch"}, {"LanguageSkin", ""},
        {"ProfilePath", ""},            {"CurrentDictionary", ""},
        {"LastSyncInfo", ""},           {"ShowEmptyTranslation", "1"}};
    EXPECT_EQ(settings[0], expected);
    EXPECT_EQ(Rows("Select name From sqlite_master where name='LexipopReg'").size(), 1u);

    // The current layout is left alone from now on; so is an old table without rows.
    ASSERT_TRUE(Exec("Update LexiUsers set LogTime='x'"));
    ASSERT_TRUE(Exec("drop table UsersRegistry"));
    ASSERT_TRUE(Exec("Create Table UsersRegistry(UserName varchar(50))"));
    s.Reopen();
    EXPECT_EQ(*Rows("Select * From LexiUsers")[0].at("LogTime"), "x");
    const auto layout = Rows("Select sql From sqlite_master where name='UsersRegistry'");
    ASSERT_EQ(layout.size(), 1u);
    EXPECT_EQ(*layout[0].at("sql"), "CREATE TABLE UsersRegistry(UserName varchar(50))");
}
