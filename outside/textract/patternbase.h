// The font pattern base: binary glyph images of the installed interface fonts, as GDI draws
// them on this machine, and the file that keeps them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace textract {

constexpr int kFirstCode = 33;   // '!'
constexpr int kLastCode = 126;   // '~'
constexpr int kGlyphCount = kLastCode - kFirstCode + 1;
constexpr int kMaxCellHeight = 63;  // cell rows fit one 64-bit column mask
// What one pattern file may hold: every installed family at every size and weight of a
// machine with a few hundred families (about 25 entries and 10 KB each) fits many times over.
// The writer refuses more, so that every file written can be read back.
constexpr size_t kMaxBaseFonts = 65535;
constexpr size_t kMaxBaseBytes = size_t(1) << 30;

// One character of one font. Columns are relative to the cell's left edge (the pen position
// GDI draws the character at); bit r of a column mask is row r below the cell top (the top of
// the font's ascent).
struct Glyph {
    int colStart = 0;              // first ink column (negative when ink hangs left of the cell)
    int advance = 0;               // cell width: where the next character starts
    int inkTop = 0;                // first and last ink row
    int inkBottom = -1;
    int inkPixels = 0;
    std::vector<uint64_t> cols;    // ink columns from colStart on
    bool HasInk() const { return inkPixels > 0; }
};

struct FontPatterns {
    std::string face;      // face name GDI really uses
    const char* facePtr = nullptr;  // interned copy, valid while the DLL is loaded
    int pitch = 0;         // size in points
    bool bold = false;
    // Light text on a dark ground: smoothed glyphs blend differently, so the base keeps them
    // drawn that way too where that gives other images.
    bool inverse = false;
    int pixelHeight = 0;   // em height in pixels
    int ascent = 0;
    int cellHeight = 0;    // ascent + descent
    int spaceAdvance = 0;
    Glyph glyphs[kGlyphCount];
    const Glyph& Of(int code) const { return glyphs[code - kFirstCode]; }
};

struct PatternBase {
    std::vector<FontPatterns> fonts;
    // Exact-image index: hash of a glyph's cropped ink image -> (font index, code) pairs.
    std::unordered_multimap<uint64_t, std::pair<int, int>> exact;
    void BuildIndex();
};

// Hash of an ink image given as columns already shifted so that bit 0 is the top ink row.
uint64_t InkHash(const uint64_t* cols, int count, int height);

// Families of the installed fonts that interface text may be drawn in (Latin letters; no
// symbol, picture or formula fonts), by name.
std::vector<std::string> InstalledTextFamilies(HDC dc);

// Faces the pattern base learns, as GDI really names them, each once: the usual interface
// faces and every installed text family; or, when TEXTRACT_FONT_FAMILIES is set (names
// separated by ';'), only those (a small base for tests, or a chosen set). Faces named in
// TEXTRACT_FONT_EXCLUDE are left out (a face the engine has not learnt, for measurements).
std::vector<std::string> PatternFaces(HDC dc, int dpi);

// Renders the glyphs of the interface fonts. progress(done, total, fontLabel) is called before
// every font; returning false cancels (the function then returns false).
bool RenderPatternBase(PatternBase& base,
                       const std::function<bool(int, int, const std::string&)>& progress);

bool SavePatternBase(const PatternBase& base, const std::string& path);
bool LoadPatternBase(PatternBase& base, const std::string& path);

// Interned, never freed copy of a text (font names handed out in items).
const char* InternText(const std::string& text);

}  // namespace textract
