#include "skinbinding.h"

#include "appmessage.h"
#include "moduleexport.h"
#include "settingsstore.h"
#include "skinbox.h"

#include <cstdio>

namespace {

const char kLibrary[] = "lxpmsgbx.dll";

// The waiting dialog: the library as loaded for it, and the dialog. At most one at a time.
HMODULE g_waitingLibrary = nullptr;
void* g_waitingDialog = nullptr;

}  // namespace

std::string& SkinResourceModuleName()
{
    static std::string name;
    return name;
}

int ShowSkinMessage(const std::string& text, CSettingsStore*, UINT style)
{
    // A message the store itself shows while it opens comes here again: that one, and any
    // message while the library is missing, goes to the framework's box.
    static bool inside = false;
    HMODULE library = inside ? nullptr : LoadLibraryA(kLibrary);
    const auto setAppSkin = ModuleExport<SetAppSkinFn>(library, "SetAppSkin");
    const auto openMsgDlg = ModuleExport<OpenMsgDlgFn>(library, "OpenMsgDlg");
    if (!setAppSkin || !openMsgDlg) {
        if (library)
            FreeLibrary(library);
        return ShowFrameworkMessage(text, style);
    }
    inside = true;
    std::string skin;
    {
        CSettingsStore store;
        store.Open("LexiReg", nullptr);
        skin = store.GetSkinFile();
    }
    inside = false;
    setAppSkin(skin.c_str());
    const int answer = openMsgDlg(SkinResourceModuleName().c_str(), "", text.c_str(),
                                  static_cast<int>(style | 0x40));
    FreeLibrary(library);
    return answer;
}

int OpenWaitingDialog(const std::string& text, const CSettingsStore& store)
{
    if (g_waitingLibrary || g_waitingDialog)
        return 0;
    HMODULE library = LoadLibraryA(kLibrary);
    if (!library) {
        ShowFrameworkMessage("Error: 'lxpmsgbx.dll' could not be loaded.", MB_OK);
        return 0;
    }
    g_waitingLibrary = library;
    const auto setAppSkin = ModuleExport<SetAppSkinFn>(library, "SetAppSkin");
    const auto create = ModuleExport<ModelessDlgCreateFn>(library, "ModelessDlgCreate");
    const auto show = ModuleExport<ModelessDlgShowFn>(library, "ModelessDlgShow");
    if (!create) {
        char message[160];
        std::snprintf(message, sizeof message,
                      "Error %d: Loaded 'lxpmsgbx.dll' does not contain the needed export "
                      "function.",
                      static_cast<int>(GetLastError()));
        ShowFrameworkMessage(message, MB_OK);
        return 1;  // the library stays: later calls do nothing
    }
    if (setAppSkin)
        setAppSkin(store.GetSkinFile().c_str());
    g_waitingDialog = create(0, nullptr, SkinResourceModuleName().c_str(), text.c_str(), 0x205);
    if (show && g_waitingDialog)
        show(g_waitingDialog, SW_SHOW);
    return 1;
}

int UpdateWaitingDialog(const std::string& text)
{
    if (!g_waitingLibrary || !g_waitingDialog)
        return 0;
    if (const auto display = ModuleExport<ModelessDlgDisplayFn>(g_waitingLibrary, "ModelessDlgDisplay"))
        display(g_waitingDialog, text.c_str());
    return 1;
}

int CenterWaitingDialog(const RECT& rect)
{
    if (!g_waitingLibrary || !g_waitingDialog)
        return 0;
    if (const auto center = ModuleExport<ModelessDlgCenterFn>(g_waitingLibrary, "ModelessDlgCenter"))
        center(g_waitingDialog, &rect);
    return 1;
}

int CloseWaitingDialog()
{
    if (!g_waitingLibrary || !g_waitingDialog)
        return 0;
    if (const auto destroy = ModuleExport<ModelessDlgDestroyFn>(g_waitingLibrary, "ModelessDlgDestroy"))
        destroy(g_waitingDialog);
    FreeLibrary(g_waitingLibrary);
    g_waitingLibrary = nullptr;
    g_waitingDialog = nullptr;
    return 1;
}
