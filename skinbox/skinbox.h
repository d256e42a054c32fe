// Exports of lxpmsgbx.dll: skinned message boxes and the modeless message dialog. Texts are
// zero-terminated and owned by the caller; the library copies what it keeps.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Called when a button of a modeless dialog is pressed: the creator's value and the result.
typedef void(WINAPI* ModelessDlgCallback)(int value, int result);

// Names the skin file for every later dialog.
void WINAPI SetAppSkin(const char* path);
// A modal message box; returns the result code of the button that ended it (0 when the box
// closed itself because the skin could not be used, -1 when it could not be made).
int WINAPI OpenMsgDlg(const char* languageModule, const char* ignored, const char* message,
                      int flags);

// The modeless message dialog. The handle stays valid until ModelessDlgDestroy, even when the
// window closed itself after a skin failure.
void* WINAPI ModelessDlgCreate(int value, ModelessDlgCallback callback,
                               const char* languageModule, const char* message, int flags);
BOOL WINAPI ModelessDlgShow(void* dialog, int show);
void WINAPI ModelessDlgDisplay(void* dialog, const char* message);
void WINAPI ModelessDlgCenter(void* dialog, const RECT* rect);
void WINAPI ModelessDlgDestroy(void* dialog);

// The log-in dialog, with an e-mail field or (2) a drop-down list of the addresses in `list`
// (separated by ';' or '|'). The e-mail and password are copied into the caller's buffers,
// each at most SKINBOX_LOGIN_TEXT_MAX bytes with the terminator. Results: 1 log in, 2 cancel,
// 3 new user, 4 forgotten password.
#define SKINBOX_LOGIN_TEXT_MAX 256
int WINAPI OpenLoginDlg(const char* languageModule, char* email, char* password);
int WINAPI OpenLoginDlg2(const char* languageModule, char* email, char* password,
                         const char* list);

#ifdef __cplusplus
}
#endif

// Pointer types of the exports, for callers that load the library at run time.
typedef void(WINAPI* SetAppSkinFn)(const char*);
typedef int(WINAPI* OpenMsgDlgFn)(const char*, const char*, const char*, int);
typedef void*(WINAPI* ModelessDlgCreateFn)(int, ModelessDlgCallback, const char*, const char*, int);
typedef BOOL(WINAPI* ModelessDlgShowFn)(void*, int);
typedef void(WINAPI* ModelessDlgDisplayFn)(void*, const char*);
typedef void(WINAPI* ModelessDlgCenterFn)(void*, const RECT*);
typedef void(WINAPI* ModelessDlgDestroyFn)(void*);
