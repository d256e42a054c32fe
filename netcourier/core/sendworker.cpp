// The send worker: one thread per request. It takes the request lock, checks that the
// machine is online, sends the encoded request line and hands the decoded reply to the
// caller's reply callback. Every step goes to the communication log.
#include "comlog.h"
#include "commlock.h"
#include "inethandle.h"
#include "jobs.h"
#include "lxpmessages.h"
#include "workerrun.h"
#include "productfacts.h"

#include <process.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace netcourier {

namespace {

std::string Printf(const char* format, long value)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

std::string Trim(const std::string& s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

// WinInet notifications -> status callback (index, text). The connection and request
// handles carry the job as their context; the root handle's own notifications (context 0)
// are not passed on.
void CALLBACK StatusNotify(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                           DWORD infoLength)
{
    if (context == 0)
        return;
    const SendJob* job = reinterpret_cast<const SendJob*>(context);
    if (!job->statusProc)
        return;
    int index;
    switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME: index = 1; break;
    case INTERNET_STATUS_NAME_RESOLVED: index = 2; break;
    case INTERNET_STATUS_CONNECTING_TO_SERVER: index = 3; break;
    case INTERNET_STATUS_CONNECTED_TO_SERVER: index = 4; break;
    case INTERNET_STATUS_SENDING_REQUEST: index = 5; break;
    case INTERNET_STATUS_REQUEST_SENT: index = 6; break;
    case INTERNET_STATUS_RESPONSE_RECEIVED: index = 7; break;
    case INTERNET_STATUS_CLOSING_CONNECTION: index = 8; break;
    case INTERNET_STATUS_CONNECTION_CLOSED: index = 9; break;
    case INTERNET_STATUS_REQUEST_COMPLETE: index = 10; break;
    case INTERNET_STATUS_REDIRECT: index = 11; break;
    default: return;
    }
    std::string text;
    if (index == 1 || index == 2) {
        // The name or address as WinInet reports it, as text.
        std::string name;
        if (info && infoLength > 0) {
            const char* p = static_cast<const char*>(info);
            name.assign(p, strnlen(p, infoLength));
        }
        text = index == 1 ? name : "Name resolved " + name;
    }
    job->statusProc(index, text.c_str());
}

void AddHeaders(HINTERNET request, const std::string& block)
{
    // Line by line, so that a header already present (the session's own user agent) does not
    // keep the lines after it out.
    size_t start = 0;
    while (start < block.size()) {
        size_t end = block.find("\r\n", start);
        if (end == std::string::npos)
            end = block.size();
        const std::string line = block.substr(start, end - start) + "\r\n";
        if (end > start)
            HttpAddRequestHeadersA(request, line.c_str(), static_cast<DWORD>(line.size()),
                                   HTTP_ADDREQ_FLAG_ADD_IF_NEW);
        start = end + 2;
    }
}

void SendBody(HINTERNET request, const std::string& body, DWORD_PTR context)
{
    INTERNET_BUFFERSA buffers = {};
    buffers.dwStructSize = sizeof buffers;
    buffers.dwBufferTotal = static_cast<DWORD>(body.size());
    CheckInet(HttpSendRequestExA(request, &buffers, nullptr, 0, context));
    size_t done = 0;
    while (done < body.size()) {
        DWORD written = 0;
        CheckInet(InternetWriteFile(request, body.data() + done,
                                    static_cast<DWORD>(body.size() - done), &written));
        if (written == 0)
            break;
        done += written;
    }
    CheckInet(HttpEndRequestA(request, nullptr, 0, context));
}

std::string ReadBody(HINTERNET request)
{
    std::string body;
    char chunk[1024];
    for (;;) {
        DWORD got = 0;
        CheckInet(InternetReadFile(request, chunk, sizeof chunk, &got));
        if (got == 0)
            break;
        body.append(chunk, strnlen(chunk, got));  // a chunk is text up to its first zero
    }
    return body;
}

unsigned __stdcall SendThread(void* param)
{
    RunSendJob(std::unique_ptr<SendJob>(static_cast<SendJob*>(param)));
    return 0;
}

}  // namespace

std::string ModuleAgentName()
{
    return lxfacts::ModuleBaseName(
        lxfacts::ModuleOfAddress(reinterpret_cast<const void*>(&ModuleAgentName)));
}

