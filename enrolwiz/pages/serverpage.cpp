#include "serverpage.h"

#include "commclientwrapper.h"
#include "skinbinding.h"

CServerPage::CServerPage(int templateId, UINT titleId, UINT backgroundId)
    : CWizPage(templateId, titleId), m_backgroundId(backgroundId)
{
}

CServerPage::~CServerPage() = default;

BOOL CServerPage::OnInitDialog()
{
    CWizPage::OnInitDialog();
    SetBackground(m_backgroundId);
    return TRUE;
}

bool CServerPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    // The picture and the labels over it are drawn as on every page.
    if (msg < 0xC000)
        return CWizPage::OnMessage(msg, wParam, lParam, result);
    for (unsigned m = 0; m <= static_cast<unsigned>(LxpMsg::OnResultServerPortHunting); ++m)
        if (LxpMessage(static_cast<LxpMsg>(m)) == msg) {
            result = 0;
            return OnLxpMessage(static_cast<LxpMsg>(m), wParam, lParam);
        }
    return false;
}

bool CServerPage::EnterWithServer()
{
    Enter(kCancel | kNext | kBack);
    if (Data().cancelled || Data().skipRest)
        return false;
    if (!Context().ServerKnown()) {
        Context().ApplyNoServerRule();
        return false;
    }
    return true;
}

void CServerPage::SendToSelf(LxpMsg msg) { SendMessageA(Hwnd(), LxpMessage(msg), 0, 0); }

void CServerPage::BecomeCallingWindow() const { CCommClientWrapper::SetCallingWindow(Hwnd()); }

Fields CServerPage::ReplyOf(LPARAM lParam)
{
    const ReplyFields* reply = reinterpret_cast<const ReplyFields*>(lParam);
    return reply ? reply->fields : Fields();
}

void CServerPage::ShowStatusOf(const Fields& f) const
{
    if (const int id = f.empty() ? 0 : StatusTextId(f[0]))
        Context().ShowStatusText(id - 148);
}

void CServerPage::NoAnswer()
{
    ShowText(192, MB_ICONQUESTION);
    Data().cancelled = 1;
    Context().PressNext();
}

void CServerPage::FilterEdit(int id, const std::function<std::string(const std::string&)>& filter)
{
    HWND edit = Item(id);
    const std::string typed = lxwin::GetText(edit);
    const std::string kept = filter(typed);
    if (kept == typed)
        return;
    lxwin::SetText(edit, kept);  // comes back here once more, unchanged
    const WPARAM end = kept.size();
    SendMessageA(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

void CServerPage::MoveItem(int id, int x, int y) const
{
    SetWindowPos(Item(id), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CServerPage::Checked(int id) const
{
    return SendDlgItemMessageA(Hwnd(), id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
