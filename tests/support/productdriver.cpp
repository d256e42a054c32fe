#include "productdriver.h"

#include "lexipopwindows.h"
#include "lxtest.h"
#include "wizarddriver.h"

#include <commctrl.h>

namespace lxtest {

namespace {

// Page indices of the wizard sheet that the anonymous way passes.
const int kMousePage = 0;
const int kEmailPage = 1;
const int kPromoPage = 8;
const int kCompletePage = 9;

std::string ItemText(HWND popup, int id)
{
    return WindowTitle(GetDlgItem(popup, id));
}

bool CopyTree(const std::string& from, const std::string& to)
{
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string src = from + "\\" + name, dst = to + "\\" + name;
        ok = ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                  ? CopyTree(src, dst)
                  : CopyFileA(src.c_str(), dst.c_str(), FALSE) != FALSE) &&
             ok;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return ok;
}

}  // namespace

std::string CopyInstallation(const std::string& name)
{
    const std::string dir = FreshDir(name);
    return CopyTree(StageDir(), dir) ? dir : std::string();
}

int RunWizardAnonymously(const std::string& dir, int mouseOptionId,
                         void (*onPage)(HWND sheet, int index))
{
    HANDLE wizard = StartProgram(dir + "\\enrolwiz.exe", "", dir);
    if (!wizard)
        return -1;
    SheetDriver drive(WaitSheetOf(GetProcessId(wizard), 60000));
    auto reach = [&](int index) {
        if (!drive.WaitForPage(index, 20000))
            return false;
        if (onPage)
            onPage(drive.Sheet(), index);
        return true;
    };
    if (drive.Sheet() && reach(kMousePage)) {
        if (mouseOptionId)
            PostMessageA(GetDlgItem(drive.ActivePage(), mouseOptionId), BM_CLICK, 0, 0);
        drive.Press(PSBTN_NEXT, 800);  // the animation of the choice
        if (onPage)
            onPage(drive.Sheet(), kMousePage);
        drive.Press(PSBTN_NEXT);
        if (reach(kEmailPage)) {
            drive.Press(PSBTN_CANCEL);
            if (reach(kPromoPage)) {
                drive.Press(PSBTN_NEXT);
                if (reach(kCompletePage))
                    drive.Press(PSBTN_NEXT, 0);
            }
        }
    }
    return FinishChild(wizard, 30000);
}

DictionaryDriver::~DictionaryDriver()
{
    if (!Ended())
        Close(10000);
    if (m_process)
        CloseHandle(m_process);
}

bool DictionaryDriver::Attach(DWORD ms, DWORD exceptPid)
{
    if (m_process)
        CloseHandle(m_process);
    m_process = nullptr;
    m_pid = 0;
    PumpUntil(
        [&] {
            m_popup = FindWindowA(nullptr, LEXIPOP_POPUP_TITLE);
            m_hidden = FindWindowA(nullptr, LEXIPOP_HIDDEN_TITLE);
            DWORD pid = 0;
            GetWindowThreadProcessId(m_popup, &pid);
            if (!m_popup || !m_hidden || pid == exceptPid)
                return false;
            m_pid = pid;
            return true;
        },
        ms);
    if (m_pid)
        m_process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, m_pid);
    return m_process != nullptr;
}

std::string DictionaryDriver::Shown() const
{
    return IsWindowVisible(m_popup) ? ItemText(m_popup, LEXIPOP_IDC_WORD) : std::string();
}

std::string DictionaryDriver::Meaning() const
{
    return IsWindowVisible(m_popup) ? ItemText(m_popup, LEXIPOP_IDC_MEANING) : std::string();
}

bool DictionaryDriver::WaitReady(const std::string& patternFile, DWORD ms)
{
    return PumpUntil(
        [&] {
            return FileExists(patternFile) &&
                   ItemText(m_popup, LEXIPOP_IDC_WORD) != LEXIPOP_BUILDING_TEXT;
        },
        ms);
}

bool DictionaryDriver::Click(DWORD down, DWORD up, POINT at, const std::string& word,
                             DWORD ms) const
{
    SendMouse(0, at);
    PumpMessages(200);
    SendMouse(down, at);
    if (up)
        SendMouse(up, at);
    if (word.empty()) {
        PumpMessages(ms / 4);
        return Shown().empty();
    }
    return PumpUntil([&] { return Shown() == word; }, ms);
}

int DictionaryDriver::Close(DWORD ms)
{
    if (!m_process)
        return -1;
    PostMessageA(m_popup, WM_CLOSE, 0, 0);
    return WaitExit(m_process, ms);
}

bool DictionaryDriver::Ended() const
{
    return !m_process || WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0;
}

}  // namespace lxtest
