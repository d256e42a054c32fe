// Watches the calls glyphread.dll makes into the engine: its import table entries for the
// engine's ordinals are pointed at counting wrappers that call the real engine, or return a
// status the test forces. One library instance is watched at a time.
#pragma once

#include "textract.h"

#include <windows.h>

#include <functional>
#include <vector>

namespace glyphtest {

struct EngineSpy {
    int calls[13] = {};  // by ordinal
    // Status returned instead of calling the engine, by ordinal (0: call the engine).
    int forced[13] = {};
    // Forced status for the character pass (0x7E03) and the word pass (0x0E03) of
    // EngineRecognizeArea (0: call the engine).
    int forcedFindPass = 0;
    int forcedWordPass = 0;
    struct Request {
        RECT rect;
        int flags;
    };
    std::vector<Request> requests;
    // Called before every EngineRecognizeArea reaches the engine.
    std::function<void(const TextractRequest&, int flags)> onRecognize;
    // When set and returning true, the request is answered with the items it filled in
    // instead of the engine's (the library releases them through EngineFreeResult as usual).
    std::function<bool(const TextractRequest&, int flags, std::vector<TextractItem>& items)>
        fakeItems;
    int fakeResultsOut = 0;  // fake results handed out and not yet released
    // Time spent inside the engine's EngineRecognizeArea, in milliseconds.
    double recognizeMs = 0;

    void Reset() { *this = EngineSpy(); }
};

// The spy of the watched library.
EngineSpy& Spy();

// Points the engine imports of `module` at the spy; false when an ordinal import is missing
// (the library must import all ten by ordinal).
bool WatchEngineImports(HMODULE module);

}  // namespace glyphtest
