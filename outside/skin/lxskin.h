// The skin control (lxskin.dll): draws dialogs and their controls from a skin file.
//
// Hosting
//   Loading lxskin.dll registers a global window class whose name is the control's class id
//   in text, LXSKIN_CONTROL_CLASS. A dialog template places the control like any other:
//       CONTROL "", 1001, "{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}", WS_CHILD, 0, 0, 0, 0
//   The dialog's module loads "lxskin.dll" before it creates the dialog (without it the
//   template names an unknown class and the dialog cannot be created: that is the "missing
//   skin control" case) and may free it again; the library stays in the process once a window
//   has been skinned. The control window itself takes no room and draws nothing.
//
// The interface
//   The dialog sends the control window the registered message LXSKIN_MSG_QUERYINTERFACE
//   ("LxSkinControl.QueryInterface") with wParam = pointer to the interface id and lParam =
//   pointer to the interface pointer to fill. The control answers with an HRESULT and, on
//   success, an AddRef'ed pointer; the caller releases it. LxSkinQueryControl() below does it
//   and reports E_NOINTERFACE for a window that is no skin control.
//
// Places
//   The interfaces are plain COM layout: IUnknown first, no IDispatch. The "place" of an
//   operation is its slot in the virtual table counted from 0, so QueryInterface, AddRef and
//   Release are places 0-2 and an interface's own operations begin at place 3. Thus ISkinControl
//   has SkinLoad at 8, SkinApply at 14 and SkinGetObject at 17; ISkinObject has GetSize at 3;
//   ISkinSurface has GetDC at 21 and ReleaseDC at 22. Every operation returns an HRESULT,
//   negative on failure.
//
// Elements
//   "Form" and "RegistrationInstallationForm" (a dialog or a property sheet: background, frame,
//   top band, colours of plain child controls), "Button", "Check", "Radio", "Label", "Link",
//   "sm_MessageContainer" (the message text area), "sm_icon_exclamation", "sm_icon_question",
//   "sm_icon_stop", "sm_icon_information". SkinApply subclasses the window and paints it as the
//   element; applying another element to the same window replaces the first. A null or empty
//   element name applies "Form".
//
// Text requests (the control's event 11)
//   Once SkinGetObject has been called for a window, the control no longer draws that window's
//   text: each time it paints the window it sends the registered message LXSKIN_MSG_EVENT
//   ("LxSkinControl.Event") to the event window (the control window's parent, unless
//   SetEventWindow named another) with wParam = LXSKIN_EVENT_TEXTREQUEST (11) and lParam =
//   pointer to an LxSkinTextRequest: the skin object, the drawing surface and the point (x, y)
//   where the text area begins. The receiver gets a device context from the surface (GetDC),
//   draws the text in the object's size and hands the context back (ReleaseDC). The record and
//   the surface are valid only during the send.
//
// Skin files (.skn)
//   Text lines; ';' or '#' begins a comment line. A section "[Skin]" (name = ..., version = 1)
//   and one section per element name, each with "key = value" lines:
//     face, face2, text, frame, mark, pressed   colours "#RRGGBB"
//     frameWidth, radius, band                  numbers (pixels)
//     font                                      "face, height, weight"; face "*" keeps the
//                                               window's own face, 0 keeps its height or
//                                               weight; the window's character set is kept
//     underline                                 0 or 1
//   A section or key the control does not know, a malformed line or value rejects the file.
#pragma once

#include <windows.h>
#include <unknwn.h>

// {BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}, the control's class id, is also its window class.
#define LXSKIN_CONTROL_CLASS L"{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}"
#define LXSKIN_CONTROL_CLASS_A "{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}"
#define LXSKIN_DLL "lxskin.dll"
#define LXSKIN_MSG_QUERYINTERFACE "LxSkinControl.QueryInterface"
#define LXSKIN_MSG_EVENT "LxSkinControl.Event"
#define LXSKIN_EVENT_TEXTREQUEST 11

// Failures besides the system's own (a missing file is HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)).
#define LXSKIN_E_BADFILE MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201)         // unreadable skin
#define LXSKIN_E_UNKNOWNELEMENT MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0202)  // no such element
#define LXSKIN_E_NOSKIN MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0203)          // nothing loaded
#define LXSKIN_E_NOTSKINNED MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0204)      // window not skinned

// {92AEA298-248E-45DB-97B6-A8C7CD5892E7}
static const IID IID_ISkinControl = {
    0x92AEA298, 0x248E, 0x45DB, {0x97, 0xB6, 0xA8, 0xC7, 0xCD, 0x58, 0x92, 0xE7}};
// {7DF90993-429D-41C3-BA1D-DB8B619D332E}
static const IID IID_ISkinObject = {
    0x7DF90993, 0x429D, 0x41C3, {0xBA, 0x1D, 0xDB, 0x8B, 0x61, 0x9D, 0x33, 0x2E}};
