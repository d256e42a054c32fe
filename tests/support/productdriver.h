// The whole product driven from outside, as a person would: the wizard of an installation
// folder run as a process and driven through its sheet to an anonymous completion with a
// mouse choice, and the dictionary program it starts, found by its windows, clicked at with
// SendInput and closed. Used by the end-to-end test and by `make run`'s demonstration.
#pragma once

#include <windows.h>

#include <string>

namespace lxtest {

// A copy of the installation directory (the build's stage) as build/<arch>/testrun/<name>;
// "" when something could not be copied.
std::string CopyInstallation(const std::string& name);

// Runs `dir`\enrolwiz.exe in `dir`: Next through the mouse page with the choice's option button
// (0: the page's own choice) and its animation, Cancel on the e-mail page, Next to the end.
// Returns the wizard's exit code (-1 when it did not come up or had to be ended). `onPage`,
// when given, is called on every page reached with its index.
int RunWizardAnonymously(const std::string& dir, int mouseOptionId,
                         void (*onPage)(HWND sheet, int index) = nullptr);

// The running dictionary program: its pop-up ("Lexipop Popup") and hidden window.
class DictionaryDriver {
public:
    DictionaryDriver() = default;
    // A program still running is closed.
    ~DictionaryDriver();
    DictionaryDriver(const DictionaryDriver&) = delete;
    DictionaryDriver& operator=(const DictionaryDriver&) = delete;
    // Waits up to ms for both windows of a dictionary program other than `except`'s process.
    bool Attach(DWORD ms, DWORD exceptPid = 0);
    HWND Popup() const { return m_popup; }
    HWND Hidden() const { return m_hidden; }
    DWORD Pid() const { return m_pid; }
    // The word the pop-up shows ("" while hidden) and the meaning under it.
    std::string Shown() const;
    std::string Meaning() const;
    // Waits until the font pattern base `patternFile` is there and no build is going on (a
    // build the program started at its start has ended and reported so).
    bool WaitReady(const std::string& patternFile, DWORD ms);
    // Moves there, presses `down` and `up` (0: the button stays down) with SendInput and waits
    // up to ms for the pop-up to show `word`; for "" (hidden) it waits a quarter of ms, the
    // time a look-up would take to show a word wrongly, and says whether it stayed hidden.
    bool Click(DWORD down, DWORD up, POINT at, const std::string& word, DWORD ms = 8000) const;
    // WM_CLOSE to the pop-up; the program's exit code (-1 when it did not end within ms).
    int Close(DWORD ms);
    // Whether the program has ended (true when it was never attached).
    bool Ended() const;

private:
    HWND m_popup = nullptr;
    HWND m_hidden = nullptr;
    DWORD m_pid = 0;
    HANDLE m_process = nullptr;
};

}  // namespace lxtest
