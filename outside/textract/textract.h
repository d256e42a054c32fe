// Textract text-extraction engine: interface of "Textract.dll".
//
// The engine reads rendered UI text from the screen. It keeps a font pattern base (one file,
// see EnginePatternFileName) built from the installed interface fonts, and recognises the text
// inside a screen rectangle against it.
//
// The DLL exports its functions by ordinal only (no names); link the import library
// `textract_import` (see outside/textract/CMakeLists.txt), which imports them by ordinal.
//
// Every operation returns a signed status: zero or more is success, a negative value is one of
// the TEXTRACT_E_* codes below. The file-name queries return zero-terminated text owned by the
// engine, valid until the next call of the same query.
#pragma once

#include <windows.h>

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- Status codes --------------------------------------------------------------------------
#define TEXTRACT_OK 0
#define TEXTRACT_E_USER_REJECTED (-1000)  // the user cancelled the operation
#define TEXTRACT_E_ARGUMENT (-999)        // incorrect argument
#define TEXTRACT_E_BMP_FILE (-998)        // incorrect BMP file
#define TEXTRACT_E_RECT_OUTSIDE (-997)    // rectangle is out of the screen
#define TEXTRACT_E_FILE_A (-996)          // file EngineFileNameA() not found
#define TEXTRACT_E_NO_PATTERNS (-995)     // pattern base EnginePatternFileName() not found
#define TEXTRACT_E_BITMAP_FILE (-994)     // bitmap file EngineBitmapFileName() not found
#define TEXTRACT_E_FILE_B (-993)          // file EngineFileNameB() not found
#define TEXTRACT_E_INIT (-992)            // initialisation failed
#define TEXTRACT_E_TERMINATE (-991)       // termination failed
#define TEXTRACT_E_INTERNAL (-986)        // internal error (out of memory, screen not readable)

// ---- Recognition flags (third argument of EngineRecognizeArea) -----------------------------
// The word capture uses 0x7E03 for its first, character-finding pass and 0x0E03 for the word
// pass. Bits not listed here are ignored.
#define TEXTRACT_F_CHARS 0x0001      // report character items
#define TEXTRACT_F_SPACES 0x0002     // report space items between words
#define TEXTRACT_F_LINES 0x0200      // report line start and end-of-line items
#define TEXTRACT_F_FONTS 0x0400      // report change-of-font items
#define TEXTRACT_F_CONTEXT 0x0800    // read beyond the rectangle's edges to complete glyphs that
                                     // the edges cut; only glyphs whose centre lies inside the
                                     // rectangle are reported
#define TEXTRACT_F_TOUCHING 0x1000   // report glyphs that merely touch the rectangle too
#define TEXTRACT_F_RESERVED 0x6000   // accepted, no effect in this engine
#define TEXTRACT_FLAGS_FIND_CHAR 0x7E03
#define TEXTRACT_FLAGS_WORDS 0x0E03

// ---- Records --------------------------------------------------------------------------------
// All fields are little-endian. The 32-bit layout is fixed to the byte (static_asserts below).

// Request: the screen rectangle to read, inclusive edges (right and bottom are the last pixel
// column and row), already clamped to the screen by the caller.
typedef struct TextractRequest {
    LONG nReserved1;  // 0
    LONG nReserved2;  // 0
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} TextractRequest;

// Item kinds (byte 0 of an item).
#define TEXTRACT_ITEM_CHAR 0
#define TEXTRACT_ITEM_SPACE 1
#define TEXTRACT_ITEM_LINE_START 2
#define TEXTRACT_ITEM_LINE_END 3
#define TEXTRACT_ITEM_FONT_CHANGE 4

