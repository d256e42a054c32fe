#include "commclientwrapper.h"

#include "errorlog.h"
#include "fieldsplitter.h"
#include "lxpmessages.h"

namespace {

// Every operation of the wrapper traces through a log object of its own.
void Trace(const std::string& first, const std::string& second)
{
    CErrorLog log(".\\logs\\ErrorLog.log", 1000, 1);
    log.Write(first, second);
}

HWND g_hCallingWnd = nullptr;
HWND g_hWaitingWnd = nullptr;

HWND CallingWindow()
{
    return __atomic_load_n(&g_hCallingWnd, __ATOMIC_SEQ_CST);
}

// Sends a reply message with a record that lives until the receiver has handled it.
void SendReply(HWND wnd, LxpMsg msg, WPARAM wParam, const ReplyFields& fields)
{
    SendMessageA(wnd, LxpMessage(msg), wParam, reinterpret_cast<LPARAM>(&fields));
}

// A reply of the client, as the page reads it.
int DeliverReply(LxpMsg msg, int status, const char* reply, int length, HWND wnd)
{
    ReplyFields fields;
    WPARAM wParam = 0;
    if (status != 0) {
        fields.code = status;
        wParam = static_cast<WPARAM>(-1);
    } else if (reply && length > 0) {
        fields = ReplyFields::Cut(0, std::string(reply, static_cast<size_t>(length)));
    } else {
        fields.code = 2001;
    }
    SendReply(wnd ? wnd : CallingWindow(), msg, wParam, fields);
    return 0;
}

}  // namespace

ReplyFields ReplyFields::Cut(int code, const std::string& reply)
{
    ReplyFields fields;
    fields.code = code;
    CFieldSplitter splitter;
    if (splitter.Split(reply, "|")) {
        fields.text = splitter.GetNormalisedText();
        for (unsigned i = 0; i < splitter.GetCount(); ++i)
            fields.fields.push_back(splitter.GetField(i));
    }
    return fields;
}

// One kind of request: its trace, code, busy flag, callbacks and reply message.
struct CCommClientWrapper::Request {
    const char* trace;  // nullptr: not traced
    UINT code;
    int CCommClientWrapper::*busy;
    LPCOMMREPLYPROC reply;
    bool progress;  // progress goes to the waiting window
    LxpMsg replyMsg;
};

CCommClientWrapper::CCommClientWrapper()
{
    Trace("CCommClientWrapper::CCommClientWrapper()", "<Invoke>");
}

CCommClientWrapper::~CCommClientWrapper()
{
    Trace("CCommClientWrapper::~CCommClientWrapper()", "<Invoke>");
}

void CCommClientWrapper::SetRequestPrefix(const std::string& text) { m_client.SetRequestPrefix(text.c_str()); }
void CCommClientWrapper::SetApplicationCode(const std::string& text) { m_client.SetApplicationCode(text.c_str()); }
void CCommClientWrapper::SetApplicationVersion(const std::string& text) { m_client.SetApplicationVersion(text.c_str()); }
void CCommClientWrapper::SetAppBuildNumber(const std::string& text) { m_client.SetAppBuildNumber(text.c_str()); }
void CCommClientWrapper::SetProtocolVersion(const std::string& text) { m_client.SetProtocolVersion(text.c_str()); }
void CCommClientWrapper::SetCookiePrefix(const std::string& text) { m_client.SetCookiePrefix(text.c_str()); }
void CCommClientWrapper::SetCookieName(const std::string& text) { m_client.SetCookieName(text.c_str()); }

void CCommClientWrapper::SetEmailAddress(const std::string& text)
{
    m_strEmailAddress = text;
    m_client.SetEmailAddress(text.c_str());
}

void CCommClientWrapper::SetCallingWindow(HWND wnd)
{
    Trace("CCommClientWrapper::SetCallingWindow()", "<Invoke>");
    __atomic_store_n(&g_hCallingWnd, wnd, __ATOMIC_SEQ_CST);
}

void CCommClientWrapper::SetWaitingWindow(HWND wnd)
{
    Trace("CCommClientWrapper::SetWaitingWindow()", "<Invoke>");
    __atomic_store_n(&g_hWaitingWnd, wnd, __ATOMIC_SEQ_CST);
}

HWND CCommClientWrapper::GetCallingWindow() { return CallingWindow(); }

HWND CCommClientWrapper::GetWaitingWindow()
{
    return __atomic_load_n(&g_hWaitingWnd, __ATOMIC_SEQ_CST);
}

