// The pages that talk to the account service (e-mail verification, PIN, password, country,
// address, mobile service), as pages that only skip themselves in the direction of travel
// until they arrive.
#pragma once

#include "wizpage.h"

class CPendingPage : public CWizPage {
public:
    using CWizPage::CWizPage;

protected:
    LRESULT OnSetActive() override;
};

class CWizLexiRegEmailVer : public CPendingPage {
public:
    CWizLexiRegEmailVer() : CPendingPage(106, 177) {}
};

class CWizLexiRegPIN : public CPendingPage {
public:
    CWizLexiRegPIN() : CPendingPage(107, 178) {}
};

class CWizLexiRegPassword : public CPendingPage {
public:
    CWizLexiRegPassword() : CPendingPage(108, 179) {}
};

class CWizLexiRegQuizorra : public CPendingPage {
public:
    CWizLexiRegQuizorra() : CPendingPage(166, 180) {}
};

class CWizLexiRegAddr : public CPendingPage {
public:
    CWizLexiRegAddr() : CPendingPage(109, 181) {}
};

class CWizLexiRegTavimo : public CPendingPage {
public:
    CWizLexiRegTavimo() : CPendingPage(110, 182) {}
};
