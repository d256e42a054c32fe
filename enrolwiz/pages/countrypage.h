// Page 5: private person or company, the country and whether several people use this
// computer. Going back past it after a log-in logs the user out first.
#pragma once

#include "serverpage.h"

#include <string>
#include <vector>

class CWizLexiRegQuizorra : public CServerPage {
public:
    CWizLexiRegQuizorra() : CServerPage(166, 180, 164) {}
    ~CWizLexiRegQuizorra() override;

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnLxpMessage(LxpMsg msg, WPARAM wParam, LPARAM lParam) override;

private:
    HWND CountryList() const;
    void FillCountries();
    void OnLogoutReply(const Fields& f);

    std::vector<std::string> m_names;  // the list's entries as the file names them
    HFONT m_listFont = nullptr;
    HFONT m_unicodeFont = nullptr;
    bool m_filled = false;  // the list was filled
};
