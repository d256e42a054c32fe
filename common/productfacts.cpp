#include "productfacts.h"

#include <iterator>

namespace lxfacts {

namespace {

const Language kLanguages[] = {
    {"English", "resen.dll", ".\\skin\\lxpen01.skn", 1252},
    {"Deutsch", "resde.dll", ".\\skin\\lxpde01.skn", 1252},
    {"Chinese (S)", "reszh.dll", ".\\skin\\lxpzh01.skn", 936},
    // Vietnamese texts are 8-bit text that the "Heo May 1.1" font draws.
    {"Vietnamese", "resvi.dll", ".\\skin\\lxpvi01.skn", 1252},
};

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
