#include "connectioncheck.h"

#include "errorlog.h"
#include "fieldsplitter.h"
#include "inetstate.h"
#include "lxpmessages.h"

#include <wininet.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

// Every operation of the checker traces through a log object of its own.
const char kLogPath[] = ".\\Logs\\ErrorLog.log";

const char kServerList[] = ".\\data\\server.lst";
const char kPortList[] = ".\\data\\port.lst";

struct InternetFailure {
    DWORD code;
};

// A WinInet root handle set up for pinging: agent "Lexipop", preconfigured proxy settings,
// connect time-out 10 s, back-off 1 s, one retry. Closed with the object.
class PingSession {
public:
    PingSession()
    {
        m_root = InternetOpenA("Lexipop", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (!m_root)
            throw InternetFailure{GetLastError()};
        SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, 10000);
        SetOption(INTERNET_OPTION_CONNECT_BACKOFF, 1000);
        SetOption(INTERNET_OPTION_CONNECT_RETRIES, 1);
    }
    ~PingSession()
    {
        if (m_request)
            InternetCloseHandle(m_request);
        InternetCloseHandle(m_root);
    }
    PingSession(const PingSession&) = delete;
    PingSession& operator=(const PingSession&) = delete;

    // Opens the URL; a response of any status counts. Throws InternetFailure otherwise.
    void Open(const std::string& url)
    {
        // Never from the cache: a ping must reach the server.
        m_request = InternetOpenUrlA(m_root, url.c_str(), nullptr, 0,
                                     INTERNET_FLAG_TRANSFER_ASCII | INTERNET_FLAG_RELOAD |
                                         INTERNET_FLAG_NO_CACHE_WRITE,
                                     1);
        if (!m_request)
            throw InternetFailure{GetLastError()};
    }
    DWORD Status() const
    {
        DWORD status = 0, size = sizeof status;
        if (!HttpQueryInfoA(m_request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                            &size, nullptr))
            throw InternetFailure{GetLastError()};
        return status;
    }
    void CloseResponse()
    {
        InternetCloseHandle(m_request);
        m_request = nullptr;
    }

private:
    void SetOption(DWORD option, DWORD value)
    {
        InternetSetOptionA(m_root, option, &value, sizeof value);
    }

    HINTERNET m_root = nullptr;
    HINTERNET m_request = nullptr;
};

std::string PingUrl(const std::string& server, const std::string& port)
{
    return "http://" + server + ":" + port + "/ZORodaze/ping.jsp";
}

