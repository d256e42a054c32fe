// The program's own message box (the framework's standard box): the program's name as the
// caption, OK with an exclamation icon unless the caller asks for other buttons or icons.
// Every plain message of the wizard core goes through here, so the look can be changed in
// one place.
#pragma once

#include <windows.h>

#include <string>

int ShowAppMessage(const std::string& text, UINT style = MB_OK);

// Name of the running program: its file name without folder and extension.
std::string AppProgramName();
