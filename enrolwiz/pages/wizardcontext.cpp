#include "wizardcontext.h"

#include "productfacts.h"
#include "replyrules.h"
#include "resourcehandle.h"
#include "skinbinding.h"

#include <algorithm>
#include <cctype>

std::string CWizardContext::ModuleText(UINT id)
{
    char buffer[1024];
    const int n = LoadStringA(LxResourceHandle(), id, buffer, static_cast<int>(sizeof buffer));
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string CWizardContext::GetText(UINT id) const
{
    return useBuiltinStrings ? std::string(BuiltinText(id)) : ModuleText(id);
}

int CWizardContext::BuiltinStringsWanted(const CSettingsStore& store)
{
    if (store.szCurrentDictionary().find("Chinese(S)") == std::string::npos)
        return 0;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = GetVersionExA(&version);
#pragma GCC diagnostic pop
    return known && version.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

HWND CWizardContext::Button(int id) const
{
    return sheet ? GetDlgItem(sheet, id) : nullptr;
}

void CWizardContext::ShowButton(int id, bool shown) const
{
    if (HWND button = Button(id))
        ShowWindow(button, shown ? SW_SHOW : SW_HIDE);
}

void CWizardContext::EnableButton(int id, bool enabled) const
{
    if (HWND button = Button(id))
        EnableWindow(button, enabled ? TRUE : FALSE);
}

void CWizardContext::PressButton(int id) const
{
    HWND button = Button(id);
    if (!button)
        return;
    EnableWindow(button, TRUE);
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(button, WM_LBUTTONUP, MK_LBUTTON, 0);
}

void CWizardContext::SetTitle(const std::string& text)
{
    title = text;
    if (!sheet)
        return;
    ApplyTitle();
    PostMessageA(sheet, kApplyTitle, 0, 0);
}

void CWizardContext::ApplyTitle() const
{
    // The title bar is drawn in the system's caption font, whatever the pages' fonts: it gets
    // the letters of the title in Unicode, from the encoding the texts came in.
    const lxfacts::Language& language = useBuiltinStrings
                                            ? lxfacts::LanguageFor("Chinese (S)")
                                            : lxfacts::LanguageOfModule(LxResourceHandle());
    // Straight to the system's own handling: the sheet's window procedure is an ANSI one and
    // would take the letters through the system's code page.
    DefWindowProcW(sheet, WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(lxfacts::LanguageText(language, title).c_str()));
}

int CWizardContext::ShowMessage(const std::string& text, UINT style) const
{
    return ShowSkinMessage(text, &data.settings, style);
}

void CWizardContext::ShowStatusText(int code) const
{
    if (const int id = StatusTextId(std::to_string(code)))
        ShowText(static_cast<UINT>(id), MB_ICONQUESTION);
}

bool CWizardContext::ServerKnown() const
{
    return !data.link.GetOnLineServer().empty() && !data.link.GetOnLinePort().empty();
}

void CWizardContext::ApplyNoServerRule() const
{
    data.skipRest = 1;
    data.cancelled = 1;
    ShowText(192, MB_ICONQUESTION);
}

void CWizardContext::ApplyCancelRule() const
{
    data.cancelled = 1;
    data.skipRest = 1;
    data.accountKnown = 0;
    data.requests.EndWaits();  // whatever answers now comes too late
    CloseWaitingDialog();
    PressNext();
}

void CWizardContext::OpenWaiting(HWND page, const std::string& text) const
{
    OpenWaitingDialog(text, data.settings);
    RECT rect = {};
    if (page && GetWindowRect(page, &rect))
        CenterWaitingDialog(rect);
}

void CWizardContext::BeginWaiting(HWND page, UINT captionId,
                                  const std::function<void()>& startRequest)
{
    EnableButton(kIdNext, false);
    EnableButton(kIdBack, false);
    const std::string caption = GetText(captionId);
    CCommClientWrapper::SetWaitingWindow(sheet);
    // The dialog first: a link that refuses at once answers inside the request's call, and
    // that answer closes it.
    data.waitingCaption = caption;
    OpenWaiting(page, caption);
    if (startRequest)
        startRequest();
}

void CWizardContext::CloseWaiting() const
{
    CloseWaitingDialog();
}

void CWizardContext::EndWaiting() const
{
    CloseWaitingDialog();
    EnableButton(kIdNext, true);
    EnableButton(kIdBack, true);
}

std::string CWizardContext::ProgressText(WPARAM code) const
{
    std::string line;
    if (code == 12)
        line.clear();
    else if (code >= 1 && code <= 11)
        line = GetText(125 + static_cast<UINT>(code));
    else
        line = GetText(128);
    return data.waitingCaption + "\n\n" + line;
}

void CWizardContext::EnsureProfileDirectory() const
{
    std::string name = data.email;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    CreateDirectoryA(".\\data\\profile", nullptr);
    const std::string dir = ".\\data\\profile\\" + name;
    if (GetFileAttributesA(dir.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryA(dir.c_str(), nullptr);
}
