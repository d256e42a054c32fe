// glyphread.dll: library state, engine start and stop, pattern base operations and the word
// capture at a screen point.
#include "glyphread.h"

#include "enginestatus.h"
#include "errorlog.h"
#include "ocrcore.h"
#include "textract.h"

#include <algorithm>
#include <cstring>
#include <string>

using glyphread::Rect;
using glyphread::Trace;

namespace {

// One copy per process, set up when the library is loaded.
struct LibraryState {
    bool bEngineStarted = false;
    int nVerboseLevel = 0;
    // The rectangle inverted on screen, if bHighlighted. A word at screen column 0 has its
    // left edge at -1, so the rectangle's own fields cannot say whether one is shown.
    RECT rcHighlighted{-1, 0, 0, 0};
    bool bHighlighted = false;
    CErrorLog log{".\\Logs\\LxpOCR.log", 1000, 1};
};

LibraryState g_state;

const std::string kBeginEntry = "BEGIN OCR Method Entry " + std::string(78, '-');
const std::string kEndEntry = "END OCR Method Entry " + std::string(80, '-');

bool Check(int status)
{
    return CheckEngineStatus(status, g_state.log);
}

void InvertOnScreen(const RECT& r)
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return;
    InvertRect(screen, &r);
    ReleaseDC(nullptr, screen);
}

// Calls the engine for a clamped rectangle. The result is always released by the caller.
int Recognize(const Rect& r, TextractResult& result, int flags)
{
    TextractRequest request{0, 0, r.left, r.top, r.right, r.bottom};
    result.nReserved = 0;
    result.pItems = nullptr;
    result.AreaSize = 0;
    return EngineRecognizeArea(&request, &result, flags);
}

// First pass: the letter nearest to the point in the box reaching 12 pixels to each side.
glyphread::NearestChar FindNearestLetter(int x, int y, int screenW, int screenH)
{
    const Rect box = glyphread::ClampToScreen(Rect{x - 12, y - 12, x + 12, y + 12}, screenW,
                                              screenH);
    TextractResult result{};
    glyphread::NearestChar best;
    if (Check(Recognize(box, result, TEXTRACT_FLAGS_FIND_CHAR)))
        best = glyphread::FindCharNearestToPoint(result.pItems, glyphread::ItemCount(result),
                                                 box.left, box.top, x, y, g_state.log);
    EngineFreeResult(&result);
    return best;
}

// Second pass: the word of the strip that holds the target letter.
glyphread::WordAtTarget FindWordsAndTargetChar(const Rect& strip, int targetX, int targetY,
                                               int screenW, int screenH)
{
    const Rect clamped = glyphread::ClampToScreen(strip, screenW, screenH);
    if (g_state.nVerboseLevel > 0) {
        OCRHighlightRect(RECT{}, 0);
        OCRHighlightRect(RECT{clamped.left, clamped.top, clamped.right, clamped.bottom}, 1);
    }
    Trace("FindWordsAndTargetChar");
    TextractResult result{};
    glyphread::WordAtTarget found;
    found.rect = strip;
    if (!Check(Recognize(clamped, result, TEXTRACT_FLAGS_WORDS))) {
        EngineFreeResult(&result);
        return found;
    }
    const std::size_t count = glyphread::ItemCount(result);
    Trace("dest.AreaSize: %d nItems:%d", static_cast<int>(result.AreaSize),
          static_cast<int>(count));
    found = glyphread::CutWordAtTarget(result.pItems, count, clamped, strip, targetX, targetY);
    EngineFreeResult(&result);
    return found;
}

void SetOut(int* p, int value)
{
    if (p)
        *p = value;
}

}  // namespace

