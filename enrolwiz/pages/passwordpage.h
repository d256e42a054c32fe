// Page 4: the password of an existing account, with a link that has the service mail the
// password again.
#pragma once

#include "loginpage.h"

class CWizLexiRegPassword : public CLoginPage {
public:
    CWizLexiRegPassword() : CLoginPage(108, 179, 135, 139) {}

    // Where the link text lies, in page coordinates.
    const RECT& LinkRect() const { return linkRect; }

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool OnLxpMessage(LxpMsg msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool OverLink(LPARAM point) const;
    void ShowLinkCursor(bool overLink) const;
    void OnPasswordReply(const Fields& f);

    RECT linkRect = {};
    HCURSOR m_linkCursor = nullptr;
};
