#include "lexiregapp.h"

#include "appmessage.h"
#include "lxwin.h"
#include "productfacts.h"
#include "programlog.h"
#include "settingsstore.h"

#include <commctrl.h>
#include <ole2.h>

#include <cstring>
#include <exception>
#include <memory>

namespace {

const char kHiddenClass[] = "LXPRegistrationMarker";

}  // namespace

CLexiRegApp::CLexiRegApp() = default;

CLexiRegApp::~CLexiRegApp()
{
    if (m_hiddenWindow && IsWindow(m_hiddenWindow))
        DestroyWindow(m_hiddenWindow);
}

int CLexiRegApp::StartAtEmailFromCommandLine(const std::string& commandLine)
{
    return _stricmp(commandLine.c_str(), "-regemail-") == 0 ? 1 : 0;
}

void CLexiRegApp::CreateHiddenWindow()
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    lxwin::RegisterWindowClass(instance, kHiddenClass, CS_SAVEBITS);
    m_hiddenWindow = CreateWindowExA(WS_EX_TOPMOST, kHiddenClass, kInstanceTitle, 0, 400, 400,
                                     500, 500, nullptr, nullptr, instance, nullptr);
}

BOOL CLexiRegApp::InitInstance(const char* commandLine)
{
    // 1. Common controls and ActiveX hosting for the wizard's dialogs.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    const bool ole = SUCCEEDED(OleInitialize(nullptr));

    // 2. Another copy (or any window of that title) is running: end silently.
    if (FindWindowA(nullptr, kInstanceTitle)) {
        if (ole)
            OleUninitialize();
        return FALSE;
    }

    // 3. Mark this copy as running.
    CreateHiddenWindow();

    // 4.-5. The command line and the settings (the database is made on first use).
    const std::string command = commandLine ? commandLine : "";
    auto store = std::make_unique<CSettingsStore>();
    store->Open("Application101", nullptr);
    if (!store->DatabaseError().empty()) {
        // The file is kept as it is (it may be repaired, or belong to another version), but
        // nothing the wizard does can be saved in it: say so once, here.
        const std::string file = lxfacts::kDatabaseFile;
        g_ErrorLog.Write("CLexiRegApp::InitInstance()",
                         "Cannot open the database " + file + ": " + store->DatabaseError());
        ShowAppMessage("The settings file \"" + file + "\" cannot be opened (" +
                       store->DatabaseError() +
                       ").\nYour settings and users cannot be saved until it is repaired or "
                       "removed.");
    }

    // 6.-7. The language module of the stored display language, else the fallback module.
    m_chosenModule = lxfacts::LanguageFor(store->szDisplayLanguage()).languageModule;
    m_loadedModule.clear();
    if (!m_resourceModule) {
        m_resourceModule = LoadLibraryA(m_chosenModule.c_str());
        if (m_resourceModule) {
            m_loadedModule = m_chosenModule;
        } else {
            m_resourceModule = LoadLibraryA(lxfacts::kFallbackLanguageModule);
            if (m_resourceModule)
                m_loadedModule = lxfacts::kFallbackLanguageModule;
        }
    }
    LxSetResourceHandle(m_resourceModule);

    if (!m_resourceModule) {
        // Without a language module there are no pages to show.
        ShowAppMessage("The language files \"" + m_chosenModule + "\" and \"" +
                       std::string(lxfacts::kFallbackLanguageModule) +
                       "\" could not be loaded.\nPlease install the program again.");
    } else {
        // 8.-11. The wizard sheet, modal; whatever it throws ends here, in the error log.
        try {
            if (m_runSheet)
                m_runSheet(StartAtEmailFromCommandLine(command));
        } catch (const std::exception& e) {
            g_ErrorLog.Write("CLexiRegApp::InitInstance()",
                             std::string("<Exception> the wizard sheet failed: ") + e.what());
        } catch (...) {
            g_ErrorLog.Write("CLexiRegApp::InitInstance()",
                             "<Exception> the wizard sheet failed: unknown exception");
        }
    }

    // 12. Clean up.
    if (m_resourceModule) {
        FreeLibrary(m_resourceModule);
        m_resourceModule = nullptr;
    }
    LxSetResourceHandle(nullptr);
    store.reset();
    if (ole)
        OleUninitialize();
    return FALSE;
}
