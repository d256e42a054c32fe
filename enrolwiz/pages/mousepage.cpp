#include "mousepage.h"

#include "lxskin.h"
#include "pages/mouseids.h"
#include "resourcehandle.h"

#include <string>

namespace {

constexpr int kRowRight = 370;
constexpr int kButtonX = 245;
constexpr int kButtonY[4] = {133, 159, 185, 225};
constexpr UINT_PTR kTimer = 1;
// Size of an option button when the language module lacks its bitmap.
constexpr int kPlainOption = 18;

SIZE BitmapSize(HBITMAP bitmap, int fallback)
{
    BITMAP info = {};
    if (bitmap && GetObjectA(bitmap, sizeof info, &info))
        return {info.bmWidth, info.bmHeight};
    return {fallback, fallback};
}

// The Chinese captions (code page 936) the page draws on the sheet's buttons.
const char kNextZh[] = "\xCF\xC2\xD2\xBB\xB2\xBD";
const char kFinishZh[] = "\xCD\xEA\xB3\xC9";
const char kBackZh[] = "\xC9\xCF\xD2\xBB\xB2\xBD";
const char kCancelZh[] = "\xC8\xA1\xCF\xFB";

}  // namespace

CWizLexiRegMouse::CWizLexiRegMouse() : CWizPage(104, 175)
{
    // The template places the skin control: its class must exist before the page is made.
    m_skinLibrary = LoadLibraryA(LXSKIN_DLL);
}

CWizLexiRegMouse::~CWizLexiRegMouse()
{
    if (m_skin)
        m_skin->Release();
    for (HBITMAP b : {m_option, m_optionSelected, m_descriptions[0],
                      m_descriptions[1], m_descriptions[2], m_descriptions[3], m_decorations[0],
                      m_decorations[1]})
        if (b)
            DeleteObject(b);
    // lxskin.dll stays loaded: skinned windows keep using it until the process ends.
}

const CWizLexiRegMouse::Choice& CWizLexiRegMouse::ChoiceOf(int choice)
{
    static const Choice choices[4] = {
        {1, 0, 1000, 209, 142},
        {3, 0, 1001, 207, 143},
        {1, 1, 1002, 210, 145},
        {4, 0, 1003, 208, 144},
    };
    return choices[choice >= 1 && choice <= 4 ? choice - 1 : 0];
}

bool CWizLexiRegMouse::SetUpSkin()
{
    void* object = nullptr;
    if (FAILED(LxSkinQueryControl(Item(IDC_MOUSE_SKIN), IID_ISkinControl, &object)))
        return false;
    m_skin = static_cast<ISkinControl*>(object);
    Context().skin = m_skin;
    const std::wstring file = Data().settings.GetSkinFileW();
    return m_skin->SkinLoad(file.c_str()) >= 0 && m_skin->SkinApply(SheetHwnd(), nullptr) >= 0 &&
           m_skin->SkinApply(SheetHwnd(), L"RegistrationInstallationForm") >= 0;
}

BOOL CWizLexiRegMouse::OnInitDialog()
{
    CWizPage::OnInitDialog();
    if (!SetUpSkin()) {
        MessageBoxA(Hwnd(), "Could not load or open the skin", nullptr, MB_OK);
        PostMessageA(Hwnd(), WM_CLOSE, 0, 0);
        return TRUE;
    }
    CreateControls();
    if (useBuiltinStrings)
        SubclassButtonCaptions();
    return TRUE;
}

