#include "promopage.h"

#include "pages/promoids.h"

BOOL CWizLexiRegPromo::OnInitDialog()
{
    CWizPage::OnInitDialog();
    SetBackground(137);
    return TRUE;
}

LRESULT CWizLexiRegPromo::OnSetActive()
{
    Enter(kNext);
    if (!nextWidened) {
        HWND next = Context().Button(kIdNext);
        RECT rc = {};
        GetWindowRect(next, &rc);
        SetWindowPos(next, nullptr, 0, 0, rc.right - rc.left + kNextWidening, rc.bottom - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER);
        nextWidened = 1;
    }
    if (Data().cancelled || Data().mobileNumber.empty())
        return 0;
    return SkipForward();
}

bool CWizLexiRegPromo::OnQueryCancel()
{
    Context().PressNext();
    return false;
}
