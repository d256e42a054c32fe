#include "addresspage.h"

#include "pages/addressids.h"
#include "productfacts.h"

#include <algorithm>

CWizLexiRegAddr::~CWizLexiRegAddr()
{
    if (m_labelFont)
        DeleteObject(m_labelFont);
}

bool CWizLexiRegAddr::DetailsChanged(PersonalDetails& details)
{
    for (size_t i = 0; i < PersonalDetails::kPairs; ++i) {
        const PersonalDetail* d = details.Pairs(i);
        if (d && !SameText(d->edited, d->server))
            return true;
    }
    return false;
}

PersonalDetail* CWizLexiRegAddr::DetailOf(PersonalDetails& d, const std::string& t, bool province)
{
    const std::pair<const char*, PersonalDetail*> fields[] = {
        {tag::Company, &d.company},       {tag::FirstName, &d.firstName},
        {tag::LastName, &d.lastName},     {tag::SecondName, &d.secondName},
        {tag::SecondLastName, &d.secondLastName}, {tag::Address1, &d.address1},
        {tag::Address2, &d.address2},     {tag::Address3, &d.address3},
        {tag::PostalCode, &d.postalCode}, {tag::City, &d.city},
        {tag::State, &d.state},           {tag::Province, &d.province},
        {tag::Street, &d.street},
        {tag::Prefecture, province ? &d.district : &d.province},
        {tag::District, province ? &d.district : &d.province},
    };
    for (const auto& f : fields)
        if (t == f.first)
            return f.second;
    return nullptr;
}

BOOL CWizLexiRegAddr::OnInitDialog()
{
    CServerPage::OnInitDialog();
    const bool vietnamese = Data().settings.szCurrentDictionary().find("Vietnamese") != std::string::npos;
    HDC dc = GetDC(Hwnd());
    const int height = vietnamese ? -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72) : -13;
    ReleaseDC(Hwnd(), dc);
    m_labelFont = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, vietnamese ? 0 : 134,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, vietnamese ? "Heo May 1.1" : "Verdana");
    for (int id : FormControlIds())
        lxwin::SetFont(Item(id), Data().font);
    // The country row shows the country chosen on the page before, read-only: it is changed
    // there, never here.
    m_countryField = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "",
                                     WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, 0, 0, 0,
                                     0, Hwnd(), reinterpret_cast<HMENU>(kCountryFieldId),
                                     GetModuleHandleA(nullptr), nullptr);
    // A Vietnamese country list holds the VISCII names its font draws.
    LOGFONTA face = {};
    GetObjectA(Data().font ? static_cast<HGDIOBJ>(Data().font) : GetStockObject(DEFAULT_GUI_FONT),
               sizeof face, &face);
    if (vietnamese) {
        face.lfCharSet = ANSI_CHARSET;
        lstrcpynA(face.lfFaceName, lxfacts::kVietnameseFace, LF_FACESIZE);
    }
    m_countryFont.Reset(CreateFontIndirectA(&face));
    lxwin::SetFont(m_countryField, m_countryFont.Get());
    return TRUE;
}

void CWizLexiRegAddr::LoadCountries()
{
    if (m_countriesLoaded)
        return;
    m_countriesLoaded = true;
    m_countries.Load(".\\data");
    for (const std::string& state : m_countries.UsStates())
        SendDlgItemMessageA(Hwnd(), IDC_ADDR_USSTATE, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(state.c_str()));
}