void CWizLexiRegMouse::CreateControls()
{
    const HINSTANCE module = GetModuleHandleA(nullptr);
    SetBackground(129);
    m_option = LoadModuleBitmap(146);
    m_optionSelected = LoadModuleBitmap(147);
    const SIZE option = BitmapSize(m_option, kPlainOption);
    for (int i = 0; i < 4; ++i) {
        CreateWindowExA(0, "BUTTON", "Mouse Settings", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                        kButtonX, kButtonY[i], option.cx, option.cy, Hwnd(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MOUSE_OPTION1 + i)),
                        module, nullptr);
        m_rows[i] = {kButtonX, kButtonY[i], kRowRight, kButtonY[i] + option.cy};
        // The choice's text beside its button, up to the end of the row (two lines at most).
        const int textX = kButtonX + option.cx + 6;
        SetWindowPos(Item(IDC_MOUSE_CHOICE_TEXT + i), nullptr, textX, kButtonY[i] + 1,
                     kRowRight - textX, 26, SWP_NOZORDER | SWP_NOACTIVATE);
        m_descriptions[i] = LoadModuleBitmap(ChoiceOf(i + 1).description);
    }
    const SIZE description = BitmapSize(m_descriptions[0], 0);
    HWND picture = CreateWindowExA(0, "STATIC", "Mouse Button Description",
                                   WS_CHILD | WS_VISIBLE | SS_BITMAP, 370, 123, description.cx,
                                   description.cy, Hwnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MOUSE_DESCRIPTION)),
                                   module, nullptr);
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_descriptions[0]));
    const UINT decorationIds[2] = {182, 206};
    const POINT decorationAt[2] = {{20, 120}, {245, 270}};
    for (int i = 0; i < 2; ++i) {
        m_decorations[i] = LoadModuleBitmap(decorationIds[i]);
        const SIZE size = BitmapSize(m_decorations[i], 0);
        HWND decoration = CreateWindowExA(
            0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP, decorationAt[i].x, decorationAt[i].y,
            size.cx, size.cy, Hwnd(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MOUSE_DECORATION1 + i)), module, nullptr);
        SendMessageA(decoration, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_decorations[i]));
    }
    RECT client = {};
    GetClientRect(Hwnd(), &client);
    HWND gif = CreateWindowExA(0, "STATIC", "GIF Loader", WS_CHILD, 0, 0, client.right,
                               client.bottom, Hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MOUSE_ANIMATION)),
                               module, nullptr);
    m_animation.SubclassWindow(gif);
}

LRESULT CWizLexiRegMouse::OnSetActive()
{
    Enter(kCancel | kNext);
    refresh = 1;
    SetTimer(Hwnd(), kTimer, 100, nullptr);
    cancelledHere = 0;
    return 0;
}

void CWizLexiRegMouse::ShowDemo(bool on)
{
    demoShown = on ? 1 : 0;
    if (on) {
        m_animation.LoadResource(LxResourceHandle(),
                                 MAKEINTRESOURCEA(ChoiceOf(Data().mouseChoice).animation), "GIF");
        m_animation.Draw();
    } else {
        m_animation.Stop();
    }
    for (int id = IDC_MOUSE_OPTION1; id <= IDC_MOUSE_DECORATION2; ++id)
        lxwin::Show(Item(id), !on);
    for (int id = IDC_MOUSE_CHOICE_TEXT; id < IDC_MOUSE_CHOICE_TEXT + 4; ++id)
        lxwin::Show(Item(id), !on);
    lxwin::Show(Item(IDC_MOUSE_ANIMATION), on);
    Context().ShowButton(kIdBack, on);
    Context().ShowButton(kIdNext, true);
}

LRESULT CWizLexiRegMouse::OnWizardNext()
{
    Data().goingBack = 0;
    if (!Data().skipRest && !demoShown && !cancelledHere) {
        ShowDemo(true);
        refresh = 1;
        return kStay;
    }
    if (!Data().skipRest)
        ShowDemo(false);
    KillTimer(Hwnd(), kTimer);
    return kGoOn;
}

LRESULT CWizLexiRegMouse::OnWizardBack()
{
    ShowDemo(false);
    return kStay;
}

bool CWizLexiRegMouse::OnQueryCancel()
{
    cancelledHere = 1;
    ShowDemo(false);
    Context().ApplyCancelRule();
    return false;
}

void CWizLexiRegMouse::Choose(int choice)
{
    Data().mouseChoice = choice;
    SendDlgItemMessageA(Hwnd(), IDC_MOUSE_DESCRIPTION, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(m_descriptions[choice - 1]));
}

bool CWizLexiRegMouse::OnCommand(int id, int code, HWND control)
{
    if (id >= IDC_MOUSE_OPTION1 && id < IDC_MOUSE_OPTION1 + 4 && code == BN_CLICKED) {
        Choose(id - IDC_MOUSE_OPTION1 + 1);
        return true;
    }
    return CWizPage::OnCommand(id, code, control);
}

