// Support for the test programs: scratch folders, child processes of the same test program,
// message pumping and PNG screenshots of real windows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace lxtest {

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

// The version of Wine the program runs under ("" outside Wine).
std::string WineVersion();

// Opens a case whose expectations rest on the glyph pixels that Wine 8's font renderer draws
// (the OCR reads text that Wine itself rendered): under another Wine it skips, saying why.
#define LXTEST_NEEDS_WINE8_GLYPHS()                                                        \
    do {                                                                                  \
        const std::string wine_ = lxtest::WineVersion();                                  \
        if (wine_.rfind("8.", 0) != 0)                                                    \
            GTEST_SKIP() << "rests on the glyph pixels that Wine 8 draws; this is Wine "  \
                         << (wine_.empty() ? "absent" : wine_);                          \
    } while (0)

// Child roles: a test program can run itself again as a child process playing a role.
// LXTEST_CHILD(name) { ...; return exitCode; } defines one; argv after the role are its args.
using ChildFn = std::function<int(int argc, char** argv)>;
bool RegisterChild(const char* role, ChildFn fn);
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
             DWORD timeoutMs = 60000, const std::string& workDir = std::string());
// Waits for a process and returns its exit code (-1 on time-out).
int WaitExit(HANDLE process, DWORD timeoutMs);

// Dispatches window messages of this thread for ms milliseconds.
void PumpMessages(DWORD ms);
// Dispatches messages until pred() holds or ms elapse; returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD ms);

// Screenshot of a window (as it shows on screen) or of a screen rectangle, written as
// build/<arch>/screenshots/<name>.png. Returns the file name, empty on failure.
std::string SaveWindowPng(HWND hwnd, const std::string& name);
std::string SaveScreenPng(const RECT& screenRect, const std::string& name);
// 24-bit top-down BGR pixels -> PNG file.
bool WritePng(const std::string& path, const unsigned char* bgr, int width, int height,
              int strideBytes);

}  // namespace lxtest
