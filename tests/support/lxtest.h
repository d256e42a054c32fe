// Support for the test programs: scratch folders, child processes of the same test program,
// message pumping and PNG screenshots of real windows.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace lxtest {

// Font families of the OCR pattern bases that the test programs build (TEXTRACT_FONT_FAMILIES,
// set by main() unless the environment names others): the faces the tests' windows draw under
// either Wine. The three Liberation families stand for Arial, Times New Roman and Courier New;
// Wine 10 brings its own Tahoma (also behind "MS Shell Dlg", the dialogs' face) and a bitmap
// MS Sans Serif, which Wine 8 replaces with Liberation Sans (the base keeps each real face once).
constexpr char kTestFontFamilies[] =
    "Liberation Sans;Liberation Serif;Liberation Mono;Tahoma;MS Sans Serif";

// Folders of the build tree, as Windows paths ("Z:\...").
std::string BuildDir();
std::string StageDir();
std::string ScreenshotDir();

// A new, empty folder build/<arch>/testrun/<name> (emptied if it existed).
std::string FreshDir(const std::string& name);

// Makes path the current directory for the lifetime of the object.
class CurrentDir {
public:
    explicit CurrentDir(const std::string& path);
    ~CurrentDir();
    CurrentDir(const CurrentDir&) = delete;
    CurrentDir& operator=(const CurrentDir&) = delete;

private:
    std::string m_old;
};

// Whole file as bytes ("" when missing); writes a file (creating or replacing it).
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Copies the C and C++ runtime DLLs found in fromDir (the 32-bit build links them as DLLs,
// the 64-bit build has none) into toDir, so that a program copied there starts; false when
// one of them could not be copied.
bool CopyRuntimeDlls(const std::string& fromDir, const std::string& toDir);

// Copies the skin control, the skinned dialogs and the four skins of the stage into the current
// folder (a scratch installation). Returns the first module that could not be copied, or "".
std::string CopySkinnedDialogs();

// The version of Wine the program runs under ("" outside Wine).
std::string WineVersion();

// Child roles: a test program can run itself again as a child process playing a role.
// LXTEST_CHILD(name) { ...; return exitCode; } defines one; argv after the role are its args.
using ChildFn = std::function<int(int argc, char** argv)>;
bool RegisterChild(const char* role, ChildFn fn);
// Every role registered (main() runs the one named on its command line).
std::map<std::string, ChildFn>& Children();
#define LXTEST_CHILD(role)                                                                  \
    static int lxtest_child_##role(int argc, char** argv);                                  \
    static const bool lxtest_child_reg_##role =                                             \
        ::lxtest::RegisterChild(#role, lxtest_child_##role);                                \
    static int lxtest_child_##role([[maybe_unused]] int argc, [[maybe_unused]] char** argv)

// Starts this program as child `role` with extra command-line text; the caller closes the
// returned process handle. Returns nullptr on failure.
HANDLE StartChild(const std::string& role, const std::string& args = std::string(),
                  const std::string& workDir = std::string());
// Starts the child and waits for it; returns its exit code, or -1 on failure or time-out.
int RunChild(const std::string& role, const std::string& args = std::string(),
             DWORD timeoutMs = 20000, const std::string& workDir = std::string());
// Waits for a process and returns its exit code (-1 on time-out).
int WaitExit(HANDLE process, DWORD timeoutMs);

// Starts a program (full file name) with command-line text in workDir; the caller closes
// the returned process handle. Returns nullptr on failure.
HANDLE StartProgram(const std::string& exe, const std::string& args, const std::string& workDir);
// Whether the process has ended.
bool Ended(HANDLE process);
// Waits up to timeoutMs for a process, ends it if it is still running, closes the handle and
// returns its exit code (-1 when it had to be ended).
int FinishChild(HANDLE process, DWORD timeoutMs);

// Top-level dialog windows (class #32770) of a process, shown or hidden.
std::vector<HWND> ProcessDialogs(DWORD pid);
// The first visible one, or null.
HWND FindProcessDialog(DWORD pid);
// The first visible dialog of a child process, waited for up to timeoutMs (null when the
// child ended or none came).
HWND WaitChildDialog(HANDLE child, DWORD timeoutMs = 20000);
// Text of a message box's message (the system's box or the skinned one); the joined texts of a window's static controls.
std::string MessageBoxText(HWND box);
std::string StaticTexts(HWND hwnd);
std::string WindowTitle(HWND hwnd);

// A child that shows one message box: waits up to 20 s for it, keeps its text, title and
// owner, saves its picture as screenshot `shot`, answers OK and waits up to 20 s for the end.
struct ChildBox {
    bool shown = false;
    std::string text;
    std::string title;
    HWND owner = nullptr;
    int exitCode = -1;  // -1: the child had to be ended
};
ChildBox AnswerChildBox(HANDLE child, const std::string& shot);

// Lines of a log file of this system ("%m/%d/%y %H:%M:%S  text" or "%m/%d/%y %H:%M:%S --
// first -- second", CR LF) from byte `from` on, as "text" or "first -- second"; a line without one comes back as "BAD LINE: <line>". When
// joins(line) holds, the line goes on past its CR LF (a text with line ends of its own).
std::vector<std::string> LogLines(const std::string& path, size_t from = 0,
                                  const std::function<bool(const std::string&)>& joins = {});
// A line equal to text; a line containing part.
bool HasLine(const std::vector<std::string>& lines, const std::string& text);
bool HasLineWith(const std::vector<std::string>& lines, const std::string& part);

// A hidden top-level window of this thread that records the messages it is told to watch
// (an empty list: every registered message), with their parameters.
struct Message {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
class MessageWindow {
public:
    explicit MessageWindow(std::vector<UINT> watched, const char* title = "lxtest messages");
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    // Every watched message so far, in order (safe from any thread).
    std::vector<Message> Seen() const;
    // The wParam of each watched message so far.
    std::vector<WPARAM> WParams() const;
    void Clear();
    // Called on the window's thread after each watched message is recorded.
    std::function<void(const Message&)> onMessage;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    std::vector<UINT> m_watched;
    mutable CRITICAL_SECTION m_lock;
    std::vector<Message> m_seen;
    HWND m_hwnd = nullptr;
};

// Dispatches window messages of this thread for ms milliseconds.
void PumpMessages(DWORD ms);
// Dispatches messages until pred() holds or ms elapse; returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD ms);

// Moves the pointer to screen point pt with SendInput, with the button flags given
// (MOUSEEVENTF_RIGHTDOWN ...; 0 only moves).
void SendMouse(DWORD flags, POINT pt);

// Screenshot of a window (as it shows on screen) or of a screen rectangle, written as
// build/<arch>/screenshots/<name>.png. Returns the file name, empty on failure.
std::string SaveWindowPng(HWND hwnd, const std::string& name);
std::string SaveScreenPng(const RECT& screenRect, const std::string& name);
// 24-bit top-down BGR pixels -> PNG file.
bool WritePng(const std::string& path, const unsigned char* bgr, int width, int height,
              int strideBytes);

}  // namespace lxtest
