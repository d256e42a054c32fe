// lxskin.dll: the skin control's window class, its COM-layout objects and the subclass that
// paints skinned windows.
#include "lxskin.h"
#include "skinfile.h"
#include "skinpaint.h"

#include <commctrl.h>

#include <memory>
#include <new>
#include <string>

namespace lxskin {
namespace {

const UINT_PTR kSubclassId = 0x4C58534B;  // "LXSK"
const LONG kVersion = 100;
HINSTANCE g_module = nullptr;
bool g_pinned = false;

UINT QueryMessage()
{
    static const UINT m = RegisterWindowMessageA(LXSKIN_MSG_QUERYINTERFACE);
    return m;
}

UINT EventMessage()
{
    static const UINT m = RegisterWindowMessageA(LXSKIN_MSG_EVENT);
    return m;
}

// Once a window runs code of this library, the library stays in the process.
void Pin()
{
    HMODULE self = nullptr;
    if (!g_pinned && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_PIN,
                                        reinterpret_cast<LPCWSTR>(&Pin), &self))
        g_pinned = true;
}

std::string Narrow(LPCWSTR s)
{
    std::string out;
    for (; s && *s; ++s)
        out += *s < 128 ? static_cast<char>(*s) : '?';
    return out;
}

std::wstring Widen(const std::string& s)
{
    std::wstring out(s.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &out[0],
                                      static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
    return out;
}

HRESULT CopyOut(const std::wstring& s, LPWSTR buffer, UINT chars)
{
    if (!buffer || chars == 0)
        return E_POINTER;
    lstrcpynW(buffer, s.c_str(), static_cast<int>(chars));
    return s.size() < chars ? S_OK : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}

// Runs an operation, turning anything it throws into a failure.
template <typename F>
HRESULT Guard(F f)
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Reference counting and QueryInterface for one interface.
template <typename I>
class RefCounted : public I {
public:
    explicit RefCounted(REFIID iid) : m_iid(iid) {}
    virtual ~RefCounted() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, m_iid)) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

private:
    const IID m_iid;
    LONG m_refs = 1;
};

HRESULT SizeOf(HWND window, LONG* width, LONG* height)
{
    if (!width || !height)
        return E_POINTER;
    RECT r;
    if (!window || !GetWindowRect(window, &r))
        return E_HANDLE;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
}

class SkinObject : public RefCounted<ISkinObject> {
public:
    SkinObject(HWND window, const std::string& element)
        : RefCounted(IID_ISkinObject), m_window(window), m_element(element) {}
    HRESULT STDMETHODCALLTYPE GetSize(LONG* width, LONG* height) override
    {
        return SizeOf(m_window, width, height);
    }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = m_window;
        return m_window ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetElementName(LPWSTR buffer, UINT chars) override
    {
        return Guard([&] { return CopyOut(Widen(m_element), buffer, chars); });
    }
    void SetElement(const std::string& element) { m_element = element; }
    void Detach() { m_window = nullptr; }

private:
    HWND m_window;
    std::string m_element;
};

class Surface : public RefCounted<ISkinSurface> {
public:
    Surface(HWND window, HDC dc) : RefCounted(IID_ISkinSurface), m_window(window), m_dc(dc) {}
    HRESULT STDMETHODCALLTYPE GetSize(LONG* width, LONG* height) override
    {
        if (!width || !height)
            return E_POINTER;
        RECT r{};
        if (!m_dc || !GetClientRect(m_window, &r))
            return E_HANDLE;
        *width = r.right;
        *height = r.bottom;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = m_window;
        return S_OK;
    }
#define LXSKIN_RESERVED(n) \
    HRESULT STDMETHODCALLTYPE Reserved##n() override { return E_NOTIMPL; }
    LXSKIN_RESERVED(5) LXSKIN_RESERVED(6) LXSKIN_RESERVED(7) LXSKIN_RESERVED(8)
    LXSKIN_RESERVED(9) LXSKIN_RESERVED(10) LXSKIN_RESERVED(11) LXSKIN_RESERVED(12)
    LXSKIN_RESERVED(13) LXSKIN_RESERVED(14) LXSKIN_RESERVED(15) LXSKIN_RESERVED(16)
    LXSKIN_RESERVED(17) LXSKIN_RESERVED(18) LXSKIN_RESERVED(19) LXSKIN_RESERVED(20)
#undef LXSKIN_RESERVED
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override
    {
        if (!dc)
            return E_POINTER;
        *dc = m_dc;
        if (!m_dc)
            return E_HANDLE;  // the paint it was made for is over
        m_saved = SaveDC(m_dc);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override
    {
        if (!m_dc || dc != m_dc || !m_saved)
            return E_INVALIDARG;
        RestoreDC(m_dc, m_saved);
        m_saved = 0;
        return S_OK;
    }
    void Detach()
    {
        if (m_dc && m_saved)
            RestoreDC(m_dc, m_saved);
        m_dc = nullptr;
    }

private:
    HWND m_window;
    HDC m_dc;
    int m_saved = 0;
};

class SkinControl;

// What a skinned window carries: its control, element and (once asked for) its skin object.
struct Skinned {
    SkinControl* control = nullptr;
    std::string element;
    SkinObject* object = nullptr;
    HBRUSH brush = nullptr;
    COLORREF brushColour = CLR_INVALID;
};

LRESULT CALLBACK SkinnedProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

// A skinned window also carries its record as a window property, so that the record can be
// found from the window (the import library has no GetWindowSubclass).
const wchar_t kRecordProp[] = L"LxSkin.Skinned";

Skinned* RecordOf(HWND window)
{
    return window ? static_cast<Skinned*>(GetPropW(window, kRecordProp)) : nullptr;
}

class SkinControl : public RefCounted<ISkinControl> {
public:
    explicit SkinControl(HWND host) : RefCounted(IID_ISkinControl), m_host(host) {}

