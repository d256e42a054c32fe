#include "emailverpage.h"

#include "addressform.h"
#include "connectioncheck.h"

LRESULT CWizLexiRegEmailVer::OnSetActive()
{
    Enter(kCancel | kNext | kBack);
    BecomeCallingWindow();
    WizardData& data = Data();
    if (data.goingBack)
        return SkipBack();
    if (data.cancelled || data.skipRest)
        return SkipForward();
    Context().EnableButton(kIdNext, false);
    // Posted rather than sent: the hunt starts once the page shows, never inside the sheet's
    // change of page.
    if (!huntStarted)
        PostMessageA(Hwnd(), LxpMessage(LxpMsg::OnGetServerPortConnection), 0, 0);
    return 0;
}

LRESULT CWizLexiRegEmailVer::OnWizardBack()
{
    huntStarted = 0;
    return CServerPage::OnWizardBack();
}

bool CWizLexiRegEmailVer::OnLxpMessage(LxpMsg msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case LxpMsg::OnGetServerPortConnection:
        StartHunt();
        return true;
    case LxpMsg::OnResultServerPortHunting:
        OnHuntResult(wParam, lParam);
        return true;
    case LxpMsg::RegisterEmailAddress:
        Register();
        return true;
    case LxpMsg::GetCallbackRegisterEmailAddress:
        OnRegisterReply(ReplyOf(lParam));
        return true;
    case LxpMsg::GetCallbackMsgLogout:
        OnLogoutReply();
        return true;
    default:
        return false;
    }
}

void CWizLexiRegEmailVer::StartHunt()
{
    if (huntStarted)
        return;
    Context().OpenWaiting(Hwnd(), GetText(128));
    huntStarted = 1;
    BecomeCallingWindow();
    // One hunt at a time: a hunt of an earlier visit that still runs is the one to wait for.
    CRequestLedger& requests = Data().requests;
    if (requests.Rejoin(LxpMsg::OnResultServerPortHunting, Hwnd()))
        return;
    requests.Begin(LxpMsg::OnResultServerPortHunting, Hwnd());
    Data().link.CheckInetConnection();
}

void CWizLexiRegEmailVer::OnHuntResult(WPARAM wParam, LPARAM lParam)
{
    // The text is freed whether or not the result still counts.
    const std::string pair = CConnectionCheck::TakeHuntResult(lParam);
    if (!Awaited(LxpMsg::OnResultServerPortHunting))
        return;
    Context().CloseWaiting();
    WizardData& data = Data();
    data.accountKnown = 0;
    CCommClientWrapper& link = data.link;
    if (wParam == static_cast<WPARAM>(-1) || pair.empty()) {
        data.cancelled = 1;
        data.skipRest = 1;
        link.SetOnLineServer("");
        link.SetOnLinePort("");
        link.GetClient().SetOnLineServer("");
        link.GetClient().SetOnLinePort("");
        ShowText(192, MB_ICONQUESTION);
        Context().PressNext();
        return;
    }
    data.cancelled = 0;
    data.skipRest = 0;
    const size_t bar = pair.find('|');
    const std::string server = pair.substr(0, bar);
    const std::string port =
        bar == std::string::npos ? std::string() : pair.substr(bar + 1, pair.find('|', bar + 1) - bar - 1);
    link.SetOnLineServer(server);
    link.SetOnLinePort(port);
    link.GetClient().SetOnLineServer(server.c_str());
    link.GetClient().SetOnLinePort(port.c_str());
    SendToSelf(LxpMsg::RegisterEmailAddress);
}

void CWizLexiRegEmailVer::Register()
{
    WizardData& data = Data();
    const std::string caption = GetText(137);
    CCommClientWrapper::SetWaitingWindow(Context().sheet);
    BecomeCallingWindow();
    data.accountKnown = 0;
    m_registrationIn = false;
    m_registration.clear();
    Context().OpenWaiting(Hwnd(), caption);
    data.waitingCaption = caption;
    // The page moves on once both have answered, so that no later log-out finds this one
    // still out.
    const std::string language = data.settings.szDisplayLanguage();
    Await(LxpMsg::GetCallbackRegisterEmailAddress,
          [&data, language] { return data.link.RegisterEmailAddress(language); });
    Await(LxpMsg::GetCallbackMsgLogout, [&data] { return data.link.LogOut(); });
}

void CWizLexiRegEmailVer::OnRegisterReply(const Fields& f)
{
    if (!Awaited(LxpMsg::GetCallbackRegisterEmailAddress))
        return;
    m_registration = f;
    m_registrationIn = true;
    if (!Data().requests.Awaits(LxpMsg::GetCallbackMsgLogout))
        FinishRegistration();
}

void CWizLexiRegEmailVer::OnLogoutReply()
{
    // Whatever the log-out answered, the registration's answer decides.
    if (Awaited(LxpMsg::GetCallbackMsgLogout) && m_registrationIn)
        FinishRegistration();
}

void CWizLexiRegEmailVer::FinishRegistration()
{
    const Fields f = m_registration;
    m_registrationIn = false;
    WizardData& data = Data();
    data.accountKnown = 0;
    Context().CloseWaiting();
    switch (ReadRegisterReply(f)) {
    case RegisterOutcome::NoService:
        NoAnswer();
        return;
    case RegisterOutcome::PinMailed:
        data.passwordMailed = 1;
        data.accountKnown = 1;
        ShowText(187, MB_ICONINFORMATION);
        break;
    case RegisterOutcome::AccountExists:
        data.accountKnown = 1;
        if (f.size() > 2)
            CopyReplyDetails(f, data.details, GetText(123), ".\\data");
        data.passwordMailed = 0;
        break;
    }
    Context().EnsureProfileDirectory();
    Context().PressNext();
}

void CWizLexiRegEmailVer::CopyReplyDetails(const Fields& f, PersonalDetails& details,
                                           const std::string& honorifics, const std::string& dataDir)
{
    const ReplyDetails r = ReadReplyDetails(f);
    const auto set = [](PersonalDetail& detail, const std::string& value) {
        detail.edited = value;
        detail.server = value;
    };
    // A number names an entry of the honorific list (from 0).
    const std::vector<std::string> list = HonorificList(honorifics, "");
    const auto honorific = [&](const std::string& received) {
        const bool number = !received.empty() && received.find_first_not_of("0123456789") == std::string::npos;
        return number && !list.empty() ? list[HonorificIndex(list, received)] : received;
    };
    set(details.honorific, honorific(r.honorific));
    set(details.title, honorific(r.title));
    set(details.firstName, r.firstName);
    set(details.lastName, r.lastName);
    set(details.secondName, r.secondName);
    set(details.secondLastName, r.secondLastName);
    set(details.address1, r.address1);
    set(details.address2, r.address2);
    set(details.address3, r.address3);
    set(details.city, r.city);
    set(details.state, r.state);
    set(details.province, r.province);
    set(details.postalCode, r.postalCode);
    set(details.company, r.company);
    set(details.countryName, CCountryTable::NameOfCode(dataDir, r.countryCode));
    details.countryCode = r.countryCode;
    if (r.customerType == "I" || r.customerType == "C")
        set(details.customerType, r.customerType);
}
