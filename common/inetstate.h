// The machine's Internet state as every module that talks to the account service sees it:
// the operating-system name, whether the machine counts as online, and WinInet error texts.
#pragma once

#include <windows.h>

#include <string>

namespace lxinet {

// Operating-system name: "W95", "W98", "WME", "WNT", "W2K", "WXP", or empty for any other.
std::string OsName();
// Online when the name is "WME" (the system is not asked there) or when the system's
// connected-state query reports a connection.
bool MachineOnline(const std::string& osName);
inline bool MachineOnline() { return MachineOnline(OsName()); }

// Text of a WinInet error number (at most 1024 bytes, trailing line ends removed), or
// "WinInet unknown error".
std::string InternetErrorText(DWORD error);

}  // namespace lxinet
