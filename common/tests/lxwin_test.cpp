// The window layer: a modal dialog driven by posted messages, a modeless dialog and a plain
// window, a two-page wizard sheet driven with PSM_PRESSBUTTON, the control helpers and the
// GDI guards, and handlers that throw.
#include "lxwin.h"
#include "lxtest.h"
#include "lxwin_test_ids.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

const UINT kScript = WM_APP + 1;
const UINT kThrow = WM_APP + 2;

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

// One function per dialog, data in and out through one struct.
struct NameData {
    std::string name;
    bool agreed = false;
    bool throwAtInit = false;
    std::string labelSeen;
    bool destroyed = false;
};

class NameDialog : public lxwin::Dialog {
public:
    explicit NameDialog(NameData& data) : Dialog(Self(), IDD_LXWIN_NAME), m_data(data) {}

protected:
    BOOL OnInitDialog() override
    {
        if (m_data.throwAtInit)
            throw std::runtime_error("init failed");
        lxwin::SetItemText(Hwnd(), IDC_LXWIN_EDIT, m_data.name);
        m_data.labelSeen = lxwin::GetItemText(Hwnd(), IDC_LXWIN_LABEL);
        PostMessageA(Hwnd(), kScript, 0, 0);
        return TRUE;
    }
    bool OnMessage(UINT msg, WPARAM, LPARAM, INT_PTR& result) override
    {
        if (msg != kScript)
            return false;
        // What a user would do: type over the name, tick the box, press OK.
        lxwin::SetText(Item(IDC_LXWIN_EDIT), lxwin::GetItemText(Hwnd(), IDC_LXWIN_EDIT) + " Lee");
        PostMessageA(Item(IDC_LXWIN_CHECK), BM_CLICK, 0, 0);
        PostMessageA(Item(IDOK), BM_CLICK, 0, 0);
        result = TRUE;
        return true;
    }
    bool OnCommand(int id, int code, HWND control) override
    {
        if (id == IDOK) {
            m_data.name = lxwin::GetItemText(Hwnd(), IDC_LXWIN_EDIT);
            m_data.agreed = IsDlgButtonChecked(Hwnd(), IDC_LXWIN_CHECK) == BST_CHECKED;
        }
        return Dialog::OnCommand(id, code, control);
    }
    void OnDestroy() override { m_data.destroyed = true; }

private:
    NameData& m_data;
};

INT_PTR AskName(NameData& data)
{
    NameDialog dialog(data);
    return dialog.DoModal();
}

// A plain window that notes the messages it gets and throws when asked to.
class NotingWindow : public lxwin::Window {
public:
    std::vector<UINT> seen;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back(msg);
        if (msg == kThrow)
            throw std::logic_error("window handler failed");
        if (msg == kScript)
            return 42;
        return Window::OnMessage(msg, wParam, lParam);
    }
};

}  // namespace

TEST(WindowLayer, ModalDialogDataInAndOutControlsAndGdiGuards)
{
    NameData data;
    data.name = "Ada";
    EXPECT_EQ(AskName(data), IDOK);
    EXPECT_EQ(data.name, "Ada Lee");
    EXPECT_TRUE(data.agreed);
    EXPECT_EQ(data.labelSeen, "Name:");
    EXPECT_TRUE(data.destroyed);
    EXPECT_EQ(FindWindowA(nullptr, "lxwin name"), nullptr);

    // A handler that throws ends the dialog; the exception comes out of DoModal.
    NameData failing;
    failing.throwAtInit = true;
    EXPECT_THROW(AskName(failing), std::runtime_error);
    EXPECT_EQ(FindWindowA(nullptr, "lxwin name"), nullptr);
    EXPECT_TRUE(failing.destroyed);

    // Control helpers on a plain edit control.
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(lxwin::GetText(edit), "");
    lxwin::SetText(edit, std::string(300, 'x'));
    EXPECT_EQ(lxwin::GetText(edit), std::string(300, 'x'));
    lxwin::Enable(edit, false);
    EXPECT_FALSE(IsWindowEnabled(edit));
    lxwin::Enable(edit, true);
    EXPECT_TRUE(IsWindowEnabled(edit));
    lxwin::Show(edit, true);
    EXPECT_TRUE(IsWindowVisible(edit));
    lxwin::Show(edit, false);
    EXPECT_FALSE(IsWindowVisible(edit));

    // The font guard deletes its font; a selection puts the old object back.
    lxwin::GdiObject<HFONT> font(CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                                             0, 0, 0, 0, "Tahoma"));
    ASSERT_TRUE(font);
    lxwin::SetFont(edit, font.Get());
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)), font.Get());
    DestroyWindow(edit);
    const HFONT raw = font.Get();
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ before = GetCurrentObject(dc, OBJ_FONT);
    {
        lxwin::Selection selected(dc, raw);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), raw);
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), before);
    DeleteDC(dc);
    {
        lxwin::GdiObject<HFONT> moved(std::move(font));
        EXPECT_FALSE(font);
        EXPECT_EQ(moved.Get(), raw);
        EXPECT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_FONT));
    }
    EXPECT_EQ(GetObjectType(raw), 0u);  // deleted with the guard that held it last
}

