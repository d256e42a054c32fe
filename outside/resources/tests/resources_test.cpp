// The staged language modules (texts and pictures of every language) and the staged
// installation data, read the way the wizard reads them.
#include "animatedpicture.h"
#include "fieldsplitter.h"
#include "lxtest.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kModules[] = {"resen.dll", "resde.dll", "reszh.dll", "resvi.dll", "resreg.dll"};

struct Module {
    explicit Module(const std::string& name)
        : handle(LoadLibraryA((lxtest::StageDir() + "\\" + name).c_str()))
    {
    }
    ~Module()
    {
        if (handle)
            FreeLibrary(handle);
    }
    std::wstring Text(UINT id) const
    {
        const wchar_t* text = nullptr;
        int n = LoadStringW(handle, id, reinterpret_cast<LPWSTR>(&text), 0);
        return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
    }
    HMODULE handle;
};

// Narrow text in code page cp; "?" marks when a character has no byte form there.
std::string Narrow(const std::wstring& w, UINT cp)
{
    BOOL lost = FALSE;
    char buf[1024];
    int n = WideCharToMultiByte(cp, 0, w.c_str(), static_cast<int>(w.size()), buf, sizeof buf,
                                nullptr, cp == CP_UTF8 ? nullptr : &lost);
    return lost ? "?" : std::string(buf, static_cast<size_t>(n > 0 ? n : 0));
}

TEST(LanguageModules, EveryTextInEveryLanguageAndItsEncoding)
{
    std::map<std::string, std::map<UINT, std::wstring>> texts;
    for (const char* name : kModules) {
        Module m(name);
        ASSERT_TRUE(m.handle) << name;
        for (UINT id = 101; id <= 196; ++id) {
            texts[name][id] = m.Text(id);
            EXPECT_FALSE(texts[name][id].empty()) << name << " lacks text " << id;
        }
        // The honorific list keeps its closing separator; 125 names the field to replace.
        std::wstring honorifics = texts[name][123];
        EXPECT_EQ(std::count(honorifics.begin(), honorifics.end(), L'|'), 3) << name;
        EXPECT_EQ(honorifics.back(), L'|') << name;
        EXPECT_NE(texts[name][125].find(L"[field name]"), std::wstring::npos) << name;
    }
    // English titles as the pages quote them; the fallback module speaks English.
    const std::map<UINT, std::wstring> titles = {{103, L"Wizard"},
                                                 {123, L"Mr.|Mrs.|Miss|"},
                                                 {175, L"Lexipop Mouse Activation Settings"},
                                                 {176, L"User Email Address"},
                                                 {177, L"User Email Verification"},
                                                 {178, L"PIN Verification"},
                                                 {179, L"Password Verification"},
                                                 {180, L"User Country"},
                                                 {181, L"User Address Information"},
                                                 {182, L"Tavimo Registration"},
                                                 {183, L"Lexipop Promo"},
                                                 {185, L"Lexipop Installation Complete"}};
    for (const auto& [id, title] : titles) EXPECT_EQ(texts["resen.dll"][id], title) << id;
    EXPECT_EQ(texts["resreg.dll"], texts["resen.dll"]);
    // Each language is its own: no text left in English where it reads differently.
    for (const char* name : {"resde.dll", "reszh.dll", "resvi.dll"})
        EXPECT_NE(texts[name][176], texts["resen.dll"][176]) << name;

    // Chinese: real CJK characters that GBK holds; German and Vietnamese: 8-bit texts of
    // code page 1252 (Vietnamese bytes are the "Heo May 1.1" font's VISCII).
    EXPECT_EQ(texts["reszh.dll"][103], L"\u5411\u5bfc");
    EXPECT_EQ(texts["reszh.dll"][145], L"-- \u9009\u62e9\u56fd\u5bb6 --");
    EXPECT_EQ(Narrow(texts["resvi.dll"][175], 1252), "C\xe0i \xf0\xa3t chu\xb5t Lexipop");
    EXPECT_EQ(Narrow(texts["resde.dll"][119], 1252),
              "Stra\xdf"
              "e");
    for (UINT id = 101; id <= 196; ++id) {
        EXPECT_NE(Narrow(texts["reszh.dll"][id], 936), "?") << id;
        EXPECT_NE(Narrow(texts["resvi.dll"][id], 1252), "?") << id;
        EXPECT_NE(Narrow(texts["resde.dll"][id], 1252), "?") << id;
    }
}

