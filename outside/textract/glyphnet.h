// The learnt glyph reader: reads a text line from its grey ink, whatever drew it.
//
// A line's ink is cut into pieces (connected ink, dots joined to their stems, wide pieces cut
// again at every run of thin columns); a dynamic programme then groups one to six neighbouring
// pieces into characters, or leaves a thin run between touching characters out, so that the
// classifier likes the whole line best (pieces with blank columns between them are seldom one
// character). The classifier is a small
// network learnt from many font families drawn by several rasterisers (learn/make_weights.py);
// it sees a character's ink scaled into a 16 x 16 image and where the ink lies against the
// line's baseline and x-height, so it depends neither on exact pixels nor on the fonts
// installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace textract {

constexpr int kNetSide = 16;
constexpr int kNetGeometry = 6;
constexpr int kNetFeatures = kNetSide * kNetSide + kNetGeometry;
constexpr int kNoCharClass = 94;  // classes 0..93 are codes 33..126
constexpr int kInkCrop = 77;      // grey ink (0-255) that counts for a character's box

// Grey ink of one band of rows: 0 (ground) to 255 (full ink), `width` columns per row, and
// the stronger ink that makes connected pieces.
struct InkBand {
    int top = 0;  // image row of band row 0
    int width = 0, height = 0;
    std::vector<uint8_t> grey;
    std::vector<uint8_t> mask;
    uint8_t Grey(int x, int y) const { return grey[(size_t)y * width + x]; }
    bool Mask(int x, int y) const { return mask[(size_t)y * width + x] != 0; }
};

// One character the reader found, in band coordinates.
struct ReadChar {
    int code = 0;
    int left = 0, right = 0, top = 0, bottom = 0;  // ink box, inclusive
    float prob = 0;                                 // classifier's probability of the code
};

struct ReadLine {
    std::vector<ReadChar> chars;
    int baseline = 0;  // band row just below the base-sitting ink
    float xHeight = 0;
    double logProb = 0;
};

// Feature vector of the ink in `crop` (w x h, 0-255, row-major) for a line whose baseline is
// `baseline` rows below the crop's row 0, with x-height `xh` pixels. Returns false when the
// crop holds no ink.
bool GlyphFeatures(const uint8_t* crop, int w, int h, int baseline, float xh, float* out);

// Class probabilities (kNoCharClass + 1 values) of a feature vector.
void Classify(const float* features, float* probs);

// Reads the band as one line; empty when it holds nothing readable.
ReadLine ReadBand(const InkBand& band);

// Baseline (band row below the commonest ink bottom) and x-height of a band, before reading.
void LineMetrics(const InkBand& band, int& baseline, float& xHeight, float& capHeight);

}  // namespace textract