TEST(WindowLayer, ModelessDialogAndPlainWindowLiveWithTheirObjects)
{
    NameData data;
    data.name = "Grace";
    HWND modeless = nullptr;
    {
        NameDialog dialog(data);
        modeless = dialog.CreateModeless();
        ASSERT_NE(modeless, nullptr);
        EXPECT_EQ(dialog.Hwnd(), modeless);
        EXPECT_EQ(lxwin::GetItemText(modeless, IDC_LXWIN_EDIT), "Grace");
        // Its script presses OK: a modeless dialog ends by going away.
        EXPECT_TRUE(lxtest::PumpUntil([&] { return !IsWindow(modeless); }, 5000));
        EXPECT_EQ(dialog.Hwnd(), nullptr);
        EXPECT_EQ(data.name, "Grace Lee");
        EXPECT_TRUE(data.destroyed);

        data.destroyed = false;
        modeless = dialog.CreateModeless();
        ASSERT_NE(modeless, nullptr);
    }
    // The object went first: it took its window along (its own handlers no longer ran).
    EXPECT_FALSE(IsWindow(modeless));
    EXPECT_FALSE(data.destroyed);

    const char* cls = "LxWinTestWindow";
    ASSERT_TRUE(lxwin::RegisterWindowClass(Self(), cls, CS_SAVEBITS));
    ASSERT_TRUE(lxwin::RegisterWindowClass(Self(), cls, CS_SAVEBITS));  // twice: fine
    HWND plain = nullptr;
    {
        NotingWindow window;
        plain = window.Create(Self(), cls, "noting", WS_POPUP, 0, RECT{10, 20, 110, 70});
        ASSERT_NE(plain, nullptr);
        ASSERT_FALSE(window.seen.empty());
        EXPECT_EQ(window.seen.front(), static_cast<UINT>(WM_NCCREATE));  // attached there
        EXPECT_EQ(SendMessageA(plain, kScript, 0, 0), 42);
        RECT r;
        GetWindowRect(plain, &r);
        EXPECT_EQ(r.right - r.left, 100);
        EXPECT_EQ(r.bottom - r.top, 50);
        // A throwing handler: the exception waits for the loop that pumps the window.
        PostMessageA(plain, kThrow, 0, 0);
        EXPECT_THROW(lxwin::PumpWaiting(), std::logic_error);
        EXPECT_NO_THROW(lxwin::PumpWaiting());
        EXPECT_EQ(window.Hwnd(), plain);
    }
    EXPECT_FALSE(IsWindow(plain));
}

namespace {

// The test wizard: what each page was told, in order, and a script that presses the sheet's
// buttons one step per timer tick once the page it expects is active.
struct WizardRun {
    std::vector<std::string> events;
    int nextRefusals = 1;     // the first page keeps the user once
    bool allowCancel = false;
    int step = 0;
    int ticks = 0;
    int pretranslated = 0;
    std::string screenshot;
};

class TestPage : public lxwin::PropPage {
public:
    TestPage(int templateId, const char* name, DWORD buttons, WizardRun& run)
        : PropPage(Self(), templateId), m_name(name), m_buttons(buttons), m_run(run)
    {
    }

protected:
    BOOL OnInitDialog() override { return Note("init"), TRUE; }
    LRESULT OnSetActive() override { return Note("setactive"), SetWizardButtons(m_buttons), 0; }
    LRESULT OnWizardNext() override
    {
        Note("next");
        return m_run.nextRefusals-- > 0 ? -1 : 0;
    }
    LRESULT OnWizardBack() override { return Note("back"), 0; }
    bool OnWizardFinish() override { return Note("finish"), true; }
    bool OnQueryCancel() override { return Note("querycancel"), m_run.allowCancel; }

private:
    void Note(const char* what) { m_run.events.push_back(m_name + ":" + what); }

