// Facts every module of the product agrees on: the vendor and release keys of the registry,
// the value names other programs read there, the local database, the anonymous user, the
// display languages with their language module, skin file and code page, and the short
// names of the running system and of a module. Nothing else in the product spells them.
#pragma once

#include <windows.h>

#include <string>

// The vendor key: a single key under "Software" named after the maker's web domain.
#define LX_VENDOR_KEY "norvanta.com"
#define LX_PRODUCT_NAME "Lexipop"

namespace lxfacts {

constexpr const char* kVendorKey = LX_VENDOR_KEY;
// The dictionary's own name: its product key, and the agent name of its downloads.
constexpr const char* kProductName = LX_PRODUCT_NAME;
// HKEY_CURRENT_USER: the release key (the product's settings) and the product key.
constexpr const char* kSoftwareKey = "Software";
constexpr const char* kReleaseKeyName = "release 2.9";
constexpr const char* kReleaseKeyPath = "Software\\" LX_VENDOR_KEY "\\release 2.9";
constexpr const char* kProductKeyPath = "Software\\" LX_PRODUCT_NAME;

// A program that publishes a window writes its handle to the release key under "hwnd"
// followed by its application name; the dictionary program's pop-up is "hwndVedezivi".
constexpr const char* kPublishedWindowPrefix = "hwnd";
constexpr const char* kPopupWindowValue = "hwndVedezivi";

// Local database and the folder of the engine library, both relative to the current folder.
constexpr const char* kDatabaseDir = "./data/admin";
constexpr const char* kDatabaseFile = "./data/admin/system.pwl";
constexpr const char* kEngineDir = "./";

// The user that is current before anybody has signed in.
constexpr const char* kAnonymousUser = "anonymous@" LX_VENDOR_KEY;
// The font family that draws the Vietnamese texts (8-bit VISCII text, selected as ANSI).
constexpr const char* kVietnameseFace = "Heo May 1.1";
constexpr const char* kAnonymousPassword = "7351";

// One display language: the stored setting text, the wizard's language module, the skin
// file of the skinned dialogs and the code page its texts are stored in. The Vietnamese texts
// are VISCII bytes, which Windows has no code page for: the font that draws them is selected
// as ANSI (code page 1252), and everything that needs their letters (a title bar drawn in the
// system's font) converts them through VisciiToUnicode.
struct Language {
    const char* displayLanguage;
    const char* languageModule;
    const char* skinFile;
    UINT codePage;
    bool visciiText;
};

// The language of a stored display language, compared without regard to case; anything
// unknown (the empty text included) is English.
const Language& LanguageFor(const std::string& displayLanguage);
// Every language, English first; count in *n.
const Language* Languages(size_t* n);
// The language of a loaded language module, by its file name (English for any other module,
// the fallback module and null included).
const Language& LanguageOfModule(HMODULE module);
// A language's text in Unicode: VISCII through the product's table, the others through their
// code page.
std::wstring LanguageText(const Language& language, const std::string& text);
// VISCII bytes in Unicode (every byte one letter).
std::wstring VisciiToUnicode(const std::string& text);
// Loaded when the language module of the display language does not load.
constexpr const char* kFallbackLanguageModule = "resreg.dll";

// "W95", "W98", "WME", "WNT", "W2K", "WXP", or empty for any other (later) Windows.
std::string WindowsVersionName(DWORD platformId, DWORD major, DWORD minor);
// The same for the running system; false when the system does not say.
bool RunningWindowsVersionName(std::string& name);

// File name of a module (null: the program) without its folder and extension.
std::string ModuleBaseName(HMODULE module);
// The module that holds the given code address (a function of the caller's module).
HMODULE ModuleOfAddress(const void* address);

}  // namespace lxfacts