// One item of the result. Items come in reading order: lines from top to bottom, each line as
//   line start, [font change], character | space ..., end of line
// where a font change comes before the first character of a line and wherever the font of the
// next character differs from the previous one's.
//
// x and y are the top-left corner of the character's cell (the left of its advance box and the
// top of the font's ascent), relative to the request's left and top; they may be negative when
// TEXTRACT_F_CONTEXT completed a glyph cut by the rectangle's left or top edge. For a space the
// cell is the gap it stands for; a line start carries the position of the line's first cell, an
// end of line the position just after its last cell, a font change the position of the next
// character. cx and cy are the cell's width (advance) and height.
//
// Font name and pitch (the font size in points at 96 dpi) are given for every kind; the font
// name is engine-owned text that stays valid as long as the DLL is loaded.
//
// Pointer size: in the 32-bit build the font-name pointer takes bytes 10-13 and an item is 26
// bytes, exactly the vendor layout. In the 64-bit build a pointer does not fit in those 4 bytes:
// bytes 10-13 are zero, the 8-byte pointer sits at offset 24 (over the unused bytes 24-25 of
// the 32-bit layout, 8-aligned) and an item is 32 bytes. Every other field keeps its offset.
// Count items with TEXTRACT_ITEM_SIZE (AreaSize / TEXTRACT_ITEM_SIZE: 26 in the 32-bit build,
// 32 in the 64-bit build) and read the name with TextractItemFontName() so that the same code
// serves both builds.
#pragma pack(push, 1)
typedef struct TextractItem {
    BYTE nKind;          //  0: TEXTRACT_ITEM_*
    BYTE bBold;          //  1: 1 when the font is bold
    BYTE reserved2[2];   //  2
    SHORT x;             //  4: cell left, relative to the request's left
    SHORT y;             //  6: cell top, relative to the request's top
    BYTE cx;             //  8: cell width in pixels
    BYTE cy;             //  9: cell height in pixels
#ifdef _WIN64
    DWORD nFontName32;   // 10: zero in the 64-bit build
#else
    const char* pszFontName;  // 10: face name of the font
#endif
    BYTE chCode;         // 14: character code (' ' for a space, 0 for the other kinds)
    BYTE nScore;         // 15: match quality of a character, 0-100
    BYTE reserved16[3];  // 16
    BYTE nPitch;         // 19: font size in points
    BYTE reserved20[4];  // 20
#ifdef _WIN64
    const char* pszFontName;  // 24: face name of the font (64-bit build only)
#else
    BYTE reserved24[2];  // 24
#endif
} TextractItem;
#pragma pack(pop)

// Result: the caller sets nReserved and pItems to zero; the engine fills pItems and AreaSize
// (bytes in the item array). Release with EngineFreeResult after every EngineRecognizeArea,
// also after a failed one.
typedef struct TextractResult {
    LONG nReserved;
    TextractItem* pItems;
    LONG AreaSize;
} TextractResult;

#define TEXTRACT_ITEM_SIZE ((LONG)sizeof(TextractItem))

static inline const char* TextractItemFontName(const TextractItem* item)
{
    return item->pszFontName;
}

#ifdef __cplusplus
}  // extern "C"
#endif

// Result layout: 32-bit value, pointer, 32-bit AreaSize, naturally aligned: 12 bytes in the
// 32-bit build; in the 64-bit build the pointer is at offset 8 and AreaSize at 16 (24 bytes).
#ifdef __cplusplus
static_assert(sizeof(TextractRequest) == 24, "request record is six 32-bit values");
static_assert(offsetof(TextractItem, nKind) == 0, "item kind at byte 0");
static_assert(offsetof(TextractItem, x) == 4, "item x at bytes 4-5");
static_assert(offsetof(TextractItem, y) == 6, "item y at bytes 6-7");
static_assert(offsetof(TextractItem, chCode) == 14, "item character at byte 14");
static_assert(offsetof(TextractItem, nPitch) == 19, "item pitch at byte 19");
#ifdef _WIN64
static_assert(sizeof(TextractItem) == 32, "64-bit item: 32 bytes");
static_assert(offsetof(TextractItem, pszFontName) == 24, "64-bit font name pointer at 24");
#else
static_assert(sizeof(TextractItem) == 26, "item record is 26 bytes");
static_assert(offsetof(TextractItem, pszFontName) == 10, "font name pointer at bytes 10-13");
static_assert(sizeof(TextractResult) == 12, "result record: value, pointer, AreaSize");
static_assert(offsetof(TextractResult, pItems) == 4, "item pointer at byte 4");
static_assert(offsetof(TextractResult, AreaSize) == 8, "AreaSize at byte 8");
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

// ---- Operations (ordinal in brackets) -------------------------------------------------------
int WINAPI EngineRecognizeArea(const TextractRequest* request, TextractResult* result,
                               int flags);                          // [3]
int WINAPI EngineBuildPatterns(void);                               // [4]
int WINAPI EngineBuildPatternsWithDialog(void);                     // [5]
const char* WINAPI EnginePatternFileName(void);                     // [6]
const char* WINAPI EngineBitmapFileName(void);                      // [7]
const char* WINAPI EngineFileNameB(void);                           // [8]
const char* WINAPI EngineFileNameA(void);                           // [9]
int WINAPI EngineFreeResult(TextractResult* result);                // [10]
int WINAPI EngineInit(void);                                        // [11]
int WINAPI EngineTerminate(void);                                   // [12]

#ifdef __cplusplus
}  // extern "C"
#endif
