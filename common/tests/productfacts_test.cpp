#include "productfacts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

TEST(ProductFacts, LanguageTableByDisplayLanguage)
{
    const lxfacts::Language german{"Deutsch", "resde.dll", ".\\skin\\lxpde01.skn", 1252, false};
    const lxfacts::Language chinese{"Chinese (S)", "reszh.dll", ".\\skin\\lxpzh01.skn", 936, false};
    const lxfacts::Language vietnamese{"Vietnamese", "resvi.dll", ".\\skin\\lxpvi01.skn", 1252, true};
    const lxfacts::Language english{"English", "resen.dll", ".\\skin\\lxpen01.skn", 1252, false};
    // Compared without regard to case; anything unknown is English.
    const std::pair<const char*, const lxfacts::Language*> cases[] = {
        {"Deutsch", &german},        {"deutsch", &german},   {"Chinese (S)", &chinese},
        {"CHINESE (s)", &chinese},   {"VIETNAMESE", &vietnamese}, {"English", &english},
        {"German", &english},        {"Chinese", &english},  {"", &english},
    };
    for (const auto& [setting, want] : cases) {
        const lxfacts::Language& got = lxfacts::LanguageFor(setting);
        EXPECT_STREQ(got.displayLanguage, want->displayLanguage) << setting;
        EXPECT_STREQ(got.languageModule, want->languageModule) << setting;
        EXPECT_STREQ(got.skinFile, want->skinFile) << setting;
        EXPECT_EQ(got.codePage, want->codePage) << setting;
        EXPECT_EQ(got.visciiText, want->visciiText) << setting;
    }
    size_t n = 0;
    const lxfacts::Language* all = lxfacts::Languages(&n);
    ASSERT_EQ(n, 4u);
    EXPECT_STREQ(all[0].displayLanguage, "English");
    for (size_t i = 0; i < n; ++i)
        EXPECT_EQ(&lxfacts::LanguageFor(all[i].displayLanguage), &all[i]);
}

TEST(ProductFacts, LanguageTextsInUnicode)
{
    size_t n = 0;
    const lxfacts::Language* all = lxfacts::Languages(&n);
    ASSERT_EQ(n, 4u);
    const struct {
        size_t language;
        const char* bytes;
        const wchar_t* letters;
    } cases[] = {
        {0, "User Address", L"User Address"},
        {1, "Stra\xDF" "e", L"Stra\u00DF" L"e"},
        {2, "\xD6\xD0\xCE\xC4", L"\u4E2D\u6587"},  // GBK
        // VISCII: the letters above 0x7F, and the capitals among the control codes.
        {3, "Th\xF4ng tin \xF0\xB8" "a ch\xEF", L"Th\u00F4ng tin \u0111\u1ECBa ch\u1EC9"},
        {3, "\x02\x05\x06\x14\x19\x1E", L"\u1EB2\u1EB4\u1EAA\u1EF6\u1EF8\u1EF4"},
        {3, "\x80\x9F\xA0\xFF", L"\u1EA0\u1EF2\u00D5\u1EEE"},
        {3, "", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lxfacts::LanguageText(all[c.language], c.bytes), c.letters)
            << all[c.language].displayLanguage << " " << c.bytes;
    // Every VISCII byte is one letter, no two bytes the same letter.
    std::string every;
    for (int b = 1; b < 256; ++b)
        every += static_cast<char>(b);
    const std::wstring letters = lxfacts::VisciiToUnicode(every);
    ASSERT_EQ(letters.size(), every.size());
    EXPECT_EQ(std::set<wchar_t>(letters.begin(), letters.end()).size(), letters.size());
    // Modules that are no language module are English.
    EXPECT_STREQ(lxfacts::LanguageOfModule(nullptr).displayLanguage, "English");
    EXPECT_STREQ(lxfacts::LanguageOfModule(GetModuleHandleA(nullptr)).displayLanguage, "English");
}

TEST(ProductFacts, WindowsVersionNamesAndModuleNames)
{
    const DWORD nt = VER_PLATFORM_WIN32_NT;
    const DWORD w9x = VER_PLATFORM_WIN32_WINDOWS;
    struct Case {
        DWORD platform, major, minor;
        const char* name;
    };
    const Case cases[] = {
        {w9x, 4, 0, "W95"}, {w9x, 4, 9, "W95"}, {w9x, 4, 10, "W98"}, {w9x, 4, 90, "WME"},
        {w9x, 4, 11, ""},   {w9x, 5, 0, ""},    {nt, 3, 51, "WNT"},  {nt, 4, 0, "WNT"},
        {nt, 5, 0, "W2K"},  {nt, 5, 1, "WXP"},  {nt, 5, 2, ""},      {nt, 6, 1, ""},
        {nt, 10, 0, ""},    {VER_PLATFORM_WIN32s, 3, 1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lxfacts::WindowsVersionName(c.platform, c.major, c.minor), c.name)
            << c.platform << " " << c.major << "." << c.minor;

    // This machine reports a Windows later than XP.
    std::string running = "unset";
    ASSERT_TRUE(lxfacts::RunningWindowsVersionName(running));
    EXPECT_EQ(running, "");

    EXPECT_EQ(lxfacts::ModuleBaseName(nullptr), "common_test");
    EXPECT_EQ(lxfacts::ModuleBaseName(GetModuleHandleA("kernel32.dll")), "kernel32");
    // Code of this program lies in the program's module.
    EXPECT_EQ(lxfacts::ModuleOfAddress(reinterpret_cast<const void*>(&lxfacts::LanguageFor)),
              GetModuleHandleA(nullptr));
    EXPECT_EQ(lxfacts::ModuleOfAddress(reinterpret_cast<const void*>(&GetTickCount)),
              GetModuleHandleA("kernel32.dll"));
}
