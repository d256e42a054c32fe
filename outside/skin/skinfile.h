// A skin as read from a .skn file: the look of each element by name.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lxskin {

// How an element is drawn; the element name decides it.
enum class Kind { Form, Button, Check, Radio, Label, Link, Container, Icon };

struct Style {
    std::string name;  // element name as in the file
    Kind kind = Kind::Form;
    COLORREF face = CLR_INVALID, face2 = CLR_INVALID, text = CLR_INVALID, frame = CLR_INVALID,
             mark = CLR_INVALID, pressed = CLR_INVALID;
    int frameWidth = 1, radius = 0, band = 0;
    std::string fontFace;  // empty: the window's own
    int fontHeight = 0, fontWeight = 0;
    bool underline = false;
};

struct Skin {
    std::string name;
    std::vector<Style> elements;  // in file order
    const Style* Find(const std::string& element) const;
};

// The drawing kind of a known element name; false for a name the control does not know.
bool KindOf(const std::string& element, Kind* kind);

// The colour member a key ("face", "text", ...) names; null for a key that is no colour.
COLORREF Style::*ColourKey(const std::string& key);

// Reads a skin file. S_OK, HRESULT_FROM_WIN32 of the open failure, or LXSKIN_E_BADFILE with
// the line that failed in *badLine.
HRESULT ReadSkinFile(const std::wstring& path, Skin* skin, int* badLine);
// Parses skin text (the file's bytes).
HRESULT ParseSkin(const std::string& text, Skin* skin, int* badLine);

}  // namespace lxskin
