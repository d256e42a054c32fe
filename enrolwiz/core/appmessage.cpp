#include "appmessage.h"

#include "productfacts.h"
#include "skinbinding.h"

std::string AppProgramName()
{
    return lxfacts::ModuleBaseName(nullptr);
}

int ShowAppMessage(const std::string& text, UINT style)
{
    return ShowSkinMessage(text, nullptr, style);
}

int ShowFrameworkMessage(const std::string& text, UINT style)
{
    if ((style & MB_ICONMASK) == 0) {
        const UINT buttons = style & MB_TYPEMASK;
        if (buttons == MB_OK || buttons == MB_OKCANCEL)
            style |= MB_ICONEXCLAMATION;
        else if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL)
            style |= MB_ICONQUESTION;
    }
    return ShowAppMessage(GetActiveWindow(), text, AppProgramName(), style | MB_SETFOREGROUND);
}

int ShowAppMessage(HWND owner, const std::string& text, const std::string& caption, UINT style)
{
    return MessageBoxA(owner, text.c_str(), caption.c_str(), style);
}
