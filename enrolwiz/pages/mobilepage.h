// Page 7: the mobile-phone vocabulary service. A number typed here is registered with the
// account service and, when the service asks for it, validated; an empty number goes on.
#pragma once

#include "serverpage.h"

class CWizLexiRegTavimo : public CServerPage {
public:
    CWizLexiRegTavimo() : CServerPage(110, 182, 130) {}

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool OnQueryCancel() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnLxpMessage(LxpMsg msg, WPARAM wParam, LPARAM lParam) override;

private:
    std::string RequestArgument() const;
    void OnReply(MobileOutcome outcome);

    int registered = 0;
};
