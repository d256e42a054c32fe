// The skin control hosted in a dialog from this program's own template: the interface at its
// places, skin files, every element, skin objects and text requests, and a screenshot of the
// dialog in each of the four skins.
#include "lxskin.h"
#include "lxskin_test.h"
#include "lxtest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const UINT kEvent = RegisterWindowMessageA(LXSKIN_MSG_EVENT);
const char* const kSkins[] = {"lxpen01.skn", "lxpde01.skn", "lxpzh01.skn", "lxpvi01.skn"};

// Each element and the controls of the template drawn as it, in the message box's order.
const struct {
    const wchar_t* element;
    std::vector<int> ids;
} kElements[] = {
    {L"sm_icon_exclamation", {IDC_EXCLAMATION}}, {L"sm_icon_question", {IDC_QUESTION}},
    {L"sm_icon_stop", {IDC_STOP}},               {L"sm_icon_information", {IDC_INFORMATION}},
    {L"Button", {IDC_FIRST, IDC_SECOND, IDC_THIRD}}, {L"Check", {IDC_CHECK}},
    {L"sm_MessageContainer", {IDC_MESSAGE}},     {L"Label", {IDC_LABEL}},
    {L"Link", {IDC_LINK}},                       {L"Radio", {IDC_RADIO1, IDC_RADIO2}},
};

// Calls through the virtual table by place, as a caller that knows only the places does.
template <typename Fn>
Fn Place(void* itf, int place)
{
    return reinterpret_cast<Fn>((*reinterpret_cast<void***>(itf))[place]);
}
using LoadFn = HRESULT(STDMETHODCALLTYPE*)(void*, LPCWSTR);
using ApplyFn = HRESULT(STDMETHODCALLTYPE*)(void*, HWND, LPCWSTR);
using GetObjectFn = HRESULT(STDMETHODCALLTYPE*)(void*, HWND, void**);
using SizeFn = HRESULT(STDMETHODCALLTYPE*)(void*, LONG*, LONG*);
using GetDCFn = HRESULT(STDMETHODCALLTYPE*)(void*, HDC*);
using ReleaseDCFn = HRESULT(STDMETHODCALLTYPE*)(void*, HDC);

const COLORREF kInk = RGB(255, 0, 255);

// Text requests the dialog received: it paints a small square at the text point through the
// surface, the way a dialog draws a label's text.
struct Request {
    ISkinObject* object;
    LONG x, y, cx, cy;
    HRESULT dc, release;
};
std::vector<Request> g_requests;

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kEvent && wp == LXSKIN_EVENT_TEXTREQUEST) {
        const auto* req = reinterpret_cast<const LxSkinTextRequest*>(lp);
        Request r{req->object, req->x, req->y, 0, 0, E_FAIL, E_FAIL};
        Place<SizeFn>(req->object, 3)(req->object, &r.cx, &r.cy);
        HDC dc = nullptr;
        r.dc = Place<GetDCFn>(req->surface, 21)(req->surface, &dc);
        if (dc) {
            HBRUSH ink = CreateSolidBrush(kInk);
            RECT sq{req->x + 2, req->y + 2, req->x + 8, req->y + 8};
            FillRect(dc, &sq, ink);
            DeleteObject(ink);
        }
        r.release = Place<ReleaseDCFn>(req->surface, 22)(req->surface, dc);
        g_requests.push_back(r);
        return TRUE;
    }
    (void)dlg;
    return msg == WM_INITDIALOG;
}

std::wstring Wide(const std::string& s)
{
    std::wstring w(s.begin(), s.end());
    return w;
}

std::string SkinPath(const char* file) { return lxtest::StageDir() + "\\skin\\" + file; }

// Colours within a few steps of each other (gradients shade the first rows slightly).
bool Near(COLORREF a, COLORREF b)
{
    return abs(GetRValue(a) - GetRValue(b)) <= 24 && abs(GetGValue(a) - GetGValue(b)) <= 24 &&
           abs(GetBValue(a) - GetBValue(b)) <= 24;
}

COLORREF Pixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

