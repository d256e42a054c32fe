#include "serverpage.h"

#include "commclientwrapper.h"
#include "errorlog.h"
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
    if (msg == kResend) {
        const LxpMsg reply = static_cast<LxpMsg>(wParam);
        const auto start = m_starts.find(reply);
        if (start != m_starts.end() && start->second() == 2000)
            Data().requests.Refused(reply);
        result = 0;
        return true;
    }
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

bool CServerPage::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.code == static_cast<UINT>(PSN_WIZBACK) && Data().requests.Waiting())
        EndWait();
    return CWizPage::OnNotify(header, result);
}

bool CServerPage::OnKillActive()
{
    if (Data().requests.Waiting())
        EndWait();
    return CWizPage::OnKillActive();
}

void CServerPage::Await(LxpMsg reply, const std::function<int()>& start)
{
    m_starts[reply] = start;
    Data().requests.Begin(reply, Hwnd());
    if (start() == 2000)
        Data().requests.Refused(reply);
}

void CServerPage::Request(LxpMsg reply, UINT captionId, const std::function<int()>& start)
{
    Context().BeginWaiting(Hwnd(), captionId, [this, reply, start] { Await(reply, start); });
}

bool CServerPage::Awaited(LxpMsg reply)
{
    CRequestLedger& requests = Data().requests;
    const CRequestLedger::Verdict verdict = requests.Arrived(reply);
    if (verdict == CRequestLedger::Verdict::Act)
        return true;
    CErrorLog log(".\\logs\\ErrorLog.log", 1000, 1);
    log.Write("CServerPage::Awaited()",
              std::string("dropped ") + LxpMessageName(reply) + ": no page waits for it");
    if (verdict == CRequestLedger::Verdict::Resend)
        SendMessageA(requests.RefusedPage(reply), kResend, static_cast<WPARAM>(reply), 0);
    return false;
}

void CServerPage::EndWait()
{
    Data().requests.EndWaits();
    Context().EndWaiting();
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

bool CServerPage::OnCommand(int id, int code, HWND control)
{
    if (code == EN_CHANGE) {
        RefuseSeparators(id);
        return true;
    }
    return CWizPage::OnCommand(id, code, control);
}

void CServerPage::RefuseSeparators(int id)
{
    const unsigned codePage = GetACP();
    FilterEdit(id, [codePage](const std::string& typed) { return DropSeparators(typed, codePage); });
}

void CServerPage::MoveItem(int id, int x, int y) const
{
    SetWindowPos(Item(id), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CServerPage::Checked(int id) const
{
    return SendDlgItemMessageA(Hwnd(), id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
