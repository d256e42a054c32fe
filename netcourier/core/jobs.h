// Per-request copies handed to the worker threads, and the workers themselves.
#pragma once

#include "inetstate.h"
#include "netcourier.h"

#include <memory>
#include <string>

namespace netcourier {

using EncodeFn = bool (*)(const std::string& text, std::string& out);
using DecodeFn = bool (*)(const std::string& encoded, std::string& out);

// The caller's busy flag as a job sees it: set by the admission, cleared by the worker. A
// job clears the flag only while it still owns it, so a request admitted again on the same
// flag (from a reply callback, say) is never marked idle by the previous one.
class BusyFlag {
public:
    explicit BusyFlag(int* flag) : m_flag(flag) {}
    // Sets the flag from 0 to 1; false when it was already set.
    bool Admit();
    // Clears the flag if this job still owns it.
    void Clear();
    bool Owned() const { return m_owned; }

private:
    int* m_flag;
    bool m_owned = false;
};

struct SendJob {
    UINT* context = nullptr;
    LPCOMMREPLYPROC replyProc = nullptr;
    LPCOMMSTATUSPROC statusProc = nullptr;
    BusyFlag busy{nullptr};
    HWND replyWnd = nullptr;
    HWND parentWnd = nullptr;
    std::string requestPrefix;
    std::string requestLine;
    std::string headers;
    std::string server;
    std::string port;
    std::string codeText;  // the request code as decimal text
    EncodeFn encode;
    DecodeFn decode;

    SendJob();
};

struct DownloadJob {
    UINT* context = nullptr;
    LPCOMMREPLYPROC replyProc = nullptr;
    HWND progressBar = nullptr;
    BusyFlag busy{nullptr};
    HWND replyWnd = nullptr;
    HWND parentWnd = nullptr;
    std::string server;
    std::string port;
    std::string objectPath;
    std::string localPath;
};

// The codec as the worker calls it.
bool EncodeRequest(const std::string& text, std::string& out);
bool DecodeReply(const std::string& encoded, std::string& out);

// Runs a job on the calling thread. The job must have been admitted (busy flag owned) and
// the caller must have added a request-lock user for it, which the run releases at its end.
void RunSendJob(std::unique_ptr<SendJob> job);
void RunDownloadJob(std::unique_ptr<DownloadJob> job);

// Starts a new thread on the job; false when no thread could be started (the job is then
// given back untouched through the argument).
bool StartSendWorker(std::unique_ptr<SendJob>& job);
bool StartDownloadWorker(std::unique_ptr<DownloadJob>& job);

// Operating-system name, online state and WinInet error texts (common/inetstate.h).
using lxinet::InternetErrorText;
using lxinet::MachineOnline;
using lxinet::OsName;

// Port text to number: the leading decimal digits, 0 for anything else or out of range.
unsigned short PortNumber(const std::string& text);

}  // namespace netcourier
