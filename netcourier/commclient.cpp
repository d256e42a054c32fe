// CCommClient: the settings every request carries and the admission of requests. The
// exchange itself runs on the worker threads (core/). Only the constructor throws (the
// request lock cannot be made); every other member catches what is thrown inside it.
#include "netcourier.h"

#include "core/comlog.h"
#include "core/commlock.h"
#include "core/jobs.h"

#include <cstdio>
#include <memory>
#include <system_error>

using netcourier::CommLog;

namespace {

std::string Text(const char* text)
{
    return text ? std::string(text) : std::string();
}

}  // namespace

CCommClient::CCommClient()
    : m_strRequestPrefix("ZORodaze/NV?message="),
      m_strContentType("Application/Octet"),
      m_strApplicationCode("LXK"),
      m_strProtocolVersion("3"),
      m_strCookiePrefix("ZORodaze/NV"),
      m_strCookieName("RU-VAVAVU"),
      m_hParentWnd(nullptr)
{
    if (!netcourier::AddCommLockUser())
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "CommMutex");
    netcourier::OpenCommLog(".\\Logs\\comlog.log");
    CommLog("CCommClient::CCommClient() --> start invoke");
}

CCommClient::~CCommClient()
{
    try {
        CommLog("CCommClient::~CCommClient() --> start invoke");
    } catch (...) {
    }
    for (std::string* s : {&m_strRequestPrefix, &m_strOnLineServer, &m_strOnLinePort,
                           &m_strContentType, &m_strEmailAddress, &m_strApplicationCode,
                           &m_strApplicationVersion, &m_strAppBuildNumber, &m_strProtocolVersion,
                           &m_strCookiePrefix, &m_strCookieName})
        s->clear();
    // The lock itself stays while another object or a worker thread still uses it.
    netcourier::ReleaseCommLockUser();
}

void CCommClient::SetRequestPrefix(const char* text)
try {
    CommLog("CCommClient::SetRequestPrefix() --> start invoke");
    m_strRequestPrefix = Text(text);
} catch (...) {
}

void CCommClient::SetContentType(const char* text)
try {
    CommLog("CCommClient::SetContentType() --> start invoke");
    m_strContentType = Text(text);
} catch (...) {
}

void CCommClient::SetEmailAddress(const char* text)
try {
    CommLog("CCommClient::SetEmailAddress() --> start invoke");
    m_strEmailAddress = Text(text);
} catch (...) {
}

void CCommClient::SetApplicationCode(const char* text)
try {
    CommLog("CCommClient::SetApplicationCode() --> start invoke");
    m_strApplicationCode = Text(text);
} catch (...) {
}

void CCommClient::SetApplicationVersion(const char* text)
try {
    CommLog("CCommClient::SetApplicationVersion() --> start invoke");
    m_strApplicationVersion = Text(text);
} catch (...) {
}

void CCommClient::SetAppBuildNumber(const char* text)
try {
    CommLog("CCommClient::SetAppBuildNumber() --> start invoke");
    m_strAppBuildNumber = Text(text);
} catch (...) {
}

void CCommClient::SetProtocolVersion(const char* text)
try {
    CommLog("CCommClient::SetProtocolVersion() --> start invoke");
    m_strProtocolVersion = Text(text);
} catch (...) {
}

void CCommClient::SetCookiePrefix(const char* text)
try {
    CommLog("CCommClient::SetCookiePrefix() --> start invoke");
    m_strCookiePrefix = Text(text);
} catch (...) {
}

void CCommClient::SetCookieName(const char* text)
try {
    CommLog("CCommClient::SetCookieName() --> start invoke");
    m_strCookieName = Text(text);
} catch (...) {
}

void CCommClient::SetOnLinePort(const char* text)
try {
    CommLog("CCommClient::SetOnLinePort() --> start invoke");
    m_strOnLinePort = Text(text);
} catch (...) {
}

