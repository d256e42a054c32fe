#include "loginpage.h"

#include "pages/pinids.h"

LRESULT CLoginPage::OnWizardBack()
{
    Data().goingBack = 1;
    return kGoOn;
}

void CLoginPage::StartVisit(int editId)
{
    lxwin::SetItemText(Hwnd(), editId, "");
    authenticated = 0;
    declined = 0;
    failures = 0;
    BecomeCallingWindow();
}

bool CLoginPage::OnLxpMessage(LxpMsg msg, WPARAM, LPARAM lParam)
{
    if (msg == LxpMsg::UsersAuthentication) {
        WizardData& data = Data();
        Request(LxpMsg::GetCallbackUsersAuthentication, m_captionId,
                [&data] { return data.link.UserAuthentication(data.password); });
        return true;
    }
    if (msg == LxpMsg::GetCallbackUsersAuthentication) {
        if (Awaited(LxpMsg::GetCallbackUsersAuthentication))
            OnLoginReply(ReplyOf(lParam));
        return true;
    }
    return false;
}

void CLoginPage::OnLoginReply(const Fields& f)
{
    Context().EndWaiting();
    WizardData& data = Data();
    switch (ReadLoginReply(f)) {
    case LoginOutcome::NoService:
        data.accountKnown = 0;  // nothing verified: the completion must not save this password
        NoAnswer();
        break;
    case LoginOutcome::LoggedIn:
        authenticated = 1;
        data.loggedIn = 1;
        Context().PressNext();
        break;
    case LoginOutcome::WrongPassword:
        ++failures;
        if (WrongPasswordTextId(failures) == 189) {
            ShowText(189, MB_ICONQUESTION);
        } else if (const int answer = ShowText(186, 0x81); answer == IDYES || answer == IDOK) {
            // Yes: back to correct the address or register another. The skinned box answers
            // No with 7, not 0, so only a yes counts as one.
            Context().PressBack();
        } else {
            // Declined: the completion goes on as the anonymous user, and keeps the
            // password that was not verified out of the account's local record.
            declined = 1;
            data.cancelled = 1;
            data.accountKnown = 0;
            Context().PressNext();
        }
        break;
    case LoginOutcome::Status:
        ShowStatusOf(f);
        break;
    }
}

// --- the PIN page -----------------------------------------------------------------------

BOOL CWizLexiRegPIN::OnInitDialog()
{
    CLoginPage::OnInitDialog();
    lxwin::SetFont(Item(IDC_PIN_EDIT), Data().font);
    return TRUE;
}

LRESULT CWizLexiRegPIN::OnSetActive()
{
    const bool shows = EnterWithServer();
    MoveItem(IDC_PIN_EDIT, 25, 338);
    MoveItem(IDC_PIN_OPENACCOUNT, 23, 369);
    if (!shows || Data().passwordMailed != 1)
        return Skip();
    StartVisit(IDC_PIN_EDIT);
    return 0;
}

LRESULT CWizLexiRegPIN::OnWizardNext()
{
    WizardData& data = Data();
    data.goingBack = 0;
    if (data.skipRest || data.cancelled)
        return kGoOn;
    if (authenticated || declined) {
        data.openAccountPage = Checked(IDC_PIN_OPENACCOUNT) ? 1 : 0;
        return kGoOn;
    }
    if (data.passwordMailed == 0)
        return kStay;
    data.pinCheckState = Checked(IDC_PIN_OPENACCOUNT) ? 1 : 0;
    data.password = lxwin::GetItemText(Hwnd(), IDC_PIN_EDIT);
    SendToSelf(LxpMsg::UsersAuthentication);
    return kStay;
}
