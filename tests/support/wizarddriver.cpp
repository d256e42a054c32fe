#include "wizarddriver.h"

#include "lxtest.h"

#include <commctrl.h>

namespace lxtest {

int SheetDriver::ActiveIndex() const
{
    if (!m_sheet || !IsWindow(m_sheet))
        return -1;
    HWND page = ActivePage();
    if (!page)
        return -1;
    return static_cast<int>(
        SendMessageA(m_sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

HWND SheetDriver::ActivePage() const
{
    return m_sheet ? reinterpret_cast<HWND>(SendMessageA(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0))
                   : nullptr;
}

bool SheetDriver::Visible(int id) const
{
    HWND b = Button(id);
    return b && (GetWindowLongA(b, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool SheetDriver::Enabled(int id) const
{
    HWND b = Button(id);
    return b && IsWindowEnabled(b);
}

std::string SheetDriver::Title() const
{
    return WindowTitle(m_sheet);
}

void SheetDriver::Pump(DWORD ms) const
{
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (filter && filter(msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void SheetDriver::Press(int button, DWORD settleMs) const
{
    PostMessageA(m_sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    Pump(settleMs);
}

void SheetDriver::Key(UINT vk, DWORD settleMs) const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = m_sheet;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(m_sheet, nullptr), &info) && info.hwndFocus)
        target = info.hwndFocus;
    PostMessageA(target, WM_KEYDOWN, vk, 1);
    PostMessageA(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
    Pump(settleMs);
}

bool SheetDriver::WaitForPage(int index, DWORD ms) const
{
    const DWORD end = GetTickCount() + ms;
    while (ActiveIndex() != index) {
        if (static_cast<LONG>(end - GetTickCount()) <= 0)
            return false;
        Pump(20);
    }
    return true;
}

std::string SheetDriver::Save(const std::string& name) const
{
    Pump(200);
    return SaveWindowPng(m_sheet, name);
}

// A box has a push button to answer with; a waiting dialog shows none.
static bool HasPushButton(HWND dialog)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(c, cls, sizeof cls);
        const LONG type = GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK;
        if (IsWindowVisible(c) && lstrcmpiA(cls, "Button") == 0 &&
            (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
            return true;
    }
    return false;
}

BoxAnswerer::BoxAnswerer(DWORD pid, std::vector<HWND> except, WPARAM answer)
    : m_pid(pid), m_except(std::move(except)), m_answer(answer)
{
    m_thread = CreateThread(nullptr, 0, &BoxAnswerer::Run, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer()
{
    m_stop = true;
    if (m_thread) {
        WaitForSingleObject(m_thread, 5000);
        CloseHandle(m_thread);
    }
}

std::vector<std::string> BoxAnswerer::Texts() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_texts;
}

void BoxAnswerer::Clear()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_texts.clear();
}

DWORD WINAPI BoxAnswerer::Run(LPVOID param)
{
    auto* self = static_cast<BoxAnswerer*>(param);
    std::vector<HWND> answered;
    while (!self->m_stop) {
        for (HWND d : ProcessDialogs(self->m_pid)) {
            if (!IsWindowVisible(d) || GetDlgItem(d, kSheetNext) || !HasPushButton(d))
                continue;
            bool skip = false;
            for (HWND e : self->m_except)
                skip = skip || e == d;
            for (HWND a : answered)
                skip = skip || (a == d && IsWindow(d));
            if (skip)
                continue;
            {
                std::lock_guard<std::mutex> hold(self->m_lock);
                self->m_texts.push_back(MessageBoxText(d));
            }
            answered.push_back(d);
            PostMessageA(d, WM_COMMAND, self->m_answer, 0);
        }
        Sleep(50);
    }
    return 0;
}

namespace {

BOOL CALLBACK FindSheet(HWND hwnd, LPARAM param)
{
    auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if ((found->first == 0 || pid == found->first) && lstrcmpA(cls, "#32770") == 0 &&
        IsWindowVisible(hwnd) && GetDlgItem(hwnd, kSheetNext)) {
        found->second = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitSheetOf(DWORD pid, DWORD ms)
{
    std::pair<DWORD, HWND> found(pid, nullptr);
    PumpUntil(
        [&] {
            EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&found));
            return found.second != nullptr;
        },
        ms);
    return found.second;
}

}  // namespace lxtest