void CCommClient::SetOnLineServer(const char* text)
try {
    CommLog("CCommClient::SetOnLineServer() --> start invoke");
    m_strOnLineServer = Text(text);
} catch (...) {
}

void CCommClient::SetParentHWND(HWND parent)
{
    m_hParentWnd = parent;
}

int CCommClient::SendRequest(UINT requestCode, const char* data, LPCOMMREPLYPROC replyProc,
                             int* busyFlag, UINT& context, LPCOMMSTATUSPROC statusProc,
                             HWND replyWnd)
try {
    char code[16];
    std::snprintf(code, sizeof code, "%u", requestCode);
    CommLog(std::string("CCommClient::SendRequest() --> start invoke [ Request Code : ") + code +
            "]");
    if (m_strOnLineServer.empty()) {
        CommLog("CCommClient::SendRequest() --> No Online Server");
        return 0;
    }
    std::unique_ptr<netcourier::SendJob> job;
    try {
        job = std::make_unique<netcourier::SendJob>();
    } catch (...) {
        return 0;  // out of memory: nothing is thrown to the caller
    }
    job->busy = netcourier::BusyFlag(busyFlag);
    if (!job->busy.Admit()) {
        CommLog(std::string("CCommClient::SendRequest() --> Request has not yet been finish [") +
                "Request code : " + code + "]");
        return 0;
    }
    try {
        // The worker works on copies: changing a setting never touches a request under way.
        job->requestPrefix = m_strRequestPrefix;
        job->requestLine = m_strApplicationCode + ";" + m_strApplicationVersion + ";" +
                           m_strAppBuildNumber + ";" + m_strProtocolVersion + ";" + code + ";|" +
                           m_strEmailAddress + "|" + Text(data);
        job->headers = "user-agent: null \r\ncontent-type: " + m_strContentType + "\r\n";
        job->server = m_strOnLineServer;
        job->port = m_strOnLinePort;
        job->codeText = code;
    } catch (...) {
        job->busy.Clear();
        return 0;
    }
    job->context = &context;
    job->replyProc = replyProc;
    job->statusProc = statusProc;
    job->replyWnd = replyWnd;
    job->parentWnd = m_hParentWnd;
    if (!netcourier::AddCommLockUser()) {
        job->busy.Clear();
        return 0;
    }
    if (!netcourier::StartSendWorker(job)) {
        job->busy.Clear();
        netcourier::ReleaseCommLockUser();
        return 0;
    }
    return 1;
} catch (...) {
    return 0;  // a log line that could not be made: nothing is thrown to the caller
}

int CCommClient::SendDownloadRequest(const char* server, const char* port,
                                     const char* objectPath, const char* localPath,
                                     LPCOMMREPLYPROC replyProc, int* busyFlag, UINT& context,
                                     HWND progressBar, HWND replyWnd)
try {
    CommLog("CCommClient::SendDownloadRequest() --> start invoke");
    std::unique_ptr<netcourier::DownloadJob> job;
    try {
        job = std::make_unique<netcourier::DownloadJob>();
        job->server = Text(server);
        job->port = Text(port);
        job->objectPath = Text(objectPath);
        job->localPath = Text(localPath);
    } catch (...) {
        return 0;  // out of memory: nothing is thrown to the caller
    }
    job->busy = netcourier::BusyFlag(busyFlag);
    if (!job->busy.Admit())
        return 0;
    job->context = &context;
    job->replyProc = replyProc;
    job->progressBar = progressBar;
    job->replyWnd = replyWnd;
    job->parentWnd = m_hParentWnd;
    if (!netcourier::AddCommLockUser()) {
        job->busy.Clear();
        return 0;
    }
    if (!netcourier::StartDownloadWorker(job)) {
        job->busy.Clear();
        netcourier::ReleaseCommLockUser();
        return 0;
    }
    return 1;
} catch (...) {
    return 0;  // a log line that could not be made: nothing is thrown to the caller
}
