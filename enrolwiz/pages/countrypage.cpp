#include "countrypage.h"

#include "addressform.h"
#include "lxskin.h"
#include "pages/countryids.h"

CWizLexiRegQuizorra::~CWizLexiRegQuizorra()
{
    for (HFONT font : {m_listFont, m_unicodeFont})
        if (font)
            DeleteObject(font);
}

namespace {

HFONT MakeFont(HWND window, const char* face, int points, BYTE charset, int pixels = 0)
{
    HDC dc = GetDC(window);
    const int height = pixels ? -pixels : -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(window, dc);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

std::wstring FromCodePage936(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(936, 0, text.c_str(), static_cast<int>(text.size()), &wide[0],
                                      static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
}

}  // namespace

HWND CWizLexiRegQuizorra::CountryList() const
{
    return Item(useBuiltinStrings ? IDC_COUNTRY_LISTW : IDC_COUNTRY_LIST);
}

BOOL CWizLexiRegQuizorra::OnInitDialog()
{
    CServerPage::OnInitDialog();
    HWND list = Item(IDC_COUNTRY_LIST);
    if (useBuiltinStrings) {
        // The Chinese country names need a list that holds Unicode text.
        RECT r = {};
        GetWindowRect(list, &r);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&r), 2);
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(list, GWL_STYLE)) | WS_VSCROLL;
        HWND wide = CreateWindowExW(0, L"COMBOBOX", L"", style, r.left, r.top, r.right - r.left,
                                    r.bottom - r.top, Hwnd(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_COUNTRY_LISTW)),
                                    GetModuleHandleA(nullptr), nullptr);
        m_unicodeFont = MakeFont(Hwnd(), "Arial Unicode MS", 0, 134, 16);
        lxwin::SetFont(wide, m_unicodeFont);
        ShowWindow(list, SW_HIDE);
    }
    const std::string dictionary = Data().settings.szCurrentDictionary();
    if (dictionary.find("Vietnamese") != std::string::npos)
        m_listFont = MakeFont(Hwnd(), "Heo May 1.1", 8, 0);
    else if (useBuiltinStrings)
        m_listFont = MakeFont(Hwnd(), "Verdana", 10, 134);
    lxwin::SetFont(CountryList(), m_listFont ? m_listFont : Data().font);
    lxwin::SetFont(Item(IDC_COUNTRY_EMAIL), Data().font);
    EnableWindow(Item(IDC_COUNTRY_EMAIL), FALSE);
    CheckRadioButton(Hwnd(), IDC_COUNTRY_PRIVATE, IDC_COUNTRY_COMPANY, IDC_COUNTRY_PRIVATE);
    if (ISkinControl* skin = Context().skin)
        for (int id : {IDC_COUNTRY_PRIVATE, IDC_COUNTRY_COMPANY})
            skin->SkinApply(Item(id), L"Radio");
    return TRUE;
}

void CWizLexiRegQuizorra::FillCountries()
{
    m_names.clear();
    if (!ReadListLines(".\\data\\CountryNames.lst", m_names))
        ReportMissingListFile(".\\data\\CountryNames.lst");
    HWND list = CountryList();
    for (const std::string& name : m_names) {
        std::string shown = name;
        if (name == kChooseCountry || name == kOtherCountries) {
            const std::string text = GetText(name == kChooseCountry ? 145 : 146);
            if (!text.empty())
                shown = text;
        }
        if (useBuiltinStrings)
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FromCodePage936(shown).c_str()));
        else
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

LRESULT CWizLexiRegQuizorra::OnSetActive()
{
    if (!EnterWithServer())
        return Skip();
    WizardData& data = Data();
    if (!m_filled) {  // the list file is read the first time the page shows
        m_filled = true;
        FillCountries();
    }
    lxwin::SetItemText(Hwnd(), IDC_COUNTRY_EMAIL, data.email);
    CheckRadioButton(Hwnd(), IDC_COUNTRY_PRIVATE, IDC_COUNTRY_COMPANY,
                     data.customerType() == "C" ? IDC_COUNTRY_COMPANY : IDC_COUNTRY_PRIVATE);
    size_t selected = 0;
    for (size_t i = 0; i < m_names.size(); ++i)
        if (SameText(m_names[i], data.details.countryName.edited)) {
            selected = i;
            break;
        }
    SendMessageA(CountryList(), CB_SETCURSEL, selected, 0);
    BecomeCallingWindow();
    return 0;
}

LRESULT CWizLexiRegQuizorra::OnWizardNext()
{
    WizardData& data = Data();
    data.goingBack = 0;
    if (data.skipRest)
        return kGoOn;
    const LRESULT index = SendMessageA(CountryList(), CB_GETCURSEL, 0, 0);
    const std::string name =
        index >= 0 && static_cast<size_t>(index) < m_names.size() ? m_names[static_cast<size_t>(index)] : "";
    data.details.countryName.edited = name;
    data.multipleUsers = Checked(IDC_COUNTRY_SEVERAL) ? 1 : 0;
    if ((name.empty() || name == kChooseCountry || name == kOtherCountries) && !data.cancelled) {
        ShowText(147, MB_ICONINFORMATION);
        return kStay;
    }
    return kGoOn;
}

LRESULT CWizLexiRegQuizorra::OnWizardBack()
{
    WizardData& data = Data();
    data.goingBack = 1;
    if (!data.loggedIn)
        return kGoOn;
    SendToSelf(LxpMsg::Logout);
    return kStay;
}

bool CWizLexiRegQuizorra::OnCommand(int id, int code, HWND control)
{
    if (code == BN_CLICKED && (id == IDC_COUNTRY_PRIVATE || id == IDC_COUNTRY_COMPANY)) {
        Data().customerType() = id == IDC_COUNTRY_COMPANY ? "C" : "I";
        return true;
    }
    return CServerPage::OnCommand(id, code, control);
}

bool CWizLexiRegQuizorra::OnLxpMessage(LxpMsg msg, WPARAM, LPARAM lParam)
{
    if (msg == LxpMsg::Logout) {
        WizardData& data = Data();
        Request(LxpMsg::GetCallbackMsgLogout, 144, [&data] { return data.link.LogOut(); });
        return true;
    }
    if (msg == LxpMsg::GetCallbackMsgLogout) {
        if (Awaited(LxpMsg::GetCallbackMsgLogout))
            OnLogoutReply(ReplyOf(lParam));
        return true;
    }
    return false;
}

void CWizLexiRegQuizorra::OnLogoutReply(const Fields& f)
{
    Context().EndWaiting();
    if (f.empty()) {
        NoAnswer();
        return;
    }
    Data().loggedIn = 0;
    Context().PressBack();
}
