// The product's thin window layer over user32 and comctl32: window classes, windows and
// dialogs with a C++ object behind them, wizard pages and the wizard sheet, control helpers
// and a guard for GDI objects.
//
// An object is attached to its window in one way only: a window at WM_NCCREATE (from the
// creation parameter), a dialog at WM_INITDIALOG (from the init parameter), a property page
// at WM_INITDIALOG (from its PROPSHEETPAGE), the sheet when comctl32 reports it initialised.
// From then on every message goes to the object's small virtual handlers; the object is
// detached when the window is destroyed, and an object that goes while its window still
// exists destroys the window first (its own handlers no longer run then).
//
// The usual shape of a dialog: one function that takes a struct in, runs the dialog and
// hands the struct back; the dialog class lives inside that function's source file.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

namespace lxwin {

// --- window classes and windows ---------------------------------------------------------

// Registers a window class of `module` whose windows are Window objects (already registered:
// fine). The class has the arrow cursor and the given style and background.
bool RegisterWindowClass(HINSTANCE module, const char* className, UINT style = 0,
                         HBRUSH background = nullptr);

// A window of a class registered with RegisterWindowClass.
class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Create(HINSTANCE module, const char* className, const char* title, DWORD style,
                DWORD exStyle, const RECT& rect, HWND parent = nullptr);
    HWND Hwnd() const { return m_hwnd; }
    // Destroys the window, if it still exists.
    void Destroy();

protected:
    // Every message after WM_NCCREATE; the default passes it to DefWindowProc.
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    friend bool RegisterWindowClass(HINSTANCE, const char*, UINT, HBRUSH);
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND m_hwnd = nullptr;
};

// --- dialogs ----------------------------------------------------------------------------

// A dialog from a template of a resource module, modal or modeless.
class Dialog {
public:
    Dialog(HINSTANCE resources, int templateId) : m_resources(resources), m_template(templateId)
    {
    }
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; returns what End was given (-1 when it could not be made).
    INT_PTR DoModal(HWND owner = nullptr);
    // Makes the dialog modeless; the caller's loop must hand its messages to IsDialogMessage.
    HWND CreateModeless(HWND owner = nullptr);
    // Ends a modal dialog with this result; destroys a modeless one.
    void End(INT_PTR result);

    HWND Hwnd() const { return m_hwnd; }
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }

protected:
    // WM_INITDIALOG: TRUE lets the system set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND; true when handled. The default ends the dialog on IDOK and IDCANCEL.
    virtual bool OnCommand(int id, int code, HWND control);
    // WM_NOTIFY; true when handled, with the result in `result`.
    virtual bool OnNotify(const NMHDR& header, LRESULT& result);
    // Any other message; true when handled (result: the dialog procedure's answer, or the
    // message's result for messages that carry one through DWLP_MSGRESULT).
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    // The window is going (WM_DESTROY); the object stays.
    virtual void OnDestroy() {}

    HINSTANCE Resources() const { return m_resources; }
    int TemplateId() const { return m_template; }

    // The procedure that property pages share with dialogs: attaches `self` at WM_INITDIALOG.
    static INT_PTR Dispatch(Dialog* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HINSTANCE m_resources;
    int m_template;
    HWND m_hwnd = nullptr;
    bool m_modal = false;
};

// --- wizard pages and the wizard sheet --------------------------------------------------

class PropSheet;

// A page of a wizard sheet, created from a template of a resource module.
class PropPage : public Dialog {
public:
    PropPage(HINSTANCE resources, int templateId) : Dialog(resources, templateId) {}

    // The sheet the page belongs to (valid once the page was added).
    PropSheet* Sheet() const { return m_sheet; }
    HWND SheetHwnd() const { return GetParent(Hwnd()); }

protected:
    // PSN_SETACTIVE: 0 shows the page, -1 skips it in the direction of travel, a template
    // id goes to that page.
    virtual LRESULT OnSetActive() { return 0; }
    // PSN_KILLACTIVE: false keeps the page.
    virtual bool OnKillActive() { return true; }
    // PSN_WIZNEXT / PSN_WIZBACK: 0 moves on, -1 stays, a template id goes to that page.
    virtual LRESULT OnWizardNext() { return 0; }
    virtual LRESULT OnWizardBack() { return 0; }
    // PSN_WIZFINISH: true lets the sheet end.
    virtual bool OnWizardFinish() { return true; }
    // PSN_QUERYCANCEL: true lets the sheet be cancelled.
    virtual bool OnQueryCancel() { return true; }

