// The wizard: a wizard-97 sheet that owns the ten pages, the shared wizard data, the server
// link and the settings store. The start-up runs it; it ends only through the completion page,
// which starts the dictionary program and ends the process.
#pragma once

#include "completepage.h"
#include "emailpage.h"
#include "lxwin.h"
#include "mousepage.h"
#include "pendingpages.h"
#include "promopage.h"
#include "wizardcontext.h"
#include "wizarddata.h"

#include <windows.h>

#include <string>

class CWizLexiReg : public lxwin::PropSheet {
public:
    // Wizard positions of the pages.
    enum Page : int {
        kMouse,
        kEmail,
        kEmailVer,
        kPIN,
        kPassword,
        kCountry,
        kAddr,
        kTavimo,
        kPromo,
        kComplete,
        kPageCount
    };
    // Sheet size in pixels, and the y of its buttons in client coordinates.
    static constexpr int kWidth = 558;
    static constexpr int kHeight = 468;
    static constexpr int kButtonY = 402;
    // Flags the start-up adds: wizard-97, watermark, watermark as a bitmap handle.
    static constexpr DWORD kStartFlags = 0x1A000;

    // Closes a running dictionary program, opens the settings, makes the anonymous user on a
    // first run and adds the pages.
    explicit CWizLexiReg(HWND parent = nullptr);
    ~CWizLexiReg() override;

    // The parent given at construction (the owner the sheet runs under).
    HWND Parent() const { return m_parent; }
    CWizardContext& Context() { return context; }
    CWizPage& PageAt(int index);

    CWizLexiRegMouse pageMouse;
    CWizLexiRegEmail pageEmail;
    CWizLexiRegEmailVer pageEmailVer;
    CWizLexiRegPIN pagePIN;
    CWizLexiRegPassword pagePassword;
    CWizLexiRegQuizorra pageCountry;
    CWizLexiRegAddr pageAddr;
    CWizLexiRegTavimo pageTavimo;
    CWizLexiRegPromo pagePromo;
    CWizLexiRegComplete pageComplete;
    std::string nextCaption;
    std::string finishCaption;
    WizardData data;
    CConnectionCheck& connectionCheck;  // the server link's own
    int startAtEmail = 0;
    LOGFONTA logFont = {};
    HFONT hFont = nullptr;
    int useBuiltinStrings = 0;
    CWizardContext context;

    // The installation identifier: MD5 of the product id, the e-mail address, the time of day
    // and a random number (every run differs).
    static std::string MakeInstallationId(const std::string& productId, const std::string& email);

protected:
    void OnInitDialog() override;
    bool PreTranslateMessage(MSG& msg) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Posted to the sheet by OnInitDialog when the wizard starts on the e-mail page.
    static constexpr UINT kShowEmailPage = WM_APP + 1;

    void CloseDictionaryProgram();
    void MakeAnonymousUserOnFirstRun();
    void LayOut();
    void MakeFont();
    void ConfigureServerLink();

    HWND m_parent;
};

// The program's sheet runner: the sheet with no parent on page 0 (the e-mail page with
// startAtEmail 1), wizard-97 with a watermark, run modally.
void RunWizardSheet(int startAtEmail);
