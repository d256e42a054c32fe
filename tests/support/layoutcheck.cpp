#include "layoutcheck.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace lxtest {

namespace {

struct Child {
    HWND hwnd;
    RECT rect;  // in the window's client coordinates
    std::string name;
    bool underlay;  // may lie under the others
    bool picture;
};

std::wstring TextOf(HWND hwnd)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(hwnd, text, 1024);
    return text;
}

std::string Narrow(const std::wstring& text)
{
    char out[256] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out - 1, nullptr, nullptr);
    std::string s = out;
    if (s.size() > 40)
        s = s.substr(0, 37) + "...";
    return s;
}

std::string RectText(const RECT& r)
{
    char text[64];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", static_cast<long>(r.left),
                  static_cast<long>(r.top), static_cast<long>(r.right), static_cast<long>(r.bottom));
    return text;
}

std::string ClassOf(HWND hwnd)
{
    char kind[64] = "";
    GetClassNameA(hwnd, kind, sizeof kind);
    return kind;
}

bool Is(const std::string& kind, const char* name) { return lstrcmpiA(kind.c_str(), name) == 0; }

// Extent of a text drawn with the control's font: DrawText's own measure, in a box as wide as
// `width` when the text wraps.
SIZE Measure(HWND control, const std::wstring& text, UINT format, int width)
{
    HDC dc = GetDC(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    RECT box = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &box, format | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {box.right - box.left, box.bottom - box.top};
}

// The face a control's font asks for when the system draws it in a fixed-pitch fallback
// ("" when it draws in a proportional face, as every control of the product wants).
std::string FixedPitchFallback(HWND control)
{
    HDC dc = GetDC(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    TEXTMETRICW tm = {};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (tm.tmPitchAndFamily & TMPF_FIXED_PITCH)  // the bit set means variable pitch
        return "";
    LOGFONTA asked = {};
    GetObjectA(font ? font : GetStockObject(SYSTEM_FONT), sizeof asked, &asked);
    return asked.lfFaceName[0] ? asked.lfFaceName : "the system font";
}

// Whether the window has a label drawn transparent (its WM_CTLCOLORSTATIC answer).
bool DrawnTransparent(HWND window, HWND label)
{
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    SetBkMode(dc, OPAQUE);
    SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(label));
    const bool transparent = GetBkMode(dc) == TRANSPARENT;
    DeleteDC(dc);
    ReleaseDC(window, screen);
    return transparent;
}

int FontHeight(HWND control)
{
    HDC dc = GetDC(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    TEXTMETRICW tm = {};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return tm.tmHeight;
}

// The fault of a control whose text does not fit ("" when it fits or has none).
std::string TextFault(const Child& c, const LayoutRules& rules)
{
    const std::string kind = ClassOf(c.hwnd);
    const LONG style = GetWindowLongW(c.hwnd, GWL_STYLE);
    RECT client = {};
    GetClientRect(c.hwnd, &client);
    const std::wstring text = TextOf(c.hwnd);
    SIZE need = {0, 0};
    SIZE room = {client.right, client.bottom};
    if (Is(kind, "Static")) {
        const LONG type = style & SS_TYPEMASK;
        if (text.empty() || (type > SS_RIGHT && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP))
            return "";
        const bool wraps = type <= SS_RIGHT;
        const UINT format = (wraps ? DT_WORDBREAK : DT_SINGLELINE) | DT_EXPANDTABS |
                            ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        for (const LayoutRules::TextInset& inset : rules.textInsets)
            if (inset.id == GetDlgCtrlID(c.hwnd))
                room = {room.cx - 2 * inset.x, room.cy - 2 * inset.y};
        need = Measure(c.hwnd, text, format, room.cx);
    } else if (Is(kind, "Button")) {
        const LONG type = style & BS_TYPEMASK;
        if (text.empty() || type == BS_OWNERDRAW || type == BS_GROUPBOX)
            return "";
        need = Measure(c.hwnd, text, DT_SINGLELINE, client.right);
        const bool box = type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON;
        // A push button draws its caption inside a raised edge, a check box beside its box.
        need.cx += box ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 6;
        need.cy += box ? 0 : 4;
    } else if (Is(kind, "Edit")) {
        // A text area shows its whole text without scrolling; a field, one line of it.
        RECT format = {};
        SendMessageW(c.hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        if ((style & ES_MULTILINE) && !text.empty()) {
            room = {format.right - format.left, format.bottom - format.top};
            need = Measure(c.hwnd, text, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX, room.cx);
        } else {
            need = {0, FontHeight(c.hwnd)};
        }
    } else if (Is(kind, "ComboBox")) {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        if (!GetComboBoxInfo(c.hwnd, &info))
            return "";
        room = {info.rcItem.right - info.rcItem.left, info.rcItem.bottom - info.rcItem.top};
        need = Measure(c.hwnd, text, DT_SINGLELINE, room.cx);
        need.cy = std::max<LONG>(need.cy, FontHeight(c.hwnd));
    } else {
        return "";
    }
    if (need.cx <= room.cx && need.cy <= room.cy)
        return "";
    char line[128];
    std::snprintf(line, sizeof line, " is cut: its text needs %ldx%ld, it has %ldx%ld",
                  static_cast<long>(need.cx), static_cast<long>(need.cy),
                  static_cast<long>(room.cx), static_cast<long>(room.cy));
    return c.name + line;
}

// The window's background as it paints it (or, `onScreen`, its client area as the screen
// shows it), as 32-bit pixels of its client size.
std::vector<DWORD> Background(HWND window, SIZE size, bool onScreen = false)
{
    std::vector<DWORD> pixels(static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy));
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (onScreen) {
        // From the screen itself: what the user sees there, children and all.
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        HDC desktop = GetDC(nullptr);
        BitBlt(dc, 0, 0, size.cx, size.cy, desktop, origin.x, origin.y, SRCCOPY);
        ReleaseDC(nullptr, desktop);
    } else
        SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SelectObject(dc, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(size.cy), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, screen);
    return pixels;
}

size_t ColoursIn(const std::vector<DWORD>& pixels, SIZE size, const RECT& r, size_t enough)
{
    std::set<DWORD> seen;
    for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, size.cy); ++y)
        for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, size.cx); ++x) {
            seen.insert(pixels[static_cast<size_t>(y) * static_cast<size_t>(size.cx) +
                               static_cast<size_t>(x)] & 0xFFFFFF);
            if (seen.size() >= enough)
                return seen.size();
        }
    return seen.size();
}

