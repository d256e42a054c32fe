// The wizard's one gateway to the online account service.
//
// Each request is one call on the wrapper, made on the user-interface thread; its answer
// arrives later at the calling window as the request's registered reply message, with wParam
// 0 (a reply) or -1 (failure) and a const ReplyFields* in lParam that lives only while the
// handler runs. Progress of an exchange reaches the waiting window as
// LXPAPI_MSG_UPDATEWAITINGINTERNETMSG (wParam the status index 1..11, lParam a const char*
// text valid during the call). Requests are refused until a server hunt has finished
// (CheckInetConnection); the refusal is the reply message with wParam -1, sent at once.
#pragma once

#include "connectioncheck.h"
#include "netcourier.h"

#include <windows.h>

#include <string>
#include <vector>

// A reply of the account service cut into its fields.
struct ReplyFields {
    // 0 a reply, -1 a failure, 2001 an exchange that ended without text.
    int code = 0;
    // The reply trimmed, ending with "|".
    std::string text;
    // The pieces between the bars, trimmed, empty ones included; the first is the service's
    // status code ("104.07" arrives as "7").
    std::vector<std::string> fields;

    // A record for a reply text (no fields for the empty text).
    static ReplyFields Cut(int code, const std::string& reply);
};

class CCommClientWrapper {
public:
    // Makes the client and the connection check (which reads the list files and ends the
    // program when one is missing). The client's constructor may throw.
    CCommClientWrapper();
    // Waits for a hunt still running; must not run while a request is in flight.
    ~CCommClientWrapper();

    CCommClientWrapper(const CCommClientWrapper&) = delete;
    CCommClientWrapper& operator=(const CCommClientWrapper&) = delete;

    // Forwarded to the client.
    void SetRequestPrefix(const std::string& text);
    void SetEmailAddress(const std::string& text);  // also kept here
    void SetApplicationCode(const std::string& text);
    void SetApplicationVersion(const std::string& text);
    void SetAppBuildNumber(const std::string& text);
    void SetProtocolVersion(const std::string& text);
    void SetCookiePrefix(const std::string& text);
    void SetCookieName(const std::string& text);

    // Process-wide: the window that receives reply messages (and the hunt's result), and the
    // window that receives progress messages. Set on the user-interface thread, between
    // requests.
    static void SetCallingWindow(HWND wnd);
    static void SetWaitingWindow(HWND wnd);
    static HWND GetCallingWindow();
    static HWND GetWaitingWindow();

    // Starts the server check; a hunt reports to the calling window with
    // LXPAPI_MSG_ONRESULTSERVERPORTHUNTING. Returns 1.
    int CheckInetConnection();

    // Request operations: 0 when started (or refused, see above), 2000 when a request of the
    // same kind is still in flight.
    int UserAuthentication(const std::string& password);
    int LogOut();
    int RegisterEmailAddress(const std::string& language);
    int RequestPassword(const std::string& preferredLanguage);
    int SubmissionOfPersonalInfo(const std::string& userInfo);
    int MobileNumberRegistration(const std::string& mobileNumber);
    int MobileNumberValidation(const std::string& mobileNumber);
    int ReportInstallation(const std::string& report);
    // Waits, at most `ms`, for the installation report started last to end, handling the
    // messages sent to this thread meanwhile (its progress goes to the waiting window). 1 when
    // the service answered it, 0 when it failed, was refused or is still out.
    int WaitForReport(DWORD ms);

    // The client: the page that received a hunt's pair gives it SetOnLineServer and
    // SetOnLinePort directly.
    CCommClient& GetClient() { return m_client; }
    CConnectionCheck& GetConnectionCheck() { return m_connectionCheck; }
    // 1 once a server hunt has finished.
    int IsServerLinkReady() const;

    // The pair found by the last hunt, as the page stored it.
    void SetOnLineServer(const std::string& server) { m_strOnLineServer = server; }
    void SetOnLinePort(const std::string& port) { m_strOnLinePort = port; }
    const std::string& GetOnLineServer() const { return m_strOnLineServer; }
    const std::string& GetOnLinePort() const { return m_strOnLinePort; }
    const std::string& GetEmailAddress() const { return m_strEmailAddress; }

    // Reply callbacks (the client's worker threads).
    static int DecodeUserAuthentication(UINT context, int status, const char* reply, int length, HWND wnd);
    static int DecodeLogOut(UINT context, int status, const char* reply, int length, HWND wnd);
    static int DecodeRegisterEmailAddress(UINT context, int status, const char* reply, int length, HWND wnd);
    static int DecodeRequestPassword(UINT context, int status, const char* reply, int length, HWND wnd);
    static int DecodeSubmissionOfPersonalInfo(UINT context, int status, const char* reply, int length, HWND wnd);
    static int DecodeMobileNumberRegistration(UINT context, int status, const char* reply, int length, HWND wnd);
    static int DecodeMobileNumberValidation(UINT context, int status, const char* reply, int length, HWND wnd);
    static int DecodeReportInstallation(UINT context, int status, const char* reply, int length, HWND wnd);
    // Status callback: progress to the waiting window.
    static int DecodeWaitingMessage(int index, const char* text);

private:
    struct Request;
    static const Request s_requests[8];
    int Send(UINT code, const std::string& data);

    CCommClient m_client;
    CConnectionCheck m_connectionCheck;
    int m_bUserAuthenticationBusy = 0;
    int m_bRegisterEmailAddressBusy = 0;
    int m_bRequestPasswordBusy = 0;
    int m_bSubmissionOfPersonalInfoBusy = 0;
    int m_bMobileNumberRegistrationBusy = 0;
    int m_bMobileNumberValidationBusy = 0;
    int m_bLogOutBusy = 0;
    int m_bReportInstallationBusy = 0;
    int m_bServerLinkReady = 0;
    // How the installation report started last ended: kReportOut while it is out.
    static constexpr int kReportOut = -1000;
    static int s_reportStatus;
    bool m_reportStarted = false;
    UINT m_nContext = 0;
    std::string m_strEmailAddress;
    std::string m_strOnLineServer;
    std::string m_strOnLinePort;
};
