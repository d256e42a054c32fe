// glyphread.dll of the installation directory, loaded at run time the way the dictionary
// program loads it (undecorated export names), with its engine beside it.
#pragma once

#include <windows.h>

#include <string>

namespace glyphtest {

class GlyphreadLib {
public:
    // Loads <stage>\glyphread.dll; the library opens its log under the current directory.
    GlyphreadLib();
    ~GlyphreadLib();
    GlyphreadLib(const GlyphreadLib&) = delete;
    GlyphreadLib& operator=(const GlyphreadLib&) = delete;

    bool Loaded() const;
    HMODULE Module() const { return m_module; }

    int(WINAPI* OCR2Text)(int, int, char*, int*, int*, int*, int*) = nullptr;
    void(WINAPI* OCRHighlightRect)(RECT, int) = nullptr;
    void(WINAPI* OCRMakePattern)(int) = nullptr;
    void(WINAPI* OCRPatternRecovery)(void) = nullptr;
    void(WINAPI* OCRSetVerboseLevel)(int) = nullptr;
    int(WINAPI* OCRUninit)(void) = nullptr;
    void(WINAPI* OCRCleanUp)(void) = nullptr;

private:
    HMODULE m_module = nullptr;
};

// Word read at a point, with its rectangle.
struct Capture {
    int result = -1;
    std::string word;
    RECT rect{};
};
Capture CaptureAt(GlyphreadLib& lib, int x, int y);

}  // namespace glyphtest
