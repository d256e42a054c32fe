#include "inetstate.h"

#include "productfacts.h"

#include <wininet.h>

#include <cctype>
#include <cstring>

namespace lxinet {

std::string OsName()
{
    std::string name;
    lxfacts::RunningWindowsVersionName(name);
    return name;
}

bool MachineOnline(const std::string& osName)
{
    if (_stricmp(osName.c_str(), "WME") == 0)
        return true;
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

std::string InternetErrorText(DWORD error)
{
    char buf[1024] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                             GetModuleHandleA("wininet.dll"), error, 0, buf, sizeof buf, nullptr);
    if (n == 0)
        n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           error, 0, buf, sizeof buf, nullptr);
    std::string text(buf, n < sizeof buf ? n : sizeof buf - 1);
    // One log line per message: the system's texts end with a line end.
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    if (text.empty())
        return "WinInet unknown error";
    return text;
}

}  // namespace lxinet