SIZE BitmapSize(HMODULE module, int id)
{
    HBITMAP bmp =
        static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    BITMAP info = {};
    if (!bmp || !GetObjectA(bmp, sizeof info, &info))
        return {0, 0};
    DeleteObject(bmp);
    return {info.bmWidth, info.bmHeight};
}

TEST(LanguageModules, PicturesCursorAndAnimationsLoad)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    for (const char* name : kModules) {
        Module m(name);
        ASSERT_TRUE(m.handle) << name;
        // Page backgrounds fill the 558 x 392 page.
        for (int id : {129, 130, 132, 133, 135, 136, 137, 138, 164, 202, 203, 204}) {
            SIZE s = BitmapSize(m.handle, id);
            EXPECT_TRUE(s.cx == 558 && s.cy == 392)
                << name << " bitmap " << id << " " << s.cx << "x" << s.cy;
        }
        // The wizard-97 watermark and header, the mouse page's pictures: each set of one size.
        const std::vector<std::vector<int>> sets = {
            {131}, {134}, {142, 143, 144, 145}, {146, 147}, {182}, {205}, {206}};
        for (const auto& set : sets) {
            SIZE first = BitmapSize(m.handle, set[0]);
            EXPECT_GT(first.cx, 0) << name << " bitmap " << set[0];
            for (int id : set) {
                SIZE s = BitmapSize(m.handle, id);
                EXPECT_TRUE(s.cx == first.cx && s.cy == first.cy) << name << " bitmap " << id;
            }
        }
        HCURSOR hand = static_cast<HCURSOR>(
            LoadImageA(m.handle, MAKEINTRESOURCEA(201), IMAGE_CURSOR, 0, 0, 0));
        ICONINFO ii = {};
        ASSERT_TRUE(hand && GetIconInfo(hand, &ii)) << name;
        EXPECT_FALSE(ii.fIcon);
        EXPECT_TRUE(ii.xHotspot > 0 && ii.xHotspot < 16 && ii.yHotspot < 4)
            << ii.xHotspot << "," << ii.yHotspot;
        DeleteObject(ii.hbmMask);
        if (ii.hbmColor)
            DeleteObject(ii.hbmColor);
        DestroyCursor(hand);
        // The four mouse actions: full-page GIF animations that the mouse page's control plays.
        for (int id = 207; id <= 210; ++id) {
            CAnimatedPicture pic;
            HWND stat = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 558, 392, host, nullptr,
                                        nullptr, nullptr);
            ASSERT_TRUE(pic.SubclassWindow(stat));
            ASSERT_TRUE(pic.LoadResource(m.handle, MAKEINTRESOURCEA(id), "GIF"))
                << name << " GIF " << id;
            EXPECT_TRUE(pic.IsGif());
            EXPECT_GE(pic.GetFrameCount(), 5u) << id;
            EXPECT_EQ(pic.GetPictureSize().cx, 558);
            EXPECT_EQ(pic.GetPictureSize().cy, 392);
            EXPECT_GE(CAnimatedPicture::FrameShowMs(pic.GetFrame(pic.GetFrameCount() - 1)), 1000u)
                << "the pop-up stays a while";
            pic.UnLoad();
            DestroyWindow(stat);
        }
    }
    DestroyWindow(host);
    CoUninitialize();
}

std::vector<std::string> Fields(const std::string& text, char sep)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = text.find(sep, start)) != std::string::npos; start = at + 1)
        out.push_back(text.substr(start, at - start));
    if (start < text.size())
        out.push_back(text.substr(start));
    return out;
}

