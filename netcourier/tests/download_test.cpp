// CCommClient::SendDownloadRequest against the local fixture server.
#include "netcourier.h"

#include "testutil.h"

#include <commctrl.h>
#include <wininet.h>

#include <gtest/gtest.h>

using namespace nctest;

namespace {

const char kEnd[] = ") --> 18. End Thread";

// A progress bar whose PBM_SETRANGE / PBM_SETPOS messages are recorded.
class Progress {
public:
    Progress()
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        m_hwnd = CreateWindowA(PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 200, 20, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        s_positions.clear();
        s_ranges.clear();
        s_old = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~Progress() { DestroyWindow(m_hwnd); }
    HWND Hwnd() const { return m_hwnd; }
    static std::vector<int> s_positions;
    static std::vector<LPARAM> s_ranges;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l)
    {
        if (msg == PBM_SETPOS)
            s_positions.push_back(static_cast<int>(w));
        if (msg == PBM_SETRANGE)
            s_ranges.push_back(l);
        return CallWindowProcA(s_old, h, msg, w, l);
    }
    static WNDPROC s_old;
    HWND m_hwnd;
};
std::vector<int> Progress::s_positions;
std::vector<LPARAM> Progress::s_ranges;
WNDPROC Progress::s_old = nullptr;

struct DownloadSession {
    explicit DownloadSession(const std::string& name) : dir(ScratchWithLogs(name)), log(LogPath(dir)), cd(dir) {}
    std::string dir;
    std::string log;
    lxtest::CurrentDir cd;
    CCommClient client;
};

}  // namespace

TEST(Download, WithContentLengthFollowsTheProgressBar)
{
    FixtureServer& server = SharedServer();
    ASSERT_TRUE(server.Running());
    std::string content;
    for (int i = 0; i < 5000; ++i)
        content.push_back(static_cast<char>((i * 7) % 256));
    Reply r;
    r.body = content;
    server.SetReply(r);
    DownloadSession s("nc_download");
    IconWindow parent;
    s.client.SetParentHWND(parent.Hwnd());
    Progress bar;
    int busy = 0;
    UINT context = 31;
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendDownloadRequest("127.0.0.1", server.PortText().c_str(), "/files/a.bin",
                                              ".\\a.bin", &Recorder::ReplyProc, &busy, context,
                                              bar.Hwnd(), parent.Hwnd()));
    ASSERT_TRUE(WaitLog(s.log, kEnd, 1));
    EXPECT_EQ(busy, 0);
    EXPECT_EQ(lxtest::ReadFileBytes(s.dir + "\\a.bin"), content);
    const auto calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].context, 31u);
    EXPECT_EQ(calls[0].status, 0);
    EXPECT_TRUE(calls[0].nullText);
    EXPECT_EQ(calls[0].length, 0);
    EXPECT_EQ(calls[0].wnd, parent.Hwnd());
    EXPECT_EQ(calls[0].busyAtCall, 0);
    ASSERT_EQ(Progress::s_ranges.size(), 1u);
    EXPECT_EQ(Progress::s_ranges[0], MAKELPARAM(0, 100));
    ASSERT_GE(Progress::s_positions.size(), 2u);
    for (size_t i = 1; i < Progress::s_positions.size(); ++i)
        EXPECT_LE(Progress::s_positions[i - 1], Progress::s_positions[i]);
    EXPECT_EQ(Progress::s_positions.back(), 100);
    EXPECT_LT(Progress::s_positions.front(), 100) << "5000 bytes come in several chunks";
    EXPECT_EQ(parent.Icons(), (std::vector<std::string>{"start", "stop"}));
    const auto q = server.Requests();
    ASSERT_FALSE(q.empty());
    EXPECT_EQ(q.back().path, "/files/a.bin");
    EXPECT_EQ(q.back().Header("User-Agent"), "Lexipop");

    const std::string P = "CCommClient::DownloadWorkerThread(HTTP Object -> /files/a.bin";
    const auto lines = LogTexts(s.log);
    size_t at = 0;
    for (const std::string& w :
         {std::string("CCommClient::SendDownloadRequest() --> start invoke"),
          std::string("CCommClient::DownloadWorkerThread() --> start invoke"),
          std::string("CCommClient::DownloadWorkerThread() --> 1. Locking WorkerThread using mutex and single lock"),
          P + ") --> 1a. Initializing icon animate.", P + ") --> 1b. Internet Online.",
          P + ") --> 2. Initializing the internet session.", P + ") --> 3. OS Version --> ",
          P + ") --> 4. Internet connection does exist", P + ") --> 5. Open an HTTP Connection.",
          P + ") --> 6. Extracting data from the server.", P + ") --> 7. Starting sending the request.",
          std::string("CCommClient::DownloadWorkerThreadHTTP Object -> /files/a.bin() --> 8. Request returned."),
          P + ") --> 9. Opening HTTP file stream.", P + ") --> 10. Opening local file stream for saving.",
          P + ") --> 12. Start Transfering the data.", P + ") --> 13. Closing the local file.",
          P + ") --> 14. Returning a response to the client [ Successful Download ].",
          P + ") --> 16. Stoping the icon animation.", P + ") --> 16a. Cleaning up the data",
          P + ") --> 17. Unlocking the download thread", P + ") --> 18. End Thread"}) {
        while (at < lines.size() && lines[at].rfind(w, 0) != 0)
            ++at;
        EXPECT_LT(at, lines.size()) << "missing or out of order: " << w;
    }
}

