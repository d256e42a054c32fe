// The block of words that pointhook shares between every process it is mapped into.
//
// One instance lives in the library's data section ".shr", which the linker marks shared
// (IMAGE_SCN_MEM_SHARED): every process that maps pointhook.dll sees the same memory. The
// hook procedure runs in whichever process receives a mouse message and reads and writes
// these fields with plain whole-word accesses; nothing else guards them.
//
// Layout. The shipping (32-bit) library keeps the block exactly as below: twelve 32-bit
// words, 48 bytes, fields in this order (pinned by the static_asserts). In the 64-bit build
// the three handles are pointer-sized, so hwndNotify, hwndIgnore and hHook take 8 bytes each
// at offsets 0, 8 and 16, the nine int fields follow at offsets 24..56 and the block is
// 64 bytes long (60 bytes of fields and 4 of tail padding). A 64-bit library is mapped only
// into 64-bit processes, so the two layouts never meet in one block.
#pragma once

#include <windows.h>

#include <cstddef>

struct HookSharedState {
    HWND  hwndNotify;        // receives every message of the hook (dictionary program)
    HWND  hwndIgnore;        // mouse messages addressed to this window are never captured
    HHOOK hHook;             // handle of the installed hook, passed on by every process
    LONG  nMouseState;       // trigger: 1 right, 3 middle, 4 right in hold mode
    LONG  bMouseShift;       // 1: the trigger needs Shift (with nMouseState 1 only)
    LONG  bCloseArmed;       // a left press over a capturable window posts the close message
    LONG  bCaptureActive;    // a capture is running; cleared by the next left release
    LONG  bEnabled;          // capturing switched on (SetOn / SetOff)
    LONG  bPassHook;         // the next look-up gesture goes to the application untouched
    LONG  bMessageDisplayed; // the pop-up shows: the matching button release is consumed
    LONG  bHoldPressed;      // hold mode: a right press was seen
    LONG  bHoldDownSent;     // hold mode: the press was reported, its release not yet
};

// Values of the block when the library is first mapped: all zero but bEnabled.
#define HOOK_SHARED_STATE_INITIAL { nullptr, nullptr, nullptr, 0, 0, 0, 0, 1, 0, 0, 0, 0 }

// Name of the shared data section inside pointhook.dll.
#define HOOK_SHARED_SECTION ".shr"

#if defined(_WIN64)
static_assert(sizeof(HookSharedState) == 64, "64-bit block: three 8-byte handles, nine ints");
static_assert(offsetof(HookSharedState, nMouseState) == 24, "ints follow the handles");
static_assert(offsetof(HookSharedState, bHoldDownSent) == 56, "last field");
#else
static_assert(sizeof(HookSharedState) == 48, "32-bit block: twelve 32-bit words");
static_assert(offsetof(HookSharedState, hwndNotify) == 0, "layout");
static_assert(offsetof(HookSharedState, hwndIgnore) == 4, "layout");
static_assert(offsetof(HookSharedState, hHook) == 8, "layout");
static_assert(offsetof(HookSharedState, nMouseState) == 12, "layout");
static_assert(offsetof(HookSharedState, bMouseShift) == 16, "layout");
static_assert(offsetof(HookSharedState, bCloseArmed) == 20, "layout");
static_assert(offsetof(HookSharedState, bCaptureActive) == 24, "layout");
static_assert(offsetof(HookSharedState, bEnabled) == 28, "layout");
static_assert(offsetof(HookSharedState, bPassHook) == 32, "layout");
static_assert(offsetof(HookSharedState, bMessageDisplayed) == 36, "layout");
static_assert(offsetof(HookSharedState, bHoldPressed) == 40, "layout");
static_assert(offsetof(HookSharedState, bHoldDownSent) == 44, "layout");
#endif
static_assert(sizeof(LONG) == 4, "flags are 32-bit words in both builds");
