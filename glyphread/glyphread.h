// glyphread.dll: reads the word under a screen point from the screen's pixels.
//
// The dictionary program loads this library and calls these plain functions (undecorated
// names, __stdcall). The library writes its trace to ".\Logs\LxpOCR.log" under the current
// directory of the moment it is loaded, and uses the Textract engine with its font pattern
// base. Call the functions from one thread.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Size of the text buffer OCR2Text needs: the longest word it copies is
// GLYPHREAD_MAX_WORD characters plus the terminator. A strip is 200 pixels wide and a letter
// takes at least one, so every word of a strip fits; a longer run is cut to this many letters.
#define GLYPHREAD_MAX_WORD 200
#define GLYPHREAD_WORD_BUFFER (GLYPHREAD_MAX_WORD + 1)

// Reads the word at screen point (x, y). Returns 1 when a letter was found within 12 pixels
// of the point (text then holds the word, possibly empty when the word could not be read, and
// the four ints its rectangle), 0 otherwise (empty text, zero rectangle). text must hold
// GLYPHREAD_WORD_BUFFER bytes. Null out-pointers are skipped.
int WINAPI OCR2Text(int x, int y, char* text, int* pLeft, int* pTop, int* pRight, int* pBottom);

// flag non-zero: inverts rc on the screen and remembers it (a rectangle still shown from an
// earlier call is restored first); flag zero: inverts the remembered rectangle again
// (restoring it) and forgets it; rc is then not used.
void WINAPI OCRHighlightRect(RECT rc, int flag);

// Builds the font pattern base: withDialog non-zero through the engine's own dialog (the
// engine is stopped afterwards), zero without any window (the engine is left running).
void WINAPI OCRMakePattern(int withDialog);

// Rebuilds the pattern base without a window, with the engine already running.
void WINAPI OCRPatternRecovery(void);

// Level above 0: the strip read by a capture is shown inverted on screen while it is read.
void WINAPI OCRSetVerboseLevel(int level);

// Stops the engine unconditionally; returns the engine's status. A later OCR2Text does not
// start it again.
int WINAPI OCRUninit(void);

// Stops the engine if a capture started it.
void WINAPI OCRCleanUp(void);

#ifdef __cplusplus
}  // extern "C"
#endif
