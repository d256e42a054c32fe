#include "lxwin.h"

#include <exception>

namespace lxwin {

namespace {

// An exception a handler threw: it must not unwind through the system's window code, so it
// waits here until the loop that runs the window (DoModal, PumpWaiting) throws it again.
thread_local std::exception_ptr t_pending;
// The sheet whose PropSheet call is running: comctl32's callback carries no context.
thread_local PropSheet* t_creatingSheet = nullptr;

template <typename Result, typename F>
Result Guarded(F&& f, Result failed)
{
    try {
        return f();
    } catch (...) {
        if (!t_pending)
            t_pending = std::current_exception();
        return failed;
    }
}

void RethrowPending()
{
    if (t_pending)
        std::rethrow_exception(std::exchange(t_pending, nullptr));
}

}  // namespace

// --- window classes and windows -----------------------------------------------------------

bool RegisterWindowClass(HINSTANCE module, const char* className, UINT style, HBRUSH background)
{
    WNDCLASSA wc = {};
    if (GetClassInfoA(module, className, &wc))
        return true;
    wc.style = style;
    wc.lpfnWndProc = &Window::Proc;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassA(&wc) != 0;
}

Window::~Window()
{
    Destroy();
}

HWND Window::Create(HINSTANCE module, const char* className, const char* title, DWORD style,
                    DWORD exStyle, const RECT& rect, HWND parent)
{
    CreateWindowExA(exStyle, className, title, style, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, module, this);
    RethrowPending();
    return m_hwnd;
}

void Window::Destroy()
{
    if (m_hwnd && IsWindow(m_hwnd))
        DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
}

LRESULT Window::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(m_hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self)
            self->m_hwnd = hwnd;
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    const LRESULT result = Guarded<LRESULT>(
        [&] { return self->OnMessage(msg, wParam, lParam); }, 0);  // 0 at WM_NCCREATE: no window
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
    }
    return result;
}

// --- dialogs ------------------------------------------------------------------------------

Dialog::~Dialog()
{
    if (m_hwnd && IsWindow(m_hwnd) && !m_modal)
        DestroyWindow(m_hwnd);
}

INT_PTR Dialog::DoModal(HWND owner)
{
    m_modal = true;
    const INT_PTR result = DialogBoxParamA(m_resources, MAKEINTRESOURCEA(m_template), owner,
                                           &Dialog::Proc, reinterpret_cast<LPARAM>(this));
    m_modal = false;
    RethrowPending();
    return result;
}

HWND Dialog::CreateModeless(HWND owner)
{
    m_modal = false;
    CreateDialogParamA(m_resources, MAKEINTRESOURCEA(m_template), owner, &Dialog::Proc,
                       reinterpret_cast<LPARAM>(this));
    RethrowPending();
    return m_hwnd;
}

void Dialog::End(INT_PTR result)
{
    if (!m_hwnd)
        return;
    if (m_modal)
        EndDialog(m_hwnd, result);
    else
        DestroyWindow(m_hwnd);
}

bool Dialog::OnCommand(int id, int, HWND)
{
    if (id != IDOK && id != IDCANCEL)
        return false;
    End(id);
    return true;
}

bool Dialog::OnNotify(const NMHDR&, LRESULT&)
{
    return false;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

INT_PTR CALLBACK Dialog::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = msg == WM_INITDIALOG
                       ? reinterpret_cast<Dialog*>(lParam)
                       : reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return Dispatch(self, hwnd, msg, wParam, lParam);
}

INT_PTR Dialog::Dispatch(Dialog* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!self)
        return FALSE;
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = hwnd;
    }
    const INT_PTR answer = Guarded<INT_PTR>(
        [&]() -> INT_PTR {
            switch (msg) {
            case WM_INITDIALOG:
                return self->OnInitDialog();
            case WM_COMMAND:
                return self->OnCommand(LOWORD(wParam), HIWORD(wParam),
                                       reinterpret_cast<HWND>(lParam));
            case WM_NOTIFY: {
                LRESULT result = 0;
                if (!self->OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result))
                    return FALSE;
                SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
                return TRUE;
            }
            case WM_DESTROY:
                self->OnDestroy();
                return FALSE;
            default: {
                INT_PTR result = FALSE;
                return self->OnMessage(msg, wParam, lParam, result) ? result : FALSE;
            }
            }
        },
        FALSE);
    if (t_pending && self->m_modal && msg != WM_NCDESTROY)
        EndDialog(hwnd, -1);  // a modal dialog whose handler threw ends here
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hwnd = nullptr;
    }
    return answer;
}

// --- wizard pages -------------------------------------------------------------------------

INT_PTR CALLBACK PropPage::PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG)
        self = reinterpret_cast<PropPage*>(
            reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
    else
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return Dispatch(self, hwnd, msg, wParam, lParam);
}

bool PropPage::OnNotify(const NMHDR& header, LRESULT& result)
{
    // A result of TRUE refuses what the sheet asks.
    switch (header.code) {
    case PSN_SETACTIVE:
        result = OnSetActive();
        return true;
    case PSN_KILLACTIVE:
        result = OnKillActive() ? FALSE : TRUE;
        return true;
    case PSN_WIZNEXT:
        result = OnWizardNext();
        return true;
    case PSN_WIZBACK:
        result = OnWizardBack();
        return true;
    case PSN_WIZFINISH: {
        const bool finish = OnWizardFinish();
        if (finish && m_sheet)
            m_sheet->m_finished = true;
        result = finish ? FALSE : TRUE;
        return true;
    }
    case PSN_QUERYCANCEL:
        result = OnQueryCancel() ? FALSE : TRUE;
        return true;
    default:
        return Dialog::OnNotify(header, result);
    }
}