    std::shared_ptr<const Skin> CurrentSkin() const { return m_skin; }
    void Detach() { m_host = nullptr; }
    HWND EventTarget() const
    {
        if (m_event && IsWindow(m_event))
            return m_event;
        return m_host ? GetParent(m_host) : nullptr;
    }

    HRESULT STDMETHODCALLTYPE GetVersion(LONG* version) override
    {
        if (!version)
            return E_POINTER;
        *version = kVersion;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SkinUnload() override
    {
        m_skin.reset();
        m_path.clear();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSkinPath(LPWSTR buffer, UINT chars) override
    {
        return Guard([&] { return CopyOut(m_path, buffer, chars); });
    }
    HRESULT STDMETHODCALLTYPE SetEventWindow(HWND window) override
    {
        if (window && !IsWindow(window))
            return E_HANDLE;
        m_event = window;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetElementCount(LONG* count) override
    {
        if (!count)
            return E_POINTER;
        *count = m_skin ? static_cast<LONG>(m_skin->elements.size()) : 0;
        return m_skin ? S_OK : LXSKIN_E_NOSKIN;
    }
    HRESULT STDMETHODCALLTYPE SkinLoad(LPCWSTR path) override
    {
        if (!path || !*path)
            return E_INVALIDARG;  // no skin file was named
        return Guard([&] {
            auto skin = std::make_shared<Skin>();
            int line = 0;
            const HRESULT hr = ReadSkinFile(path, skin.get(), &line);
            if (FAILED(hr))
                return hr;
            m_skin = skin;
            m_path = path;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetElementName(LONG index, LPWSTR buffer, UINT chars) override
    {
        if (!m_skin)
            return LXSKIN_E_NOSKIN;
        if (index < 0 || static_cast<std::size_t>(index) >= m_skin->elements.size())
            return E_INVALIDARG;
        return Guard([&] {
            return CopyOut(Widen(m_skin->elements[static_cast<std::size_t>(index)].name), buffer,
                           chars);
        });
    }
    HRESULT STDMETHODCALLTYPE GetElementColor(LPCWSTR element, LPCWSTR key,
                                              COLORREF* color) override
    {
        if (!color || !key)
            return E_POINTER;
        return WithStyle(element, [&](const Style* st) {
            COLORREF Style::*member = ColourKey(Narrow(key));
            if (!member)
                return E_INVALIDARG;
            *color = st->*member;
            return *color == CLR_INVALID ? S_FALSE : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SkinRemove(HWND window) override
    {
        Skinned* rec = RecordOf(window);
        if (!rec)
            return LXSKIN_E_NOTSKINNED;
        RemoveWindowSubclass(window, SkinnedProc, kSubclassId);
        Free(window, rec);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Redraw(HWND window) override
    {
        if (!IsWindow(window))
            return E_HANDLE;
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAppliedElement(HWND window, LPWSTR buffer, UINT chars) override
    {
        Skinned* rec = RecordOf(window);
        if (!rec)
            return LXSKIN_E_NOTSKINNED;
        return Guard([&] { return CopyOut(Widen(rec->element), buffer, chars); });
    }
    HRESULT STDMETHODCALLTYPE SkinApply(HWND window, LPCWSTR element) override
    {
        if (!IsWindow(window))
            return E_HANDLE;
        return WithStyle(element, [&](const Style* st) {
            Skinned* rec = RecordOf(window);
            if (!rec) {
                rec = new Skinned;
                if (!SetPropW(window, kRecordProp, rec)) {
                    delete rec;
                    return E_FAIL;
                }
                if (!SetWindowSubclass(window, SkinnedProc, kSubclassId,
                                       reinterpret_cast<DWORD_PTR>(rec))) {
                    RemovePropW(window, kRecordProp);
                    delete rec;
                    return E_FAIL;
                }
                Pin();
            } else if (rec->control) {
                rec->control->Release();
            }
            rec->control = this;
            AddRef();
            rec->element = st->name;
            if (rec->object)
                rec->object->SetElement(st->name);
            RedrawWindow(window, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetSkinName(LPWSTR buffer, UINT chars) override
    {
        if (!m_skin)
            return LXSKIN_E_NOSKIN;
        return Guard([&] { return CopyOut(Widen(m_skin->name), buffer, chars); });
    }
    HRESULT STDMETHODCALLTYPE GetEventWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = EventTarget();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SkinGetObject(HWND window, ISkinObject** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        Skinned* rec = RecordOf(window);
        if (!rec)
            return LXSKIN_E_NOTSKINNED;
        return Guard([&] {
            if (!rec->object) {
                rec->object = new SkinObject(window, rec->element);
                InvalidateRect(window, nullptr, FALSE);
            }
            rec->object->AddRef();
            *object = rec->object;
            return S_OK;
        });
    }

    static void Free(HWND window, Skinned* rec)
    {
        RemovePropW(window, kRecordProp);
        if (rec->object) {
            rec->object->Detach();
            rec->object->Release();
        }
        if (rec->brush)
            DeleteObject(rec->brush);
        if (rec->control)
            rec->control->Release();
        delete rec;
    }

private:
    // Runs f with the loaded skin's style of `element` (null or empty: "Form"), or fails.
    template <typename F>
    HRESULT WithStyle(LPCWSTR element, F f) const
    {
        return Guard([&] {
            if (!m_skin)
                return LXSKIN_E_NOSKIN;
            const std::string name = element && *element ? Narrow(element) : std::string("Form");
            Kind kind;
            const Style* st = KindOf(name, &kind) ? m_skin->Find(name) : nullptr;
            return st ? f(st) : LXSKIN_E_UNKNOWNELEMENT;
        });
    }

    HWND m_host;
    HWND m_event = nullptr;
    std::shared_ptr<const Skin> m_skin;
    std::wstring m_path;
};

// Messages after which buttons and statics have painted themselves directly (not through
// WM_PAINT): the skin paints over at once.
bool PaintsDirectly(UINT msg, HWND window)
{
    switch (msg) {
    case WM_SETTEXT: case WM_ENABLE: case WM_SETFOCUS: case WM_KILLFOCUS: case WM_SETFONT:
    case BM_SETCHECK: case BM_SETSTATE: case BM_SETSTYLE: case BM_CLICK:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK: case WM_KEYDOWN:
    case WM_KEYUP: case WM_CAPTURECHANGED: case WM_UPDATEUISTATE: case STM_SETIMAGE:
    case STM_SETICON:
        return true;
    case WM_MOUSEMOVE:
        return GetCapture() == window;
    default:
        return false;
    }
}

// The style of a window's parent when the skin draws that parent as a form (else null).
const Style* ParentForm(HWND window)
{
    const Skinned* parent = RecordOf(GetParent(window));
    if (parent && parent->control) {
        auto skin = parent->control->CurrentSkin();
        const Style* st = skin ? skin->Find(parent->element) : nullptr;
        if (st && st->kind == Kind::Form)
            return st;
    }
    return nullptr;
}

COLORREF ParentFace(HWND window)
{
    const Style* form = ParentForm(window);
    return form ? FaceOf(*form) : GetSysColor(COLOR_BTNFACE);
}

// A check box or option button on a window that is no skinned form shows what that window
// paints under it (a page's picture) over the usual face, as a themed control does; false on
// a skinned form, whose face it takes.
bool ParentBackground(HDC dc, HWND window, const RECT& rc, COLORREF face)
{
    HWND parent = GetParent(window);
    if (!parent || ParentForm(window))
        return false;
    HBRUSH brush = CreateSolidBrush(face);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    POINT origin{0, 0};
    MapWindowPoints(window, parent, &origin, 1);
    POINT old{0, 0};
    SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
    // (A dialog answers through its message result, so what it answers says nothing here.)
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
    return true;
}

// Paints a control into an off-screen bitmap, asks for its text when its object was taken,
// and copies the result to dc.
void PaintSkinned(HWND window, HDC dc, Skinned* rec, const Style& st)
{
    RECT rc;
    GetClientRect(window, &rc);
    if (rc.right <= 0 || rc.bottom <= 0)
        return;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    POINT at{0, 0};
    COLORREF face = ParentFace(window);
    if ((st.kind == Kind::Check || st.kind == Kind::Radio) && ParentBackground(mem, window, rc, face))
        face = CLR_INVALID;  // the parent's own background lies under it already
    PaintControl(mem, window, st, face, rec->object == nullptr, &at);
    HWND target = rec->object ? rec->control->EventTarget() : nullptr;
    if (target && st.kind != Kind::Icon) {
        Surface* surface = new (std::nothrow) Surface(window, mem);
        if (surface) {
            LxSkinTextRequest request{rec->object, surface, at.x, at.y};
            SendMessageW(target, EventMessage(), LXSKIN_EVENT_TEXTREQUEST,
                         reinterpret_cast<LPARAM>(&request));
            surface->Detach();
            surface->Release();
        }
    }
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
}

LRESULT FormMessage(HWND window, UINT msg, WPARAM wp, LPARAM lp, Skinned* rec, const Style& st)
{
    switch (msg) {
    case WM_ERASEBKGND:
        PaintForm(reinterpret_cast<HDC>(wp), window, st);
        return 1;
    case WM_PRINTCLIENT:
        PaintForm(reinterpret_cast<HDC>(wp), window, st);
        break;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        const COLORREF face = FaceOf(st);
        if (!rec->brush || rec->brushColour != face) {
            if (rec->brush)
                DeleteObject(rec->brush);
            rec->brush = CreateSolidBrush(face);
            rec->brushColour = face;
        }
        HDC dc = reinterpret_cast<HDC>(wp);
        SetBkColor(dc, face);
        if (st.text != CLR_INVALID)
            SetTextColor(dc, st.text);
        return reinterpret_cast<LRESULT>(rec->brush);
    }
    case WM_SIZE: {
        const LRESULT r = DefSubclassProc(window, msg, wp, lp);
        InvalidateRect(window, nullptr, TRUE);
        return r;
    }
    }
    return DefSubclassProc(window, msg, wp, lp);
}

LRESULT ControlMessage(HWND window, UINT msg, WPARAM wp, LPARAM lp, Skinned* rec, const Style& st)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        PaintSkinned(window, dc, rec, st);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintSkinned(window, reinterpret_cast<HDC>(wp), rec, st);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    }
    if (PaintsDirectly(msg, window)) {
        const LRESULT r = DefSubclassProc(window, msg, wp, lp);
        if (IsWindow(window))
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return r;
    }
    return DefSubclassProc(window, msg, wp, lp);
}

LRESULT CALLBACK SkinnedProc(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                             DWORD_PTR ref)
{
    auto* rec = reinterpret_cast<Skinned*>(ref);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(window, SkinnedProc, kSubclassId);
        SkinControl::Free(window, rec);
        return DefSubclassProc(window, msg, wp, lp);
    }
    const std::shared_ptr<const Skin> skin = rec->control ? rec->control->CurrentSkin() : nullptr;
    const Style* st = skin ? skin->Find(rec->element) : nullptr;
    if (!st)
        return DefSubclassProc(window, msg, wp, lp);
    if (st->kind == Kind::Form)
        return FormMessage(window, msg, wp, lp, rec, *st);
    return ControlMessage(window, msg, wp, lp, rec, *st);
}

// The control window: takes no room, draws nothing and answers the interface query.
LRESULT CALLBACK ControlProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* control = reinterpret_cast<SkinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (msg) {
    case WM_NCCREATE: {
        Pin();
        control = new (std::nothrow) SkinControl(window);
        if (!control)
            return FALSE;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
        break;
    }
    case WM_CREATE:
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        ValidateRect(window, nullptr);
        return 0;
    case WM_NCDESTROY:
        if (control) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            control->Detach();
            control->Release();
        }
        break;
    default:
        if (msg == QueryMessage() && msg != 0) {
            const IID* iid = reinterpret_cast<const IID*>(wp);
            void** out = reinterpret_cast<void**>(lp);
            if (!control)
                return E_UNEXPECTED;
            if (!iid || !out)
                return E_POINTER;
            return control->QueryInterface(*iid, out);
        }
    }
    return DefWindowProcW(window, msg, wp, lp);
}

ATOM g_class = 0;

}  // namespace
}  // namespace lxskin

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    using namespace lxskin;
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_GLOBALCLASS;
        wc.lpfnWndProc = ControlProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.lpszClassName = LXSKIN_CONTROL_CLASS;
        g_class = RegisterClassExW(&wc);
        return g_class != 0;
    }
    if (reason == DLL_PROCESS_DETACH && g_class)
        UnregisterClassW(LXSKIN_CONTROL_CLASS, g_module);
    return TRUE;
}
