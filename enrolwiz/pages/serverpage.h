// What the pages that talk to the account service share: their background picture, the
// registered messages of the server link and of their own requests, the reply's fields, the
// filtered edits and the "no answer" rule.
#pragma once

#include "lxpmessages.h"
#include "replyrules.h"
#include "wizpage.h"

#include <functional>
#include <string>

class CServerPage : public CWizPage {
public:
    CServerPage(int templateId, UINT titleId, UINT backgroundId);
    ~CServerPage() override;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    // A registered message of the system; true when the page handled it.
    virtual bool OnLxpMessage(LxpMsg, WPARAM, LPARAM) { return false; }

    // Enters the page with Cancel, Next and Back shown; false when it is to skip: the run is
    // going to an anonymous completion, or no server is known (the no-server rule applied).
    bool EnterWithServer();
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
    // Moves a control of the page to a point, keeping its size.
    void MoveItem(int id, int x, int y) const;
    bool Checked(int id) const;

private:
    UINT m_backgroundId;
};