    std::string m_name;
    DWORD m_buttons;
    WizardRun& m_run;
};

class TestSheet : public lxwin::PropSheet {
public:
    TestSheet(WizardRun& run, TestPage& first, TestPage& second)
        : PropSheet(Self(), "lxwin wizard"), m_run(run), m_first(first), m_second(second)
    {
        AddPage(first);
        AddPage(second);
    }

protected:
    void OnInitDialog() override
    {
        m_run.events.push_back("sheet:init");
        SetTimer(Hwnd(), 1, 100, nullptr);
    }
    bool PreTranslateMessage(MSG&) override { return ++m_run.pretranslated, false; }
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        if (msg != WM_TIMER)
            return false;
        result = 0;
        if (m_inStep)  // the screenshot pumps messages: no step inside another
            return true;
        if (++m_run.ticks > 150) {  // stuck: leave the loop rather than hang the test
            m_run.allowCancel = true;
            PressButton(PSBTN_CANCEL);
            return true;
        }
        const HWND current = PropSheet_GetCurrentPageHwnd(Hwnd());
        const bool onFirst = current && current == m_first.Hwnd();
        const bool onSecond = current && current == m_second.Hwnd();
        struct Step {
            bool ready;
            int button;
        };
        const Step steps[] = {
            {onFirst, PSBTN_NEXT},     // refused: the page stays
            {onFirst, PSBTN_NEXT},     // on to the second page
            {onSecond, PSBTN_CANCEL},  // refused by the page
            {onSecond, PSBTN_BACK},
            {onFirst, PSBTN_NEXT},
            {onSecond, PSBTN_FINISH},
        };
        if (m_run.step >= static_cast<int>(std::size(steps)) || !steps[m_run.step].ready)
            return true;
        m_inStep = true;
        if (m_run.step == 3)
            m_run.screenshot = lxtest::SaveWindowPng(Hwnd(), "lxwin_wizard_sheet");
        PressButton(steps[m_run.step++].button);
        m_inStep = false;
        return true;
    }

private:
    WizardRun& m_run;
    TestPage& m_first;
    TestPage& m_second;
    bool m_inStep = false;
};

}  // namespace

TEST(WindowLayer, WizardSheetDrivenThroughItsButtons)
{
    WizardRun run;
    TestPage first(IDD_LXWIN_PAGE1, "1", PSWIZB_NEXT, run);
    TestPage second(IDD_LXWIN_PAGE2, "2", PSWIZB_BACK | PSWIZB_FINISH, run);
    TestSheet sheet(run, first, second);
    sheet.AddFlags(PSH_WIZARD97 | PSH_WATERMARK | PSH_USEHBMWATERMARK);
    lxwin::GdiObject<HBITMAP> watermark(CreateBitmap(164, 314, 1, 32, nullptr));
    sheet.SetWatermark(watermark.Get());

    EXPECT_EQ(sheet.DoModal(), IDOK);
    const std::vector<std::string> expected = {
        "sheet:init", "1:init",        "1:setactive", "1:next",      "1:next",
        "2:init",     "2:setactive",   "2:querycancel", "2:back",    "1:setactive",
        "1:next",     "2:setactive",   "2:finish",
    };
    EXPECT_EQ(run.events, expected);
    EXPECT_EQ(run.step, 6);
    EXPECT_GT(run.pretranslated, 0);
    EXPECT_FALSE(run.screenshot.empty());
    EXPECT_EQ(sheet.Hwnd(), nullptr);
    EXPECT_EQ(first.Hwnd(), nullptr);  // the pages went with the sheet
    EXPECT_EQ(FindWindowA(nullptr, "lxwin wizard"), nullptr);

    // Cancelled, starting on the second page: DoModal answers 0.
    WizardRun cancelled;
    cancelled.allowCancel = true;
    cancelled.step = 2;
    TestPage a(IDD_LXWIN_PAGE1, "1", PSWIZB_NEXT, cancelled);
    TestPage b(IDD_LXWIN_PAGE2, "2", PSWIZB_BACK | PSWIZB_FINISH, cancelled);
    TestSheet again(cancelled, a, b);
    again.SetStartPage(1);
    EXPECT_EQ(again.DoModal(), 0);
    EXPECT_EQ(cancelled.events,
              (std::vector<std::string>{"sheet:init", "2:init", "2:setactive", "2:querycancel"}));
}
