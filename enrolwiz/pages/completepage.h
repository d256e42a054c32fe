// Page 9, the end of the wizard: a picture of the chosen mouse action. Next reports the
// installation once, fixes the current local user and the mouse settings, may open the
// account page, saves the registry into the local database, starts the dictionary program
// and ends the process.
#pragma once

#include "wizpage.h"

#include <functional>
#include <string>

class CWizLexiRegComplete : public CWizPage {
public:
    CWizLexiRegComplete() : CWizPage(112, 185) {}
    ~CWizLexiRegComplete() override;

    // The installation report line (the time stamp "%y%m%d%H%M%S" given).
    static std::string InstallationReport(const CSettingsStore& store, const std::string& stamp);
    // The account page's address: the service's web address, the language's page, the user
    // name and password percent-encoded.
    static std::string AccountPageAddress(const std::string& server, const std::string& port,
                                          const std::string& displayLanguage,
                                          const std::string& user, const std::string& password);
    static std::string PercentEncoded(const std::string& text);

    // How long the end waits for the installation report at most.
    static constexpr DWORD kReportWaitMs = 15000;

    // How the process ends after the finishing steps (ExitProcess unless replaced).
    std::function<void(UINT)> endProcess;

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool OnQueryCancel() override;
    // The picture of the chosen mouse action.
    HBITMAP Background() const override;

private:
    // The finishing steps, all but the end of the process.
    void Finish();
    void OpenAccountPage();

    HBITMAP m_backgrounds[4] = {};
};
