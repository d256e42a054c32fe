// The program's message boxes. Every message box of the wizard goes through ShowAppMessage,
// which shows it skinned (skinbinding.h); the framework's standard box stands in where the
// skinned dialog library is missing.
#pragma once

#include <windows.h>

#include <string>

// A skinned message box; `style` is handed to the skinned box as it is (0x40 added).
int ShowAppMessage(const std::string& text, UINT style = MB_OK);
// The framework's standard box: the program's name as the caption, OK with an exclamation
// icon unless the caller asks for other buttons or icons.
int ShowFrameworkMessage(const std::string& text, UINT style = MB_OK);
// The same box with owner, caption and style exactly as given (a box of its own kind, such
// as system information's "Info Error").
int ShowAppMessage(HWND owner, const std::string& text, const std::string& caption, UINT style);

// Name of the running program: its file name without folder and extension.
std::string AppProgramName();
