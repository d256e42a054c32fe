#include "wizpage.h"

#include "productfacts.h"
#include "resids.h"
#include "resourcehandle.h"

CWizPage::CWizPage(int templateId, UINT titleId)
    : PropPage(LxResourceHandle(), templateId), m_titleId(titleId)
{
}

CWizPage::~CWizPage()
{
    if (m_background)
        DeleteObject(m_background);
}

void CWizPage::SetBackground(UINT bitmapId)
{
    if (m_background)
        DeleteObject(m_background);
    m_background = LoadModuleBitmap(bitmapId);
}

bool CWizPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (msg == WM_CTLCOLORSTATIC && Background()) {
        // Labels, check boxes and option buttons are written onto the picture; edits keep
        // their own background.
        HWND control = reinterpret_cast<HWND>(lParam);
        char kind[16] = {};
        GetClassNameA(control, kind, sizeof kind);
        const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
        const bool label = lstrcmpiA(kind, "Static") == 0 ||
                           (lstrcmpiA(kind, "Button") == 0 && type != BS_PUSHBUTTON &&
                            type != BS_DEFPUSHBUTTON && type != BS_OWNERDRAW);
        if (!label)
            return false;
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        return true;
    }
    if (msg != WM_ERASEBKGND || !PaintBackground(reinterpret_cast<HDC>(wParam), Background()))
        return false;
    result = TRUE;
    return true;
}

void CWizPage::Attach(CWizardContext& context)
{
    m_context = &context;
}

BOOL CWizPage::OnInitDialog()
{
    useBuiltinStrings = CWizardContext::BuiltinStringsWanted(Data().settings);
    Place();
    UseVietnameseLabelFont();
    return TRUE;
}

void CWizPage::UseVietnameseLabelFont()
{
    char language[32] = "";
    LoadStringA(LxResourceHandle(), IDS_RES_LANGUAGE, language, sizeof language);
    if (lstrcmpiA(language, "Vietnamese") != 0)
        return;
    LOGFONTA face = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0)), sizeof face, &face);
    face.lfCharSet = ANSI_CHARSET;
    lstrcpynA(face.lfFaceName, lxfacts::kVietnameseFace, LF_FACESIZE);
    m_labelFont.Reset(CreateFontIndirectA(&face));
    for (HWND child = GetWindow(Hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char kind[16] = "";
        GetClassNameA(child, kind, sizeof kind);
        if (lstrcmpiA(kind, "Static") == 0 || lstrcmpiA(kind, "Button") == 0)
            lxwin::SetFont(child, m_labelFont.Get(), false);
    }
}

void CWizPage::Place() const
{
    SetWindowPos(Hwnd(), nullptr, 0, 0, kWidth, kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWizPage::Enter(unsigned buttons)
{
    Place();
    CWizardContext& c = Context();
    if (!c.sheet)  // the first page is entered before the sheet reports itself initialised
        c.sheet = SheetHwnd();
    c.SetTitle(GetText(m_titleId));
    c.ShowButton(kIdBack, (buttons & kBack) != 0);
    c.ShowButton(kIdNext, (buttons & (kNext | kNextDisabled)) != 0);
    c.ShowButton(IDCANCEL, (buttons & kCancel) != 0);
    if (buttons & kNext)
        c.EnableButton(kIdNext, true);
    if (buttons & kNextDisabled)
        c.EnableButton(kIdNext, false);
    if (buttons & kBack)
        c.EnableButton(kIdBack, true);
}

LRESULT CWizPage::SkipForward()
{
    OnWizardNext();
    return -1;
}

LRESULT CWizPage::SkipBack()
{
    OnWizardBack();
    return -1;
}

LRESULT CWizPage::Skip()
{
    return Data().goingBack ? SkipBack() : SkipForward();
}

LRESULT CWizPage::OnWizardNext()
{
    Data().goingBack = 0;
    return kGoOn;
}

LRESULT CWizPage::OnWizardBack()
{
    Data().goingBack = 1;
    return kGoOn;
}

bool CWizPage::OnQueryCancel()
{
    Context().ApplyCancelRule();
    return false;
}

HBITMAP CWizPage::LoadModuleBitmap(UINT id)
{
    return static_cast<HBITMAP>(
        LoadImageA(LxResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
}

bool CWizPage::PaintBackground(HDC dc, HBITMAP bitmap) const
{
    if (!bitmap)
        return false;
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    return true;
}
