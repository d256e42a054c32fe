// pointhook.dll: the system-wide mouse hook of the dictionary program.
//
// The dictionary program loads the library, calls InitHooksDll with its notify window, its
// pop-up window and the user's mouse settings, and from then on receives registered window
// messages (wParam = screen x, lParam = screen y, signed 32-bit):
//   "LXPAPI_MSG_MOUSEHOOKOPEN"          posted: look up the word at (x, y)
//   "LXPAPI_MSG_MOUSEHOOKCLOSE"         posted: a left press after a capture, close the pop-up
//   "LXPAPI_MSG_ONRIGHTMOUSEBUTTONDOWN" sent:   hold mode, right button pressed
//   "LXPAPI_MSG_ONRIGHTMOUSEBUTTONUP"   sent:   hold mode, right button released
// Mouse settings (nMouseState / bMouseShift): 1/0 right button, 1/1 Shift + right button,
// 3/0 middle button, 4/0 right button held down (hold mode); other values never trigger.
//
// All exports are plain __stdcall functions under undecorated names (see pointhook.def).
// A 64-bit library hooks only 64-bit processes; the shipping library is 32-bit.
#pragma once

#include <windows.h>

#ifdef POINTHOOK_BUILD
#define POINTHOOK_API extern "C"  // exported by name through pointhook.def
#else
#define POINTHOOK_API extern "C" __declspec(dllimport)
#endif

// Stores the four values, installs the hook, then clears bCaptureActive and switches
// capturing on. The other flags of the shared block keep their values. Always 0.
POINTHOOK_API int WINAPI InitHooksDll(HWND hwndNotify, HWND hwndIgnore, int nMouseState,
                                      int bMouseShift);
// Installs the mouse hook for every thread of the desktop. Always 1 (a failure leaves no
// hook and no message ever reaches MouseFunc).
POINTHOOK_API int WINAPI InstallFilter();
// Removes the hook and ends the calling process with exit code 0: the dictionary program's
// last act. Never returns.
POINTHOOK_API void WINAPI RemoveHooksDll();
// Switch capturing on / off (off: every mouse message passes untouched).
POINTHOOK_API void WINAPI SetOn();
POINTHOOK_API void WINAPI SetOff();
// Replaces the trigger settings.
POINTHOOK_API void WINAPI ResetMouse(int nMouseState, int bMouseShift);
// Tells the hook whether the pop-up shows (non-zero: the matching release is consumed).
POINTHOOK_API void WINAPI MessageDisplayed(int bDisplayed);
// Lets the next look-up gesture (press and release) through to the application under the
// pointer without capturing it; the request is used up by that gesture.
POINTHOOK_API void WINAPI SetPassHook();
// The hook procedure (WH_MOUSE). Non-zero when the message is consumed.
POINTHOOK_API LRESULT CALLBACK MouseFunc(int nCode, WPARAM wParam, LPARAM lParam);

// Signatures, for programs that load the library at run time.
typedef int(WINAPI* PFN_InitHooksDll)(HWND, HWND, int, int);
typedef int(WINAPI* PFN_InstallFilter)();
typedef void(WINAPI* PFN_RemoveHooksDll)();
typedef void(WINAPI* PFN_SetOn)();
typedef void(WINAPI* PFN_SetOff)();
typedef void(WINAPI* PFN_ResetMouse)(int, int);
typedef void(WINAPI* PFN_MessageDisplayed)(int);
typedef void(WINAPI* PFN_SetPassHook)();
typedef LRESULT(CALLBACK* PFN_MouseFunc)(int, WPARAM, LPARAM);
