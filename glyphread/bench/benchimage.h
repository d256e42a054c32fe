// Word images of the OCR benchmark: binary PPM files, the extent of their ink, and
// colour-fringed subpixel text made from GDI's glyph outlines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace benchimage {

// Top-down 0x00RRGGBB pixels.
struct Image {
    int width = 0, height = 0;
    std::vector<DWORD> px;
    DWORD At(int x, int y) const
    {
        return px[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// A binary PPM (P6, 255) from its bytes; false when they are not one.
bool ParsePpm(const std::string& bytes, Image& image);

// Columns and rows of the image that differ from its top-left pixel's colour (the
// background) by more than 48 in a channel; all -1 when there is no ink.
struct Ink {
    int left = -1, right = -1, top = -1, bottom = -1;
};
Ink InkOf(const Image& image);

// The word as ClearType draws it: GDI draws it without smoothing three times as wide (one
// column per red, green and blue stripe of a pixel), the 1-2-3-2-1 filter spreads each
// stripe's ink over its neighbours, and each stripe's share of ink mixes its channel of the
// text colour into the background. Margins: 6 pixels left and right, 3 above and below the
// font's cell. False when GDI could not draw it.
bool SubpixelText(const std::string& face, int emPixels, bool bold, COLORREF text,
                  COLORREF background, const std::string& word, Image& image);

}  // namespace benchimage
