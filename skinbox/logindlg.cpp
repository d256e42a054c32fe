#include "logindlg.h"

#include "resource.h"
#include "skinbox.h"
#include "skinmsgdlg.h"

#include <algorithm>

namespace skinbox {

namespace {

enum Text { kLogin, kNewUser, kCancel, kEmail, kPassword, kLink, kInvalid, kMissing, kNeeded };

// String ids by language (English, German, Vietnamese, Chinese).
const UINT kTextIds[4][9] = {
    {81, 82, 2, 83, 84, 85, 106, 109, 112},
    {91, 92, 12, 93, 94, 95, 107, 110, 113},
    {101, 102, 22, 103, 104, 105, 108, 111, 114},
    {209, 210, 201, 211, 212, 213, 214, 215, 216},
};
const FontSpec kFonts[4] = {
    {13, 0, DEFAULT_CHARSET, "Verdana"},
    {13, 0, ANSI_CHARSET, "Verdana"},
    {14, 0, ANSI_CHARSET, "Heo May 1.1"},
    {16, 0, GB2312_CHARSET, nullptr},
};
// Control of each text shown in the dialog.
const std::pair<int, Text> kShown[] = {
    {IDC_LOGIN_OK, kLogin},          {IDC_LOGIN_NEWUSER, kNewUser},
    {IDC_LOGIN_CANCEL, kCancel},     {IDC_LOGIN_EMAILLABEL, kEmail},
    {IDC_LOGIN_PASSWORDLABEL, kPassword}, {IDC_LOGIN_LINK, kLink},
};
const int kMessageFlags = 0x100;  // stop icon, OK
const int kMaxListRows = 10, kListRowHeight = 30;

void Trace(const char* text)
{
    OutputDebugStringA(text);
}

}  // namespace

bool IsValidEmail(const std::string& a)
{
    Trace("CLoginDlg::IsValidEmail() --> invoked");
    const size_t at = a.find('@');
    if (at == std::string::npos || at == 0 || a.find('@', at + 1) != std::string::npos)
        return false;
    const size_t dot = a.find('.', at + 1);
    if (dot == std::string::npos || dot == at + 1)
        return false;
    const size_t n = a.size();
    return a[n - 1] != '.' && a[n - 2] != '.';
}

std::vector<std::string> SplitLoginList(const std::string& list)
{
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t end; (end = list.find_first_of(";|", start)) != std::string::npos;
         start = end + 1)
        items.push_back(list.substr(start, end - start));
    return items;
}

CLoginDlg::CLoginDlg(const std::string& languageModule, int mode, const std::string& list)
    : lxwin::Dialog(Module(), IDD_LOGINDLG), m_languageModule(languageModule), m_mode(mode),
      m_list(list), m_lang(ChooseLanguage(languageModule)), m_drawing(ChineseDrawingMode(m_lang))
{
    Trace("CLoginDlg::CLoginDlg() --> invoked");
    if (m_mode == 1 && m_list.empty())
        m_mode = 0;
}

CLoginDlg::~CLoginDlg() = default;

HWND CLoginDlg::EmailControl() const
{
    return Item(m_mode == 1 ? IDC_LOGIN_LIST : IDC_LOGIN_EMAIL);
}

