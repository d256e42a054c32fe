// The exports of lxpmsgbx.dll. Nothing thrown inside leaves them.
#include "skinbox.h"
#include "logindlg.h"
#include "skinmsgdlg.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>

using namespace skinbox;

namespace {

std::string Text(const char* text)
{
    return text ? std::string(text) : std::string();
}

// COM for the picture loader of the waiting bar, on the calling thread.
void StartCom()
{
    static thread_local bool started = false;
    if (!started)
        started = SUCCEEDED(CoInitialize(nullptr));
}

CSkinMsgDlg* Dialog(void* handle)
{
    return static_cast<CSkinMsgDlg*>(handle);
}

// Marks the windows of the modeless dialogs (a waiting dialog).
const char kModelessMark[] = "skinbox.modeless";

bool IsModeless(HWND window)
{
    return window && GetPropA(window, kModelessMark) != nullptr;
}

BOOL CALLBACK FindBoxOwner(HWND window, LPARAM found)
{
    if (IsModeless(window) || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The owner of a box: the active window, unless that is a modeless dialog of this library
// (the box would close with it and its answer be lost): then another window of the thread.
HWND BoxOwner()
{
    HWND active = GetActiveWindow();
    if (!IsModeless(active))
        return active;
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindBoxOwner, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

void WINAPI SetAppSkin(const char* path)
{
    Guard(0, [&] {
        AppSkinPath() = Text(path);
        return 0;
    });
}

int WINAPI OpenMsgDlg(const char* languageModule, const char* ignored, const char* message,
                      int flags)
{
    return Guard(-1, [&]() -> int {
        if (!EnsureSkinControl())
            return -1;
        StartCom();
        return RunMessageBox(Text(languageModule), Text(ignored), Text(message), flags,
                             BoxOwner());
    });
}

void* WINAPI ModelessDlgCreate(int value, ModelessDlgCallback callback,
                               const char* languageModule, const char* message, int flags)
{
    return Guard<void*>(nullptr, [&]() -> void* {
        if (!EnsureSkinControl())
            return nullptr;
        StartCom();
        auto* dialog = new CSkinMsgDlg;
        dialog->Prepare(Text(languageModule), std::string(), Text(message), flags);
        dialog->MakeModeless(value, callback);
        // The library has no application object of its own: the window has no parent.
        if (!dialog->CreateModeless(nullptr)) {
            delete dialog;
            return nullptr;
        }
        SetPropA(dialog->Hwnd(), kModelessMark, reinterpret_cast<HANDLE>(1));
        return dialog;
    });
}

BOOL WINAPI ModelessDlgShow(void* dialog, int show)
{
    return Guard<BOOL>(FALSE, [&] {
        return dialog && Dialog(dialog)->Hwnd() ? ShowWindow(Dialog(dialog)->Hwnd(), show)
                                                : FALSE;
    });
}

void WINAPI ModelessDlgDisplay(void* dialog, const char* message)
{
    Guard(0, [&] {
        if (dialog)
            Dialog(dialog)->Display(Text(message));
        return 0;
    });
}

void WINAPI ModelessDlgCenter(void* dialog, const RECT* rect)
{
    Guard(0, [&] {
        if (!dialog || !rect || !Dialog(dialog)->Hwnd())
            return 0;
        HWND hwnd = Dialog(dialog)->Hwnd();
        RECT box{};
        GetWindowRect(hwnd, &box);
        const LONG width = box.right - box.left, height = box.bottom - box.top;
        SetWindowPos(hwnd, nullptr, rect->left + (rect->right - rect->left) / 2 - width / 2,
                     rect->top + (rect->bottom - rect->top) / 2 - height / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
        return 0;
    });
}

void WINAPI ModelessDlgDestroy(void* dialog)
{
    Guard(0, [&] {
        // The window goes first; the object, which belongs to it, goes with it.
        if (dialog && Dialog(dialog)->Hwnd())
            RemovePropA(Dialog(dialog)->Hwnd(), kModelessMark);
        delete Dialog(dialog);
        return 0;
    });
}

namespace {

// Copies a text into a caller's buffer of unknown size: at most SKINBOX_LOGIN_TEXT_MAX bytes
// with the terminator.
void CopyOut(char* buffer, const std::string& text)
{
    if (!buffer)
        return;
    const size_t n = std::min<size_t>(text.size(), SKINBOX_LOGIN_TEXT_MAX - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

int RunLogin(const char* languageModule, char* email, char* password, int mode,
             const char* list)
{
    return Guard(2, [&]() -> int {
        if (!EnsureSkinControl()) {
            // The caller reads the buffers whatever the result: nothing was typed.
            CopyOut(email, std::string());
            CopyOut(password, std::string());
            return 2;
        }
        StartCom();
        CLoginDlg dialog(Text(languageModule), mode, Text(list));
        if (mode == 0)
            OutputDebugStringA("CLoginDlg::Initialize() --> invoked");
        const int result = static_cast<int>(dialog.DoModal(BoxOwner()));
        CopyOut(email, dialog.Email());
        CopyOut(password, dialog.Password());
        return result;
    });
}

}  // namespace

int WINAPI OpenLoginDlg(const char* languageModule, char* email, char* password)
{
    return RunLogin(languageModule, email, password, 0, nullptr);
}

int WINAPI OpenLoginDlg2(const char* languageModule, char* email, char* password,
                         const char* list)
{
    return RunLogin(languageModule, email, password, 1, list);
}