bool Dark(DWORD pixel)
{
    return ((pixel >> 16) & 0xFF) < 0x70 && ((pixel >> 8) & 0xFF) < 0x70 && (pixel & 0xFF) < 0x70;
}

// The lines of text the window paints itself (what the screen shows that is neither its
// background nor a child window), as rectangles in its client coordinates.
std::vector<RECT> PaintedLines(HWND window, SIZE size, const std::vector<Child>& children)
{
    const std::vector<DWORD> background = Background(window, size);
    const std::vector<DWORD> shown = Background(window, size, true);
    // Only what the parent lets show of the window counts (a page may reach under the frame
    // of its sheet).
    RECT visible = {0, 0, size.cx, size.cy};
    if (HWND parent = GetParent(window)) {
        RECT outer = {};
        GetClientRect(parent, &outer);
        MapWindowPoints(parent, window, reinterpret_cast<POINT*>(&outer), 2);
        IntersectRect(&visible, &visible, &outer);
    }
    std::vector<RECT> lines;
    RECT line = {};
    bool open = false;
    for (LONG y = visible.top; y < visible.bottom; ++y) {
        LONG left = size.cx, right = -1;
        for (LONG x = visible.left; x < visible.right; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(size.cx) +
                             static_cast<size_t>(x);
            // Text is dark ink where the background is not.
            if (!Dark(shown[i]) || Dark(background[i]))
                continue;
            const POINT at = {x, y};
            const bool onChild = std::any_of(children.begin(), children.end(), [&](const Child& c) {
                RECT r = c.rect;
                InflateRect(&r, 2, 2);
                return !c.underlay && PtInRect(&r, at);
            });
            if (!onChild) {
                left = std::min(left, x);
                right = std::max(right, x + 1);
            }
        }
        if (right > left) {
            if (!open)
                line = {left, y, right, y + 1};
            line = {std::min(line.left, left), line.top, std::max(line.right, right), y + 1};
            open = true;
        } else if (open) {
            lines.push_back(line);
            open = false;
        }
    }
    if (open)
        lines.push_back(line);
    return lines;
}

