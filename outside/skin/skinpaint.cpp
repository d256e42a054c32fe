#include "skinpaint.h"

#include <string>
#include <vector>

namespace lxskin {

namespace {

COLORREF Or(COLORREF c, COLORREF otherwise) { return c == CLR_INVALID ? otherwise : c; }

COLORREF Mix(COLORREF a, COLORREF b, int num, int den)
{
    auto m = [&](int x, int y) { return x + (y - x) * num / den; };
    return RGB(m(GetRValue(a), GetRValue(b)), m(GetGValue(a), GetGValue(b)),
               m(GetBValue(a), GetBValue(b)));
}

void Fill(HDC dc, const RECT& r, COLORREF c)
{
    SetBkColor(dc, c);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// A rounded shape filled from `top` down to `bottom` colour, framed `width` pixels.
void Shape(HDC dc, const RECT& r, int radius, COLORREF top, COLORREF bottom, COLORREF frame,
           int width)
{
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    HRGN rgn = CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, radius * 2, radius * 2);
    SelectClipRgn(dc, rgn);
    const int h = r.bottom - r.top;
    for (int y = 0; y < h; ++y)
        Fill(dc, RECT{r.left, r.top + y, r.right, r.top + y + 1},
             h > 1 ? Mix(top, bottom, y, h - 1) : top);
    SelectClipRgn(dc, nullptr);
    if (width > 0) {
        HBRUSH b = CreateSolidBrush(frame);
        FrameRgn(dc, rgn, b, width, width);
        DeleteObject(b);
    }
    DeleteObject(rgn);
}

// The window's font with the element's face, height, weight and underline.
HFONT ElementFont(HWND window, const Style& st)
{
    HFONT base = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (!base)
        base = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf{};
    GetObjectW(base, sizeof lf, &lf);
    if (!st.fontFace.empty()) {
        lf.lfFaceName[0] = 0;
        MultiByteToWideChar(CP_ACP, 0, st.fontFace.c_str(), -1, lf.lfFaceName, LF_FACESIZE);
    }
    if (st.fontHeight)
        lf.lfHeight = st.fontHeight;
    if (st.fontWeight)
        lf.lfWeight = st.fontWeight;
    if (st.underline)
        lf.lfUnderline = TRUE;
    return CreateFontIndirectW(&lf);
}

std::wstring WindowText(HWND window)
{
    std::vector<wchar_t> buf(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 2);
    GetWindowTextW(window, buf.data(), static_cast<int>(buf.size()));
    return buf.data();
}

bool IsButtonClass(HWND window)
{
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    return lstrcmpiW(cls, L"Button") == 0;
}

void Text(HDC dc, HWND window, const Style& st, RECT r, UINT format, COLORREF colour)
{
    HFONT font = ElementFont(window, st);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(window) ? colour : Mix(colour, GetBkColor(dc), 1, 2));
    const std::wstring text = WindowText(window);
    if (format & DT_VCENTER && !(format & DT_SINGLELINE)) {
        // Several lines centred as a block.
        RECT calc = r;
        DrawTextW(dc, text.c_str(), -1, &calc, (format & ~DT_VCENTER) | DT_CALCRECT);
        const int shift = ((r.bottom - r.top) - (calc.bottom - calc.top)) / 2;
        if (shift > 0)
            r.top += shift;
        format &= ~DT_VCENTER;
    }
    DrawTextW(dc, text.c_str(), -1, &r, format);
    SelectObject(dc, old);
    DeleteObject(font);
}

void Focus(HDC dc, HWND window, RECT r)
{
    if (GetFocus() == window && !(SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &r);
    }
}

UINT StaticFormat(HWND window)
{
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    UINT f = DT_NOPREFIX * ((style & SS_NOPREFIX) != 0);
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: return f | DT_CENTER | DT_WORDBREAK;
    case SS_RIGHT: return f | DT_RIGHT | DT_WORDBREAK;
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP: return f | DT_LEFT | DT_SINGLELINE;
    default: break;
    }
    return f | ((style & SS_CENTERIMAGE) ? DT_VCENTER | DT_SINGLELINE : DT_WORDBREAK);
}

