// The download worker: fetches one object over HTTP into a local file, under the request
// lock, with an optional progress bar.
#include "comlog.h"
#include "commlock.h"
#include "inethandle.h"
#include "jobs.h"
#include "lxpmessages.h"
#include "workerrun.h"
#include "productfacts.h"

#include <commctrl.h>
#include <process.h>

#include <cstdio>

namespace netcourier {

namespace {

// The local file being written; a transfer that does not finish leaves no half file behind.
class LocalFile {
public:
    explicit LocalFile(const std::string& path) : m_path(path)
    {
        m_h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~LocalFile()
    {
        if (m_h != INVALID_HANDLE_VALUE) {
            CloseHandle(m_h);
            DeleteFileA(m_path.c_str());
        }
    }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }
    bool Write(const char* data, DWORD size)
    {
        DWORD written = 0;
        return WriteFile(m_h, data, size, &written, nullptr) && written == size;
    }
    // Closes the finished file and keeps it.
    void Close()
    {
        CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
    }

private:
    std::string m_path;
    HANDLE m_h;
};

unsigned __stdcall DownloadThread(void* param)
{
    RunDownloadJob(std::unique_ptr<DownloadJob>(static_cast<DownloadJob*>(param)));
    return 0;
}

}  // namespace

void RunDownloadJob(std::unique_ptr<DownloadJob> job)
{
    const std::string prefix = "CCommClient::DownloadWorkerThread(HTTP Object -> " +
                               job->objectPath;
    auto log = [&prefix](const std::string& text) { CommLog(prefix + text); };
    WorkerRun<DownloadJob> run(job, "CCommClient::DownloadWorkerThread() --> start invoke",
                               "CCommClient::DownloadWorkerThread() --> 1. Locking WorkerThread "
                               "using mutex and single lock");
    run.SetEnding(prefix + ") --> 17. Unlocking the download thread",
                  prefix + ") --> 18. End Thread");
    DownloadJob* const j = job.get();
    auto reply = [j](UINT first, int status) {
        if (j->replyProc)
            j->replyProc(first, status, nullptr, 0, j->replyWnd);
    };
    const std::string osName = OsName();

    if (!MachineOnline(osName)) {
        job->busy.Clear();
        reply(1, -1);
        log(") --> 17. Internet Connection Offline.");
    } else {
        run.StartIcons(prefix + ") --> 1a. Initializing icon animate.");
        log(") --> 1b. Internet Online.");
        log(") --> 2. Initializing the internet session.");
        InetHandle root, connection, request;
        UINT phase = 1;
        try {
            OpenRoot(root, lxfacts::kProductName);
            log(") --> 3. OS Version --> " + osName);
            if (!MachineOnline(osName)) {
                log(") --> 15c. Error --> No Internet connection");
                job->busy.Clear();
                reply(2, -1);
            } else {
                log(") --> 4. Internet connection does exist");
                log(") --> 5. Open an HTTP Connection.");
                connection.Reset(InternetConnectA(root.Get(), job->server.c_str(),
                                                  PortNumber(job->port), nullptr, nullptr,
                                                  INTERNET_SERVICE_HTTP, 0, 0));
                log(") --> 6. Extracting data from the server.");
                request.Reset(HttpOpenRequestA(connection.Get(), "GET", job->objectPath.c_str(),
                                               nullptr, nullptr, nullptr,
                                               INTERNET_FLAG_EXISTING_CONNECT, 0));
                log(") --> 7. Starting sending the request.");
                CheckInet(HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0));
                const DWORD status = QueryStatusCode(request.Get());
                CommLog("CCommClient::DownloadWorkerThreadHTTP Object -> " + job->objectPath +
                        "() --> 8. Request returned.");
                if (status != 200)
                    throw CCommClient::CHTTPError(static_cast<int>(status), "HTTP Error");

                log(") --> 9. Opening HTTP file stream.");
                DWORD length = 0;
                DWORD size = sizeof length;
                if (!HttpQueryInfoA(request.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                    &length, &size, nullptr)) {
                    log(") --> 15. Error --> Unable to locate the HTTP Object.");
                    job->busy.Clear();
                    reply(1, -1);
                } else {
                    log(") --> 10. Opening local file stream for saving.");
                    LocalFile file(job->localPath);
                    if (!file.IsOpen()) {
                        log(") --> 11. Error openning a local file.");
                        throw CCommClient::CHTTPError(0, "Unable to Open a local file");
                    }
                    if (job->progressBar)
                        SendMessageA(job->progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
                    phase = 2;
                    log(") --> 12. Start Transfering the data.");
                    unsigned long long received = 0;
                    char chunk[1024];
                    for (;;) {
                        DWORD got = 0;
                        CheckInet(InternetReadFile(request.Get(), chunk, sizeof chunk, &got));
                        received += got;
                        if (job->progressBar) {
                            unsigned long long percent =
                                length == 0 ? 100 : received * 100 / length;
                            if (percent > 100)
                                percent = 100;
                            SendMessageA(job->progressBar, PBM_SETPOS,
                                         static_cast<WPARAM>(percent), 0);
                        }
                        if (got == 0)
                            break;
                        if (!file.Write(chunk, got))
                            throw CCommClient::CHTTPError(0, "Unable to write a local file");
                    }
                    log(") --> 13. Closing the local file.");
                    file.Close();
                    log(") --> 14. Returning a response to the client [ Successful Download ].");
                    job->busy.Clear();
                    reply(*job->context, 0);
                }
            }
        } catch (const InternetError& e) {
            CommLog("CCommClient::DownloadWorkerThread(): Internet Exception Error handled");
            log(") --> 15a. Error --> " + InternetErrorText(e.code));
            job->busy.Clear();
            reply(phase, -1);
        } catch (const CCommClient::CHTTPError& e) {
            char head[64];
            std::snprintf(head, sizeof head, "Error %d: ", e.Code());
            const std::string line = head + std::string("\"") + e.Text() + "\"";
            CommLog(line);
            log(") --> 15b. Error --> " + line);
            job->busy.Clear();
            reply(1, -1);
        } catch (...) {
            CommLog("CCommClient::DownloadWorkerThread(): Unknown Exception Error handled");
            job->busy.Clear();
            reply(phase, -1);
        }
        run.StopIcons(prefix + ") --> 16. Stoping the icon animation.");
        log(") --> 16a. Cleaning up the data");
        request.Close();
        connection.Close();
        root.Close();
    }
}

bool StartDownloadWorker(std::unique_ptr<DownloadJob>& job)
{
    const uintptr_t thread = _beginthreadex(nullptr, 0, &DownloadThread, job.get(), 0, nullptr);
    if (thread == 0)
        return false;
    job.release();
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

}  // namespace netcourier
