// The program's own message box (the framework's standard box): the program's name as the
// caption, OK with an exclamation icon unless the caller asks for other buttons or icons.
// Every message box of the wizard goes through here, so the look can be changed in one
// place.
#pragma once

#include <windows.h>

#include <string>

int ShowAppMessage(const std::string& text, UINT style = MB_OK);
// The same box with owner, caption and style exactly as given (a box of its own kind, such
// as system information's "Info Error").
int ShowAppMessage(HWND owner, const std::string& text, const std::string& caption, UINT style);

// Name of the running program: its file name without folder and extension.
std::string AppProgramName();