LRESULT CWizLexiRegAddr::OnSetActive()
{
    m_showing = false;
    if (!EnterWithServer())
        return Skip();
    m_showing = true;
    WizardData& data = Data();
    LoadCountries();
    BecomeCallingWindow();
    submitted = 0;
    if (!data.goingBack) {
        PersonalDetails& d = data.details;
        PersonalDetail* kept[] = {&d.postalCode, &d.address1, &d.address2, &d.address3, &d.city,
                                  &d.province, &d.district, &d.state, &d.street};
        // Coming back with the country of the last visit keeps what was typed; another
        // country starts from the service's values when it is the service's country, else
        // from empty fields.
        if (!SameText(d.countryName.edited, lastCountry)) {
            const bool servers = SameText(d.countryName.edited, d.countryName.server);
            for (PersonalDetail* detail : kept)
                detail->edited = servers ? detail->server : std::string();
            lastCountry = d.countryName.edited;
        }
        BuildForm();
        FillForm();
    }
    PostMessageA(SheetHwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Context().Button(kIdNext)), TRUE);
    return 0;
}

bool CWizLexiRegAddr::UnitedStates() const
{
    return SameText(Data().details.countryName.edited, "United States");
}

bool CWizLexiRegAddr::Shown(const std::string& fieldTag) const
{
    return std::any_of(m_places.begin(), m_places.end(),
                       [&](const FieldPlace& p) { return p.tag == fieldTag; });
}

