// Driving a wizard-97 property sheet from outside its pages, in this process or another:
// buttons pressed with PSM_PRESSBUTTON, the active page and the focus read back, pages saved
// as screenshots, and the message boxes its handlers open answered from a thread of their own.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace lxtest {

// Ids of the wizard buttons of a property sheet.
constexpr int kSheetBack = 0x3023;
constexpr int kSheetNext = 0x3024;
constexpr int kSheetFinish = 0x3025;

class SheetDriver {
public:
    explicit SheetDriver(HWND sheet = nullptr) : m_sheet(sheet) {}
    void Attach(HWND sheet) { m_sheet = sheet; }
    HWND Sheet() const { return m_sheet; }

    // Zero-based index of the page shown (-1 when the sheet has none or is gone).
    int ActiveIndex() const;
    HWND ActivePage() const;
    HWND Button(int id) const { return GetDlgItem(m_sheet, id); }
    bool Visible(int id) const;
    bool Enabled(int id) const;
    std::string Title() const;
    // PSM_PRESSBUTTON (PSBTN_NEXT, PSBTN_BACK, PSBTN_CANCEL ...) posted, so that a handler may
    // open a modal box; then messages are handled for `settleMs`.
    void Press(int button, DWORD settleMs = 300) const;
    // Handles messages for ms (through the filter).
    void Settle(DWORD ms = 300) const { Pump(ms); }
    // A key pressed on the window that has the focus (posted WM_KEYDOWN / WM_KEYUP).
    void Key(UINT vk, DWORD settleMs = 300) const;
    // Handles messages until the sheet shows page `index` (false after ms).
    bool WaitForPage(int index, DWORD ms = 10000) const;
    // Screenshot of the sheet as build/<arch>/screenshots/<name>.png ("" on failure).
    std::string Save(const std::string& name) const;

    // The message filter the pumping goes through (a sheet with a loop of its own gives its
    // PreTranslateMessage and dialog keys here); true takes the message.
    std::function<bool(MSG&)> filter;

private:
    void Pump(DWORD ms) const;
    HWND m_sheet;
};

// Answers, from a thread of its own, every message box (a top-level dialog other than the
// ones given) that a process opens while the object lives, keeping the texts in order.
class BoxAnswerer {
public:
    explicit BoxAnswerer(DWORD pid = GetCurrentProcessId(), std::vector<HWND> except = {},
                         WPARAM answer = IDOK);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<std::string> Texts() const;
    void Clear();

private:
    static DWORD WINAPI Run(LPVOID self);
    DWORD m_pid;
    std::vector<HWND> m_except;
    WPARAM m_answer;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    std::vector<std::string> m_texts;
    HANDLE m_thread = nullptr;
};

// The visible wizard sheet (a top-level dialog with a Next button) of a process (0: of any
// process), waited for up to ms; null when none came.
HWND WaitSheetOf(DWORD pid, DWORD ms = 20000);

}  // namespace lxtest
