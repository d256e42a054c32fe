// Recognition of the text inside a screen rectangle against the pattern base.
#pragma once

#include "patternbase.h"
#include "textract.h"

#include <vector>

namespace textract {

// A 32-bit 0x00RRGGBB image (top-down) and where it came from on the screen.
struct Image {
    int left = 0, top = 0;  // screen position of pixel (0, 0)
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

// One recognised character: its font, its cell (image coordinates) and its ink box.
struct PlacedChar {
    int font = 0;
    int code = 0;
    int cellX = 0, cellY = 0, cellW = 0, cellH = 0;
    int inkLeft = 0, inkTop = 0, inkRight = 0, inkBottom = 0;  // inclusive
    int score = 100;                                           // 0-100
    bool unknownBefore = false;  // unrecognised ink lies between this and the previous char
    int spaceBefore = -1;        // a word gap before it: 1 yes, 0 no, -1 judged from the cells
};

struct TextLine {
    std::vector<PlacedChar> chars;  // left to right
};

// Copies a screen rectangle (inclusive edges, already inside the screen).
bool CaptureScreen(const RECT& area, Image& image);

// Reads every text line of an image, top to bottom. `inner` (image coordinates, inclusive),
// when given, is the requested part of an image captured with a margin around it: where its
// ground differs from the margin's (a highlight that inverts just the request), the text
// inside is separated from the request's own ground.
std::vector<TextLine> RecognizeImage(const PatternBase& base, const Image& image,
                                     const RECT* inner = nullptr);

// Turns recognised lines into the engine's items for a request (inclusive screen rectangle).
std::vector<TextractItem> MakeItems(const PatternBase& base, const Image& image,
                                    const std::vector<TextLine>& lines, const RECT& request,
                                    int flags);

}  // namespace textract
