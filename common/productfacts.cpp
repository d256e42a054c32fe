#include "productfacts.h"

#include <iterator>

namespace lxfacts {

namespace {

const Language kLanguages[] = {
    {"English", "resen.dll", ".\\skin\\lxpen01.skn", 1252, false},
    {"Deutsch", "resde.dll", ".\\skin\\lxpde01.skn", 1252, false},
    {"Chinese (S)", "reszh.dll", ".\\skin\\lxpzh01.skn", 936, false},
    // Vietnamese texts are 8-bit text that the "Heo May 1.1" font draws.
    {"Vietnamese", "resvi.dll", ".\\skin\\lxpvi01.skn", 1252, true},
};

// VISCII: ASCII but for six capitals among the control codes, and 128 letters above.
const wchar_t kVisciiHigh[128] = {
    0x1EA0, 0x1EAE, 0x1EB0, 0x1EB6, 0x1EA4, 0x1EA6, 0x1EA8, 0x1EAC,
    0x1EBC, 0x1EB8, 0x1EBE, 0x1EC0, 0x1EC2, 0x1EC4, 0x1EC6, 0x1ED0,
    0x1ED2, 0x1ED4, 0x1ED6, 0x1ED8, 0x1EE2, 0x1EDA, 0x1EDC, 0x1EDE,
    0x1ECA, 0x1ECE, 0x1ECC, 0x1EC8, 0x1EE6, 0x0168, 0x1EE4, 0x1EF2,
    0x00D5, 0x1EAF, 0x1EB1, 0x1EB7, 0x1EA5, 0x1EA7, 0x1EA9, 0x1EAD,
    0x1EBD, 0x1EB9, 0x1EBF, 0x1EC1, 0x1EC3, 0x1EC5, 0x1EC7, 0x1ED1,
    0x1ED3, 0x1ED5, 0x1ED7, 0x1EE0, 0x01A0, 0x1ED9, 0x1EDD, 0x1EDF,
    0x1ECB, 0x1EF0, 0x1EE8, 0x1EEA, 0x1EEC, 0x01A1, 0x1EDB, 0x01AF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x1EA2, 0x0102, 0x1EB3, 0x1EB5,
    0x00C8, 0x00C9, 0x00CA, 0x1EBA, 0x00CC, 0x00CD, 0x0128, 0x1EF3,
    0x0110, 0x1EE9, 0x00D2, 0x00D3, 0x00D4, 0x1EA1, 0x1EF7, 0x1EEB,
    0x1EED, 0x00D9, 0x00DA, 0x1EF9, 0x1EF5, 0x00DD, 0x1EE1, 0x01B0,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x1EA3, 0x0103, 0x1EEF, 0x1EAB,
    0x00E8, 0x00E9, 0x00EA, 0x1EBB, 0x00EC, 0x00ED, 0x0129, 0x1EC9,
    0x0111, 0x1EF1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x1ECF, 0x1ECD,
    0x1EE5, 0x00F9, 0x00FA, 0x0169, 0x1EE7, 0x00FD, 0x1EE3, 0x1EEE,
};

wchar_t VisciiLetter(unsigned char byte)
{
    switch (byte) {
    case 0x02: return 0x1EB2;
    case 0x05: return 0x1EB4;
    case 0x06: return 0x1EAA;
    case 0x14: return 0x1EF6;
    case 0x19: return 0x1EF8;
    case 0x1E: return 0x1EF4;
    default: return byte < 0x80 ? static_cast<wchar_t>(byte) : kVisciiHigh[byte - 0x80];
    }
}

}  // namespace

const Language& LanguageFor(const std::string& displayLanguage)
{
    for (const Language& language : kLanguages)
        if (_stricmp(displayLanguage.c_str(), language.displayLanguage) == 0)
            return language;
    return kLanguages[0];
}

const Language* Languages(size_t* n)
{
    *n = std::size(kLanguages);
    return kLanguages;
}

const Language& LanguageOfModule(HMODULE module)
{
    if (module) {
        const std::string file = ModuleBaseName(module) + ".dll";
        for (const Language& language : kLanguages)
            if (_stricmp(file.c_str(), language.languageModule) == 0)
                return language;
    }
    return kLanguages[0];
}

std::wstring VisciiToUnicode(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (char c : text)
        out += VisciiLetter(static_cast<unsigned char>(c));
    return out;
}

std::wstring LanguageText(const Language& language, const std::string& text)
{
    if (language.visciiText)
        return VisciiToUnicode(text);
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(language.codePage, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(language.codePage, 0, text.data(), size, &out[0], n);
    return out;
}

std::string WindowsVersionName(DWORD platformId, DWORD major, DWORD minor)
{
    if (platformId == VER_PLATFORM_WIN32_WINDOWS && major == 4) {
        if (minor <= 9)
            return "W95";
        if (minor == 10)
            return "W98";
        if (minor == 90)
            return "WME";
        return std::string();
    }
    if (platformId == VER_PLATFORM_WIN32_NT) {
        if (major < 5)
            return "WNT";
        if (major == 5 && minor == 0)
            return "W2K";
        if (major == 5 && minor == 1)
            return "WXP";
    }
    return std::string();
}

bool RunningWindowsVersionName(std::string& name)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info))
        return false;
#pragma GCC diagnostic pop
    name = WindowsVersionName(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
    return true;
}

std::string ModuleBaseName(HMODULE module)
{
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(module, path, sizeof path - 1);
    std::string name = path;
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

HMODULE ModuleOfAddress(const void* address)
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCSTR>(address), &module);
    return module;
}

}  // namespace lxfacts