void PropPage::SetWizardButtons(DWORD flags) const
{
    PostMessageA(SheetHwnd(), PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

// --- the wizard sheet ---------------------------------------------------------------------

PropSheet::PropSheet(HINSTANCE resources, const std::string& caption)
    : m_resources(resources), m_caption(caption)
{
}

PropSheet::~PropSheet()
{
    if (m_hwnd && IsWindow(m_hwnd))
        DestroyWindow(m_hwnd);
}

void PropSheet::AddPage(PropPage& page)
{
    page.m_sheet = this;
    m_pages.push_back(&page);
}

void PropSheet::PressButton(int button) const
{
    SendMessageA(m_hwnd, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

void PropSheet::SetActivePage(UINT index) const
{
    SendMessageA(m_hwnd, PSM_SETCURSEL, index, 0);
}

bool PropSheet::PreTranslateMessage(MSG&)
{
    return false;
}

bool PropSheet::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

int CALLBACK PropSheet::SheetCallback(HWND hwnd, UINT msg, LPARAM)
{
    PropSheet* self = t_creatingSheet;
    if (msg != PSCB_INITIALIZED || !self)
        return 0;
    self->m_hwnd = hwnd;
    SetWindowSubclass(hwnd, &PropSheet::SheetProc, 1, reinterpret_cast<DWORD_PTR>(self));
    Guarded<int>([self] { self->OnInitDialog(); return 0; }, 0);
    return 0;
}

LRESULT CALLBACK PropSheet::SheetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR ref)
{
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &PropSheet::SheetProc, id);
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    auto* self = reinterpret_cast<PropSheet*>(ref);
    LRESULT result = 0;
    if (Guarded<bool>([&] { return self->OnMessage(msg, wParam, lParam, result); }, false))
        return result;
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

HWND PropSheet::Create(HWND owner)
{
    std::vector<HPROPSHEETPAGE> pages;
    for (PropPage* page : m_pages) {
        PROPSHEETPAGEA psp = {};
        psp.dwSize = sizeof psp;
        psp.dwFlags = PSP_DEFAULT;
        psp.hInstance = page->Resources();
        psp.pszTemplate = MAKEINTRESOURCEA(page->TemplateId());
        psp.pfnDlgProc = &PropPage::PageProc;
        psp.lParam = reinterpret_cast<LPARAM>(page);
        if (HPROPSHEETPAGE made = CreatePropertySheetPageA(&psp))
            pages.push_back(made);
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD | PSH_MODELESS | PSH_USECALLBACK | m_flags;
    header.hwndParent = owner;
    header.hInstance = m_resources;
    header.pszCaption = m_caption.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = m_startPage;
    header.phpage = pages.data();
    header.pfnCallback = &PropSheet::SheetCallback;
    if (m_watermark)
        header.hbmWatermark = m_watermark;

    m_finished = false;
    t_creatingSheet = this;
    const INT_PTR made = PropertySheetA(&header);
    t_creatingSheet = nullptr;
    if (made == 0 || made == -1 || !m_hwnd) {
        m_hwnd = nullptr;
        RethrowPending();
        return nullptr;
    }
    return m_hwnd;
}

bool PropSheet::TranslateSheetMessage(MSG& msg)
{
    if (Guarded<bool>([&] { return PreTranslateMessage(msg); }, true))
        return true;
    return m_hwnd && PropSheet_IsDialogMessage(m_hwnd, &msg);
}

bool PropSheet::IsRunning() const
{
    // A modeless sheet has ended (finished or cancelled) when it has no current page.
    return !t_pending && m_hwnd && IsWindow(m_hwnd) && PropSheet_GetCurrentPageHwnd(m_hwnd);
}

void PropSheet::Close()
{
    if (m_hwnd && IsWindow(m_hwnd))
        DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
}

int PropSheet::ActiveIndex() const
{
    if (!m_hwnd)
        return -1;
    return static_cast<int>(SendMessageA(m_hwnd, PSM_HWNDTOINDEX,
                                         reinterpret_cast<WPARAM>(PropSheet_GetCurrentPageHwnd(m_hwnd)), 0));
}

INT_PTR PropSheet::DoModal(HWND owner)
{
    if (!Create(owner))
        return -1;
    if (owner)
        EnableWindow(owner, FALSE);
    MSG msg = {};
    bool quit = false;
    while (IsRunning()) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (TranslateSheetMessage(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (owner)
        EnableWindow(owner, TRUE);
    Close();
    if (quit)
        PostQuitMessage(static_cast<int>(msg.wParam));
    RethrowPending();
    return m_finished ? IDOK : 0;
}

// --- controls -----------------------------------------------------------------------------

std::string GetText(HWND window)
{
    const int n = GetWindowTextLengthA(window);
    if (n <= 0)
        return std::string();
    std::string text(static_cast<size_t>(n) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, &text[0], n + 1)));
    return text;
}

void SetText(HWND window, const std::string& text)
{
    SetWindowTextA(window, text.c_str());
}

std::string GetItemText(HWND dialog, int id)
{
    return GetText(GetDlgItem(dialog, id));
}

void SetItemText(HWND dialog, int id, const std::string& text)
{
    SetText(GetDlgItem(dialog, id), text);
}

void Enable(HWND window, bool enabled)
{
    EnableWindow(window, enabled ? TRUE : FALSE);
}

void Show(HWND window, bool shown)
{
    ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
}

void SetFont(HWND window, HFONT font, bool redraw)
{
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

void PumpWaiting()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // left for the caller's loop
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    RethrowPending();
}

}  // namespace lxwin
