// Page 1: the e-mail address that names the account and the local user. Typing is filtered
// to what an address may hold; Next checks the ending against the domain list and hands the
// lower-cased address to the server link.
#pragma once

#include "wizpage.h"

#include <string>

class CWizLexiRegEmail : public CWizPage {
public:
    CWizLexiRegEmail() : CWizPage(105, 176) {}

    // The typed text as the filter leaves it: lower case letters, digits, '.', '-', '_' and
    // one '@', never first and never right after '.'.
    static std::string FilterAddress(const std::string& typed);
    // The ending is listed in the domain list (or the list is missing), or the address holds
    // one of the generic endings anywhere.
    static bool IsValidAddress(const std::string& address,
                               const std::string& listFile = ".\\data\\domainlist.lst");

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void OnEditChange();

    std::string lastText;
};
