#include "ocrcore.h"

#include "errorlog.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace glyphread {

bool IsWordLetter(char c)
{
    return c != '\0' && std::strchr(kLetterSet, c) != nullptr;
}

Rect ClampToScreen(const Rect& r, int screenWidth, int screenHeight)
{
    Rect c = r;
    if (c.left < 1)
        c.left = 0;
    if (c.top < 1)
        c.top = 0;
    if (c.right >= screenWidth - 1)
        c.right = screenWidth - 1;
    if (c.bottom >= screenHeight - 1)
        c.bottom = screenHeight - 1;
    return c;
}

int StripHeightForPitch(int pitch)
{
    if (pitch <= 14)
        return 20;
    if (pitch <= 20)
        return 30;
    return 40;
}

int Distance(int x1, int y1, int x2, int y2)
{
    return std::abs(x1 - x2) + std::abs(y1 - y2);
}

std::size_t ItemCount(const TextractResult& result)
{
    if (!result.pItems || result.AreaSize <= 0)
        return 0;
    return static_cast<std::size_t>(result.AreaSize) / static_cast<std::size_t>(TEXTRACT_ITEM_SIZE);
}

namespace {
bool g_traceHeard = true;
}  // namespace

void ListenForTraces()
{
    // A debugger, or a debug output viewer (it publishes the "DBWIN_BUFFER" section).
    bool heard = IsDebuggerPresent() != FALSE;
    if (!heard) {
        HANDLE viewer = OpenFileMappingA(FILE_MAP_READ, FALSE, "DBWIN_BUFFER");
        heard = viewer != nullptr;
        if (viewer)
            CloseHandle(viewer);
    }
    g_traceHeard = heard;
}

void Trace(const char* format, ...)
{
    if (!g_traceHeard)
        return;
    char buf[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    OutputDebugStringA(buf);
}

namespace {

const char* FontNameOf(const TextractItem& item)
{
    const char* name = TextractItemFontName(&item);
    return name ? name : "";
}

}  // namespace

NearestChar FindCharNearestToPoint(const TextractItem* items, std::size_t count, int requestLeft,
                                   int requestTop, int x, int y, CErrorLog& log)
{
    log.Write("FindCharNearestToPoint() --> start invoking");
    NearestChar best;
    for (std::size_t i = 0; i < count; ++i) {
        const TextractItem& item = items[i];
        switch (item.nKind) {
        case TEXTRACT_ITEM_CHAR: {
            Trace("Char is detected");
            const char ch = static_cast<char>(item.chCode);
            if (!IsWordLetter(ch))
                break;
            Trace("%c", ch);
            const int px = requestLeft + item.x;
            const int py = requestTop + item.y;
            const int d = Distance(px, py, x, y);
            if (d < best.distance) {
                best.found = true;
                best.distance = d;
                best.x = px;
                best.y = py;
                best.ch = ch;
                best.pitch = item.nPitch;
                Trace("YOffset: %d\nClosed Distance: %d\nClosed Character: [%c]\nClosed Pitch: "
                      "%d\nClosed X: %d\nClosed Y: %d\nFont Name:%s",
                      item.y, d, ch, best.pitch, px, py, FontNameOf(item));
            }
            break;
        }
        case TEXTRACT_ITEM_SPACE:
            Trace("Space is detected");
            break;
        case TEXTRACT_ITEM_LINE_START:
            Trace("Line Start is detected");
            break;
        case TEXTRACT_ITEM_LINE_END:
            Trace("End Line is detected");
            break;
        case TEXTRACT_ITEM_FONT_CHANGE:
            Trace("Onother font detected");
            break;
        default:
            break;
        }
    }
    log.Write("FindCharNearestToPoint() --> end invoking");
    return best;
}

WordAtTarget CutWordAtTarget(const TextractItem* items, std::size_t count, const Rect& clamped,
                             const Rect& strip, int targetX, int targetY)
{
    WordAtTarget out;
    out.rect.left = strip.left;
    out.rect.right = strip.right;
    out.rect.top = clamped.top + 1;
    out.rect.bottom = clamped.bottom - 3;
    int lastX = 0;  // screen x of the last letter appended
    bool ended = false;
    for (std::size_t i = 0; i < count && !ended; ++i) {
        const TextractItem& item = items[i];
        const bool isChar = item.nKind == TEXTRACT_ITEM_CHAR;
        const char ch = isChar ? static_cast<char>(item.chCode) : ' ';
        Trace("GetNextChar Return: %c", ch);
        if (isChar && IsWordLetter(ch)) {
            const int px = clamped.left + item.x;
            const int py = clamped.top + item.y;
            if (out.word.empty()) {
                out.rect.left = px - 1;
                out.firstCellLeft = px;
            }
            out.word += ch;
            lastX = px;
            out.lastCellRight = px + item.cx;
            const int d = Distance(px, py, targetX, targetY);
            if (d <= 3)
                out.hit = true;
            Trace("Real X: %d Real Y: %d Distance: %d Character: %c OF word: %s", px, py, d, ch,
                  out.word.c_str());
        } else if (out.hit) {
            out.rect.right = lastX + 8;
            Trace("Top: %d Bottom: %d Left X: %d Right Y: %d word: %s", out.rect.top,
                  out.rect.bottom, out.rect.left, out.rect.right, out.word.c_str());
            Trace("I have to break here.");
            ended = true;
        } else {
            out.word.clear();
        }
    }
    if (!out.hit) {
        // The run left over belongs to some other word of the strip, not to the point.
        out.word.clear();
        out.rect.left = strip.left;
        out.rect.right = strip.right;
    }
    return out;
}

bool WordTouchesStripEdge(const WordAtTarget& found, const Rect& clamped, int screenWidth)
{
    if (!found.hit || found.word.empty())
        return false;
    const int span = found.lastCellRight - found.firstCellLeft;
    const int letter = std::max(4, span / static_cast<int>(found.word.size()));
    const bool left = clamped.left > 0 && found.firstCellLeft - clamped.left < letter;
    const bool right = clamped.right < screenWidth - 1 && clamped.right - found.lastCellRight < letter;
    return left || right;
}

Rect WiderStrip(const WordAtTarget& found, const Rect& strip)
{
    return Rect{found.firstCellLeft - 100, strip.top, found.lastCellRight + 100, strip.bottom};
}

}  // namespace glyphread
