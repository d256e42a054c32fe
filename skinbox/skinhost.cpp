#include "skinhost.h"

#include "lxskin.h"

#include <cstring>

namespace skinbox {

const char* const kSkinApplyError = "Could not load or apply the skin.";
const char* const kSkinControlError =
    "Could not instantiate Skin control. Make sure ActiveSkin library is installed properly.";

namespace {

const char kVietnameseFace[] = "Heo May 1.1";

int CALLBACK FoundFont(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontInstalled(const char* face)
{
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExA(dc, &lf, FoundFont, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

}  // namespace

Lang ChooseLanguage(const std::string& languageModule)
{
    const char* m = languageModule.c_str();
    if (lstrcmpiA(m, "lxpResZh.dll") == 0)
        return Lang::Chinese;
    if (lstrcmpiA(m, "lxpResDe.dll") == 0 && GetACP() == 1252)
        return Lang::German;
    if (lstrcmpiA(m, "lxpResVi.dll") == 0 && FontInstalled(kVietnameseFace))
        return Lang::Vietnamese;
    return Lang::English;
}

bool ChineseDrawingMode(Lang lang)
{
    return lang == Lang::Chinese && (GetVersion() & 0x80000000u) == 0;
}

UINT LabelCodePage(Lang lang)
{
    return lang == Lang::Chinese ? 936 : 1252;
}

std::string LoadLabel(UINT id, Lang lang)
{
    const wchar_t* text = nullptr;
    const int n = LoadStringW(Module(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text)
        return std::string();
    const UINT cp = LabelCodePage(lang);
    const int bytes = WideCharToMultiByte(cp, 0, text, n, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(cp, 0, text, n, &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text, UINT codePage)
{
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

void SetLabel(HWND window, const std::string& text, Lang lang)
{
    SetWindowTextW(window, Widen(text, LabelCodePage(lang)).c_str());
}

HFONT MakeFont(const FontSpec& font)
{
    return CreateFontA(font.height, font.width, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       static_cast<BYTE>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face ? font.face : "");
}

std::string& AppSkinPath()
{
    static std::string path;
    return path;
}

HINSTANCE Module()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Module), &module);
    return module;
}

bool EnsureSkinControl()
{
    // Once loaded the control stays: windows skinned by it may outlive any one dialog.
    static HMODULE control = nullptr;
    if (!control)
        control = LoadLibraryA(LXSKIN_DLL);
    if (!control)
        MessageBoxA(GetActiveWindow(), kSkinControlError, "Lexipop", MB_OK);
    return control != nullptr;
}

void SkinFailed(HWND dialog, const char* text)
{
    MessageBoxA(dialog, text, "Lexipop", MB_OK);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

bool CSkinHost::Apply(HWND dialog, int controlId,
                      const std::vector<std::pair<int, const wchar_t*>>& elements,
                      const std::vector<int>& kept)
{
    m_dialog = dialog;
    ISkinControl* skin = nullptr;
    if (FAILED(LxSkinQueryControl(GetDlgItem(dialog, controlId), IID_ISkinControl,
                                  reinterpret_cast<void**>(&skin)))) {
        SkinFailed(dialog, kSkinControlError);
        return false;
    }
    const std::string& path = AppSkinPath();
    const std::wstring wide = Widen(path, CP_ACP);
    HRESULT hr = skin->SkinLoad(path.empty() ? nullptr : wide.c_str());
    if (SUCCEEDED(hr))
        hr = skin->SkinApply(dialog, L"Form");
    for (const auto& e : elements)
        if (SUCCEEDED(hr))
            hr = skin->SkinApply(GetDlgItem(dialog, e.first), e.second);
    if (SUCCEEDED(hr)) {
        for (int id : kept) {
            ISkinObject* object = nullptr;
            if (SUCCEEDED(skin->SkinGetObject(GetDlgItem(dialog, id), &object)) && object)
                m_objects.emplace_back(id, object);
        }
    }
    skin->Release();
    if (FAILED(hr))
        SkinFailed(dialog, kSkinApplyError);
    return SUCCEEDED(hr);
}

void CSkinHost::SetDrawnText(int id, const std::string& text, bool wrap)
{
    m_texts[id] = {text, wrap};
    if (m_dialog)
        InvalidateRect(GetDlgItem(m_dialog, id), nullptr, TRUE);
}

bool CSkinHost::OnEvent(UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const UINT event = RegisterWindowMessageA(LXSKIN_MSG_EVENT);
    if (msg != event || wParam != LXSKIN_EVENT_TEXTREQUEST || !lParam)
        return false;
    const auto* request = reinterpret_cast<const LxSkinTextRequest*>(lParam);
    for (const auto& kept : m_objects) {
        if (kept.second != request->object)
            continue;
        const auto text = m_texts.find(kept.first);
        if (text == m_texts.end() || !request->surface)
            return true;
        LONG width = 0, height = 0;
        HDC dc = nullptr;
        if (FAILED(request->object->GetSize(&width, &height)) ||
            FAILED(request->surface->GetDC(&dc)) || !dc)
            return true;
        HFONT font = CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH, "Arial Unicode MS");
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        RECT r{request->x, request->y, request->x + width, request->y + height};
        const std::wstring wide = Widen(text->second.first, 936);
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
                  text->second.second ? DT_CENTER | DT_WORDBREAK
                                      : DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
        DeleteObject(font);
        request->surface->ReleaseDC(dc);
        return true;
    }
    return true;
}

void CSkinHost::Release()
{
    for (auto& kept : m_objects)
        kept.second->Release();
    m_objects.clear();
}

}  // namespace skinbox