std::vector<std::string> LoadList(const char* path)
{
    CFieldSplitter splitter;
    splitter.LoadFile(path);
    std::vector<std::string> items;
    for (unsigned i = 0; i < splitter.GetCount(); ++i)
        items.push_back(splitter.GetField(i));
    return items;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void Store(int* target, int value)
{
    if (target)
        __atomic_store_n(target, value, __ATOMIC_SEQ_CST);
}

bool Abandoned(const ServerPortJob& job)
{
    if (!job.guard)
        return false;
    std::lock_guard<std::mutex> hold(job.guard->lock);
    return job.guard->abandoned;
}

// A hunt's write into the checker (its index) or the wrapper (the ready flag), unless the
// checker gave up waiting for the hunt.
void Publish(const ServerPortJob& job, int* target, int value)
{
    if (!job.guard) {
        Store(target, value);
        return;
    }
    std::lock_guard<std::mutex> hold(job.guard->lock);
    if (!job.guard->abandoned)
        Store(target, value);
}

// The hunt result text, owned by the receiver of the message.
char* NewHuntResult(const std::string& server, const std::string& port)
{
    const std::string text = server + "|" + port + "|";
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

unsigned SecondsNow()
{
    return static_cast<unsigned>(std::time(nullptr));
}

}  // namespace

unsigned (*CConnectionCheck::s_pfnSeed)() = &SecondsNow;

CConnectionCheck::CConnectionCheck()
{
    InitLists();
}

CConnectionCheck::~CConnectionCheck()
{
    ReapHunts(true);
}

void CConnectionCheck::InitLists()
{
    CErrorLog log(kLogPath, 1000, 1);
    log.Write("CConnectionCheck::InitLists()", "<Invoke>");
    const std::vector<std::string> servers = LoadList(kServerList);
    if (servers.empty())
        return;
    log.Write("CConnectionCheck::InitLists()", "Server List");
    for (const std::string& item : servers) {
        const std::string name = Lower(item);
        log.Write("CConnectionCheck::InitLists() Server: ", name);
        m_servers.push_back(ServerEntry{name, 0});
    }
    const std::vector<std::string> ports = LoadList(kPortList);
    log.Write("CConnectionCheck::InitLists()", "Port List");
    for (const std::string& item : ports) {
        m_ports.push_back(item);
        log.Write("CConnectionCheck::InitLists() Port: ", item);
    }
    log.Write("CConnectionCheck::InitLists() : EstablishServerConnection()",
              "Establishing Initial Connection to Server");
}

int CConnectionCheck::CheckActiveServerAndPort()
{
    static const char kName[] = "CConnectionCheck::CheckActiveServerAndPort()";
    CErrorLog log(kLogPath, 1000, 1);
    log.Write(kName, "<Invoke>");
    log.Write("CConnectionCheck::CheckActiveServerAndPort() m_strOnLineServer: ", m_strOnLineServer);
    log.Write("CConnectionCheck::CheckActiveServerAndPort() m_strOnLinePort: ", m_strOnLinePort);
    if (!lxinet::MachineOnline())
        return 0;
    try {
        PingSession session;
        const std::string url = PingUrl(m_strOnLineServer, m_strOnLinePort);
        log.Write(kName, "Testing URL = " + url);
        if (!lxinet::MachineOnline())
            return 0;
        session.Open(url);
        const DWORD status = session.Status();
        if (status == HTTP_STATUS_OK) {
            session.CloseResponse();
            log.Write(kName, "Function returned TRUE");
            return 1;
        }
        log.Write(kName, "HTTP Error code: " + std::to_string(status));
    } catch (const InternetFailure& e) {
        log.Write(kName, "Internet Exception Error" + lxinet::InternetErrorText(e.code));
    } catch (...) {
        log.Write(kName, "Unhandled Exception Error");
    }
    return 0;
}

void CConnectionCheck::GetServerNameAndPortNumber(std::string& server, std::string& port)
{
    static const char kName[] = "CConnectionCheck::GetServerNameAndPortNumber()";
    {
        CErrorLog log(kLogPath, 1000, 1);
        log.Write(kName, "<Start>");
    }
    if (CheckActiveServerAndPort() == 0) {
        {
            CErrorLog log(kLogPath, 1000, 1);
            log.Write(kName, "CheckActiveServerAndPort() == FALSE.  Establishing server connection...");
        }
        EstablishServerConnection();
    }
    server = m_strOnLineServer;
    port = m_strOnLinePort;
    CErrorLog log(kLogPath, 1000, 1);
    log.Write(kName, "<Port = " + port + "> <Server = " + server + ">");
    log.Write(kName, "<End>");
}

void CConnectionCheck::EstablishServerConnection()
{
    static const char kName[] = "CConnectionCheck::EstablishServerConnection()";
    {
        CErrorLog log(kLogPath, 1000, 1);
        log.Write(kName, "<Invoke>");
    }
    ReapHunts(false);
    for (ServerEntry& entry : m_servers)
        entry.tested = 0;

    auto job = std::make_unique<ServerPortJob>();
    job->servers = m_servers;
    job->ports = m_ports;
    job->m_dOnLineServerIndex = &m_dOnLineServerIndex;
    job->readyFlag = m_pReadyFlag;
    job->notifyWnd = m_hNotifyWnd;
    job->guard = m_guard;
    const int index = GetServerIndex(*job);
    Store(&m_dOnLineServerIndex, index);
    job->startIndex = index;

    CErrorLog log(kLogPath, 1000, 1);
    log.Write(kName, "Before ConnectServer");
    log.Write("CConnectionCheck::EstablishServerConnection() *st_psvrportStruct->m_dOnLineServerIndex: ",
              std::to_string(index));
    HANDLE thread = CreateThread(nullptr, 0, &ConnectToServer, job.get(), 0, nullptr);
    if (thread) {
        job.release();  // the hunting thread frees it
        m_hunts.push_back(thread);
    } else if (m_hNotifyWnd) {
        // No hunt could start: report it as a hunt that found nothing.
        SendMessageA(m_hNotifyWnd, LxpMessage(LxpMsg::OnResultServerPortHunting),
                     static_cast<WPARAM>(-1), 0);
    }
    log.Write(kName, "After ConnectServer");
}

int CConnectionCheck::GetServerIndex(ServerPortJob& job)
{
    {
        CErrorLog log(kLogPath, 1000, 1);
        log.Write("CConnectionCheck::GetServerIndex()", "<Invoke>");
    }
    if (AreAllServerTested(job))
        return -1;
    std::srand(s_pfnSeed());
    const long long n = static_cast<long long>(job.servers.size());
    if (n == 1)
        return 0;
    // The draw below looks for an untested entry from position 1 on; without one it would
    // never end.
    bool candidate = false;
    for (size_t k = 1; k < job.servers.size(); ++k)
        candidate |= job.servers[k].tested == 0;
    if (!candidate)
        return -1;
    for (;;) {
        const long long k = n * std::rand() / 32768;
        if (k >= 1 && job.servers[static_cast<size_t>(k)].tested == 0)
            return static_cast<int>(k - 1);
    }
}

int CConnectionCheck::AreAllServerTested(const ServerPortJob& job)
{
    CErrorLog log(kLogPath, 1000, 1);
    log.Write("CConnectionCheck::AreAllServerTested()", "<Invoke>");
    for (const ServerEntry& entry : job.servers)
        if (entry.tested == 0)
            return 0;
    return 1;
}

DWORD WINAPI CConnectionCheck::ConnectToServer(LPVOID param)
{
    static const char kName[] = "CConnectionCheck::ConnectToServer()";
    std::unique_ptr<ServerPortJob> job(static_cast<ServerPortJob*>(param));
    const UINT resultMsg = LxpMessage(LxpMsg::OnResultServerPortHunting);
    bool reported = false;  // every hunt ends in exactly one result message
    try {
        CErrorLog log(kLogPath, 1000, 1);
        log.Write(kName, "<Invoke>");
        if (!lxinet::MachineOnline()) {
            reported = true;
            SendMessageA(job->notifyWnd, resultMsg, static_cast<WPARAM>(-1), 0);
            log.Write("CConnectionCheck::ConnectToServer(): No Internet Connection.");
            return 0;
        }
        Publish(*job, job->readyFlag, 0);
        int i = job->startIndex;
        log.Write(kName, "starting to find a server");

        const int n = static_cast<int>(job->servers.size());
        bool found = false;
        for (int attempt = 0; attempt < 2 && !found; ++attempt) {
            log.Write("CConnectionCheck::ConnectToServer(): nServerIdx = " + std::to_string(attempt));
            if (i < 0 || i >= n)
                break;
            const std::string& server = job->servers[static_cast<size_t>(i)].name;
            for (const std::string& port : job->ports) {
                try {
                    PingSession session;
                    const std::string url = PingUrl(server, port);
                    log.Write(kName, "Testing URL = " + url);
                    session.Open(url);
                    session.CloseResponse();
                    found = true;
                } catch (const InternetFailure& e) {
                    log.Write(kName, "Internet Exception Error = " + lxinet::InternetErrorText(e.code));
                } catch (...) {
                    log.Write(kName, "Global Exception Error [ catch(...) ] ");
                }
                if (found) {
                    Publish(*job, job->m_dOnLineServerIndex, i);
                    Publish(*job, job->readyFlag, 1);
                    LPARAM text = reinterpret_cast<LPARAM>(NewHuntResult(server, port));
                    reported = true;
                    if (Abandoned(*job) ||
                        !SendMessageTimeoutA(job->notifyWnd, resultMsg, 0, text, SMTO_NORMAL, INFINITE,
                                             nullptr))
                        TakeHuntResult(text);  // nobody took it
                    return 0;
                }
            }
            i = i < n - 1 ? i + 1 : i - 1;
        }
        Publish(*job, job->m_dOnLineServerIndex, -1);
        Publish(*job, job->readyFlag, 1);
        reported = true;
        if (!Abandoned(*job))
            SendMessageA(job->notifyWnd, resultMsg, static_cast<WPARAM>(-1), 0);
    } catch (...) {
        // Nothing leaves the thread: the hunt is over and found nothing.
        Publish(*job, job->readyFlag, 1);
        if (!reported)
            SendMessageA(job->notifyWnd, resultMsg, static_cast<WPARAM>(-1), 0);
    }
    return 0;
}

int CConnectionCheck::OnLineServerIndex() const
{
    return __atomic_load_n(&m_dOnLineServerIndex, __ATOMIC_SEQ_CST);
}

std::string CConnectionCheck::TakeHuntResult(LPARAM lParam)
{
    if (lParam == 0)
        return std::string();
    char* text = reinterpret_cast<char*>(lParam);
    std::string copy(text);
    delete[] text;
    return copy;
}

void CConnectionCheck::ReapHunts(bool wait)
{
    std::vector<HANDLE> running;
    const DWORD deadline = GetTickCount() + kExitWaitMs;
    for (HANDLE thread : m_hunts) {
        if (wait) {
            // A hunt ends by sending its result to a window, perhaps one of this thread's:
            // handle sent messages while waiting.
            for (;;) {
                const LONG left = static_cast<LONG>(deadline - GetTickCount());
                const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE,
                                                             left > 0 ? static_cast<DWORD>(left) : 0,
                                                             QS_SENDMESSAGE);
                if (woke != WAIT_OBJECT_0 + 1)
                    break;
                MSG msg;
                PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        } else if (WaitForSingleObject(thread, 0) != WAIT_OBJECT_0) {
            running.push_back(thread);
            continue;
        }
        CloseHandle(thread);
    }
    if (wait) {
        // Hunts still running now run on without this object.
        std::lock_guard<std::mutex> hold(m_guard->lock);
        m_guard->abandoned = true;
    }
    m_hunts.swap(running);
}