void CWizLexiRegMouse::OnTimer()
{
    if (Data().mouseChoice == shownChoice && !refresh)
        return;
    refresh = 0;
    shownChoice = Data().mouseChoice;
    for (int i = 0; i < 4; ++i)
        InvalidateRect(Item(IDC_MOUSE_OPTION1 + i), nullptr, TRUE);
}

void CWizLexiRegMouse::DrawOption(const DRAWITEMSTRUCT& item) const
{
    const bool selected = static_cast<int>(item.CtlID) - IDC_MOUSE_OPTION1 + 1 == shownChoice;
    HBITMAP bitmap = selected ? m_optionSelected : m_option;
    if (!bitmap) {
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        RECT mark = item.rcItem;
        DrawFrameControl(item.hDC, &mark, DFC_BUTTON,
                         DFCS_BUTTONRADIO | (selected ? DFCS_CHECKED : 0));
        return;
    }
    HDC memory = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(item.hDC, 0, 0, item.rcItem.right, item.rcItem.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

bool CWizLexiRegMouse::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (msg) {
    case WM_TIMER:
        if (wParam != kTimer)
            return false;
        OnTimer();
        result = TRUE;
        return true;
    case WM_LBUTTONDOWN: {
        const POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        for (int i = 0; i < 4; ++i) {
            if (!demoShown && PtInRect(&m_rows[i], pt)) {
                HWND button = Item(IDC_MOUSE_OPTION1 + i);
                SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, 0);
                SendMessageA(button, WM_LBUTTONUP, 0, 0);
            }
        }
        return false;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID < IDC_MOUSE_OPTION1 || item.CtlID >= IDC_MOUSE_OPTION1 + 4)
            return false;
        DrawOption(item);
        result = TRUE;
        return true;
    }
    default:
        return CWizPage::OnMessage(msg, wParam, lParam, result);
    }
}

void CWizLexiRegMouse::OnDestroy()
{
    KillTimer(Hwnd(), kTimer);
    m_animation.UnLoad();
    if (Context().skin == m_skin)
        Context().skin = nullptr;
}

// --- Chinese captions of the sheet's buttons -------------------------------------------------

void CWizLexiRegMouse::SubclassButtonCaptions()
{
    if (m_paintsCaptions)
        return;
    m_paintsCaptions = true;
    for (int id : {static_cast<int>(kIdNext), static_cast<int>(kIdBack), IDCANCEL}) {
        HWND button = Context().Button(id);
        SetWindowTextA(button, "");
        SetWindowSubclass(button, &CWizLexiRegMouse::CaptionProc, 1,
                          reinterpret_cast<DWORD_PTR>(this));
    }
}

LRESULT CALLBACK CWizLexiRegMouse::CaptionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR id, DWORD_PTR ref)
{
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &CWizLexiRegMouse::CaptionProc, id);
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    const LRESULT answer = DefSubclassProc(hwnd, msg, wParam, lParam);
    if (msg != WM_PAINT)
        return answer;
    auto* self = reinterpret_cast<CWizLexiRegMouse*>(ref);
    const int control = GetDlgCtrlID(hwnd);
    const char* caption = kCancelZh;
    if (control == kIdBack)
        caption = kBackZh;
    else if (control == kIdNext)
        caption = PropSheet_GetCurrentPageHwnd(self->SheetHwnd()) ==
                          PropSheet_IndexToHwnd(self->SheetHwnd(), 9)
                      ? kFinishZh
                      : kNextZh;
    wchar_t wide[16] = {};
    const int n = MultiByteToWideChar(936, 0, caption, -1, wide, 16);
    HDC dc = GetDC(hwnd);
    {
        lxwin::GdiObject<HFONT> font(CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET,
                                                 0, 0, 0, 0, "Arial Unicode MS"));
        lxwin::Selection selected(dc, font.Get());
        RECT rc = {};
        GetClientRect(hwnd, &rc);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(dc, wide, n > 0 ? n - 1 : 0, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    ReleaseDC(hwnd, dc);
    return answer;
}
