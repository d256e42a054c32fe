// netcourier: the HTTP request client of the account service.
//
// One exported class, CCommClient. Each admitted request runs on a thread of its own, which
// takes the process-wide request lock (the named mutex "CommMutex"), checks that the machine
// is online, performs the exchange and hands the decoded reply back through the caller's
// reply callback. The caller's busy flag tells whether a request is in flight. Every step is
// written to ".\Logs\comlog.log".
#pragma once

#include <windows.h>

#include <string>

#if defined(NETCOURIER_BUILD)
#define NETCOURIER_API __declspec(dllexport)
#elif defined(NETCOURIER_STATIC)
#define NETCOURIER_API
#else
#define NETCOURIER_API __declspec(dllimport)
#endif

// Reply callback, called on the worker thread: (context value, status, reply text, reply
// length, reply window). Status 0 with a text is a reply; status 0 with no text (null,
// length 0) means the exchange produced nothing usable; status -1 with the empty text means
// failure. Downloads pass a phase number instead of the context value on failure. The result
// is ignored.
typedef int (*LPCOMMREPLYPROC)(UINT context, int status, const char* reply, int length,
                               HWND replyWnd);
// Status callback, called on the worker thread: (status index 1..11, status text). The
// result is ignored.
typedef int (*LPCOMMSTATUSPROC)(int index, const char* text);

class NETCOURIER_API CCommClient {
public:
    // Thrown and caught inside the worker threads only: a bad HTTP status (code = status,
    // "HTTP Error"), an undecodable reply (8, "Response string decoding error") or a local
    // file that cannot be opened (0, "Unable to Open a local file").
    class CHTTPError {
    public:
        CHTTPError(int code, const char* text) : m_code(code), m_text(text ? text : "") {}
        int Code() const { return m_code; }
        const char* Text() const { return m_text.c_str(); }

    private:
        int m_code;
        std::string m_text;
    };

    // Sets the defaults, makes sure the request lock exists (throws std::system_error when
    // the named mutex cannot be created) and opens the log.
    CCommClient();
    virtual ~CCommClient();

    CCommClient(const CCommClient&) = delete;
    CCommClient& operator=(const CCommClient&) = delete;

    // Each setter copies the text; a null pointer is stored as the empty text.
    void SetRequestPrefix(const char* text);
    void SetContentType(const char* text);
    void SetEmailAddress(const char* text);
    void SetApplicationCode(const char* text);
    void SetApplicationVersion(const char* text);
    void SetAppBuildNumber(const char* text);
    void SetProtocolVersion(const char* text);
    void SetCookiePrefix(const char* text);
    void SetCookieName(const char* text);
    void SetOnLinePort(const char* text);
    void SetOnLineServer(const char* text);
    // Window that receives LXPAPI_MSG_ONSTARTICONMOVING / LXPAPI_MSG_ONSTOPICONMOVING.
    void SetParentHWND(HWND parent);

    // Starts a request on a new thread and returns 1; returns 0 when no online server is
    // set or when *busyFlag is already 1. busyFlag and context must outlive the request
    // (until *busyFlag is back to 0); statusProc may be null.
    int SendRequest(UINT requestCode, const char* data, LPCOMMREPLYPROC replyProc,
                    int* busyFlag, UINT& context, LPCOMMSTATUSPROC statusProc, HWND replyWnd);

    // Downloads http://server:port/objectPath into localPath on a new thread and returns 1;
    // returns 0 when *busyFlag is already 1. progressBar (may be null) is a progress bar
    // control that follows the transfer.
    int SendDownloadRequest(const char* server, const char* port, const char* objectPath,
                            const char* localPath, LPCOMMREPLYPROC replyProc, int* busyFlag,
                            UINT& context, HWND progressBar, HWND replyWnd);

private:
    std::string m_strRequestPrefix;
    std::string m_strOnLineServer;
    std::string m_strOnLinePort;
    std::string m_strContentType;
    std::string m_strEmailAddress;
    std::string m_strApplicationCode;
    std::string m_strApplicationVersion;
    std::string m_strAppBuildNumber;
    std::string m_strProtocolVersion;
    std::string m_strCookiePrefix;
    std::string m_strCookieName;
    HWND m_hParentWnd;
};