int CCommClientWrapper::IsServerLinkReady() const
{
    return __atomic_load_n(&m_bServerLinkReady, __ATOMIC_SEQ_CST);
}

int CCommClientWrapper::CheckInetConnection()
{
    static const char kName[] = "CCommClientWrapper::CheckInetConnection()";
    CErrorLog log(".\\logs\\ErrorLog.log", 1000, 1);
    log.Write(kName, "<Start>");
    m_connectionCheck.SetNotifyWindow(CallingWindow());
    m_connectionCheck.SetReadyFlag(&m_bServerLinkReady);
    try {
        std::string server, port;
        m_connectionCheck.GetServerNameAndPortNumber(server, port);
    } catch (...) {
        // The outcome comes by message; a failed check is a hunt that never reports.
    }
    log.Write(kName, "<End>");
    return 1;
}

int CCommClientWrapper::UserAuthentication(const std::string& password)
{
    return Send(100, password + "|");
}

int CCommClientWrapper::LogOut()
{
    return Send(102, " ");
}

int CCommClientWrapper::RegisterEmailAddress(const std::string& language)
{
    return Send(104, language + "|");
}

int CCommClientWrapper::RequestPassword(const std::string& preferredLanguage)
{
    return Send(108, preferredLanguage + "|");
}

int CCommClientWrapper::SubmissionOfPersonalInfo(const std::string& userInfo)
{
    return Send(112, userInfo);
}

int CCommClientWrapper::MobileNumberRegistration(const std::string& mobileNumber)
{
    return Send(116, mobileNumber + "|");
}

int CCommClientWrapper::MobileNumberValidation(const std::string& mobileNumber)
{
    return Send(118, mobileNumber + "|");
}

int CCommClientWrapper::ReportInstallation(const std::string& report)
{
    __atomic_store_n(&s_reportStatus, kReportOut, __ATOMIC_SEQ_CST);
    const int result = Send(310, report);
    // Started when the client took it: its busy flag set, or its answer already in.
    m_reportStarted = result == 0 &&
                      (__atomic_load_n(&m_bReportInstallationBusy, __ATOMIC_SEQ_CST) != 0 ||
                       __atomic_load_n(&s_reportStatus, __ATOMIC_SEQ_CST) != kReportOut);
    return result;
}

