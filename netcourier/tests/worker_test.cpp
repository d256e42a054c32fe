// The send worker run directly (netcourier_core), for the outcomes a real server cannot
// produce: an encoding failure and an unexpected error inside the exchange.
#include "comlog.h"
#include "commlock.h"
#include "jobs.h"

#include "testutil.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace nctest;

namespace {

bool FailEncode(const std::string&, std::string&)
{
    return false;
}

bool ThrowingDecode(const std::string&, std::string&)
{
    throw std::runtime_error("decoder broke");
}

std::unique_ptr<netcourier::SendJob> MakeJob(int* busy, UINT* context, HWND parent,
                                             const std::string& port)
{
    auto job = std::make_unique<netcourier::SendJob>();
    job->busy = netcourier::BusyFlag(busy);
    EXPECT_TRUE(job->busy.Admit());
    job->context = context;
    job->replyProc = &Recorder::ReplyProc;
    job->parentWnd = parent;
    job->requestPrefix = "ZORodaze/NV?message=";
    job->requestLine = "LXK;1.0;1;3;104;|e@x.org|en|";
    job->headers = "user-agent: null \r\ncontent-type: Application/Octet\r\n";
    job->server = "127.0.0.1";
    job->port = port;
    job->codeText = "104";
    EXPECT_TRUE(netcourier::AddCommLockUser());
    return job;
}

}  // namespace

TEST(Worker, EncodingFailureRow)
{
    const std::string dir = ScratchWithLogs("nc_worker_encode");
    lxtest::CurrentDir cd(dir);
    netcourier::OpenCommLog(".\\Logs\\comlog.log");
    IconWindow parent;
    int busy = 0;
    UINT context = 21;
    Recorder::Get().Reset(&busy);
    auto job = MakeJob(&busy, &context, parent.Hwnd(), "1");
    job->encode = &FailEncode;
    netcourier::RunSendJob(std::move(job));

    const auto calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].context, 21u);
    EXPECT_EQ(calls[0].status, 0);
    EXPECT_TRUE(calls[0].nullText);
    EXPECT_EQ(calls[0].length, 0);
    EXPECT_EQ(calls[0].busyAtCall, 1) << "the flag is cleared after the callback here";
    EXPECT_EQ(busy, 0);
    EXPECT_EQ(parent.Icons(), (std::vector<std::string>{"start", "stop"}));
    const auto lines = LogTexts(LogPath(dir));
    const std::string P = "CCommClient::WorkerThread(Request Code --> 104";
    EXPECT_TRUE(HasLine(lines, P + ") --> 4. Encoding Request Data to Huffman"));
    EXPECT_TRUE(HasLine(lines, "CCommClient::WorkerThread() --> 4c. Stoping icon animation."));
    EXPECT_TRUE(HasLine(lines, P + ") --> 4a. Error in encoding the data."));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), P + ") --> 4b. Unlocking the workerthread");
    EXPECT_EQ(CountEnding(lines, ") --> 5. Open an HTTP Connection"), 0u);
    EXPECT_EQ(CountEnding(lines, ") --> 15. Unlocking the workerthread"), 0u);
    // The lock was released: it can be taken at once.
    ASSERT_TRUE(netcourier::AddCommLockUser());
    EXPECT_EQ(WaitForSingleObject(netcourier::CommLockHandle(), 0), WAIT_OBJECT_0);
    ReleaseMutex(netcourier::CommLockHandle());
    netcourier::ReleaseCommLockUser();
}

TEST(Worker, OtherErrorRow)
{
    FixtureServer& server = SharedServer();
    ASSERT_TRUE(server.Running());
    Reply r;
    r.body = ReplyBody("x|");
    server.SetReply(r);
    const std::string dir = ScratchWithLogs("nc_worker_other");
    lxtest::CurrentDir cd(dir);
    netcourier::OpenCommLog(".\\Logs\\comlog.log");
    IconWindow parent;
    int busy = 0;
    UINT context = 22;
    Recorder::Get().Reset(&busy);
    auto job = MakeJob(&busy, &context, parent.Hwnd(), server.PortText());
    job->decode = &ThrowingDecode;
    netcourier::RunSendJob(std::move(job));

    const auto calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, -1);
    EXPECT_FALSE(calls[0].nullText);
    EXPECT_EQ(calls[0].text, "");
    EXPECT_EQ(calls[0].busyAtCall, 0);
    EXPECT_EQ(busy, 0);
    EXPECT_EQ(parent.Icons(), (std::vector<std::string>{"start", "stop"}));
    const auto lines = LogTexts(LogPath(dir));
    const std::string P = "CCommClient::WorkerThread(Request Code --> 104";
    EXPECT_TRUE(HasLine(lines, "CCommClient::WorkerThread: Unknown Exception Error handled"));
    EXPECT_TRUE(HasLine(lines, P + ") --> 13c. Error Occurred -->Last step performed: 6"));
    EXPECT_TRUE(HasLine(lines, "CCommClient::WorkerThread() --> 14. Stoping icon animation."));
    EXPECT_EQ(lines.back(), P + ") --> 16. End Thread");
}

TEST(Worker, LaterRequestOnTheSameFlagIsNotMarkedIdle)
{
    // A caller that starts its next request from inside the reply callback (the flag is
    // already 0 there) must not see that new request's flag cleared by the old worker.
    FixtureServer& server = SharedServer();
    ASSERT_TRUE(server.Running());
    Reply r;
    r.body = ReplyBody("x|");
    server.SetReply(r);
    const std::string dir = ScratchWithLogs("nc_worker_flag");
    lxtest::CurrentDir cd(dir);
    netcourier::OpenCommLog(".\\Logs\\comlog.log");
    static int busy = 0;
    static netcourier::BusyFlag* next = nullptr;
    netcourier::BusyFlag again(&busy);
    next = &again;
    UINT context = 0;
    auto job = MakeJob(&busy, &context, nullptr, server.PortText());
    job->replyProc = [](UINT, int, const char*, int, HWND) {
        next->Admit();  // the caller's next request takes the flag
        return 0;
    };
    netcourier::RunSendJob(std::move(job));
    EXPECT_EQ(busy, 1);
    EXPECT_TRUE(again.Owned());
    again.Clear();
    EXPECT_EQ(busy, 0);
}

TEST(Worker, PortTextAndOsName)
{
    EXPECT_EQ(netcourier::PortNumber("8080"), 8080);
    EXPECT_EQ(netcourier::PortNumber(" 80x"), 80);
    EXPECT_EQ(netcourier::PortNumber("http"), 0);
    EXPECT_EQ(netcourier::PortNumber(""), 0);
    EXPECT_EQ(netcourier::PortNumber("70000"), 0);
    EXPECT_EQ(netcourier::PortNumber("65535"), 65535);
    // Wine reports a modern Windows: none of the named systems, and online is asked.
    const std::string os = netcourier::OsName();
    EXPECT_TRUE(os == "" || os == "WXP" || os == "W2K") << os;
    EXPECT_EQ(netcourier::InternetErrorText(0xFFFF0), "WinInet unknown error");
    EXPECT_FALSE(netcourier::InternetErrorText(ERROR_INTERNET_CANNOT_CONNECT).empty());
}
