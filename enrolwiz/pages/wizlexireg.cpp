#include "wizlexireg.h"

#include "lexiregapp.h"
#include "lxpmessages.h"
#include "md5digest.h"
#include "productfacts.h"
#include "resourcehandle.h"
#include "skinbinding.h"
#include "storeutil.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::string ProgramDir()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    const size_t slash = dir.rfind('\\');
    return slash == std::string::npos ? std::string() : dir.substr(0, slash);
}

const wchar_t kAnsiSheetProc[] = L"LexipopAnsiSheetProc";

// The sheet's procedure is an ANSI one: its text would come back through the system's code
// page to whatever reads it in Unicode (the title bar does). This one hands the text out as
// the sheet holds it and gives every other message to the sheet.
LRESULT CALLBACK UnicodeTextProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const auto sheetProc = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kAnsiSheetProc));
    if (msg == WM_GETTEXT || msg == WM_GETTEXTLENGTH)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sheetProc));
        RemovePropW(hwnd, kAnsiSheetProc);
    }
    return CallWindowProcW(sheetProc, hwnd, msg, wParam, lParam);
}

}  // namespace

CWizLexiReg::CWizLexiReg(HWND parent)
    : PropSheet(LxResourceHandle(), CWizardContext::ModuleText(103)),
      connectionCheck(data.link.GetConnectionCheck()),
      context(data, connectionCheck),
      m_parent(parent)
{
    CloseDictionaryProgram();
    data.settings.Open("enrolwiz", nullptr);
    data.previousEmail = data.settings.szEmail();
    MakeAnonymousUserOnFirstRun();
    // Known before OnInitDialog: the first page is entered before the sheet reports itself.
    useBuiltinStrings = CWizardContext::BuiltinStringsWanted(data.settings);
    context.useBuiltinStrings = useBuiltinStrings;

    data.customerType() = "I";
    data.mouseChoice = 1;
    data.cancelled = data.goingBack = data.openAccountPage = 0;
    data.loggedIn = data.skipRest = data.accountKnown = 0;
    data.font = nullptr;
    startAtEmail = 0;

    for (int i = 0; i < kPageCount; ++i) {
        PageAt(i).Attach(context);
        AddPage(PageAt(i));
    }
}

CWizLexiReg::~CWizLexiReg()
{
    Close();
    if (hFont)
        DeleteObject(hFont);
}

CWizPage& CWizLexiReg::PageAt(int index)
{
    CWizPage* pages[kPageCount] = {&pageMouse,   &pageEmail, &pageEmailVer, &pagePIN,
                                   &pagePassword, &pageCountry, &pageAddr,  &pageTavimo,
                                   &pagePromo,   &pageComplete};
    return *pages[index >= 0 && index < kPageCount ? index : 0];
}

void CWizLexiReg::CloseDictionaryProgram()
{
    HWND popup = FindWindowA(nullptr, "Lexipop Popup");
    if (!popup)
        return;
    while (HWND up = GetParent(popup))
        popup = up;
    SendMessageA(popup, WM_CLOSE, 0, 0);
}

void CWizLexiReg::MakeAnonymousUserOnFirstRun()
{
    const std::string anonymous = lxfacts::kAnonymousUser;
    if (!data.previousEmail.empty() && data.previousEmail != anonymous)
        return;
    data.previousEmail.clear();
    CreateDirectoryA(".\\data\\profile", nullptr);
    CreateDirectoryA((".\\data\\profile\\" + anonymous).c_str(), nullptr);
    data.settings.ExportReleaseKey();
    data.settings.ExportProductKey();
    data.settings.SetszProfilePath(ProgramDir() + "\\data\\profile\\" + anonymous);
    data.settings.SetszEmail(anonymous);
    data.settings.SetbMouseShift(0);
    data.settings.SetnMouseState(1);
    data.settings.SaveCurrentUser(lxfacts::kAnonymousPassword);
}

std::string CWizLexiReg::MakeInstallationId(const std::string& productId,
                                            const std::string& email)
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    long random = 0;
    do {
        random = 10000000L + std::rand();
    } while (random < 0 || random > 99999999L);
    char tail[96];
    std::snprintf(tail, sizeof tail, "%d%d%d%d%ld", now.wHour, now.wMinute, now.wSecond,
                  now.wMilliseconds, random);
    return Md5Digest(productId + email + tail);
}

namespace {
// The etched line of a wizard-97 sheet above its buttons.
constexpr int kIdWizardLine = 0x3026;
}  // namespace

