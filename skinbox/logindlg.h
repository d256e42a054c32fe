// CLoginDlg: the skinned log-in dialog (template 1016). It collects and checks the e-mail
// address and password; the result code tells the caller which button ended it.
#pragma once

#include "lxwin.h"
#include "skinhost.h"

#include <string>
#include <vector>

namespace skinbox {

// The address has one '@', not first; a '.' somewhere after it but not right after it; and
// neither its last nor its second-to-last character is '.'.
bool IsValidEmail(const std::string& address);
// The addresses of a list text: each one up to the next ';' or '|' (text after the last
// separator is not taken), in the order given.
std::vector<std::string> SplitLoginList(const std::string& list);

class CLoginDlg : public lxwin::Dialog {
public:
    // mode 0: e-mail field; 1: drop-down list of the addresses in `list`.
    CLoginDlg(const std::string& languageModule, int mode, const std::string& list);
    ~CLoginDlg() override;

    const std::string& Email() const { return m_email; }
    const std::string& Password() const { return m_password; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    void InitLanguages();
    void FillList();
    void ReadInput();
    HWND EmailControl() const;
    void Tell(const std::string& text);

    std::string m_languageModule;
    int m_mode;
    std::string m_list;
    std::string m_email, m_password;
    std::string m_missing, m_invalid, m_needed;
    Lang m_lang;
    bool m_drawing;
    lxwin::GdiObject<HFONT> m_font;
    CSkinHost m_skin;
};

}  // namespace skinbox
