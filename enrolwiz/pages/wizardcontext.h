// What the wizard pages share besides the wizard data: the texts, the sheet's buttons, the
// skinned message box, the waiting dialog and the rules every page follows (no server, the
// cancel query, pressing a button). One object, owned by the sheet; every page holds it.
#pragma once

#include "wizarddata.h"

#include <windows.h>

#include <functional>
#include <string>

class CConnectionCheck;
struct ISkinControl;

// Ids of the sheet's wizard buttons.
enum : int {
    kIdBack = 0x3023,
    kIdNext = 0x3024,
    kIdFinish = 0x3025,
};

// The built-in text of an id ("" when the table has none): Simplified Chinese (code page 936)
// for 104-174 and 186-196, English for 101, 103, 123 and 175-185.
const char* BuiltinText(UINT id);

class CWizardContext {
public:
    CWizardContext(WizardData& data, CConnectionCheck& connectionCheck)
        : data(data), connectionCheck(connectionCheck)
    {
    }
    CWizardContext(const CWizardContext&) = delete;
    CWizardContext& operator=(const CWizardContext&) = delete;

    WizardData& data;
    CConnectionCheck& connectionCheck;
    HWND sheet = nullptr;        // set when the sheet window exists
    int useBuiltinStrings = 0;   // texts from the built-in table instead of the language module
    std::string nextCaption;     // the sheet's Next and Finish captions as the system made them
    std::string finishCaption;
    ISkinControl* skin = nullptr;  // the skin object of the mouse page (null without a skin)

    // Text of a string id: the built-in table or the language module ("" when missing).
    std::string GetText(UINT id) const;
    // The same from the language module alone.
    static std::string ModuleText(UINT id);
    // 1 when the texts come from the built-in table: the current dictionary is Chinese(S) on
    // a Windows of the NT family.
    static int BuiltinStringsWanted(const CSettingsStore& store);

    // A button of the sheet (kIdNext, kIdBack, IDCANCEL, IDHELP, kIdFinish).
    HWND Button(int id) const;
    void ShowButton(int id, bool shown) const;
    void EnableButton(int id, bool enabled) const;
    // Enables the button and clicks it with WM_LBUTTONDOWN and WM_LBUTTONUP.
    void PressButton(int id) const;
    void PressNext() const { PressButton(kIdNext); }
    void PressBack() const { PressButton(kIdBack); }
    // The sheet's title bar text. The sheet puts its page's caption there after the page was
    // entered, so the title is set again once that is done (kApplyTitle posted to the sheet).
    void SetTitle(const std::string& text);
    // Puts `title` into the title bar now.
    void ApplyTitle() const;
    std::string title;
    static constexpr UINT kApplyTitle = WM_APP + 2;

    // The skinned message box (MB_ICONQUESTION and the like); the user's answer.
    int ShowMessage(const std::string& text, UINT style) const;
    int ShowText(UINT id, UINT style) const { return ShowMessage(GetText(id), style); }
    // Status code of the account service as text 148 + code (0-26); nothing for others.
    void ShowStatusText(int code) const;

    // The server link knows a server name and a port.
    bool ServerKnown() const;
    // A page that needs the server found none: skip the rest, complete anonymously, and say
    // that the Internet is not connected (text 192).
    void ApplyNoServerRule() const;

    // The cancel query of the pages: complete anonymously, close the waiting dialog, press
    // Next. The caller answers that the wizard is not to be cancelled.
    void ApplyCancelRule() const;

    // A request from a page: Next and Back disabled, the sheet as the waiting window, the
    // request started, the waiting dialog opened with the caption text and centred over the
    // page; `waitingCaption` keeps the caption for the progress texts.
    void BeginWaiting(HWND page, UINT captionId, const std::function<void()>& startRequest);
    // Opens (and centres over the page) the waiting dialog with a text.
    void OpenWaiting(HWND page, const std::string& text) const;
    // The reply came: the waiting dialog closed, Next and Back enabled again.
    void EndWaiting() const;
    void CloseWaiting() const;

    // The progress text of a code 1-12 (12: none) for the waiting dialog.
    std::string ProgressText(WPARAM code) const;

    // Creates ".\data\profile" and ".\data\profile\" + the lower-cased e-mail address.
    void EnsureProfileDirectory() const;
};
