#include "emailpage.h"

#include "pages/emailids.h"

#include <algorithm>
#include <cctype>
#include <fstream>

std::string CWizLexiRegEmail::FilterAddress(const std::string& typed)
{
    std::string out;
    bool atSeen = false;
    for (size_t i = 0; i < typed.size(); ++i) {
        const unsigned char raw = static_cast<unsigned char>(typed[i]);
        const char c = raw < 0x80 ? static_cast<char>(std::tolower(raw)) : '\0';
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_') {
            out += c;
        } else if (c == '@') {
            const char previous = i ? typed[i - 1] : '\0';
            if (!atSeen && i && previous != '.' && previous != '@') {
                out += c;
                atSeen = true;
            }
        }
    }
    return out;
}

bool CWizLexiRegEmail::IsValidAddress(const std::string& address, const std::string& listFile)
{
    const std::string tail = address.size() >= 3 ? address.substr(address.size() - 3) : address;
    std::ifstream list(listFile);
    if (!list)
        return true;
    std::string line;
    while (std::getline(list, line))
        if (line.compare(0, 3, tail) == 0 && line.size() >= 3)
            return true;
    for (const char* generic : {".net", ".com", ".biz", ".org", ".edu", ".gov", ".name", ".co",
                                ".mil", ".int"})
        if (address.find(generic) != std::string::npos)
            return true;
    return false;
}

BOOL CWizLexiRegEmail::OnInitDialog()
{
    CWizPage::OnInitDialog();
    SetBackground(132);
    lxwin::SetFont(Item(IDC_EMAIL_EDIT), Data().font);
    SendDlgItemMessageA(Hwnd(), IDC_EMAIL_EDIT, EM_LIMITTEXT, 64, 0);
    return TRUE;
}

LRESULT CWizLexiRegEmail::OnSetActive()
{
    Enter(kCancel | (Data().hideEmailBack ? 0u : unsigned{kBack}) | kNext);
    SetWindowPos(Item(IDC_EMAIL_EDIT), nullptr, 26, 358, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (Data().skipRest)
        return SkipForward();
    Data().password.clear();
    Data().mobileNumber.clear();
    Data().details.ClearEdited();
    Context().EnableButton(kIdNext, !lxwin::GetItemText(Hwnd(), IDC_EMAIL_EDIT).empty());
    return 0;
}

void CWizLexiRegEmail::OnEditChange()
{
    HWND edit = Item(IDC_EMAIL_EDIT);
    lastText = lxwin::GetText(edit);
    const std::string filtered = FilterAddress(lastText);
    Context().EnableButton(kIdNext, !lastText.empty());
    if (filtered != lastText) {
        lastText = filtered;
        lxwin::SetText(edit, filtered);  // comes back here once more, unchanged
        const WPARAM end = filtered.size();
        SendMessageA(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
        SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    }
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

LRESULT CWizLexiRegEmail::OnWizardNext()
{
    WizardData& data = Data();
    data.goingBack = 0;
    if (data.skipRest)
        return kGoOn;
    data.email = lxwin::GetItemText(Hwnd(), IDC_EMAIL_EDIT);
    if (data.email.empty()) {
        OnEditChange();
        return kStay;
    }
    std::transform(data.email.begin(), data.email.end(), data.email.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!IsValidAddress(data.email) || data.email.find('@') == std::string::npos) {
        ShowText(196, MB_ICONQUESTION);
        SetFocus(Item(IDC_EMAIL_EDIT));
        return kStay;
    }
    // Another address: what the service sent for the last one is not this account's.
    if (data.email != data.link.GetEmailAddress())
        data.details.ClearServerCopies();
    data.link.SetEmailAddress(data.email);
    data.cancelled = 0;
    return kGoOn;
}

bool CWizLexiRegEmail::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_EMAIL_EDIT && code == EN_CHANGE) {
        OnEditChange();
        return true;
    }
    return CWizPage::OnCommand(id, code, control);
}