int CCommClientWrapper::WaitForReport(DWORD ms)
{
    const DWORD deadline = GetTickCount() + ms;
    for (;;) {
        const int status = __atomic_load_n(&s_reportStatus, __ATOMIC_SEQ_CST);
        if (status != kReportOut)
            return status == 0 ? 1 : 0;
        if (!m_reportStarted)  // refused, or no server: nothing will answer
            return 0;
        const LONG left = static_cast<LONG>(deadline - GetTickCount());
        if (left <= 0)
            return 0;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 50 ? static_cast<DWORD>(left) : 50,
                                  QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

int CCommClientWrapper::Send(UINT code, const std::string& data)
{
    const Request* found = nullptr;
    for (const Request& r : s_requests)
        if (r.code == code)
            found = &r;
    const Request& request = *found;
    if (request.trace)
        Trace(request.trace, "<Invoke>");
    if (IsServerLinkReady() == 0) {
        ReplyFields refused;
        refused.code = -1;
        SendReply(CallingWindow(), request.replyMsg, static_cast<WPARAM>(-1), refused);
        return 0;
    }
    int* busy = &(this->*request.busy);
    if (__atomic_load_n(busy, __ATOMIC_SEQ_CST) != 0)
        return 2000;
    m_client.SendRequest(request.code, data.c_str(), request.reply, busy, m_nContext,
                         request.progress ? &DecodeWaitingMessage : nullptr, CallingWindow());
    return 0;
}

int CCommClientWrapper::DecodeUserAuthentication(UINT, int status, const char* reply, int length, HWND wnd)
{
    Trace("CCommClientWrapper::DecodeUserAuthentication()", "<Invoke>");
    return DeliverReply(LxpMsg::GetCallbackUsersAuthentication, status, reply, length, wnd);
}

int CCommClientWrapper::DecodeLogOut(UINT, int status, const char* reply, int length, HWND wnd)
{
    Trace("CCommClientWrapper::DecodeLogOut()", "<Invoke>");
    return DeliverReply(LxpMsg::GetCallbackMsgLogout, status, reply, length, wnd);
}

int CCommClientWrapper::DecodeRegisterEmailAddress(UINT, int status, const char* reply, int length, HWND wnd)
{
    Trace("CCommClientWrapper::DecodeRegisterEmailAddress()", "<Invoke>");
    return DeliverReply(LxpMsg::GetCallbackRegisterEmailAddress, status, reply, length, wnd);
}

int CCommClientWrapper::DecodeRequestPassword(UINT, int status, const char* reply, int length, HWND wnd)
{
    Trace("CCommClientWrapper::DecodeRequestPassword()", "<Invoke>");
    return DeliverReply(LxpMsg::GetCallbackRequestPassword, status, reply, length, wnd);
}

int CCommClientWrapper::DecodeSubmissionOfPersonalInfo(UINT, int status, const char* reply, int length, HWND wnd)
{
    return DeliverReply(LxpMsg::GetCallbackSubmissionPersonalInfo, status, reply, length, wnd);
}

int CCommClientWrapper::DecodeMobileNumberRegistration(UINT, int status, const char* reply, int length, HWND wnd)
{
    Trace("CCommClientWrapper::DecodeMobileNumberRegistration()", "<Invoke>");
    return DeliverReply(LxpMsg::GetCallbackMobileNumberRegistration, status, reply, length, wnd);
}

int CCommClientWrapper::DecodeMobileNumberValidation(UINT, int status, const char* reply, int length, HWND wnd)
{
    Trace("CCommClientWrapper::DecodeMobileNumberValidation()", "<Invoke>");
    return DeliverReply(LxpMsg::GetCallbackMsgMobileNumberValidation, status, reply, length, wnd);
}

int CCommClientWrapper::s_reportStatus = CCommClientWrapper::kReportOut;

int CCommClientWrapper::DecodeReportInstallation(UINT, int status, const char* reply, int length, HWND)
{
    // Nobody is told; the completion page only learns whether it arrived. A report the
    // service answered without text did not arrive either.
    const bool answered = status == 0 && reply && length > 0;
    __atomic_store_n(&s_reportStatus, answered ? 0 : -1, __ATOMIC_SEQ_CST);
    return 0;
}

int CCommClientWrapper::DecodeWaitingMessage(int index, const char* text)
{
    Trace("CCommClientWrapper::DecodeWaitingMessage()", "<Invoke>");
    const std::string copy = text ? text : "";
    SendMessageA(GetWaitingWindow(), LxpMessage(LxpMsg::UpdateWaitingInternetMsg),
                 static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(copy.c_str()));
    return 0;
}

using W = CCommClientWrapper;

const W::Request W::s_requests[8] = {
    {"CCommClientWrapper::UserAuthentication(CString p_strPassword)", 100,
     &W::m_bUserAuthenticationBusy, &W::DecodeUserAuthentication, true,
     LxpMsg::GetCallbackUsersAuthentication},
    {"CCommClientWrapper::LogOut()", 102, &W::m_bLogOutBusy, &W::DecodeLogOut, false,
     LxpMsg::GetCallbackMsgLogout},
    {"CCommClientWrapper::RegisterEmailAddress(CString p_strLanguage)", 104,
     &W::m_bRegisterEmailAddressBusy, &W::DecodeRegisterEmailAddress, false,
     LxpMsg::GetCallbackRegisterEmailAddress},
    {"CCommClientWrapper::RequestPassword(CString p_strPrefLang)", 108,
     &W::m_bRequestPasswordBusy, &W::DecodeRequestPassword, true,
     LxpMsg::GetCallbackRequestPassword},
    {"CCommClientWrapper::SubmissionOfPersonalInfo(CString p_strUserInfo)", 112,
     &W::m_bSubmissionOfPersonalInfoBusy, &W::DecodeSubmissionOfPersonalInfo, true,
     LxpMsg::GetCallbackSubmissionPersonalInfo},
    {"CCommClientWrapper::MobileNumberRegistration(CString p_strMobileNumber)", 116,
     &W::m_bMobileNumberRegistrationBusy, &W::DecodeMobileNumberRegistration, true,
     LxpMsg::GetCallbackMobileNumberRegistration},
    {"CCommClientWrapper::MobileNumberValidation(CString p_strMobileNumber)", 118,
     &W::m_bMobileNumberValidationBusy, &W::DecodeMobileNumberValidation, true,
     LxpMsg::GetCallbackMsgMobileNumberValidation},
    // The installation report has no reply handling; a refusal answers as a log-out.
    {nullptr, 310, &W::m_bReportInstallationBusy, &W::DecodeReportInstallation, true,
     LxpMsg::GetCallbackMsgLogout},
};
