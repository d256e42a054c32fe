// Engine status texts: what a negative status of the text-extraction engine means.
//
// Shared by glyphread (which writes the texts to its log) and fontlearner (which shows them in
// a message box); both build this unit.
#pragma once

#include <windows.h>

#include <string>

class CErrorLog;

// Text of a status; "%s" places are filled with the file name that the engine reports at this
// moment. Codes without a text (and non-negative statuses) give "<unknown>".
std::string EngineStatusText(int status);

// "Textract error <status>:\n\n<text>\n", the message shown or logged for a failed status.
std::string EngineErrorMessage(int status, const std::string& statusText);

// Status check of the library: true for zero or more, writing nothing. A negative status
// writes "No Existing pattern for OCR." (for -995 only), then the
// "AErrorIf code message returned: " line and the "Textract error" line, and gives false.
bool CheckEngineStatus(int status, CErrorLog& log);

// Status check of the pattern builder: the same rule, but a negative status is shown in a
// message box (stop icon, OK button) owned by `owner` instead of being logged.
bool CheckEngineStatusWithBox(int status, HWND owner, const char* caption);
