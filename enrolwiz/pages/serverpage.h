// What the pages that talk to the account service share: their background picture, the
// registered messages of the server link and of their own requests, the reply's fields, the
// filtered edits and the "no answer" rule.
#pragma once

#include "lxpmessages.h"
#include "replyrules.h"
#include "wizpage.h"

#include <functional>
#include <map>
#include <string>

class CServerPage : public CWizPage {
public:
    CServerPage(int templateId, UINT titleId, UINT backgroundId);
    ~CServerPage() override;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    // No edit of the page keeps the record separator.
    bool OnCommand(int id, int code, HWND control) override;
    // Back ends the page's wait first (the waiting dialog closes).
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    // Leaving the page ends its wait.
    bool OnKillActive() override;
    // A registered message of the system; true when the page handled it.
    virtual bool OnLxpMessage(LxpMsg, WPARAM, LPARAM) { return false; }

    // Enters the page with Cancel, Next and Back shown; false when it is to skip: the run is
    // going to an anonymous completion, or no server is known (the no-server rule applied).
    bool EnterWithServer();
    // Starts a request whose answer comes as `reply` and waits for it: `start` calls the
    // server link (its answer 0, or 2000 while a request of the kind is still out, in which
    // case it is called again once that one has answered).
    void Await(LxpMsg reply, const std::function<int()>& start);
    // The same inside the common waiting pattern: Next and Back disabled, the waiting dialog
    // open with the caption text.
    void Request(LxpMsg reply, UINT captionId, const std::function<int()>& start);
    // Whether a reply message that arrived is the answer the page waits for. Any other is
    // dropped with a line in the error log (the caller frees what it carries).
    bool Awaited(LxpMsg reply);
    // Ends every wait: the waiting dialog closes, Next and Back are enabled.
    void EndWait();
    // Sends one of the page's own request messages to itself.
    void SendToSelf(LxpMsg msg);
    // The page receives the replies of the server link from now on.
    void BecomeCallingWindow() const;
    // The fields of a reply message's record (none for a failure).
    static Fields ReplyOf(LPARAM lParam);
    // Shows the status text of a reply's first field (nothing for codes without one).
    void ShowStatusOf(const Fields& f) const;
    // No answer from the service: text 192, the wizard goes on to an anonymous completion.
    void NoAnswer();
    // Puts an edit's text through a filter; when the filter changed it, the edit gets the
    // filtered text with the caret at its end.
    void FilterEdit(int id, const std::function<std::string(const std::string&)>& filter);
    // Drops the record separator from an edit's text.
    void RefuseSeparators(int id);
    // Moves a control of the page to a point, keeping its size.
    void MoveItem(int id, int x, int y) const;
    bool Checked(int id) const;

private:
    // Sent to the page whose refused request may start again (wParam: the reply's kind).
    static constexpr UINT kResend = WM_APP + 7;
    std::map<LxpMsg, std::function<int()>> m_starts;  // the page's requests by reply
    UINT m_backgroundId;
};
