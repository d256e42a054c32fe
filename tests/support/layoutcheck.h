// What a person would find wrong in a window's layout, read from its visible child windows:
// two controls on top of each other, a text cut by its control, a control that lies outside
// the window, a control over a picture of the window's background, a label in a box of its
// own over it, and a text drawn in a fixed-pitch fallback for the font its control asks for.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lxtest {

struct LayoutRules {
    // Children that may lie under the others (the page of a sheet, a full-size animation).
    // A child as large as the whole client area and a group frame always may.
    std::vector<HWND> backgrounds;
    // The window's background (what it paints on WM_ERASEBKGND) must be plain under every
    // control but pictures: at most this many colours (0: not looked at).
    int plainColours = 0;
    // Labels are written straight onto that background (WM_CTLCOLORSTATIC: transparent).
    bool transparentLabels = false;
    // Texts that the window's skin draws inside a frame of their control: by control id, the
    // pixels the drawing keeps free at the left and right, and at the top and bottom.
    struct TextInset {
        int id, x, y;
    };
    std::vector<TextInset> textInsets;
    // The window paints labels of its own (a form's row labels): each line of them needs a
    // control beside it on its right.
    bool paintedLabelsHaveFields = false;
};

// One line per fault, naming the control ("" texts: its class and id); empty when the layout
// is clean. Call it on the thread that owns the window, or on another of the same process.
std::vector<std::string> LayoutFaults(HWND window, const LayoutRules& rules = {});

// What is wrong with a window's title bar: its text is not `title`, or a letter of it draws
// in the system's caption font (with the fonts the system links to it) as nothing or as the
// box of a missing glyph.
std::vector<std::string> CaptionFaults(HWND window, const std::wstring& title);

}  // namespace lxtest
