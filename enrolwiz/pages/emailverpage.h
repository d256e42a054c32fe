// Page 2: finds a live server once per forward visit, registers the e-mail address with the
// account service and learns from the reply whether the account is new (a PIN was mailed:
// the PIN page) or known (the password page, with the personal details the service holds).
#pragma once

#include "serverpage.h"

class CWizLexiRegEmailVer : public CServerPage {
public:
    CWizLexiRegEmailVer() : CServerPage(106, 177, 132) {}

    // The reply's personal details into the wizard data, as edited values and server copies;
    // the country name comes from the code through the list of postal codes in `dataDir`.
    static void CopyReplyDetails(const Fields& f, PersonalDetails& details,
                                 const std::string& honorifics, const std::string& dataDir);

protected:
    LRESULT OnSetActive() override;
    LRESULT OnWizardBack() override;
    bool OnLxpMessage(LxpMsg msg, WPARAM wParam, LPARAM lParam) override;

private:
    void StartHunt();
    void OnHuntResult(WPARAM wParam, LPARAM lParam);
    void Register();
    void OnRegisterReply(const Fields& f);
    void OnLogoutReply();
    // Both answers in (the registration's and the log-out's): the page moves on.
    void FinishRegistration();

    int huntStarted = 0;
    // The registration's answer, kept while the log-out sent with it is still out.
    Fields m_registration;
    bool m_registrationIn = false;
};
