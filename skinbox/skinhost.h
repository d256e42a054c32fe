// What every dialog of the library shares: the skin file, the language chosen from the
// caller's language module name, the labels and fonts of each language, and the skin control
// with which a dialog draws itself (including the texts it draws itself in Chinese drawing
// mode).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

struct ISkinObject;

namespace skinbox {

enum class Lang { English = 0, German = 1, Vietnamese = 2, Chinese = 3 };

// The language of a language module name ("lxpResZh.dll", ...; any case): German only on a
// system whose ANSI code page is 1252, Vietnamese only where the "Heo May 1.1" fonts are
// installed, English for anything else.
Lang ChooseLanguage(const std::string& languageModule);
// Chinese on a system of the NT family: the dialog draws the labels itself.
bool ChineseDrawingMode(Lang lang);
// Code page the library's texts of a language are stored in.
UINT LabelCodePage(Lang lang);

// A text of the library's string table in the language's code page ("" when missing).
std::string LoadLabel(UINT id, Lang lang);
// Text of a code page as UTF-16, and a window text set from it.
std::wstring Widen(const std::string& text, UINT codePage);
void SetLabel(HWND window, const std::string& text, Lang lang);

// One font a dialog uses for its texts, with the width and height it was made with.
struct FontSpec {
    int height, width, charset;
    const char* face;  // null: no face name
};
HFONT MakeFont(const FontSpec& font);

// Path given to SetAppSkin ("" until then).
std::string& AppSkinPath();
// This library's module handle.
HINSTANCE Module();

// Loads the skin control library once; false (after telling the user) when it is missing.
bool EnsureSkinControl();
// The user is told that the skin failed and the dialog is asked to close.
void SkinFailed(HWND dialog, const char* text);
extern const char* const kSkinApplyError;
extern const char* const kSkinControlError;

// The skin control of one dialog: loads the skin, applies the elements in order, keeps the
// objects of the windows whose texts the dialog draws itself, and draws those texts when the
// control asks for them.
class CSkinHost {
public:
    CSkinHost() = default;
    ~CSkinHost() { Release(); }
    CSkinHost(const CSkinHost&) = delete;
    CSkinHost& operator=(const CSkinHost&) = delete;

    // SkinLoad with the app skin, "Form" to the dialog, then each (control, element); the first
    // failure stops and tells the user (the dialog is asked to close). With `kept`, the objects
    // of those controls are taken for drawing their texts.
    bool Apply(HWND dialog, int controlId,
               const std::vector<std::pair<int, const wchar_t*>>& elements,
               const std::vector<int>& kept = {});
    // The text drawn for a kept control (code page 936), centred on one line or word-wrapped.
    void SetDrawnText(int id, const std::string& text, bool wrap = false);
    // Answers the control's text requests; true when the message was one.
    bool OnEvent(UINT msg, WPARAM wParam, LPARAM lParam);
    void Release();

private:
    HWND m_dialog = nullptr;
    std::vector<std::pair<int, ISkinObject*>> m_objects;
    std::map<int, std::pair<std::string, bool>> m_texts;
};

// Runs fn and turns anything it throws into `fallback`: nothing leaves an export.
template <typename R, typename Fn>
R Guard(R fallback, Fn fn)
{
    try {
        return fn();
    } catch (...) {
        return fallback;
    }
}

}  // namespace skinbox