// Trimmed, non-empty lines of a staged data file.
std::vector<std::string> DataLines(const char* file)
{
    std::vector<std::string> lines;
    for (const std::string& line :
         Fields(lxtest::ReadFileBytes(lxtest::StageDir() + "\\data\\" + file), '\n'))
        if (!CFieldSplitter::Trim(line).empty())
            lines.push_back(CFieldSplitter::Trim(line));
    return lines;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST(InstallationData, ListsReadAsTheWizardReadsThem)
{
    lxtest::CurrentDir here(lxtest::StageDir());
    // Server and port lists: the account-service stand-in on this machine.
    CFieldSplitter servers, ports;
    servers.LoadFile(".\\data\\server.lst");
    ports.LoadFile(".\\data\\port.lst");
    ASSERT_GE(servers.GetCount(), 1u);
    EXPECT_EQ(servers.GetField(0), "127.0.0.1");
    ASSERT_GE(ports.GetCount(), 1u);
    EXPECT_EQ(ports.GetField(0), "8765");
    for (unsigned i = 0; i < ports.GetCount(); ++i)
        EXPECT_EQ(ports.GetField(i).find_first_not_of("0123456789"), std::string::npos);

    // Countries: every name has its code and postal format and a template (its own or the
    // default one); placeholders come first and before the rest.
    std::vector<std::string> names = DataLines("CountryNames.lst");
    ASSERT_GE(names.size(), 40u);
    EXPECT_EQ(names.front(), "-- choose country --");
    EXPECT_NE(std::find(names.begin(), names.end(), "-- other countries --"), names.end());
    std::map<std::string, std::vector<std::string>> postal;
    std::set<std::string> codes;
    for (const std::string& line : DataLines("PostalCode.lst")) {
        std::vector<std::string> f = Fields(line, '|');
        ASSERT_GE(f.size(), 3u) << line;
        EXPECT_TRUE(f[0].size() == 2 && std::all_of(f[0].begin(), f[0].end(), ::isupper)) << line;
        EXPECT_TRUE(codes.insert(f[0]).second) << "code twice: " << line;
        // Letters N (digit), C (non-digit) and the literals blank and dash.
        EXPECT_EQ(f[2].find_first_not_of("NC -"), std::string::npos) << line;
        postal.emplace(Lower(f[1]), f);
    }
    const std::set<std::string> tags = {
        "<Honorific>",  "<Title>",       "<Company Name>",     "<First Name>",
        "<Last Name>",  "<Second Name>", "<Second Last Name>", "<Address 1>",
        "<Address 2>",  "<Address 3>",   "<Postal Code>",      "<City>",
        "<State>",      "<Province>",    "<Street>",           "<Country>",
        "<Prefecture>", "<District>"};
    std::map<std::string, std::string> templates;
    for (const std::string& line : DataLines("CountryList.lst")) {
        size_t close = line.find("\">");
        ASSERT_TRUE(line.rfind("<Country=\"", 0) == 0 && close != std::string::npos) << line;
        std::string country = line.substr(10, close - 10), body = line.substr(close + 2);
        templates[Lower(country)] = body;
        std::vector<std::string> rows = Fields(body[0] == '|' ? body.substr(1) : body, '|');
        // A company inserts one more row; eight rows of 26 pixels from y 150 fit the page.
        EXPECT_LE(rows.size(), 7u) << country;
        std::set<std::string> seen;
        for (const std::string& row : rows)
            for (const std::string& tag : Fields(row, '?')) {
                EXPECT_TRUE(tags.count(tag)) << country << ": " << tag;
                EXPECT_TRUE(seen.insert(tag).second) << country << ": " << tag << " twice";
            }
        for (const char* needed : {"<Honorific>", "<First Name>", "<Last Name>", "<Address 1>"})
            EXPECT_TRUE(seen.count(needed)) << country << " lacks " << needed;
        EXPECT_FALSE(seen.count("<Company Name>"))
            << country << ": the page inserts it for companies";
        if (country != "Default") {
            EXPECT_TRUE(postal.count(Lower(country))) << country << " is no country of the lists";
        }
    }
    ASSERT_TRUE(templates.count("default"));
    for (const std::string& name : names) {
        if (name.rfind("--", 0) == 0)
            continue;
        EXPECT_TRUE(postal.count(Lower(name))) << name << " has no postal line";
    }
    EXPECT_EQ(postal["united states"][2], "NNNNN-NNNN");
    EXPECT_TRUE(templates.count("united states") &&
                templates["united states"].find("<State>") != std::string::npos);

    // US states: the 50 and the District of Columbia, each once.
    std::set<std::string> states;
    for (const std::string& line : DataLines("USStates.lst"))
        EXPECT_TRUE(states.insert(Fields(line, '|')[0]).second) << line;
    EXPECT_EQ(states.size(), 51u);
    EXPECT_TRUE(states.count("District of Columbia") && states.count("Wyoming"));

    // Domain list: a three-character ending with its dot, one separator, a country name.
    std::set<std::string> endings;
    for (const std::string& line : DataLines("domainlist.lst")) {
        ASSERT_GT(line.size(), 4u) << line;
        EXPECT_TRUE(line[0] == '.' && std::islower(static_cast<unsigned char>(line[1])) &&
                    std::islower(static_cast<unsigned char>(line[2])) && line[3] == ' ')
            << line;
        EXPECT_TRUE(endings.insert(line.substr(0, 3)).second) << line;
    }
    EXPECT_GE(endings.size(), 40u);
    EXPECT_TRUE(endings.count(".de") && endings.count(".vn") && endings.count(".cn"));
}

}  // namespace