class SkinControl : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_NE(LoadLibraryA((lxtest::StageDir() + "\\" LXSKIN_DLL).c_str()), nullptr);
    }
    void SetUp() override
    {
        g_requests.clear();
        m_dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SKINNED),
                                   nullptr, DialogProc, 0);
        ASSERT_NE(m_dlg, nullptr);
        SetWindowPos(m_dlg, HWND_TOPMOST, 60, 60, 0, 0, SWP_NOSIZE);
        ASSERT_EQ(LxSkinQueryControl(GetDlgItem(m_dlg, IDC_SKIN), IID_ISkinControl,
                                     reinterpret_cast<void**>(&m_skin)),
                  S_OK);
    }
    void TearDown() override
    {
        if (m_skin)
            m_skin->Release();
        if (IsWindow(m_dlg))
            DestroyWindow(m_dlg);
    }
    HRESULT Load(const std::string& path)
    {
        return Place<LoadFn>(m_skin, 8)(m_skin, Wide(path).c_str());
    }
    HRESULT Apply(HWND window, const wchar_t* element)
    {
        return Place<ApplyFn>(m_skin, 14)(m_skin, window, element);
    }
    HRESULT ApplyAll()
    {
        HRESULT hr = Apply(m_dlg, L"Form");
        for (const auto& e : kElements)
            for (int id : e.ids)
                if (SUCCEEDED(hr))
                    hr = Apply(GetDlgItem(m_dlg, id), e.element);
        return hr;
    }
    std::wstring Applied(HWND window)
    {
        wchar_t name[64] = L"";
        return SUCCEEDED(m_skin->GetAppliedElement(window, name, 64)) ? name : L"-";
    }

    HWND m_dlg = nullptr;
    ISkinControl* m_skin = nullptr;
};

// Without lxskin.dll the template's control class does not exist: the dialog is not created.
LXTEST_CHILD(no_skin_library)
{
    HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SKINNED),
                                  nullptr, DialogProc, 0);
    return dlg == nullptr ? 0 : 1;
}