// Every export catches what is thrown inside it: nothing leaves the library.
extern "C" {

int WINAPI OCR2Text(int x, int y, char* text, int* pLeft, int* pTop, int* pRight, int* pBottom)
try {
    glyphread::ListenForTraces();
    CErrorLog& log = g_state.log;
    log.Write(kBeginEntry);
    log.Write("OCR2Text() --> start invoking");
    if (!g_state.bEngineStarted) {
        Check(EngineInit());
        g_state.bEngineStarted = true;
    }
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);

    const glyphread::NearestChar best = FindNearestLetter(x, y, screenW, screenH);
    if (!best.found) {
        Trace("No Found Letter !!!");
        if (text)
            text[0] = '\0';
        SetOut(pLeft, 0);
        SetOut(pTop, 0);
        SetOut(pRight, 0);
        SetOut(pBottom, 0);
        log.Write("Word not successfully captured using OCR method");
        log.Write("OCR2Text() --> end invoking");
        return 0;
    }

    const Rect strip{best.x - 100, best.y, best.x + 100,
                     best.y + glyphread::StripHeightForPitch(best.pitch)};
    glyphread::WordAtTarget found =
        FindWordsAndTargetChar(strip, best.x, best.y, screenW, screenH);
    // A word cut by the strip's edge would look up the wrong entry: it is read again, whole,
    // in a strip as wide as it needs.
    Rect read = strip;
    for (int widen = 0; widen < 3 && glyphread::WordTouchesStripEdge(
                                          found, glyphread::ClampToScreen(read, screenW, screenH),
                                          screenW);
         ++widen) {
        read = glyphread::WiderStrip(found, read);
        glyphread::WordAtTarget whole =
            FindWordsAndTargetChar(read, best.x, best.y, screenW, screenH);
        if (!whole.hit || whole.word.size() <= found.word.size())
            break;
        found = whole;
    }
    SetOut(pLeft, found.rect.left);
    SetOut(pTop, found.rect.top);
    SetOut(pRight, found.rect.right);
    SetOut(pBottom, found.rect.bottom);
    Trace("New Rectangle: pLeft = %d pTop = %d pRight = %d pBotoom = %d", found.rect.left,
          found.rect.top, found.rect.right, found.rect.bottom);
    if (found.word.size() > GLYPHREAD_MAX_WORD)
        found.word.resize(GLYPHREAD_MAX_WORD);
    if (text)
        std::memcpy(text, found.word.c_str(), found.word.size() + 1);

    if (!found.word.empty()) {
        log.Write("Word successfully captured using OCR method");
        log.Write("Captured word: " + found.word);
    } else {
        log.Write("Word not successfully captured using OCR method");
    }
    OCRHighlightRect(RECT{}, 0);
    log.Write("OCR2Text() --> end invoking");
    return 1;
} catch (...) {
    // Nothing thrown inside leaves the library: no word.
    if (text)
        text[0] = '\0';
    return 0;
}

void WINAPI OCRHighlightRect(RECT rc, int flag)
{
    // Only one rectangle is remembered, so one shown before is put back first; otherwise it
    // would stay inverted on screen for good.
    if (g_state.bHighlighted) {
        InvertOnScreen(g_state.rcHighlighted);
        g_state.rcHighlighted = RECT{-1, 0, 0, 0};
        g_state.bHighlighted = false;
    }
    if (flag) {
        g_state.rcHighlighted = rc;
        g_state.bHighlighted = true;
        InvertOnScreen(rc);
    }
}

void WINAPI OCRMakePattern(int withDialog)
try {
    glyphread::ListenForTraces();
    Trace("LEXIOCR_API OCRMakePatter() --> start invoked");
    Trace("Initializing textract.");
    Check(EngineInit());
    if (withDialog) {
        Trace("Building pattern with dialog.");
        Check(EngineBuildPatternsWithDialog());
        EngineTerminate();
        Trace("Textract Terminated.");
    } else {
        Trace("Building pattern without dialog.");
        Check(EngineBuildPatterns());
        Trace("Un-initialized textract manually.");
    }
} catch (...) {
}

void WINAPI OCRPatternRecovery(void)
try {
    g_state.log.Write("OCRPatternRecovery() --> start invoking");
    Check(EngineBuildPatterns());
    g_state.log.Write("OCRPatternRecovery() --> end invoking");
} catch (...) {
}

void WINAPI OCRSetVerboseLevel(int level)
try {
    g_state.log.Write("OCRSetVerboseLevel() --> start invoking");
    g_state.nVerboseLevel = level;
    g_state.log.Write("OCRSetVerboseLevel() --> end invoking");
} catch (...) {
}

int WINAPI OCRUninit(void)
try {
    glyphread::ListenForTraces();
    Trace("Terminate textract.");
    return EngineTerminate();
} catch (...) {
    return TEXTRACT_E_TERMINATE;
}

void WINAPI OCRCleanUp(void)
try {
    CErrorLog& log = g_state.log;
    log.Write("OCRCleanUp() --> start invoking");
    if (g_state.bEngineStarted) {
        Check(EngineTerminate());
        g_state.bEngineStarted = false;
    }
    log.Write("OCRCleanUp() --> end invoking");
    log.Write(kEndEntry);
} catch (...) {
}

}  // extern "C"