// Whether a child lies over another that may lie under it (what shows around its letters is
// then that one's, not the window's background).
bool OverUnderlay(const std::vector<Child>& children, const Child& c)
{
    return std::any_of(children.begin(), children.end(), [&](const Child& under) {
        RECT both = {};
        return under.hwnd != c.hwnd && under.underlay && IntersectRect(&both, &under.rect, &c.rect);
    });
}

// Whether most of a rectangle shows something else than the background there.
bool CoversBackground(const std::vector<DWORD>& background, const std::vector<DWORD>& shown,
                      SIZE size, const RECT& r)
{
    size_t all = 0, other = 0;
    for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, size.cy); ++y)
        for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, size.cx); ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(size.cx) +
                             static_cast<size_t>(x);
            ++all;
            other += (background[i] & 0xFFFFFF) != (shown[i] & 0xFFFFFF);
        }
    return all > 0 && other * 10 > all * 6;
}

}  // namespace

std::vector<std::string> LayoutFaults(HWND window, const LayoutRules& rules)
{
    RECT client = {};
    GetClientRect(window, &client);
    std::vector<Child> children;
    for (HWND h = GetWindow(window, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (!IsWindowVisible(h))
            continue;
        Child c{h, {}, "", false, false};
        GetWindowRect(h, &c.rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&c.rect), 2);
        if (IsRectEmpty(&c.rect))
            continue;
        const std::string kind = ClassOf(h);
        const LONG style = GetWindowLongW(h, GWL_STYLE);
        const std::wstring text = TextOf(h);
        c.name = kind + " " + std::to_string(GetDlgCtrlID(h)) +
                 (text.empty() ? "" : " \"" + Narrow(text) + "\"") + " " + RectText(c.rect);
        const bool frame = Is(kind, "Button") && (style & BS_TYPEMASK) == BS_GROUPBOX;
        const bool whole = c.rect.left <= 0 && c.rect.top <= 0 && c.rect.right >= client.right &&
                           c.rect.bottom >= client.bottom;
        c.underlay = frame || whole ||
                     std::find(rules.backgrounds.begin(), rules.backgrounds.end(), h) !=
                         rules.backgrounds.end();
        const LONG type = style & SS_TYPEMASK;
        c.picture = Is(kind, "Static") && (type == SS_BITMAP || type == SS_ICON ||
                                           type == SS_ENHMETAFILE);
        children.push_back(c);
    }

    std::vector<std::string> faults;
    // A label written straight onto the background leaves it showing around its letters.
    const SIZE size = {client.right, client.bottom};
    std::vector<DWORD> background, shown;
    if (rules.transparentLabels) {
        background = Background(window, size);
        shown = Background(window, size, true);
    }
    for (const Child& c : children) {
        RECT inside = {};
        if (!c.underlay && (!IntersectRect(&inside, &c.rect, &client) || !EqualRect(&inside, &c.rect)))
            faults.push_back(c.name + " lies outside the window " + RectText(client));
        const std::string cut = TextFault(c, rules);
        if (!cut.empty())
            faults.push_back(cut);
        const std::string kind = ClassOf(c.hwnd);
        const bool text = !c.picture && (Is(kind, "Static") || Is(kind, "Button") ||
                                         Is(kind, "Edit") || Is(kind, "ComboBox"));
        const std::string fallback = text ? FixedPitchFallback(c.hwnd) : "";
        if (!fallback.empty())
            faults.push_back(c.name + " draws in a fixed-pitch fallback for \"" + fallback + "\"");
        const LONG button = GetWindowLongW(c.hwnd, GWL_STYLE) & BS_TYPEMASK;
        const bool label = Is(kind, "Static") ||
                           (Is(kind, "Button") && button != BS_PUSHBUTTON &&
                            button != BS_DEFPUSHBUTTON && button != BS_OWNERDRAW);
        if (rules.transparentLabels && text && label && !TextOf(c.hwnd).empty() &&
            (!DrawnTransparent(window, c.hwnd) ||
             (!OverUnderlay(children, c) && CoversBackground(background, shown, size, c.rect))))
            faults.push_back(c.name + " is drawn in a box of its own over the background");
    }
    for (size_t i = 0; i < children.size(); ++i)
        for (size_t j = i + 1; j < children.size(); ++j) {
            const Child& a = children[i];
            const Child& b = children[j];
            RECT both = {};
            if (!a.underlay && !b.underlay && IntersectRect(&both, &a.rect, &b.rect))
                faults.push_back(a.name + " overlaps " + b.name);
        }
    if (rules.plainColours > 0) {
        const std::vector<DWORD> pixels = Background(window, size);
        const size_t enough = static_cast<size_t>(rules.plainColours) + 1;
        for (const Child& c : children)
            if (!c.underlay && !c.picture && ColoursIn(pixels, size, c.rect, enough) >= enough)
                faults.push_back(c.name + " lies over a picture of the background");
    }
    if (rules.paintedLabelsHaveFields) {
        for (const RECT& line : PaintedLines(window, size, children)) {
            const bool field = std::any_of(children.begin(), children.end(), [&](const Child& c) {
                return !c.underlay && !c.picture && c.rect.left >= line.right &&
                       c.rect.top < line.bottom && c.rect.bottom > line.top;
            });
            if (!field)
                faults.push_back("the label painted at " + RectText(line) +
                                 " has no field beside it");
        }
    }
    return faults;
}