void Button(HDC dc, HWND w, const Style& st, const RECT& rc, bool drawText)
{
    const LRESULT state = SendMessageW(w, BM_GETSTATE, 0, 0);
    const bool pushed = (state & BST_PUSHED) != 0;
    const COLORREF face = FaceOf(st);
    const COLORREF top = pushed ? Or(st.pressed, Mix(face, RGB(0, 0, 0), 1, 5)) : face;
    const COLORREF bottom = pushed ? top : Or(st.face2, face);
    const bool isDefault = (GetWindowLongPtrW(w, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    Shape(dc, rc, st.radius, top, bottom, Or(st.frame, GetSysColor(COLOR_BTNSHADOW)),
          st.frameWidth + (isDefault ? 1 : 0));
    RECT inner = rc;
    InflateRect(&inner, -(st.frameWidth + 2), -(st.frameWidth + 2));
    if (drawText) {
        RECT t = rc;
        if (pushed)
            OffsetRect(&t, 1, 1);
        Text(dc, w, st, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
             Or(st.text, GetSysColor(COLOR_BTNTEXT)));
    }
    Focus(dc, w, inner);
}

void CheckOrRadio(HDC dc, HWND w, const Style& st, const RECT& rc, bool radio, bool drawText,
                  POINT* textAt)
{
    const int box = (rc.bottom - rc.top) < 13 ? (rc.bottom - rc.top) : 13;
    const RECT b{rc.left, rc.top + (rc.bottom - rc.top - box) / 2, rc.left + box,
                 rc.top + (rc.bottom - rc.top - box) / 2 + box};
    const COLORREF face = FaceOf(st), mark = Or(st.mark, Or(st.text, GetSysColor(COLOR_BTNTEXT)));
    const int radius = radio ? box / 2 + 1 : (st.radius < box / 3 ? st.radius : box / 3);
    const bool pushed = (SendMessageW(w, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    Shape(dc, b, radius, pushed ? Or(st.pressed, face) : face, Or(st.face2, face),
          Or(st.frame, GetSysColor(COLOR_BTNSHADOW)), st.frameWidth ? 1 : 0);
    const LRESULT check = SendMessageW(w, BM_GETCHECK, 0, 0);
    if (check == BST_CHECKED && radio) {
        RECT dot = b;
        InflateRect(&dot, -3, -3);
        Shape(dc, dot, box, mark, mark, mark, 0);
    } else if (check == BST_CHECKED) {
        HPEN pen = CreatePen(PS_SOLID, 2, mark);
        HGDIOBJ old = SelectObject(dc, pen);
        const POINT tick[] = {{b.left + 3, b.top + box / 2},
                              {b.left + box / 2 - 1, b.bottom - 4},
                              {b.right - 3, b.top + 3}};
        Polyline(dc, tick, 3);
        SelectObject(dc, old);
        DeleteObject(pen);
    } else if (check == BST_INDETERMINATE) {
        RECT part = b;
        InflateRect(&part, -3, -3);
        Fill(dc, part, Mix(mark, face, 1, 2));
    }
    RECT t{b.right + 5, rc.top, rc.right, rc.bottom};
    *textAt = POINT{t.left, t.top};
    const bool multi = (GetWindowLongPtrW(w, GWL_STYLE) & BS_MULTILINE) != 0;
    if (drawText)
        Text(dc, w, st, t, DT_LEFT | DT_VCENTER | (multi ? DT_WORDBREAK : DT_SINGLELINE),
             Or(st.text, GetSysColor(COLOR_BTNTEXT)));
    Focus(dc, w, t);
}

void Icon(HDC dc, const Style& st, const RECT& rc)
{
    const int s = (rc.right - rc.left) < (rc.bottom - rc.top) ? rc.right - rc.left
                                                               : rc.bottom - rc.top;
    if (s < 4)
        return;
    const RECT r{rc.left, rc.top, rc.left + s, rc.top + s};
    std::string name = st.name.substr(st.name.rfind('_') + 1);
    HBRUSH brush = CreateSolidBrush(FaceOf(st));
    HPEN pen = CreatePen(PS_INSIDEFRAME, st.frameWidth ? st.frameWidth : 1,
                         Or(st.frame, GetSysColor(COLOR_BTNSHADOW)));
    HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
    const wchar_t* symbol = L"i";
    RECT sym = r;
    if (name == "exclamation") {
        const POINT tri[] = {{s / 2, 1}, {s - 1, s - 2}, {1, s - 2}};
        Polygon(dc, tri, 3);
        symbol = L"!";
        sym.top += s / 5;
    } else if (name == "stop") {
        const int c = s * 3 / 10;
        const POINT oct[] = {{c, 0}, {s - 1 - c, 0}, {s - 1, c}, {s - 1, s - 1 - c},
                             {s - 1 - c, s - 1}, {c, s - 1}, {0, s - 1 - c}, {0, c}};
        Polygon(dc, oct, 8);
        symbol = L"X";
    } else {
        Ellipse(dc, r.left, r.top, r.right, r.bottom);
        symbol = name == "question" ? L"?" : L"i";
    }
    SelectObject(dc, ob);
    SelectObject(dc, op);
    DeleteObject(brush);
    DeleteObject(pen);
    HFONT font = CreateFontW(-(s * 3 / 5), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                             ANTIALIASED_QUALITY, 0, L"Arial");
    HGDIOBJ of = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Or(st.mark, Or(st.text, RGB(255, 255, 255))));
    DrawTextW(dc, symbol, -1, &sym, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, of);
    DeleteObject(font);
}

}  // namespace

COLORREF FaceOf(const Style& style) { return Or(style.face, GetSysColor(COLOR_BTNFACE)); }

void PaintForm(HDC dc, HWND window, const Style& st)
{
    RECT rc;
    GetClientRect(window, &rc);
    Fill(dc, rc, FaceOf(st));
    const COLORREF frame = Or(st.frame, GetSysColor(COLOR_BTNSHADOW));
    if (st.band > 0)
        Fill(dc, RECT{rc.left, rc.top, rc.right, rc.top + st.band}, Or(st.face2, frame));
    for (int i = 0; i < st.frameWidth; ++i) {
        HBRUSH b = CreateSolidBrush(frame);
        RECT f{rc.left + i, rc.top + i, rc.right - i, rc.bottom - i};
        FrameRect(dc, &f, b);
        DeleteObject(b);
    }
}

void PaintControl(HDC dc, HWND w, const Style& st, COLORREF parentFace, bool drawText,
                  POINT* textAt)
{
    RECT rc;
    GetClientRect(w, &rc);
    *textAt = POINT{0, 0};
    const bool button = IsButtonClass(w);
    switch (st.kind) {
    case Kind::Button:
        Fill(dc, rc, parentFace);
        Button(dc, w, st, rc, drawText);
        break;
    case Kind::Check:
    case Kind::Radio:
        if (parentFace != CLR_INVALID)
            Fill(dc, rc, parentFace);
        CheckOrRadio(dc, w, st, rc, st.kind == Kind::Radio, drawText, textAt);
        break;
    case Kind::Label:
    case Kind::Link: {
        Fill(dc, rc, Or(st.face, parentFace));
        if (drawText)
            Text(dc, w, st, rc,
                 button ? DT_CENTER | DT_VCENTER | DT_SINGLELINE : StaticFormat(w),
                 Or(st.text, GetSysColor(COLOR_BTNTEXT)));
        Focus(dc, w, rc);
        break;
    }
    case Kind::Container: {
        Fill(dc, rc, parentFace);
        Shape(dc, rc, st.radius, FaceOf(st), Or(st.face2, FaceOf(st)),
              Or(st.frame, GetSysColor(COLOR_BTNSHADOW)), st.frameWidth);
        // The text keeps clear of the frame at the sides and is centred in the height: the
        // dialogs size their message areas one line taller than their text.
        const int pad = st.frameWidth + 1;
        RECT t{rc.left + pad, rc.top, rc.right - pad, rc.bottom};
        if (drawText)
            Text(dc, w, st, t, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_VCENTER,
                 Or(st.text, GetSysColor(COLOR_BTNTEXT)));
        break;
    }
    case Kind::Icon:
        Fill(dc, rc, parentFace);
        Icon(dc, st, rc);
        break;
    case Kind::Form:
        PaintForm(dc, w, st);
        break;
    }
}

}  // namespace lxskin