TEST_F(SkinControl, TheControlAnswersItsInterfaceOnly)
{
    EXPECT_EQ(lxtest::RunChild("no_skin_library"), 0);

    HWND control = GetDlgItem(m_dlg, IDC_SKIN);
    RECT r;
    GetWindowRect(control, &r);
    EXPECT_EQ(r.right - r.left, 0) << "the control takes no room";
    void* other = nullptr;
    EXPECT_EQ(LxSkinQueryControl(control, IID_ISkinObject, &other), E_NOINTERFACE);
    EXPECT_EQ(LxSkinQueryControl(GetDlgItem(m_dlg, IDC_LABEL), IID_ISkinControl, &other),
              E_NOINTERFACE);
    EXPECT_EQ(LxSkinQueryControl(nullptr, IID_ISkinControl, &other), E_HANDLE);
    EXPECT_EQ(other, nullptr);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(m_skin->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
    LONG version = 0;
    EXPECT_EQ(m_skin->GetVersion(&version), S_OK);
    EXPECT_EQ(version, 100);
    HWND target = nullptr;
    m_skin->GetEventWindow(&target);
    EXPECT_EQ(target, m_dlg) << "text requests go to the dialog hosting the control";
}

TEST_F(SkinControl, SkinFilesLoadOrFail)
{
    std::vector<std::wstring> names;
    for (const char* file : kSkins) {
        SCOPED_TRACE(file);
        ASSERT_EQ(Load(SkinPath(file)), S_OK);
        LONG count = 0;
        EXPECT_EQ(m_skin->GetElementCount(&count), S_OK);
        EXPECT_EQ(count, 12) << "every element";
        wchar_t name[64] = L"";
        EXPECT_EQ(m_skin->GetSkinName(name, 64), S_OK);
        names.push_back(name);
        wchar_t path[MAX_PATH] = L"";
        m_skin->GetSkinPath(path, MAX_PATH);
        EXPECT_EQ(path, Wide(SkinPath(file)));
    }
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_NE(names[i], names[i - 1]);

    const std::string dir = lxtest::FreshDir("lxskin_files");
    const std::string head = "[Skin]\nname = t\nversion = 1\n";
    const struct {
        const char* what;
        std::string text;
        HRESULT hr;
    } files[] = {
        {"smallest", head + "[Label]\ntext = #102030\n", S_OK},
        {"comments, spaces, CR LF", "; c\r\n# c\r\n" + head + " [ Button ] \r\n radius = 4 \r\n"
                                    "font = Arial, 14, 700\r\nunderline = 1\r\n", S_OK},
        {"empty", "", LXSKIN_E_BADFILE},
        {"no elements", head, LXSKIN_E_BADFILE},
        {"no skin section", "[Label]\ntext = #102030\n", LXSKIN_E_BADFILE},
        {"version 2", "[Skin]\nversion = 2\n[Label]\n", LXSKIN_E_BADFILE},
        {"unknown element", head + "[Window]\nface = #FFFFFF\n", LXSKIN_E_BADFILE},
        {"element twice", head + "[Label]\n[Label]\n", LXSKIN_E_BADFILE},
        {"unknown key", head + "[Label]\nshade = #FFFFFF\n", LXSKIN_E_BADFILE},
        {"bad colour", head + "[Label]\nface = #FFFFF\n", LXSKIN_E_BADFILE},
        {"colour no hash", head + "[Label]\nface = FFFFFF\n", LXSKIN_E_BADFILE},
        {"number too big", head + "[Label]\nradius = 99\n", LXSKIN_E_BADFILE},
        {"font two parts", head + "[Label]\nfont = Arial, 12\n", LXSKIN_E_BADFILE},
        {"line without =", head + "[Label]\nface\n", LXSKIN_E_BADFILE},
        {"key before a section", "face = #FFFFFF\n" + head + "[Label]\n", LXSKIN_E_BADFILE},
        {"open section", head + "[Label\n", LXSKIN_E_BADFILE},
    };
    for (const auto& f : files) {
        const std::string path = dir + "\\t.skn";
        lxtest::WriteFileBytes(path, f.text);
        EXPECT_EQ(Load(path), f.hr) << f.what;
    }
    ASSERT_EQ(Load(SkinPath("lxpde01.skn")), S_OK);
    EXPECT_EQ(Load(dir + "\\missing.skn"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_LT(Load(dir + "\\nofolder\\x.skn"), 0);
    EXPECT_LT(Place<LoadFn>(m_skin, 8)(m_skin, nullptr), 0) << "no skin file named";
    EXPECT_LT(Load(dir), 0) << "a folder";
    wchar_t name[64] = L"";
    m_skin->GetSkinName(name, 64);
    EXPECT_STREQ(name, L"Graphite (German)") << "a failed load keeps the skin before";
    COLORREF face = 0;
    EXPECT_EQ(m_skin->GetElementColor(L"Form", L"face", &face), S_OK);
    EXPECT_EQ(face, RGB(0x3A, 0x3F, 0x44));
    EXPECT_EQ(m_skin->GetElementColor(L"Label", L"face", &face), S_FALSE);
    EXPECT_EQ(m_skin->GetElementColor(L"Label", L"shade", &face), E_INVALIDARG);
}

TEST_F(SkinControl, EveryElementAppliesAndUnknownOnesFail)
{
    EXPECT_EQ(Apply(m_dlg, L"Form"), LXSKIN_E_NOSKIN) << "nothing loaded yet";
    ASSERT_EQ(Load(SkinPath("lxpen01.skn")), S_OK);
    ASSERT_EQ(ApplyAll(), S_OK);
    EXPECT_EQ(Applied(m_dlg), L"Form");
    for (const auto& e : kElements)
        for (int id : e.ids)
            EXPECT_EQ(Applied(GetDlgItem(m_dlg, id)), e.element) << id;

    const wchar_t* unknown[] = {L"Window", L"form", L"sm_icon_", L"Button ", L"\x662F"};
    for (const wchar_t* name : unknown)
        EXPECT_EQ(Apply(GetDlgItem(m_dlg, IDC_LABEL), name), LXSKIN_E_UNKNOWNELEMENT);
    EXPECT_EQ(Applied(GetDlgItem(m_dlg, IDC_LABEL)), L"Label") << "a failure changes nothing";
    EXPECT_LT(Apply(nullptr, L"Form"), 0);
    EXPECT_LT(Apply(reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x7ff0)), L"Form"), 0);

    // The wizard skins its sheet with no element name, then as the installation form.
    EXPECT_EQ(Apply(m_dlg, nullptr), S_OK);
    EXPECT_EQ(Applied(m_dlg), L"Form");
    EXPECT_EQ(Apply(m_dlg, L"RegistrationInstallationForm"), S_OK);
    EXPECT_EQ(Applied(m_dlg), L"RegistrationInstallationForm");
    ShowWindow(m_dlg, SW_SHOW);
    lxtest::PumpMessages(200);
    EXPECT_EQ(Pixel(m_dlg, 1, 1), RGB(0x2F, 0x5F, 0x9F)) << "its frame";

    EXPECT_EQ(m_skin->SkinRemove(GetDlgItem(m_dlg, IDC_LINK)), S_OK);
    EXPECT_EQ(Applied(GetDlgItem(m_dlg, IDC_LINK)), L"-");
    EXPECT_EQ(m_skin->SkinRemove(GetDlgItem(m_dlg, IDC_LINK)), LXSKIN_E_NOTSKINNED);
}

TEST_F(SkinControl, SkinObjectsAndTextRequests)
{
    ASSERT_EQ(Load(SkinPath("lxpzh01.skn")), S_OK);
    ASSERT_EQ(ApplyAll(), S_OK);
    ShowWindow(m_dlg, SW_SHOW);
    lxtest::PumpMessages(200);
    EXPECT_TRUE(g_requests.empty()) << "no object taken, no text requests";

    HWND button = GetDlgItem(m_dlg, IDC_FIRST), check = GetDlgItem(m_dlg, IDC_CHECK);
    ISkinObject* object = nullptr;
    auto getObject = Place<GetObjectFn>(m_skin, 17);
    ASSERT_EQ(getObject(m_skin, button, reinterpret_cast<void**>(&object)), S_OK);
    ISkinObject* again = nullptr;
    ASSERT_EQ(getObject(m_skin, button, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again, object) << "one object per window";
    again->Release();
    ISkinObject* checkObject = nullptr;
    ASSERT_EQ(m_skin->SkinGetObject(check, &checkObject), S_OK);
    void* none = &none;
    EXPECT_EQ(getObject(m_skin, GetDlgItem(m_dlg, IDC_SKIN), &none), LXSKIN_E_NOTSKINNED);
    EXPECT_EQ(none, nullptr);

    RECT r;
    GetWindowRect(button, &r);
    LONG cx = 0, cy = 0;
    ASSERT_EQ(Place<SizeFn>(object, 3)(object, &cx, &cy), S_OK);
    EXPECT_EQ(cx, r.right - r.left);
    EXPECT_EQ(cy, r.bottom - r.top);

    RedrawWindow(m_dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    lxtest::PumpMessages(200);
    bool sawButton = false, sawCheck = false;
    for (const Request& q : g_requests) {
        EXPECT_EQ(q.dc, S_OK);
        EXPECT_EQ(q.release, S_OK);
        if (q.object == object) {
            sawButton = true;
            EXPECT_EQ(q.cx, cx);
            EXPECT_EQ(q.x, 0);
        } else if (q.object == checkObject) {
            sawCheck = true;
            EXPECT_GT(q.x, 12) << "the text begins after the box";
        } else {
            ADD_FAILURE() << "a request for a window whose object was not taken";
        }
    }
    EXPECT_TRUE(sawButton);
    EXPECT_TRUE(sawCheck);
    EXPECT_EQ(Pixel(button, 4, 4), kInk) << "what the dialog drew shows in the window";
    lxtest::SaveWindowPng(m_dlg, "lxskin_text_requests");

    // Destroying the dialog leaves the objects without a window until they are released.
    DestroyWindow(m_dlg);
    HWND gone = button;
    EXPECT_EQ(object->GetWindow(&gone), S_FALSE);
    EXPECT_EQ(gone, nullptr);
    EXPECT_LT(object->GetSize(&cx, &cy), 0);
    object->Release();
    checkObject->Release();
}

TEST_F(SkinControl, EachSkinLooksItsOwnWay)
{
    std::vector<COLORREF> faces, buttons;
    for (const char* file : kSkins) {
        SCOPED_TRACE(file);
        ASSERT_EQ(Load(SkinPath(file)), S_OK);
        ASSERT_EQ(ApplyAll(), S_OK);
        CheckDlgButton(m_dlg, IDC_CHECK, BST_CHECKED);
        CheckRadioButton(m_dlg, IDC_RADIO1, IDC_RADIO2, IDC_RADIO1);
        ShowWindow(m_dlg, SW_SHOW);
        m_skin->Redraw(m_dlg);
        lxtest::PumpMessages(300);
        RECT rc;
        GetClientRect(m_dlg, &rc);
        COLORREF face = 0, button = 0;
        m_skin->GetElementColor(L"Form", L"face", &face);
        m_skin->GetElementColor(L"Button", L"face", &button);
        EXPECT_EQ(Pixel(m_dlg, 4, rc.bottom - 4), face) << "the form's face";
        HWND second = GetDlgItem(m_dlg, IDC_SECOND);
        RECT br;
        GetClientRect(second, &br);
        const COLORREF top = Pixel(second, br.right / 2, 2);
        EXPECT_TRUE(Near(top, button)) << std::hex << top << " " << button << ": a button's face";
        faces.push_back(face);
        buttons.push_back(button);
        const std::string shot = std::string("lxskin_") + std::string(file).substr(3, 2);
        EXPECT_FALSE(lxtest::SaveWindowPng(m_dlg, shot).empty());
    }
    for (std::size_t i = 0; i < faces.size(); ++i)
        for (std::size_t j = i + 1; j < faces.size(); ++j) {
            EXPECT_NE(faces[i], faces[j]);
            EXPECT_NE(buttons[i], buttons[j]);
        }
}

}  // namespace