void OpenRoot(InetHandle& root, const std::string& agent)
{
    const std::string name = agent.empty() ? ModuleAgentName() : agent;
    root.Reset(InternetOpenA(name.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    DWORD timeout = 5000;
    InternetSetOptionA(root.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
}

DWORD QueryStatusCode(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    CheckInet(HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                             &size, nullptr));
    return status;
}

void RunSendJob(std::unique_ptr<SendJob> job)
{
    const std::string code = job->codeText;
    const std::string prefix = "CCommClient::WorkerThread(Request Code --> " + code;
    auto log = [&prefix](const std::string& text) { CommLog(prefix + text); };
    WorkerRun<SendJob> run(
        job, "CCommClient::WorkerThread() --> start invoke",
        "CCommClient::WorkerThread() --> 1. Locking WorkerThread using mutex and single lock");
    run.SetEnding(prefix + ") --> 15. Unlocking the workerthread", prefix + ") --> 16. End Thread");
    SendJob* const j = job.get();
    auto reply = [j](int status, const char* text, int length) {
        if (j->replyProc)
            j->replyProc(*j->context, status, text, length, j->replyWnd);
    };
    const std::string osName = OsName();

    if (!MachineOnline(osName)) {
        job->busy.Clear();
        reply(-1, "", 0);
        log(") --> 15. Internet Offlinef");
    } else {
        run.StartIcons("CCommClient::WorkerThread() --> 1a. Initializing Icon animate.");
        const DWORD_PTR context = reinterpret_cast<DWORD_PTR>(j);
        InetHandle root, connection, request;
        int step = 0;
        try {
            log(") --> 2. Initialize InternetSession (OnLine Internet)");
            OpenRoot(root, std::string());
            log(") --> 3. Setting Timeout, Backoff and Retries");
            if (job->statusProc)
                InternetSetStatusCallbackA(root.Get(), &StatusNotify);

            const std::string agentPart = job->requestLine.substr(0, job->requestLine.find('|'));
            CommLog("CCommClient::WorkerThread: USERAGENT[" + agentPart + "] FROM[" +
                    job->headers + "]");
            // Requests with code 100 carry the password: their line is never written.
            if (code != "100")
                CommLog("CCommClient::WorkerThread: RequestMessage [" + job->requestLine + "]");

            log(") --> 4. Encoding Request Data to Huffman");
            std::string encoded;
            if (!job->encode(job->requestLine, encoded)) {
                reply(0, nullptr, 0);
                job->busy.Clear();
                run.StopIcons("CCommClient::WorkerThread() --> 4c. Stoping icon animation.");
                log(") --> 4a. Error in encoding the data.");
                run.SetEnding(prefix + ") --> 4b. Unlocking the workerthread", std::string());
                return;
            }

            log(") --> 5. Open an HTTP Connection");
            connection.Reset(InternetConnectA(root.Get(), job->server.c_str(),
                                              PortNumber(job->port), nullptr, nullptr,
                                              INTERNET_SERVICE_HTTP, 0, context));
            step = 1;
            const bool post = _stricmp(code.c_str(), "200") == 0;
            std::string object;
            if (post) {
                CommLog("CCommClient::WorkerThreadRequest Code --> " + code +
                        "() --> 6. Open an HTTP Request. [HTTP_VERB_POST] ");
                const size_t q = job->requestPrefix.rfind('?');
                object = q == std::string::npos ? job->requestPrefix
                                                : job->requestPrefix.substr(0, q + 1);
            } else {
                log(") --> 6. Open an HTTP Request. [HTTP_VERB_GET] ");
                object = "/" + job->requestPrefix + encoded;
            }
            request.Reset(HttpOpenRequestA(connection.Get(), post ? "POST" : "GET",
                                           object.c_str(), nullptr, nullptr, nullptr,
                                           INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
                                           context));
            step = 2;
            log(") --> 7. Adding the request headers.");
            step = 3;
            AddHeaders(request.Get(), job->headers);
            log(") --> 8. Sending the Request");
            step = 31;
            if (post)
                SendBody(request.Get(), encoded, context);
            else
                CheckInet(HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0));
            step = 4;
            const DWORD status = QueryStatusCode(request.Get());
            step = 5;
            log(") --> 9. Response Returned");
            if (status != 200)
                throw CCommClient::CHTTPError(static_cast<int>(status), "HTTP Error");

            log(") --> 10. Retrieving the response.");
            const std::string body = ReadBody(request.Get());
            step = 6;
            log(") --> 11. Decoding the response.");
            if (body.empty()) {
                log(") --> 13. Response string is empty.");
                step = 10;
                job->busy.Clear();
                reply(-1, "", 0);
            } else {
                // The server ends the body with a line end.
                const std::string text = body.substr(0, body.size() >= 2 ? body.size() - 2 : 0);
                std::string decoded;
                const bool ok = job->decode(text, decoded);
                step = 7;
                if (!ok) {
                    job->busy.Clear();
                    reply(0, nullptr, 0);
                    step = 8;
                    throw CCommClient::CHTTPError(8, "Response string decoding error");
                }
                const std::string replyText = Trim(decoded);
                CommLog("CCommClient::WorkerThread: RESPONSE[" + replyText + "]");
                log(") --> 12. Response returned to the client application.");
                job->busy.Clear();
                reply(0, replyText.c_str(), static_cast<int>(replyText.size()));
                step = 9;
            }
        } catch (const InternetError& e) {
            log(") --> 13a. Error Occurred -->" +
                Printf("Internet Exception %ld: ", static_cast<long>(e.code)) + "\"" +
                InternetErrorText(e.code) + "\"");
            CommLog(Printf("After step %ld", step));
            job->busy.Clear();
            reply(-1, "", 0);
        } catch (const CCommClient::CHTTPError& e) {
            log(") --> 13b. Error Occurred -->" + Printf("Error %ld: ", e.Code()) + "\"" +
                e.Text() + "\"");
            job->busy.Clear();
            reply(-1, "", 0);
        } catch (...) {
            CommLog("CCommClient::WorkerThread: Unknown Exception Error handled");
            log(") --> 13c. Error Occurred -->" + Printf("Last step performed: %ld", step));
            job->busy.Clear();
            reply(-1, "", 0);
        }
        run.StopIcons("CCommClient::WorkerThread() --> 14. Stoping icon animation.");
        log(") --> 14a. Deleting HTTPFile and Threaddata.");
        request.Close();
        connection.Close();
        root.Close();
    }
}

bool StartSendWorker(std::unique_ptr<SendJob>& job)
{
    const uintptr_t thread = _beginthreadex(nullptr, 0, &SendThread, job.get(), 0, nullptr);
    if (thread == 0)
        return false;
    job.release();  // the thread owns it now
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

}  // namespace netcourier
