// The word capture's own rules, apart from the engine calls: which characters make words,
// clamping to the screen, the strip height, the nearest character to a point and the cutting
// of a recognised strip into the word that holds the target character.
#pragma once

#include "textract.h"

#include <cstddef>
#include <string>

class CErrorLog;

namespace glyphread {

// Latin letters of both cases and the digits 0 and 1 (which look like O and l on screen);
// every other character separates words.
constexpr char kLetterSet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ01";
bool IsWordLetter(char c);

// Screen rectangle, left, top, right, bottom in pixels.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
inline bool operator==(const Rect& a, const Rect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A left or top below 1 becomes 0; a right (bottom) of at least width - 1 (height - 1) becomes
// width - 1 (height - 1).
Rect ClampToScreen(const Rect& r, int screenWidth, int screenHeight);

// Height of the word strip for a font size: 20 up to 14 points, 30 up to 20, 40 above.
int StripHeightForPitch(int pitch);

// City-block distance between two points.
int Distance(int x1, int y1, int x2, int y2);

// Whole items in an engine result (none when the array is missing).
std::size_t ItemCount(const TextractResult& result);

// The letter nearest to (x, y) among the items of a request whose clamped left and top are
// given. Ties keep the earlier item.
struct NearestChar {
    bool found = false;
    int x = 0;  // screen position of the character's cell
    int y = 0;
    char ch = '?';
    int pitch = 0;
    int distance = 9999999;
};
NearestChar FindCharNearestToPoint(const TextractItem* items, std::size_t count, int requestLeft,
                                   int requestTop, int x, int y, CErrorLog& log);

// Cuts the items of the word strip into words and keeps the one holding a letter within 3
// pixels of (targetX, targetY). `clamped` is the strip as requested from the engine, `strip`
// as it was before clamping.
//
// The rectangle's top and bottom are the clamped top + 1 and bottom - 3; its left is the first
// letter's x - 1; its right is the last letter's x + 8 when a separator ends the word, else
// the strip's right. When no letter of the strip is at the target the word is empty and the
// rectangle keeps the strip's left and right: the letters there belong to another word.
struct WordAtTarget {
    std::string word;
    Rect rect;
    bool hit = false;
    int firstCellLeft = 0;  // screen x of the word's first cell and one past its last cell
    int lastCellRight = 0;
};
WordAtTarget CutWordAtTarget(const TextractItem* items, std::size_t count, const Rect& clamped,
                             const Rect& strip, int targetX, int targetY);

// Whether the word found may go on beyond the strip: less than one of its letters' average
// width lies between the word and the strip's left or right edge, and that edge is not the
// screen's.
bool WordTouchesStripEdge(const WordAtTarget& found, const Rect& clamped, int screenWidth);

// The strip a word that touches its strip's edge is read again in: as wide as the word plus
// the usual 100 pixels on either side of it, on the same rows.
Rect WiderStrip(const WordAtTarget& found, const Rect& strip);

// Debug trace to the system debugger output, printf-style. Sending one costs an exception and
// several system calls, so traces are formatted and sent only while a debugger or a debug
// output viewer listens, as ListenForTraces found at the start of the operation.
void ListenForTraces();
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace glyphread