    bool OnNotify(const NMHDR& header, LRESULT& result) override;

    // PSWIZB_BACK | PSWIZB_NEXT | PSWIZB_FINISH | PSWIZB_DISABLEDFINISH.
    void SetWizardButtons(DWORD flags) const;

private:
    friend class PropSheet;
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    PropSheet* m_sheet = nullptr;
};

// A wizard sheet (wizard-97 unless told otherwise) over pages of a resource module. It runs
// modeless under a message loop of its own, so that PreTranslateMessage sees every message
// first, as a modal sheet would not allow.
class PropSheet {
public:
    PropSheet(HINSTANCE resources, const std::string& caption);
    virtual ~PropSheet();
    PropSheet(const PropSheet&) = delete;
    PropSheet& operator=(const PropSheet&) = delete;

    void AddPage(PropPage& page);
    // PSH_* flags added to PSH_WIZARD (PSH_WIZARD97, PSH_WATERMARK, PSH_USEHBMWATERMARK...).
    void AddFlags(DWORD flags) { m_flags |= flags; }
    void SetWatermark(HBITMAP bitmap) { m_watermark = bitmap; }
    void SetStartPage(UINT index) { m_startPage = index; }

    // Runs the sheet until it is finished or cancelled: IDOK when finished, 0 when
    // cancelled, -1 when the sheet could not be made. What a handler threw comes out here.
    INT_PTR DoModal(HWND owner = nullptr);

    // The same sheet without the loop: creates it and answers its window (null when it could
    // not be made). The caller's loop hands every message to TranslateSheetMessage and ends
    // when IsRunning turns false; Close destroys the window.
    HWND Create(HWND owner = nullptr);
    // PreTranslateMessage, then the sheet's dialog keys: true when the message was taken.
    bool TranslateSheetMessage(MSG& msg);
    // The sheet still has a current page (neither finished nor cancelled).
    bool IsRunning() const;
    void Close();
    // The page the sheet shows, by its zero-based index (-1 when none).
    int ActiveIndex() const;

    HWND Hwnd() const { return m_hwnd; }
    // PSM_PRESSBUTTON with PSBTN_NEXT, PSBTN_BACK, PSBTN_FINISH or PSBTN_CANCEL.
    void PressButton(int button) const;
    void SetActivePage(UINT index) const;

protected:
    // The sheet window exists with its first page; called before it is shown.
    virtual void OnInitDialog() {}
    // Every message the sheet's loop takes, before the sheet sees it; true swallows it.
    virtual bool PreTranslateMessage(MSG& msg);
    // Messages to the sheet window itself; true when handled (result in `result`).
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    friend class PropPage;
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lParam);
    static LRESULT CALLBACK SheetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);

    HINSTANCE m_resources;
    std::string m_caption;
    std::vector<PropPage*> m_pages;
    DWORD m_flags = 0;
    HBITMAP m_watermark = nullptr;
    UINT m_startPage = 0;
    HWND m_hwnd = nullptr;
    bool m_finished = false;  // a page let the sheet finish
};

// --- controls ---------------------------------------------------------------------------

std::string GetText(HWND window);
void SetText(HWND window, const std::string& text);
std::string GetItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::string& text);
void Enable(HWND window, bool enabled);
void Show(HWND window, bool shown);
void SetFont(HWND window, HFONT font, bool redraw = true);
// Dispatches the messages waiting for this thread (leaves WM_QUIT in the queue).
void PumpWaiting();

// --- GDI objects ------------------------------------------------------------------------

// Owns a GDI object (font, brush, pen, bitmap, region) and deletes it when it goes.
template <typename Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle = nullptr) : m_handle(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_handle, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void Reset(Handle handle = nullptr)
    {
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle;
};

// Selects an object into a device context and selects the previous one back when it goes.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(m_dc, m_old); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

}  // namespace lxwin
