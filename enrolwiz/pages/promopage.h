// Page 8: a picture advertising the mobile-phone service, for users who did not sign up for
// it. It takes no input and sends nothing.
#pragma once

#include "wizpage.h"

class CWizLexiRegPromo : public CWizPage {
public:
    CWizLexiRegPromo() : CWizPage(111, 183) {}

    // How much wider Next becomes on this page (once), and stays.
    static constexpr int kNextWidening = 40;

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    bool OnQueryCancel() override;

private:
    int nextWidened = 0;
};