TEST(Download, EmptyObjectAndMissingContentLength)
{
    FixtureServer& server = SharedServer();
    ASSERT_TRUE(server.Running());
    DownloadSession s("nc_download_len");
    Progress bar;
    int busy = 0;
    UINT context = 32;

    // Content length 0: the bar goes straight to 100 and an empty file is written.
    Reply empty;
    server.SetReply(empty);
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendDownloadRequest("127.0.0.1", server.PortText().c_str(), "/empty",
                                              ".\\empty.bin", &Recorder::ReplyProc, &busy, context,
                                              bar.Hwnd(), nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEnd, 1));
    auto calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, 0);
    EXPECT_EQ(calls[0].context, 32u);
    EXPECT_TRUE(lxtest::FileExists(s.dir + "\\empty.bin"));
    EXPECT_EQ(lxtest::ReadFileBytes(s.dir + "\\empty.bin"), "");
    ASSERT_FALSE(Progress::s_positions.empty());
    EXPECT_EQ(Progress::s_positions.back(), 100);

    // No content length: the object is reported as not found, with phase 1.
    Reply noLength;
    noLength.body = "some data";
    noLength.mode = "nolength";
    server.SetReply(noLength);
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendDownloadRequest("127.0.0.1", server.PortText().c_str(), "/stream",
                                              ".\\stream.bin", &Recorder::ReplyProc, &busy,
                                              context, nullptr, nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEnd, 2));
    calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].context, 1u);
    EXPECT_EQ(calls[0].status, -1);
    EXPECT_TRUE(calls[0].nullText);
    EXPECT_EQ(calls[0].busyAtCall, 0);
    EXPECT_TRUE(HasLine(LogTexts(s.log), "CCommClient::DownloadWorkerThread(HTTP Object -> /stream) --> 15. Error --> Unable to locate the HTTP Object."));
    EXPECT_FALSE(lxtest::FileExists(s.dir + "\\stream.bin"));
}

TEST(Download, Failures)
{
    FixtureServer& server = SharedServer();
    ASSERT_TRUE(server.Running());
    DownloadSession s("nc_download_fail");
    int busy = 0;
    UINT context = 33;
    size_t ends = 0;
    // A failing download: one reply of status -1; its first value (the phase) is returned.
    auto failure = [&](const std::string& port, const char* object, const char* local) {
        Recorder::Get().Reset(&busy);
        EXPECT_EQ(1, s.client.SendDownloadRequest("127.0.0.1", port.c_str(), object, local,
                                                  &Recorder::ReplyProc, &busy, context, nullptr,
                                                  nullptr));
        EXPECT_TRUE(WaitLog(s.log, kEnd, ++ends));
        EXPECT_EQ(busy, 0);
        const auto calls = Recorder::Get().Replies();
        EXPECT_EQ(calls.size(), 1u);
        EXPECT_TRUE(calls.size() == 1 && calls[0].status == -1);
        EXPECT_FALSE(lxtest::FileExists(local));  // relative to the session folder
        return calls.empty() ? 0u : calls[0].context;
    };
    const std::string port = server.PortText();

    Reply notFound;
    notFound.status = 404;
    notFound.body = "gone";
    server.SetReply(notFound);
    EXPECT_EQ(failure(port, "/nothing", ".\\nothing.bin"), 1u);
    auto lines = LogTexts(s.log);
    EXPECT_TRUE(HasLine(lines, "Error 404: \"HTTP Error\""));
    EXPECT_TRUE(HasLine(lines, "CCommClient::DownloadWorkerThread(HTTP Object -> /nothing) --> 15b. Error --> Error 404: \"HTTP Error\""));

    // The local folder does not exist.
    Reply ok;
    ok.body = "payload";
    server.SetReply(ok);
    EXPECT_EQ(failure(port, "/p", ".\\no such folder\\p.bin"), 1u);
    lines = LogTexts(s.log);
    EXPECT_TRUE(HasLine(lines, "CCommClient::DownloadWorkerThread(HTTP Object -> /p) --> 11. Error openning a local file."));
    EXPECT_TRUE(HasLine(lines, "CCommClient::DownloadWorkerThread(HTTP Object -> /p) --> 15b. Error --> Error 0: \"Unable to Open a local file\""));

    // The connection drops in the middle of the body: no half file, phase 2 in the reply.
    Reply cut;
    cut.body = std::string(20000, 'c');
    cut.mode = "cutbody";
    server.SetReply(cut);
    EXPECT_EQ(failure(port, "/cut", ".\\cut.bin"), 2u);
    EXPECT_TRUE(HasLine(LogTexts(s.log), "CCommClient::DownloadWorkerThread(): Internet Exception Error handled"));

    // Nothing listens: a WinInet error in phase 1.
    EXPECT_EQ(failure(std::to_string(UnusedPort()), "/q", ".\\q.bin"), 1u);
    lines = LogTexts(s.log);
    EXPECT_TRUE(HasLine(lines, "CCommClient::DownloadWorkerThread(): Internet Exception Error handled"));
    EXPECT_EQ(CountEnding(lines, "CCommClient::DownloadWorkerThread(HTTP Object -> /q) --> 15a. Error --> ") , 0u)
        << "the message follows the marker";
    bool found = false;
    for (const auto& l : lines)
        found |= l.rfind("CCommClient::DownloadWorkerThread(HTTP Object -> /q) --> 15a. Error --> ", 0) == 0;
    EXPECT_TRUE(found);

    // Busy: refused without a thread.
    busy = 1;
    EXPECT_EQ(0, s.client.SendDownloadRequest("127.0.0.1", port.c_str(), "/p", ".\\p.bin",
                                              &Recorder::ReplyProc, &busy, context, nullptr, nullptr));
    busy = 0;
}