void CWizLexiRegAddr::BuildForm()
{
    PersonalDetails& d = Data().details;
    const CountryNode* country = m_countries.Find(d.countryName.edited);
    d.postalFormat = country ? country->postalFormat : "";
    if (country)
        d.countryCode = country->countryCode;
    const bool company = Data().customerType() == "C";
    m_rows = ParseFormTemplate(FormTemplateFor(country ? country->formTemplate : "", company));

    m_honorifics = HonorificList(GetText(123), d.countryName.edited);
    for (int id : {IDC_ADDR_HONORIFIC, IDC_ADDR_TITLE}) {
        SendDlgItemMessageA(Hwnd(), id, CB_RESETCONTENT, 0, 0);
        for (const std::string& h : m_honorifics)
            SendDlgItemMessageA(Hwnd(), id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(h.c_str()));
        SendDlgItemMessageA(Hwnd(), id, CB_SETCURSEL, 0, 0);
    }

    for (int id : FormControlIds())
        ShowWindow(Item(id), SW_HIDE);
    ShowWindow(m_countryField, SW_HIDE);
    SIZE w = {};
    HDC dc = GetDC(Hwnd());
    {
        lxwin::Selection font(dc, Data().font ? static_cast<HGDIOBJ>(Data().font)
                                              : GetStockObject(DEFAULT_GUI_FONT));
        GetTextExtentPoint32A(dc, "W", 1, &w);
    }
    ReleaseDC(Hwnd(), dc);
    m_places = LayOutForm(m_rows, d.postalFormat, w.cx);
    HWND previous = HWND_TOP;
    const bool us = UnitedStates();
    for (const FieldPlace& p : m_places) {
        HWND control = p.tag == tag::Country ? m_countryField : Item(TagControlId(p.tag, us));
        if (!control)
            continue;
        const bool list = p.tag == tag::Honorific || p.tag == tag::Title || (us && p.tag == tag::State);
        SetWindowPos(control, previous, p.x, p.y, p.width, list ? 102 : kFieldHeight,
                     SWP_SHOWWINDOW | SWP_NOACTIVATE);
        previous = control;
    }
    lxwin::SetText(m_countryField, d.countryName.edited);
    m_rowLabels.clear();
    for (const auto& row : m_rows)
        m_rowLabels.push_back(RowLabel(row, [this](int id) { return GetText(static_cast<UINT>(id)); }));
    SendDlgItemMessageA(Hwnd(), IDC_ADDR_POSTALCODE, EM_LIMITTEXT, PostalCodeLimit(d.postalFormat), 0);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void CWizLexiRegAddr::FillForm()
{
    PersonalDetails& d = Data().details;
    SendDlgItemMessageA(Hwnd(), IDC_ADDR_HONORIFIC, CB_SETCURSEL,
                        HonorificIndex(m_honorifics, d.honorific.edited), 0);
    SendDlgItemMessageA(Hwnd(), IDC_ADDR_TITLE, CB_SETCURSEL, HonorificIndex(m_honorifics, d.title.edited), 0);
    const bool province = Shown(tag::Province);
    for (const FieldPlace& p : m_places) {
        PersonalDetail* detail = DetailOf(d, p.tag, province);
        if (!detail)
            continue;
        std::string value = detail->edited;
        if (p.tag == tag::PostalCode && !d.postalFormat.empty() && value.size() > d.postalFormat.size())
            value.resize(d.postalFormat.size());
        if (p.tag == tag::State && UnitedStates()) {
            SendDlgItemMessageA(Hwnd(), IDC_ADDR_USSTATE, CB_SETCURSEL,
                                static_cast<WPARAM>(SendDlgItemMessageA(Hwnd(), IDC_ADDR_USSTATE, CB_FINDSTRINGEXACT,
                                                                        static_cast<WPARAM>(-1),
                                                                        reinterpret_cast<LPARAM>(value.c_str()))),
                                0);
            continue;
        }
        lxwin::SetItemText(Hwnd(), TagControlId(p.tag, false), value);
    }
}

std::string CWizLexiRegAddr::SelectedHonorific() const
{
    const int id = Shown(tag::Honorific) ? IDC_ADDR_HONORIFIC : Shown(tag::Title) ? IDC_ADDR_TITLE : 0;
    return id ? lxwin::GetItemText(Hwnd(), id) : std::string();
}

std::map<std::string, std::string> CWizLexiRegAddr::ReadForm()
{
    PersonalDetails& d = Data().details;
    std::map<std::string, std::string> values;
    const bool province = Shown(tag::Province);
    for (const FieldPlace& p : m_places) {
        const int id = TagControlId(p.tag, UnitedStates());
        if (!id)
            continue;
        const std::string value = lxwin::GetItemText(Hwnd(), id);
        values[p.tag] = value;
        if (p.tag == tag::Honorific)
            d.honorific.edited = value;
        else if (p.tag == tag::Title)
            d.title.edited = value;
        else if (PersonalDetail* detail = DetailOf(d, p.tag, province))
            detail->edited = value;
    }
    return values;
}

LRESULT CWizLexiRegAddr::OnWizardNext()
{
    WizardData& data = Data();
    data.goingBack = 0;
    const std::map<std::string, std::string> values = ReadForm();
    if (data.skipRest || data.cancelled)
        return kGoOn;
    std::vector<std::string> shown;
    for (const FieldPlace& p : m_places)
        shown.push_back(p.tag);
    const FormFault fault = CheckForm(values, shown, data.details.postalFormat);
    if (!fault.tag.empty()) {
        Context().ShowMessage(
            FormFaultText(GetText(125), GetText(static_cast<UINT>(TagLabelId(fault.tag))), fault.length),
            MB_ICONQUESTION);
        SetFocus(Item(TagControlId(fault.tag, UnitedStates())));
        return kStay;
    }
    if (DetailsChanged(data.details) && !submitted) {
        SendToSelf(LxpMsg::SubmissionPersonalInfo);
        return kStay;
    }
    return kGoOn;
}

LRESULT CWizLexiRegAddr::OnWizardBack()
{
    // What was typed stays for the next visit.
    if (m_showing)
        ReadForm();
    return CServerPage::OnWizardBack();
}

bool CWizLexiRegAddr::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_ADDR_POSTALCODE && code == EN_CHANGE) {
        const std::string format = Data().details.postalFormat;
        if (!format.empty())
            FilterEdit(id, [&format](const std::string& typed) { return FilterPostalCode(DropSeparators(typed, GetACP()), format); });
        else
            RefuseSeparators(id);
        return true;
    }
    return CServerPage::OnCommand(id, code, control);
}

