#include "passwordpage.h"

#include "pages/passwordids.h"
#include "resourcehandle.h"

#include <windowsx.h>

BOOL CWizLexiRegPassword::OnInitDialog()
{
    CLoginPage::OnInitDialog();
    if (useBuiltinStrings)
        linkRect = {67, 340, 123, 360};
    else if (Data().settings.szCurrentDictionary().find("Vietnamese") != std::string::npos)
        linkRect = {112, 340, 213, 360};
    else
        linkRect = {135, 340, 200, 360};
    m_linkCursor = LoadCursorA(LxResourceHandle(), MAKEINTRESOURCEA(201));
    lxwin::SetFont(Item(IDC_PASSWORD_EDIT), Data().font);
    return TRUE;
}

LRESULT CWizLexiRegPassword::OnSetActive()
{
    const bool shows = EnterWithServer();
    MoveItem(IDC_PASSWORD_EDIT, 21, 302);
    if (!shows || Data().passwordMailed != 0)
        return Skip();
    StartVisit(IDC_PASSWORD_EDIT);
    return 0;
}

LRESULT CWizLexiRegPassword::OnWizardNext()
{
    WizardData& data = Data();
    data.goingBack = 0;
    if (data.skipRest || data.cancelled || data.passwordMailed || authenticated || declined)
        return kGoOn;
    data.password = lxwin::GetItemText(Hwnd(), IDC_PASSWORD_EDIT);
    SendToSelf(LxpMsg::UsersAuthentication);
    return kStay;
}

bool CWizLexiRegPassword::OverLink(LPARAM point) const
{
    const POINT p = {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    return PtInRect(&linkRect, p) != FALSE;
}

void CWizLexiRegPassword::ShowLinkCursor(bool overLink) const
{
    HCURSOR wanted = overLink && m_linkCursor ? m_linkCursor : LoadCursorA(nullptr, IDC_ARROW);
    if (GetCursor() != wanted)
        SetCursor(wanted);
}

bool CWizLexiRegPassword::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (msg) {
    case WM_MOUSEMOVE:
        ShowLinkCursor(OverLink(lParam));
        break;
    case WM_SETCURSOR:
        // The page keeps the link's cursor instead of the class cursor over its own area.
        if (reinterpret_cast<HWND>(wParam) == Hwnd() && LOWORD(lParam) == HTCLIENT) {
            POINT p = {};
            GetCursorPos(&p);
            ScreenToClient(Hwnd(), &p);
            ShowLinkCursor(PtInRect(&linkRect, p) != FALSE);
            result = TRUE;
            return true;
        }
        break;
    case WM_LBUTTONDOWN:
        if (OverLink(lParam))
            SendToSelf(LxpMsg::RequestPassword);
        break;
    default:
        break;
    }
    return CLoginPage::OnMessage(msg, wParam, lParam, result);
}

bool CWizLexiRegPassword::OnLxpMessage(LxpMsg msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == LxpMsg::RequestPassword) {
        WizardData& data = Data();
        Request(LxpMsg::GetCallbackRequestPassword, 137,
                [&data] { return data.link.RequestPassword(data.displayLanguage); });
        return true;
    }
    if (msg == LxpMsg::GetCallbackRequestPassword) {
        if (Awaited(LxpMsg::GetCallbackRequestPassword))
            OnPasswordReply(ReplyOf(lParam));
        return true;
    }
    return CLoginPage::OnLxpMessage(msg, wParam, lParam);
}

void CWizLexiRegPassword::OnPasswordReply(const Fields& f)
{
    Context().EndWaiting();
    if (f.empty())
        NoAnswer();
    else if (f[0] == "0")
        ShowText(187, MB_ICONINFORMATION);
    else
        ShowStatusOf(f);
}