void CLoginDlg::FillList()
{
    HWND list = Item(IDC_LOGIN_LIST);
    const std::vector<std::string> items = SplitLoginList(m_list);
    int added = 0;
    for (const std::string& item : items) {
        // The list sorts itself: an address that does not land at its end stops the filling
        // and is taken out again, so the list ends after the address before it.
        const LRESULT at =
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (at < 0)
            break;
        if (at != added) {
            SendMessageA(list, CB_DELETESTRING, static_cast<WPARAM>(at), 0);
            break;
        }
        ++added;
    }
    if (!items.empty())
        SetWindowTextA(list, items.front().c_str());
    if (added >= 2) {
        RECT r{};
        GetWindowRect(list, &r);
        SetWindowPos(list, nullptr, 0, 0, r.right - r.left,
                     kListRowHeight * std::min(added, kMaxListRows),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

BOOL CLoginDlg::OnInitDialog()
{
    Trace("CLoginDlg::OnInitDialog() --> invoked");
    // No field takes more than the caller gets back.
    const WPARAM limit = SKINBOX_LOGIN_TEXT_MAX - 1;
    SendMessageA(Item(IDC_LOGIN_EMAIL), EM_LIMITTEXT, limit, 0);
    SendMessageA(Item(IDC_LOGIN_PASSWORD), EM_LIMITTEXT, limit, 0);
    SendMessageA(Item(IDC_LOGIN_LIST), CB_LIMITTEXT, limit, 0);
    if (m_mode == 0) {
        lxwin::Show(Item(IDC_LOGIN_LIST), false);
    } else {
        lxwin::Show(Item(IDC_LOGIN_EMAIL), false);
        FillList();
    }
    const std::vector<int> kept =
        m_drawing ? std::vector<int>{IDC_LOGIN_LINK, IDC_LOGIN_EMAILLABEL, IDC_LOGIN_PASSWORDLABEL,
                                     IDC_LOGIN_OK, IDC_LOGIN_CANCEL, IDC_LOGIN_NEWUSER}
                  : std::vector<int>{};
    // The link is skinned twice, as the dialog has always done (by its member and its id).
    if (!m_skin.Apply(Hwnd(), IDC_LOGIN_SKIN,
                      {{IDC_LOGIN_LINK, L"Link"},
                       {IDC_LOGIN_LINK, L"Link"},
                       {IDC_LOGIN_EMAILLABEL, L"Label"},
                       {IDC_LOGIN_PASSWORDLABEL, L"Label"},
                       {IDC_LOGIN_OK, L"Button"},
                       {IDC_LOGIN_CANCEL, L"Button"},
                       {IDC_LOGIN_NEWUSER, L"Button"}},
                      kept))
        return TRUE;
    InitLanguages();
    SetFocus(Item(IDC_LOGIN_OK));
    return TRUE;
}

void CLoginDlg::InitLanguages()
{
    Trace("CLoginDlg::InitLanguages() --> invoked");
    const int lang = static_cast<int>(m_lang);
    m_font.Reset(MakeFont(kFonts[lang]));
    for (const auto& shown : kShown) {
        HWND control = Item(shown.first);
        lxwin::SetFont(control, m_font.Get());
        std::string text = LoadLabel(kTextIds[lang][shown.second], m_lang);
        if (m_drawing) {
            if (shown.second == kLogin)
                text = "OK";
            SetWindowTextA(control, "");
            m_skin.SetDrawnText(shown.first, text);
        } else {
            SetLabel(control, text, m_lang);
        }
    }
    m_invalid = LoadLabel(kTextIds[lang][kInvalid], m_lang);
    m_missing = LoadLabel(kTextIds[lang][kMissing], m_lang);
    m_needed = LoadLabel(kTextIds[lang][kNeeded], m_lang);
}

void CLoginDlg::ReadInput()
{
    m_email = lxwin::GetText(EmailControl());
    m_password = lxwin::GetItemText(Hwnd(), IDC_LOGIN_PASSWORD);
}

void CLoginDlg::Tell(const std::string& text)
{
    RunMessageBox(m_languageModule, std::string(), text, kMessageFlags, Hwnd());
}

bool CLoginDlg::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_LOGIN_OK:
        Trace("CLoginDlg::OnOK() --> invoked");
        ReadInput();
        if (m_email.empty()) {
            Tell(m_missing);
            SetFocus(EmailControl());
        } else if (m_password.empty()) {
            Tell(m_missing);
            SetFocus(Item(IDC_LOGIN_PASSWORD));
        } else if (!IsValidEmail(m_email)) {
            Tell(m_invalid);
            SetFocus(EmailControl());
            SendDlgItemMessageA(Hwnd(), IDC_LOGIN_EMAIL, EM_SETSEL, 0, -1);
        } else {
            End(1);
        }
        return true;
    case IDC_LOGIN_LINK:
        Trace("CLoginDlg::OnLink() --> invoked");
        m_email = lxwin::GetText(EmailControl());
        if (m_email.empty())
            Tell(m_needed);
        else
            End(4);
        return true;
    case IDC_LOGIN_NEWUSER:
        Trace("CLoginDlg::OnNewuser() --> invoked");
        End(3);
        return true;
    case IDC_LOGIN_CANCEL:
        Trace("CLoginDlg::OnCancel() --> invoked");
        End(2);
        return true;
    default:
        return false;
    }
}

bool CLoginDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (m_skin.OnEvent(msg, wParam, lParam)) {
        result = TRUE;
        return true;
    }
    if (msg == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == Item(IDC_LOGIN_LINK)) {
        SetCursor(LoadCursorA(Module(), MAKEINTRESOURCEA(IDC_LINK_CURSOR)));
        SetWindowLongPtrA(Hwnd(), DWLP_MSGRESULT, TRUE);
        result = TRUE;
        return true;
    }
    return false;
}

void CLoginDlg::OnDestroy()
{
    Trace("CLoginDlg::OnDestroy() --> invoked");
    m_skin.Release();
}

}  // namespace skinbox
