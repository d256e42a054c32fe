// Shared pieces of the netcourier tests: recorded callbacks, a window that records the
// icon-animation messages, the communication log as lines.
#pragma once

#include "fixture.h"
#include "lxrecord.h"
#include "lxtest.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace nctest {

FixtureServer& SharedServer();

struct ReplyCall {
    UINT context;
    int status;
    bool nullText;
    std::string text;
    int length;
    HWND wnd;
    int busyAtCall;  // value of the watched busy flag when the callback ran
};

// Reply and status callbacks that record every call (process-wide).
class Recorder {
public:
    static Recorder& Get();
    void Reset(int* watchedBusy = nullptr);
    std::vector<ReplyCall> Replies();
    std::vector<std::pair<int, std::string>> Statuses();
    size_t ReplyCount();

    static int ReplyProc(UINT context, int status, const char* text, int length, HWND wnd);
    static int StatusProc(int index, const char* text);

private:
    std::mutex m_lock;
    std::vector<ReplyCall> m_replies;
    std::vector<std::pair<int, std::string>> m_statuses;
    int* m_busy = nullptr;
};

// A top-level window recording the icon-animation messages.
class IconWindow : public lxtest::MessageWindow {
public:
    IconWindow();
    // "start" / "stop" for each message so far.
    std::vector<std::string> Icons() const;
};

// The texts of the log's lines (time stamps checked and removed; a line that does not
// have the form "%m/%d/%y %H:%M:%S  text" comes back as "BAD LINE: ...").
std::vector<std::string> LogTexts(const std::string& path);
using lxtest::HasLine;
bool LogContains(const std::string& path, const std::string& part);
// Pumps messages until the log has `count` lines ending in `suffix` (or ms pass).
bool WaitLog(const std::string& path, const std::string& suffix, size_t count, DWORD ms = 20000);
size_t CountEnding(const std::vector<std::string>& lines, const std::string& suffix);

// Transport-encoded text plus the server's line end, as a reply body.
std::string ReplyBody(const std::string& text);
std::string Decoded(const std::string& encoded);

// A scratch folder with a Logs subfolder; the log file's path inside it.
std::string ScratchWithLogs(const std::string& name);
inline std::string LogPath(const std::string& dir) { return dir + "\\Logs\\comlog.log"; }

// A local port with nothing listening on it.
using lxtest::UnusedPort;

}  // namespace nctest
