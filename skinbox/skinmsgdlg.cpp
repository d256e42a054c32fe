#include "skinmsgdlg.h"

#include "resource.h"

#include <algorithm>

namespace skinbox {

namespace {

enum Label { kOK, kCancel, kYes, kNo, kRetry, kCheck, kClose, kNone };

// String ids of the labels, by language (English, German, Vietnamese, Chinese).
const UINT kLabelIds[4][7] = {
    {1, 2, 3, 4, 5, 6, 121},
    {11, 12, 13, 14, 15, 16, 122},
    {21, 22, 23, 24, 25, 26, 123},
    {200, 201, 202, 203, 204, 205, 219},
};

const FontSpec kFonts[4] = {
    {13, 6, DEFAULT_CHARSET, "Verdana"},
    {13, 6, ANSI_CHARSET, "Verdana"},
    {14, 7, ANSI_CHARSET, "Heo May 1.1"},
    {18, 8, GB2312_CHARSET, nullptr},
};

struct ButtonSet {
    Label labels[3];
    int results[3];
};
// By the low four bits of the flags; 0 and 8-15 are OK alone.
const ButtonSet kButtonSets[8] = {
    {{kOK, kNone, kNone}, {1, 2, 2}},       {{kYes, kNo, kNone}, {6, 7, 7}},
    {{kRetry, kCancel, kNone}, {4, 2, 2}},  {{kOK, kCancel, kNone}, {1, 2, 2}},
    {{kYes, kNo, kCancel}, {6, 7, 2}},      {{kNone, kNone, kNone}, {1, 2, 2}},
    {{kCancel, kNone, kNone}, {2, 2, 2}},   {{kClose, kNone, kNone}, {8, 8, 8}},
};
const ButtonSet& ButtonsOf(int flags)
{
    const int set = flags & kButtonSetMask;
    return kButtonSets[set < 8 ? set : 0];
}

const int kButtonIds[3] = {IDC_MSG_FIRST, IDC_MSG_SECOND, IDC_MSG_THIRD};
const int kIconIds[4] = {IDC_MSG_EXCLAMATION, IDC_MSG_INFORMATION, IDC_MSG_QUESTION, IDC_MSG_STOP};
const UINT_PTR kAutoPressTimer = 1;

const int kMargin = 30, kGap = 10, kIconSize = 32, kBarWidth = 105, kBarHeight = 20;
const int kButtonWidth = 80, kButtonHeight = 24, kMinContentWidth = 300, kLineChars = 55;
// What a button keeps free on either side of its label (its raised edge and a gap).
const int kButtonPadding = 8;

std::string Trim(const std::string& text)
{
    const char* space = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

void Place(HWND window, int x, int y, int cx, int cy)
{
    SetWindowPos(window, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

SIZE MessageAreaSize(const std::string& message, int w, int h)
{
    const int length = static_cast<int>(message.size());
    const int feeds = static_cast<int>(std::count(message.begin(), message.end(), '\n'));
    int lines = length / kLineChars + feeds + 1;
    int width;
    if (lines == 1) {
        width = (w + 1) * length;
        if (width > kLineChars * w) {
            width = kLineChars * w;
            lines = 2;
        }
    } else if (feeds > 0) {
        size_t longest = 0, start = 0;
        for (size_t end; (end = message.find('\n', start)) != std::string::npos; start = end + 1)
            longest = std::max(longest, end - start);
        longest = std::max(longest, message.size() - start);
        width = w * static_cast<int>(longest);
    } else {
        width = kLineChars * w;
    }
    return SIZE{width, h * (lines + 1)};
}

int RunMessageBox(const std::string& languageModule, const std::string& ignored,
                  const std::string& message, int flags, HWND owner)
{
    CSkinMsgDlg dialog;
    dialog.Prepare(languageModule, ignored, message, flags);
    return static_cast<int>(dialog.DoModal(owner));
}

CSkinMsgDlg::CSkinMsgDlg() : lxwin::Dialog(Module(), IDD_SKINMSGDLG) {}

CSkinMsgDlg::~CSkinMsgDlg()
{
    m_bar.UnLoad();
}

void CSkinMsgDlg::Prepare(const std::string& languageModule, const std::string& ignored,
                          const std::string& message, int flags)
{
    m_message = Trim(message);
    m_flags = flags;
    m_languageModule = languageModule;
    m_ignored = ignored;
    m_lang = ChooseLanguage(languageModule);
    m_drawing = ChineseDrawingMode(m_lang);
    m_fontSpec = kFonts[static_cast<int>(m_lang)];
    m_font.Reset(MakeFont(m_fontSpec));
}

void CSkinMsgDlg::MakeModeless(int value, ModelessDlgCallback callback)
{
    m_modeless = true;
    m_value = value;
    m_callback = callback;
}

int CSkinMsgDlg::IconId() const
{
    for (int i = 0; i < 4; ++i)
        if (m_flags & (kFlagExclamation << i))
            return kIconIds[i];
    return 0;
}

BOOL CSkinMsgDlg::OnInitDialog()
{
    lxwin::SetFont(Item(IDC_MSG_TEXT), m_font.Get());
    const std::vector<int> kept = m_drawing ? std::vector<int>{IDC_MSG_FIRST, IDC_MSG_SECOND,
                                                               IDC_MSG_THIRD, IDC_MSG_TEXT,
                                                               IDC_MSG_CHECK}
                                            : std::vector<int>{};
    if (!m_skin.Apply(Hwnd(), IDC_MSG_SKIN,
                      {{IDC_MSG_EXCLAMATION, L"sm_icon_exclamation"},
                       {IDC_MSG_QUESTION, L"sm_icon_question"},
                       {IDC_MSG_STOP, L"sm_icon_stop"},
                       {IDC_MSG_INFORMATION, L"sm_icon_information"},
                       {IDC_MSG_FIRST, L"Button"},
                       {IDC_MSG_SECOND, L"Button"},
                       {IDC_MSG_THIRD, L"Button"},
                       {IDC_MSG_CHECK, L"Check"},
                       {IDC_MSG_TEXT, L"sm_MessageContainer"}},
                      kept)) {
        m_skinFailed = true;
        return TRUE;
    }
    for (int id : {IDC_MSG_CHECK, IDC_MSG_WAITBAR})
        lxwin::Show(Item(id), false);
    for (int id : kIconIds)
        lxwin::Show(Item(id), false);
    const int bar = (m_flags & kFlagWaitBarA) ? IDR_WAITBAR_A
                    : (m_flags & kFlagWaitBarB) ? IDR_WAITBAR_B : 0;
    if (bar && m_bar.SubclassWindow(Item(IDC_MSG_WAITBAR)) &&
        m_bar.LoadResource(Module(), MAKEINTRESOURCEA(bar), "gif"))
        m_bar.Draw();
    if (m_flags & kFlagAutoPress)
        SetTimer(Hwnd(), kAutoPressTimer, 2000, nullptr);
    SetButtons();
    Layout();
    if (!m_modeless) {
        RECT work{}, box{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        GetWindowRect(Hwnd(), &box);
        SetWindowPos(Hwnd(), nullptr,
                     work.left + (work.right - work.left - (box.right - box.left)) / 2,
                     work.top + (work.bottom - work.top - (box.bottom - box.top)) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
    }
    return TRUE;
}

void CSkinMsgDlg::SetButtons()
{
    const ButtonSet& set = ButtonsOf(m_flags);
    const UINT* ids = kLabelIds[static_cast<int>(m_lang)];
    for (int i = 0; i < 3; ++i) {
        m_results[i] = set.results[i];
        const std::string label = set.labels[i] == kNone ? std::string() : LoadLabel(ids[set.labels[i]], m_lang);
        m_labels[i] = label;
        HWND button = Item(kButtonIds[i]);
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
        if (m_drawing) {
            SetWindowTextA(button, "");
            m_skin.SetDrawnText(kButtonIds[i], label);
        } else {
            SetLabel(button, label, m_lang);
        }
    }
    HWND check = Item(IDC_MSG_CHECK);
    SendMessageA(check, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    const std::string checkLabel = LoadLabel(ids[kCheck], m_lang);
    if (m_drawing) {
        SetWindowTextA(check, "");
        m_skin.SetDrawnText(IDC_MSG_CHECK, checkLabel);
    } else {
        SetLabel(check, checkLabel, m_lang);
    }
}

void CSkinMsgDlg::Layout()
{
    HWND text = Item(IDC_MSG_TEXT);
    lxwin::Show(text, false);
    if (m_drawing)
        m_skin.SetDrawnText(IDC_MSG_TEXT, m_message, true);
    // A Vietnamese text is in the font's own 8-bit encoding, as the labels are.
    if (m_lang == Lang::Vietnamese)
        SetLabel(text, m_message, m_lang);
    else
        SetWindowTextA(text, m_message.c_str());

    const int w = m_fontSpec.width, h = m_fontSpec.height;
    const SIZE area = MessageAreaSize(m_message, w, h);
    const int icon = IconId();
    const int textX = kMargin + (icon ? kIconSize + kGap : 0);
    int contentWidth = std::max<int>(kMinContentWidth, textX - kMargin + area.cx);
    int y = kMargin + std::max<int>(icon ? kIconSize : 0, area.cy);
    if (icon) {
        Place(Item(icon), kMargin, kMargin, kIconSize, kIconSize);
        lxwin::Show(Item(icon), true);
    }
    Place(text, textX, kMargin, area.cx, area.cy);

    if (m_flags & (kFlagWaitBarA | kFlagWaitBarB)) {
        y += kGap;
        Place(Item(IDC_MSG_WAITBAR), kMargin, y, kBarWidth, kBarHeight);
        lxwin::Show(Item(IDC_MSG_WAITBAR), true);
        y += kBarHeight;
        contentWidth = std::max(contentWidth, kBarWidth);
    }
    if (m_flags & kFlagCheckBox) {
        const int labelLength = static_cast<int>(
            LoadLabel(kLabelIds[static_cast<int>(m_lang)][kCheck], m_lang).size());
        const int checkWidth = labelLength * w + 60;
        y += kGap;
        Place(Item(IDC_MSG_CHECK), kMargin, y, checkWidth, h + 6);
        lxwin::Show(Item(IDC_MSG_CHECK), true);
        y += h + 6;
        contentWidth = std::max(contentWidth, checkWidth);
    }

    const ButtonSet& set = ButtonsOf(m_flags);
    int shown = 0;
    for (Label label : set.labels)
        shown += label != kNone;
    // Buttons are as wide as the widest label needs, and never narrower than usual.
    int buttonWidth = kButtonWidth;
    {
        HWND first = Item(kButtonIds[0]);
        HDC dc = GetDC(first);
        lxwin::Selection font(dc, m_font.Get());
        for (int i = 0; i < 3; ++i) {
            const std::wstring label = Widen(m_labels[i], LabelCodePage(m_lang));
            SIZE size = {};
            if (set.labels[i] != kNone &&
                GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &size))
                buttonWidth = std::max<int>(buttonWidth, size.cx + 2 * kButtonPadding);
        }
        ReleaseDC(first, dc);
    }
    const int row = shown * buttonWidth + (shown > 0 ? (shown - 1) * kGap : 0);
    contentWidth = std::max(contentWidth, row);
    if (shown > 0)
        y += 2 * kGap;
    int x = kMargin + (contentWidth - row) / 2;
    for (int i = 0; i < 3; ++i) {
        HWND button = Item(kButtonIds[i]);
        const bool visible = set.labels[i] != kNone;
        lxwin::Show(button, visible);
        if (visible) {
            Place(button, x, y, buttonWidth, kButtonHeight);
            x += buttonWidth + kGap;
        }
    }
    if (shown > 0)
        y += kButtonHeight;

    RECT frame{0, 0, contentWidth + 2 * kMargin, y + kMargin};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(Hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(Hwnd(), GWL_EXSTYLE)));
    SetWindowPos(Hwnd(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    lxwin::Show(text, true);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void CSkinMsgDlg::Display(const std::string& message)
{
    m_message = message;
    if (Hwnd() && !m_skinFailed)
        Layout();
}

void CSkinMsgDlg::Press(int button)
{
    int result = m_results[button];
    if (button < 2 && IsDlgButtonChecked(Hwnd(), IDC_MSG_CHECK) == BST_CHECKED)
        result += kCheckedResult;
    if (!m_modeless)
        End(result);
    else if (m_callback && !(m_flags & kFlagNoCallback))
        m_callback(m_value, result);
}

bool CSkinMsgDlg::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED || m_skinFailed)
        return false;
    switch (id) {
    case IDOK:
    case IDC_MSG_FIRST:
        Press(0);
        return true;
    case IDC_MSG_SECOND:
        Press(1);
        return true;
    case IDC_MSG_THIRD:  // also Escape and closing the window
        Press(2);
        return true;
    default:
        return false;
    }
}

bool CSkinMsgDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (m_skin.OnEvent(msg, wParam, lParam)) {
        result = TRUE;
        return true;
    }
    if (msg == WM_TIMER && wParam == kAutoPressTimer) {
        KillTimer(Hwnd(), kAutoPressTimer);
        Press(0);
        return true;
    }
    if (msg == WM_CLOSE && m_skinFailed) {
        End(0);
        return true;
    }
    return false;
}

void CSkinMsgDlg::OnDestroy()
{
    KillTimer(Hwnd(), kAutoPressTimer);
    m_bar.Stop();
    m_skin.Release();
}

}  // namespace skinbox