void CWizLexiRegAddr::PaintLabels(HDC dc) const
{
    lxwin::Selection font(dc, m_labelFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    for (size_t k = 0; k < m_rowLabels.size(); ++k) {
        const std::string& label = m_rowLabels[k];
        const int y = 150 + 26 * static_cast<int>(k);
        SIZE size = {};
        GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &size);
        const auto split = SplitRowLabel(label);
        if (size.cx < 159 || split.second.empty()) {
            RECT r = {20, y + 5, 178, y + 5 + size.cy};
            DrawTextA(dc, label.c_str(), -1, &r, DT_SINGLELINE | DT_NOPREFIX);
            continue;
        }
        // Two lines around the middle of the row.
        const int middle = y + kFieldHeight / 2;
        RECT first = {20, middle - size.cy, 178, middle};
        RECT second = {20, middle, 178, middle + size.cy};
        DrawTextA(dc, split.first.c_str(), -1, &first, DT_SINGLELINE | DT_NOPREFIX);
        DrawTextA(dc, split.second.c_str(), -1, &second, DT_SINGLELINE | DT_NOPREFIX);
    }
}

bool CWizLexiRegAddr::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Hwnd(), &ps);
        PaintLabels(dc);
        EndPaint(Hwnd(), &ps);
        result = 0;
        return true;
    }
    return CServerPage::OnMessage(msg, wParam, lParam, result);
}

bool CWizLexiRegAddr::OnLxpMessage(LxpMsg msg, WPARAM, LPARAM lParam)
{
    if (msg == LxpMsg::SubmissionPersonalInfo) {
        Submit();
        return true;
    }
    if (msg == LxpMsg::GetCallbackSubmissionPersonalInfo) {
        if (Awaited(LxpMsg::GetCallbackSubmissionPersonalInfo))
            OnSubmissionReply(ReplyOf(lParam));
        return true;
    }
    return false;
}

void CWizLexiRegAddr::Submit()
{
    WizardData& data = Data();
    const CSettingsStore& s = data.settings;
    const PersonalDetails& d = data.details;
    const bool company = data.customerType() == "C";
    SubmissionValues v;
    v.progVer = s.szProgVer();
    v.build = s.szBuild();
    v.coBrandedId = s.szCoBrandedID();
    v.previousCobrandId = s.GetPreviousCobrandID();
    v.previousVersion = s.GetPreviousVersion();
    v.previousBuild = s.GetPreviousBuild();
    v.honorific = SelectedHonorific();
    v.firstName = d.firstName.edited;
    v.lastName = d.lastName.edited;
    v.secondName = d.secondName.edited;
    v.secondLastName = d.secondLastName.edited;
    v.address1 = d.address1.edited;
    v.address2 = d.address2.edited;
    v.address3 = d.address3.edited;
    v.city = d.city.edited;
    v.state = d.state.edited;
    v.province = d.province.edited;
    v.postalCode = d.postalCode.edited;
    v.countryCode = d.countryCode;
    v.company = d.company.edited;
    v.osId = s.GetWindowsVersionName();
    v.contactLine = ContactLine(company, v.honorific, v.firstName, v.lastName);
    v.displayLanguage = data.displayLanguage;
    v.installDate = data.installDate;
    v.customerType = data.customerType();
    const std::string record = SubmissionRecord(v);
    Request(LxpMsg::GetCallbackSubmissionPersonalInfo, 141,
            [&data, record] { return data.link.SubmissionOfPersonalInfo(record); });
}

void CWizLexiRegAddr::OnSubmissionReply(const Fields& f)
{
    Context().EndWaiting();
    if (f.empty()) {
        NoAnswer();
        return;
    }
    submitted = 1;
    if (f[0] != "0") {
        ShowStatusOf(f);
        return;
    }
    // The service holds these values now: coming back unchanged sends nothing again.
    PersonalDetails& d = Data().details;
    for (size_t i = 0; i < PersonalDetails::kPairs; ++i)
        if (PersonalDetail* detail = d.Pairs(i))
            detail->server = detail->edited;
    Context().PressNext();
}
