#include "mobilepage.h"

#include "pages/mobileids.h"
#include "skinbinding.h"

BOOL CWizLexiRegTavimo::OnInitDialog()
{
    CServerPage::OnInitDialog();
    SendDlgItemMessageA(Hwnd(), IDC_MOBILE_NUMBER, EM_LIMITTEXT, 30, 0);
    lxwin::SetFont(Item(IDC_MOBILE_NUMBER), Data().font);
    return TRUE;
}

LRESULT CWizLexiRegTavimo::OnSetActive()
{
    Enter(kCancel | kNext | kBack);
    MoveItem(IDC_MOBILE_NUMBER, 18, 353);
    WizardData& data = Data();
    if (data.cancelled || data.skipRest)
        return Skip();
    if (!Context().ServerKnown()) {
        data.skipRest = 1;
        ShowText(192, MB_ICONQUESTION);
        return Skip();
    }
    registered = 0;
    BecomeCallingWindow();
    return 0;
}

LRESULT CWizLexiRegTavimo::OnWizardNext()
{
    WizardData& data = Data();
    data.goingBack = 0;
    if (data.skipRest || data.cancelled)
        return kGoOn;
    data.mobileNumber = lxwin::GetItemText(Hwnd(), IDC_MOBILE_NUMBER);
    lxwin::SetItemText(Hwnd(), IDC_MOBILE_NUMBER, data.mobileNumber);
    if (data.mobileNumber.empty() || registered)
        return kGoOn;
    SendToSelf(LxpMsg::MobileNumberRegistration);
    return kStay;
}

bool CWizLexiRegTavimo::OnQueryCancel()
{
    // Skips the service but keeps the log-in: the wizard completes as the signed-in user.
    Data().requests.EndWaits();  // whatever answers now comes too late
    CloseWaitingDialog();
    Data().skipRest = 1;
    Context().PressNext();
    return false;
}

bool CWizLexiRegTavimo::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_MOBILE_NUMBER && code == EN_CHANGE) {
        FilterEdit(id, FilterMobileNumber);
        return true;
    }
    return CServerPage::OnCommand(id, code, control);
}

std::string CWizLexiRegTavimo::RequestArgument() const
{
    return Data().details.countryCode + "|" + Data().mobileNumber;
}

bool CWizLexiRegTavimo::OnLxpMessage(LxpMsg msg, WPARAM, LPARAM lParam)
{
    WizardData& data = Data();
    const std::string argument = RequestArgument();
    switch (msg) {
    case LxpMsg::MobileNumberRegistration:
        Request(LxpMsg::GetCallbackMobileNumberRegistration, 142,
                [&data, argument] { return data.link.MobileNumberRegistration(argument); });
        return true;
    case LxpMsg::MobileNumberValidation:
        Request(LxpMsg::GetCallbackMsgMobileNumberValidation, 143,
                [&data, argument] { return data.link.MobileNumberValidation(argument); });
        return true;
    case LxpMsg::GetCallbackMobileNumberRegistration:
        if (Awaited(LxpMsg::GetCallbackMobileNumberRegistration))
            OnReply(ReadMobileRegistrationReply(ReplyOf(lParam)));
        return true;
    case LxpMsg::GetCallbackMsgMobileNumberValidation:
        if (Awaited(LxpMsg::GetCallbackMsgMobileNumberValidation))
            OnReply(ReadMobileValidationReply(ReplyOf(lParam)));
        return true;
    default:
        return false;
    }
}

void CWizLexiRegTavimo::OnReply(MobileOutcome outcome)
{
    Context().EndWaiting();
    switch (outcome) {
    case MobileOutcome::NoService:
        // Without this the next Next would send the number again, and again.
        Data().skipRest = 1;
        ShowText(192, MB_ICONQUESTION);
        Context().PressNext();
        break;
    case MobileOutcome::Accepted:
        registered = 1;
        Context().PressNext();
        break;
    case MobileOutcome::Validate:
        registered = 0;
        SendToSelf(LxpMsg::MobileNumberValidation);
        break;
    case MobileOutcome::Invalid:
        ShowText(188, MB_ICONQUESTION);
        registered = 0;
        break;
    }
}