namespace {

// A text drawn black on white in the font, as pixels of a cell of its own.
std::vector<DWORD> Drawn(HDC dc, const std::wstring& text)
{
    const int w = 64, h = 48;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT cell = {0, 0, w, h};
    FillRect(dc, &cell, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 2, 2, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, old);
    std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    GetDIBits(dc, bitmap, 0, h, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    return pixels;
}

// The letters that the font, with whatever the system lends it (linked fonts), draws as
// nothing or as the box of a missing glyph (the drawing of a private-use character).
std::wstring Unshown(const LOGFONTW& asked, const std::wstring& letters)
{
    HFONT font = CreateFontIndirectW(&asked);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, font);
    const std::vector<DWORD> box = Drawn(dc, L"\uE000");
    const std::vector<DWORD> nothing = Drawn(dc, L"");
    std::wstring missing;
    for (wchar_t letter : letters) {
        const std::vector<DWORD> drawn = Drawn(dc, std::wstring(1, letter));
        if (drawn == box || drawn == nothing)
            missing += letter;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return missing;
}

}  // namespace

std::vector<std::string> CaptionFaults(HWND window, const std::wstring& title)
{
    std::vector<std::string> faults;
    // The title bar's own text, and what the window answers when asked for it in Unicode
    // (Wine draws title bars from that answer).
    wchar_t text[1024] = L"";
    InternalGetWindowText(window, text, 1024);
    const std::wstring shown = text;
    for (const std::wstring& said : {shown, TextOf(window)})
        if (said != title)
            faults.push_back("the title bar says \"" + Narrow(said) + "\" for \"" + Narrow(title) +
                             "\"");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        faults.push_back("the system does not say which font draws title bars");
        return faults;
    }
    std::wstring letters;
    for (wchar_t ch : shown)
        if (ch > L' ' && letters.find(ch) == std::wstring::npos)
            letters += ch;
    const std::wstring missing = Unshown(metrics.lfCaptionFont, letters);
    if (!missing.empty())
        faults.push_back("the title bar font \"" + Narrow(metrics.lfCaptionFont.lfFaceName) +
                         "\" shows no glyph for \"" + Narrow(missing) + "\"");
    return faults;
}

}  // namespace lxtest
