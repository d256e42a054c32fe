#include "appmessage.h"

std::string AppProgramName()
{
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof path - 1);
    std::string name = path;
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

int ShowAppMessage(const std::string& text, UINT style)
{
    if ((style & MB_ICONMASK) == 0) {
        const UINT buttons = style & MB_TYPEMASK;
        if (buttons == MB_OK || buttons == MB_OKCANCEL)
            style |= MB_ICONEXCLAMATION;
        else if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL)
            style |= MB_ICONQUESTION;
    }
    return MessageBoxA(GetActiveWindow(), text.c_str(), AppProgramName().c_str(),
                       style | MB_SETFOREGROUND);
}