// {3E5D1C4A-7B2F-4C8E-9A61-2F0B8D4E7C15}
static const IID IID_ISkinSurface = {
    0x3E5D1C4A, 0x7B2F, 0x4C8E, {0x9A, 0x61, 0x2F, 0x0B, 0x8D, 0x4E, 0x7C, 0x15}};

// An object standing for one skinned window.
struct ISkinObject : public IUnknown {
    // 3: the window's size in pixels.
    virtual HRESULT STDMETHODCALLTYPE GetSize(LONG* width, LONG* height) = 0;
    // 4: the window (null once it is destroyed).
    virtual HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) = 0;
    // 5: the element the window is drawn as.
    virtual HRESULT STDMETHODCALLTYPE GetElementName(LPWSTR buffer, UINT chars) = 0;
};

// What a text request draws on: the window being painted.
struct ISkinSurface : public IUnknown {
    // 3: size of the surface in pixels.
    virtual HRESULT STDMETHODCALLTYPE GetSize(LONG* width, LONG* height) = 0;
    // 4: the window being painted.
    virtual HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) = 0;
    // 5-20: kept free (E_NOTIMPL) so that the device context operations stand at 21 and 22.
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved16() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved17() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved18() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved19() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved20() = 0;
    // 21: the device context to draw on (coordinates of the window's client area).
    virtual HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) = 0;
    // 22: hands the device context back.
    virtual HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) = 0;
};

struct ISkinControl : public IUnknown {
    // 3: version of the control (100 = 1.00).
    virtual HRESULT STDMETHODCALLTYPE GetVersion(LONG* version) = 0;
    // 4: forgets the loaded skin; skinned windows draw plainly until the next SkinLoad.
    virtual HRESULT STDMETHODCALLTYPE SkinUnload() = 0;
    // 5: path of the loaded skin (empty when none).
    virtual HRESULT STDMETHODCALLTYPE GetSkinPath(LPWSTR buffer, UINT chars) = 0;
    // 6: where text requests go (null: the control window's parent).
    virtual HRESULT STDMETHODCALLTYPE SetEventWindow(HWND window) = 0;
    // 7: number of elements the loaded skin defines.
    virtual HRESULT STDMETHODCALLTYPE GetElementCount(LONG* count) = 0;
    // 8: loads a skin file; null or a missing/unreadable file fails and keeps the skin before.
    virtual HRESULT STDMETHODCALLTYPE SkinLoad(LPCWSTR path) = 0;
    // 9: name of element `index` (0-based, file order) of the loaded skin.
    virtual HRESULT STDMETHODCALLTYPE GetElementName(LONG index, LPWSTR buffer, UINT chars) = 0;
    // 10: a colour of an element ("face", "text", ...); S_FALSE with CLR_INVALID when unset.
    virtual HRESULT STDMETHODCALLTYPE GetElementColor(LPCWSTR element, LPCWSTR key,
                                                      COLORREF* color) = 0;
    // 11: gives a skinned window back its own drawing.
    virtual HRESULT STDMETHODCALLTYPE SkinRemove(HWND window) = 0;
    // 12: repaints a window and its children now.
    virtual HRESULT STDMETHODCALLTYPE Redraw(HWND window) = 0;
    // 13: the element a window is drawn as (LXSKIN_E_NOTSKINNED when it is not skinned).
    virtual HRESULT STDMETHODCALLTYPE GetAppliedElement(HWND window, LPWSTR buffer,
                                                        UINT chars) = 0;
    // 14: draws `window` as `element` from now on.
    virtual HRESULT STDMETHODCALLTYPE SkinApply(HWND window, LPCWSTR element) = 0;
    // 15: the skin's own name (its [Skin] name).
    virtual HRESULT STDMETHODCALLTYPE GetSkinName(LPWSTR buffer, UINT chars) = 0;
    // 16: the window text requests go to.
    virtual HRESULT STDMETHODCALLTYPE GetEventWindow(HWND* window) = 0;
    // 17: the object standing for a skinned window (the same object for the same window);
    // from now on the window's text is asked for through text requests.
    virtual HRESULT STDMETHODCALLTYPE SkinGetObject(HWND window, ISkinObject** object) = 0;
};

// lParam of a text request.
struct LxSkinTextRequest {
    ISkinObject* object;
    ISkinSurface* surface;
    LONG x, y;
};

// The control's interface from its window: an AddRef'ed pointer in *out, or a failure.
inline HRESULT LxSkinQueryControl(HWND control, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    static const UINT query = RegisterWindowMessageA(LXSKIN_MSG_QUERYINTERFACE);
    if (!IsWindow(control))
        return E_HANDLE;
    const HRESULT hr = static_cast<HRESULT>(SendMessageA(
        control, query, reinterpret_cast<WPARAM>(&iid), reinterpret_cast<LPARAM>(out)));
    if (SUCCEEDED(hr) && !*out)
        return E_NOINTERFACE;  // not a skin control
    return hr;
}
