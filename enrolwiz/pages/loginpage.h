// The PIN and password pages log the user in to the account service and read the reply the
// same way: success moves on, a wrong password is counted (text 189 twice, then the choice of
// text 186), other status codes are shown and the page stays.
#pragma once

#include "serverpage.h"

class CLoginPage : public CServerPage {
public:
    CLoginPage(int templateId, UINT titleId, UINT backgroundId, UINT captionId)
        : CServerPage(templateId, titleId, backgroundId), m_captionId(captionId)
    {
    }

protected:
    LRESULT OnWizardBack() override;
    bool OnLxpMessage(LxpMsg msg, WPARAM wParam, LPARAM lParam) override;
    // A new visit: nothing tried yet; the edit emptied; the page gets the replies.
    void StartVisit(int editId);

    int authenticated = 0;
    int declined = 0;
    int failures = 0;

private:
    void OnLoginReply(const Fields& f);
    UINT m_captionId;
};

// Page 3: the new account's mailed PIN.
class CWizLexiRegPIN : public CLoginPage {
public:
    CWizLexiRegPIN() : CLoginPage(107, 178, 136, 138) {}

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
};
