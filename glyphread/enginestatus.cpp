#include "enginestatus.h"

#include "errorlog.h"
#include "textract.h"

#include <cstdio>

namespace {

const char* const kNoPattern = "No Existing pattern for OCR.";

// The engine may hand back no name at all; the message then shows an empty one.
std::string NameOrEmpty(const char* name)
{
    return name ? std::string(name) : std::string();
}

std::string WithFileName(const char* pattern, const char* fileName)
{
    const std::string name = NameOrEmpty(fileName);
    std::string text(pattern);
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, name);
    return text;
}

}  // namespace

std::string EngineStatusText(int status)
{
    switch (status) {
    case TEXTRACT_E_USER_REJECTED:
        return "User rejected the operation";
    case TEXTRACT_E_ARGUMENT:
        return "Incorrect argument";
    case TEXTRACT_E_BMP_FILE:
        return "Incorrect BMP file\nOnly 1, 4, 8, 16, 24, 32 bpp Windows BMP files are supported";
    case TEXTRACT_E_RECT_OUTSIDE:
        return "Rectangle is out of window";
    case TEXTRACT_E_FILE_A:
        return WithFileName("File %s not found", EngineFileNameA());
    case TEXTRACT_E_NO_PATTERNS:
        return WithFileName("Font pattern base file %s not found\n\nClick \"Build font pattern "
                            "database...\" button for building it",
                            EnginePatternFileName());
    case TEXTRACT_E_BITMAP_FILE:
        return WithFileName("Bitmap file %s not found", EngineBitmapFileName());
    case TEXTRACT_E_FILE_B:
        return WithFileName("File %s not found", EngineFileNameB());
    case TEXTRACT_E_INIT:
        return "Initialization failed";
    case TEXTRACT_E_TERMINATE:
        return "Termination failed";
    case TEXTRACT_E_INTERNAL:
        return "Internal error";
    default:
        return "<unknown>";
    }
}

std::string EngineErrorMessage(int status, const std::string& statusText)
{
    char head[48];
    std::snprintf(head, sizeof head, "Textract error %d:\n\n", status);
    return head + statusText + "\n";
}

bool CheckEngineStatus(int status, CErrorLog& log)
{
    if (status >= 0)
        return true;
    if (status == TEXTRACT_E_NO_PATTERNS) {
        OutputDebugStringA(kNoPattern);
        log.Write(kNoPattern);
    }
    const std::string text = EngineStatusText(status);
    log.Write("AErrorIf code message returned: " + text + "\n");
    log.Write(EngineErrorMessage(status, text));
    return false;
}

bool CheckEngineStatusWithBox(int status, HWND owner, const char* caption)
{
    if (status >= 0)
        return true;
    if (status == TEXTRACT_E_NO_PATTERNS)
        OutputDebugStringA(kNoPattern);
    const std::string text = EngineStatusText(status);
    MessageBoxA(owner, EngineErrorMessage(status, text).c_str(), caption, MB_OK | MB_ICONSTOP);
    return false;
}
