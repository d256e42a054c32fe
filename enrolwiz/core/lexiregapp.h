// The wizard's application object. All of its work happens in InitInstance: refuse a second
// copy, open the settings store, load the language module of the stored display language,
// run the wizard sheet modally, clean up, and answer false so that the program ends without
// a message loop of its own.
#pragma once

#include "resourcehandle.h"

#include <windows.h>

#include <functional>
#include <string>

class CLexiRegApp {
public:
    // Title of the hidden window that marks a running copy.
    static constexpr const char* kInstanceTitle = "LXPRegistration1.0";

    using SheetRunner = std::function<void(int startAtEmail)>;

    CLexiRegApp();
    ~CLexiRegApp();
    CLexiRegApp(const CLexiRegApp&) = delete;
    CLexiRegApp& operator=(const CLexiRegApp&) = delete;

    // commandLine: the text after the program name. Always returns FALSE.
    BOOL InitInstance(const char* commandLine);

    // The hidden window (exists from InitInstance on, until this object goes).
    HWND HiddenWindow() const { return m_hiddenWindow; }
    // Module file name chosen for the display language, and the one actually loaded ("" when
    // none); both set by InitInstance.
    const std::string& ChosenModule() const { return m_chosenModule; }
    const std::string& LoadedModule() const { return m_loadedModule; }

    // What runs the sheet: the program gives the wizard sheet's runner (RunWizardSheet of the
    // pages), the tests their own. Nothing runs while none is given.
    void SetSheetRunner(SheetRunner runner) { m_runSheet = std::move(runner); }

    // 1 exactly when the whole command line is "-regemail-" (any case), else 0.
    static int StartAtEmailFromCommandLine(const std::string& commandLine);

private:
    void CreateHiddenWindow();

    HWND m_hiddenWindow = nullptr;
    HMODULE m_resourceModule = nullptr;
    std::string m_chosenModule;
    std::string m_loadedModule;
    SheetRunner m_runSheet;
};