void CWizLexiReg::LayOut()
{
    const HWND sheet = Hwnd();
    RECT frame = {};
    GetWindowRect(sheet, &frame);
    SetWindowPos(sheet, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER);
    // The buttons keep their places but for y; when the pages' templates made the sheet wider
    // than it is now, all three move left together so that Cancel stays inside.
    RECT client = {}, cancel = {};
    GetClientRect(sheet, &client);
    GetWindowRect(GetDlgItem(sheet, IDCANCEL), &cancel);
    MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&cancel), 2);
    const int overflow = cancel.right > client.right - 7 ? cancel.right - (client.right - 7) : 0;
    for (int id : {static_cast<int>(kIdNext), static_cast<int>(kIdBack), IDCANCEL}) {
        HWND button = GetDlgItem(sheet, id);
        RECT rc = {};
        if (!button || !GetWindowRect(button, &rc))
            continue;
        MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&rc), 2);
        SetWindowPos(button, nullptr, rc.left - overflow, kButtonY, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (HWND help = GetDlgItem(sheet, IDHELP))
        ShowWindow(help, SW_HIDE);
    // The line above the buttons spans the sheet between the pages and the buttons.
    if (HWND line = GetDlgItem(sheet, kIdWizardLine))
        SetWindowPos(line, nullptr, 0, kButtonY - 6, client.right, 2, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWizLexiReg::MakeFont()
{
    HDC screen = GetDC(nullptr);
    logFont = {};
    logFont.lfHeight = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    logFont.lfWeight = FW_NORMAL;
    logFont.lfCharSet = 0;
    logFont.lfOutPrecision = 1;
    logFont.lfClipPrecision = 2;
    logFont.lfQuality = 1;
    logFont.lfPitchAndFamily = 0x31;
    lstrcpynA(logFont.lfFaceName, "Verdana", LF_FACESIZE);
    hFont = CreateFontIndirectA(&logFont);
    data.font = hFont;
}

void CWizLexiReg::ConfigureServerLink()
{
    CCommClientWrapper& link = data.link;
    CCommClientWrapper::SetCallingWindow(Hwnd());
    link.SetRequestPrefix("ZORodaze/NV?message=");
    link.SetCookieName("RU-VAVAVU");
    link.SetCookiePrefix("ZORodaze/NV");
    link.SetAppBuildNumber(data.settings.szBuild());
    link.SetApplicationCode("LXK");
    link.SetApplicationVersion(data.settings.szProgVer());
    link.SetProtocolVersion("1");
}

void CWizLexiReg::OnInitDialog()
{
    const HWND sheet = Hwnd();
    context.sheet = sheet;
    useBuiltinStrings = CWizardContext::BuiltinStringsWanted(data.settings);
    context.useBuiltinStrings = useBuiltinStrings;

    // The skinned background is erased under the pages and buttons, never over them.
    SetWindowLongPtrA(sheet, GWL_STYLE, GetWindowLongPtrA(sheet, GWL_STYLE) | WS_CLIPCHILDREN);
    SetPropW(sheet, kAnsiSheetProc, reinterpret_cast<HANDLE>(GetWindowLongPtrW(sheet, GWLP_WNDPROC)));
    SetWindowLongPtrW(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UnicodeTextProc));
    LayOut();
    nextCaption = lxwin::GetText(GetDlgItem(sheet, kIdNext));
    finishCaption = lxwin::GetText(GetDlgItem(sheet, kIdFinish));
    context.nextCaption = nextCaption;
    context.finishCaption = finishCaption;
    context.SetTitle(context.GetText(175));
    context.ShowButton(kIdBack, false);

    data.settings.Open("Lexipop Registration", nullptr);
    MakeFont();

    std::string build, language, installDate;
    if (HKEY key = storeutil::OpenKeyChain(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, KEY_READ)) {
        storeutil::ReadText(key, "szBuild", build);
        storeutil::ReadText(key, "szDisplayLanguage", language);
        storeutil::ReadText(key, "szInstallDate", installDate);
        RegCloseKey(key);
    }
    data.build = build;
    data.contentType = "Application/Octet";
    data.applicationCode = "LXK";
    data.protocolVersion = "1";
    data.applicationVersion = "2.9";
    data.installDate = data.settings.szInstallDate();
    data.displayLanguage = data.settings.szDisplayLanguage();

    ConfigureServerLink();
    data.settings.SetszUSIID(
        MakeInstallationId(data.settings.GetProductId(), data.settings.szEmail()));

    for (int id : {static_cast<int>(kIdNext), static_cast<int>(kIdBack), IDCANCEL})
        lxwin::SetFont(GetDlgItem(sheet, id), hFont, true);

    const std::string dictionary = data.settings.szCurrentDictionary();
    if (dictionary.find("Vietnamese") != std::string::npos)
        SkinResourceModuleName() = "lxpresvi.dll";
    else if (dictionary.find("German") != std::string::npos)
        SkinResourceModuleName() = "lxpresde.dll";
    else
        SkinResourceModuleName() = "lxpreszh.dll";

    // The sheet picks its start page after this: the e-mail page comes once it has.
    if (startAtEmail)
        PostMessageA(sheet, kShowEmailPage, 0, 0);
}

bool CWizLexiReg::PreTranslateMessage(MSG& msg)
{
    if (msg.message != WM_KEYDOWN)
        return false;
    if (msg.wParam == VK_ESCAPE)
        return true;  // Escape never cancels the wizard
    if (msg.wParam != VK_RETURN)
        return false;
    const HWND focus = GetFocus();
    const HWND back = context.Button(kIdBack);
    const HWND cancel = context.Button(IDCANCEL);
    const HWND next = context.Button(kIdNext);
    if (focus != back && focus != cancel && IsWindowVisible(back) && IsWindowVisible(cancel) &&
        IsWindowEnabled(next)) {
        SendMessageA(Hwnd(), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        return true;
    }
    return false;
}

bool CWizLexiReg::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (msg == WM_PAINT) {
        // Nothing of its own to draw: the skin draws the sheet's background when it is erased.
        PAINTSTRUCT paint;
        BeginPaint(Hwnd(), &paint);
        EndPaint(Hwnd(), &paint);
        result = 0;
        return true;
    }
    if (msg == CWizardContext::kApplyTitle) {
        context.ApplyTitle();
        result = 0;
        return true;
    }
    if (msg == kShowEmailPage) {
        SetActivePage(kEmail);
        result = 0;
        return true;
    }
    if (msg == LxpMessage(LxpMsg::UpdateWaitingInternetMsg)) {
        UpdateWaitingDialog(context.ProgressText(wParam));
        result = 0;
        return true;
    }
    return false;
}

void RunWizardSheet(int startAtEmail)
{
    CWizLexiReg sheet(nullptr);
    sheet.AddFlags(CWizLexiReg::kStartFlags);
    sheet.startAtEmail = startAtEmail;
    sheet.DoModal(sheet.Parent());
}
