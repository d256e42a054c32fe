// CCommClient through netcourier.dll against the local fixture server.
#include "netcourier.h"

#include "jobs.h"
#include "testutil.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <memory>
#include <system_error>

using namespace nctest;

namespace {

const char kEndLine[] = ") --> 16. End Thread";

// A scratch folder as current directory, with a client whose log lands in it.
struct Session {
    explicit Session(const std::string& name, bool withLogs = true)
        : dir(withLogs ? ScratchWithLogs(name) : lxtest::FreshDir(name)), log(LogPath(dir)), cd(dir)
    {
    }
    std::string dir;
    std::string log;
    lxtest::CurrentDir cd;
    CCommClient client;

    void PointAt(const FixtureServer& server)
    {
        client.SetOnLineServer("127.0.0.1");
        client.SetOnLinePort(server.PortText().c_str());
    }
};

FixtureServer& Server()
{
    FixtureServer& s = SharedServer();
    EXPECT_TRUE(s.Running()) << "fixture server did not start";
    return s;
}

std::vector<std::string> WithPrefix(const std::string& code, std::initializer_list<const char*> texts)
{
    std::vector<std::string> out;
    for (const char* t : texts)
        out.push_back("CCommClient::WorkerThread(Request Code --> " + code + t);
    return out;
}

// The lines appear in this order (others may come between them).
::testing::AssertionResult InOrder(const std::vector<std::string>& lines,
                                   const std::vector<std::string>& wanted)
{
    size_t at = 0;
    for (const std::string& w : wanted) {
        while (at < lines.size() && lines[at] != w)
            ++at;
        if (at == lines.size()) {
            std::string all;
            for (const auto& l : lines)
                all += "  " + l + "\n";
            return ::testing::AssertionFailure() << "missing or out of order: " << w << "\nlog:\n"
                                                 << all;
        }
        ++at;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Client, RequestOnTheWireAndItsReply)
{
    // A server of its own: WinInet resolves a host and port only once per process, and this
    // test wants to see the name stages of the status callback.
    FixtureServer server(lxtest::FreshDir("nc_request_server"));
    ASSERT_TRUE(server.Running());
    Reply r;
    r.body = ReplyBody("  104.00|ok|  ");
    server.SetReply(r);

    Session s("nc_request");
    s.PointAt(server);
    s.client.SetApplicationVersion("2.0");
    s.client.SetAppBuildNumber("15");
    s.client.SetEmailAddress("someone@example.org");
    s.client.SetCookiePrefix("COOKIEPFX");
    s.client.SetCookieName("COOKIENAME");
    IconWindow replyWnd;  // any window handle: it is passed through unchanged

    int busy = 0;
    UINT context = 77;
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context,
                                      &Recorder::StatusProc, replyWnd.Hwnd()));
    // The request carries the settings of the moment it was issued.
    s.client.SetEmailAddress("changed@example.org");
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 1));
    EXPECT_EQ(busy, 0);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& q = requests[0];
    EXPECT_EQ(q.method, "GET");
    const std::string pathPrefix = "/ZORodaze/NV?message=";
    ASSERT_EQ(q.path.substr(0, pathPrefix.size()), pathPrefix);
    EXPECT_EQ(Decoded(q.path.substr(pathPrefix.size())), "LXK;2.0;15;3;104;|someone@example.org|en|");
    EXPECT_EQ(q.Header("Content-Type"), "Application/Octet");
    EXPECT_FALSE(q.Header("User-Agent").empty());
    std::printf("[ info ] user agent on the wire: \"%s\"\n", q.Header("User-Agent").c_str());
    EXPECT_EQ(q.headers.find("COOKIE"), std::string::npos) << q.headers;
    EXPECT_EQ(q.path.find("COOKIE"), std::string::npos);

    const auto replies = Recorder::Get().Replies();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].context, 77u);
    EXPECT_EQ(replies[0].status, 0);
    EXPECT_FALSE(replies[0].nullText);
    EXPECT_EQ(replies[0].text, "104.00|ok|");
    EXPECT_EQ(replies[0].length, 10);
    EXPECT_EQ(replies[0].wnd, replyWnd.Hwnd());
    EXPECT_EQ(replies[0].busyAtCall, 0) << "busy flag is cleared before the reply callback";

    // Status notifications: the exchange's stages, texts only for the name stages.
    const auto statuses = Recorder::Get().Statuses();
    std::string seen;
    for (const auto& st : statuses) {
        seen += std::to_string(st.first) + "[" + st.second + "] ";
        EXPECT_GE(st.first, 1);
        EXPECT_LE(st.first, 11);
        if (st.first == 2) {
            EXPECT_EQ(st.second.rfind("Name resolved ", 0), 0u) << st.second;
        }
        if (st.first >= 3) {
            EXPECT_EQ(st.second, "") << st.first;
        }
    }
    std::printf("[ info ] status callback: %s\n", seen.c_str());
    auto has = [&](int index) {
        for (const auto& st : statuses)
            if (st.first == index)
                return true;
        return false;
    };
    // Resolving, resolved, connecting, connected, sending, sent, response received.
    for (int index = 1; index <= 7; ++index)
        EXPECT_TRUE(has(index)) << index << ": " << seen;
    for (const auto& st : statuses) {
        if (st.first == 1) {
            EXPECT_EQ(st.second, "127.0.0.1");
        }
    }

    const auto lines = LogTexts(s.log);
    std::vector<std::string> wanted = {
        "CCommClient::CCommClient() --> start invoke",
        "CCommClient::SetOnLineServer() --> start invoke",
        "CCommClient::SetOnLinePort() --> start invoke",
        "CCommClient::SetApplicationVersion() --> start invoke",
        "CCommClient::SetAppBuildNumber() --> start invoke",
        "CCommClient::SetEmailAddress() --> start invoke",
        "CCommClient::SetCookiePrefix() --> start invoke",
        "CCommClient::SetCookieName() --> start invoke",
        "CCommClient::SendRequest() --> start invoke [ Request Code : 104]",
        "CCommClient::WorkerThread() --> start invoke",
        "CCommClient::WorkerThread() --> 1. Locking WorkerThread using mutex and single lock"};
    for (const auto& l : WithPrefix("104", {") --> 2. Initialize InternetSession (OnLine Internet)",
                                            ") --> 3. Setting Timeout, Backoff and Retries"}))
        wanted.push_back(l);
    wanted.push_back("CCommClient::WorkerThread: USERAGENT[LXK;2.0;15;3;104;] FROM[user-agent: null "
                     "\r\ncontent-type: Application/Octet\r\n]");
    wanted.push_back("CCommClient::WorkerThread: RequestMessage [LXK;2.0;15;3;104;|someone@example.org|en|]");
    for (const auto& l : WithPrefix("104", {") --> 4. Encoding Request Data to Huffman",
                                            ") --> 5. Open an HTTP Connection",
                                            ") --> 6. Open an HTTP Request. [HTTP_VERB_GET] ",
                                            ") --> 7. Adding the request headers.",
                                            ") --> 8. Sending the Request",
                                            ") --> 9. Response Returned",
                                            ") --> 10. Retrieving the response.",
                                            ") --> 11. Decoding the response."}))
        wanted.push_back(l);
    wanted.push_back("CCommClient::WorkerThread: RESPONSE[104.00|ok|]");
    for (const auto& l : WithPrefix("104", {") --> 12. Response returned to the client application.",
                                            ") --> 14a. Deleting HTTPFile and Threaddata.",
                                            ") --> 15. Unlocking the workerthread",
                                            ") --> 16. End Thread"}))
        wanted.push_back(l);
    EXPECT_TRUE(InOrder(lines, wanted));
    EXPECT_FALSE(HasLine(lines, "CCommClient::WorkerThread() --> 1a. Initializing Icon animate."));
    for (const auto& l : lines)
        EXPECT_EQ(l.find("BAD LINE"), std::string::npos) << l;
}

TEST(Client, RedirectIsFollowedAndReported)
{
    FixtureServer& server = Server();
    server.ClearRequests();
    Reply r;
    r.body = ReplyBody("moved|");
    r.redirectTo = "/elsewhere/reply";
    server.SetReply(r);
    Session s("nc_redirect");
    s.PointAt(server);
    int busy = 0;
    UINT context = 2;
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context,
                                      &Recorder::StatusProc, nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 1));
    server.SetReply(Reply());
    const auto calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, 0);
    EXPECT_EQ(calls[0].text, "moved|");
    const auto q = server.Requests();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[1].path, "/elsewhere/reply");
    bool redirected = false;
    for (const auto& st : Recorder::Get().Statuses())
        redirected |= st.first == 11 && st.second.empty();
    EXPECT_TRUE(redirected) << "status index 11 for the redirect";
}

TEST(Client, PasswordRequestLineNeverLogged)
{
    FixtureServer& server = Server();
    server.ClearRequests();
    Reply r;
    r.body = ReplyBody("100.03|John|");
    server.SetReply(r);
    Session s("nc_password");
    s.PointAt(server);
    s.client.SetEmailAddress("someone@example.org");
    int busy = 0;
    UINT context = 1;
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(100, "s3cr3t-Pw|", &Recorder::ReplyProc, &busy, context,
                                      nullptr, nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 1));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Decoded(requests[0].path.substr(21)), "LXK;;;3;100;|someone@example.org|s3cr3t-Pw|");
    EXPECT_FALSE(LogContains(s.log, "s3cr3t-Pw"));
    EXPECT_FALSE(LogContains(s.log, "RequestMessage"));
    EXPECT_TRUE(LogContains(s.log, "USERAGENT[LXK;;;3;100;]"));
    const auto replies = Recorder::Get().Replies();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].text, "100.03|John|");
    EXPECT_TRUE(Recorder::Get().Statuses().empty()) << "no status callback was given";
}

TEST(Client, Code200GoesOutAsPostAndPrefixesApply)
{
    FixtureServer& server = Server();
    server.ClearRequests();
    Reply r;
    r.body = ReplyBody("ok");
    server.SetReply(r);
    Session s("nc_post");
    s.PointAt(server);
    s.client.SetEmailAddress("e@x.org");
    s.client.SetContentType("text/x-lexi");
    IconWindow parent;
    s.client.SetParentHWND(parent.Hwnd());
    int busy = 0;
    UINT context = 5;
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(200, "report|", &Recorder::ReplyProc, &busy, context,
                                      nullptr, nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 1));
    // Another prefix: GET for every other code, the POST object cut after the last "?".
    s.client.SetRequestPrefix("api/v2?x=1&msg=");
    ASSERT_EQ(1, s.client.SendRequest(310, "x|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 2));
    ASSERT_EQ(1, s.client.SendRequest(200, "y|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 3));

    const auto q = server.Requests();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0].method, "POST");
    EXPECT_EQ(q[0].path, "/ZORodaze/NV?");
    EXPECT_EQ(Decoded(q[0].body), "LXK;;;3;200;|e@x.org|report|");
    EXPECT_EQ(q[0].Header("Content-Length"), std::to_string(q[0].body.size()));
    EXPECT_EQ(q[0].Header("Content-Type"), "text/x-lexi");
    EXPECT_EQ(q[1].method, "GET");
    ASSERT_EQ(q[1].path.substr(0, 16), "/api/v2?x=1&msg=");
    EXPECT_EQ(Decoded(q[1].path.substr(16)), "LXK;;;3;310;|e@x.org|x|");
    EXPECT_EQ(q[1].body, "");
    EXPECT_EQ(q[2].method, "POST");
    EXPECT_EQ(q[2].path, "/api/v2?");
    EXPECT_EQ(Decoded(q[2].body), "LXK;;;3;200;|e@x.org|y|");

    const auto lines = LogTexts(s.log);
    EXPECT_TRUE(HasLine(lines, "CCommClient::WorkerThreadRequest Code --> 200() --> 6. Open an "
                               "HTTP Request. [HTTP_VERB_POST] "));
    const auto replies = Recorder::Get().Replies();
    ASSERT_EQ(replies.size(), 3u);
    for (const auto& c : replies) {
        EXPECT_EQ(c.status, 0);
        EXPECT_EQ(c.text, "ok");
    }
    EXPECT_EQ(parent.Icons(), (std::vector<std::string>{"start", "stop", "start", "stop", "start", "stop"}));
}

TEST(Client, EmptyUndecodableAndErrorStatusReplies)
{
    FixtureServer& server = Server();
    Session s("nc_faults");
    s.PointAt(server);
    IconWindow parent;
    s.client.SetParentHWND(parent.Hwnd());
    int busy = 0;
    UINT context = 9;
    size_t ends = 0;
    auto send = [&](const Reply& r) {
        server.SetReply(r);
        Recorder::Get().Reset(&busy);
        EXPECT_EQ(1, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context,
                                          nullptr, nullptr));
        EXPECT_TRUE(WaitLog(s.log, kEndLine, ++ends));
        EXPECT_EQ(busy, 0);
        return Recorder::Get().Replies();
    };
    const std::string P = "CCommClient::WorkerThread(Request Code --> 104";

    // Empty body: -1 with the empty text.
    Reply empty;
    auto calls = send(empty);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, -1);
    EXPECT_FALSE(calls[0].nullText);
    EXPECT_EQ(calls[0].text, "");
    EXPECT_EQ(calls[0].length, 0);
    EXPECT_EQ(calls[0].busyAtCall, 0);
    EXPECT_EQ(calls[0].context, 9u);
    auto lines = LogTexts(s.log);
    EXPECT_TRUE(HasLine(lines, P + ") --> 13. Response string is empty."));
    EXPECT_EQ(CountEnding(lines, ") --> 12. Response returned to the client application."), 0u);

    // Undecodable bodies (outside the alphabet; exactly the two line-end characters): first
    // status 0 with no text, then -1 with the empty text, the busy flag cleared before each.
    for (const std::string& body : {std::string("wk W+e\r\n"), std::string("\r\n")}) {
        Reply bad;
        bad.body = body;
        calls = send(bad);
        ASSERT_EQ(calls.size(), 2u) << body;
        EXPECT_EQ(calls[0].status, 0);
        EXPECT_TRUE(calls[0].nullText);
        EXPECT_EQ(calls[0].length, 0);
        EXPECT_EQ(calls[0].busyAtCall, 0);
        EXPECT_EQ(calls[1].status, -1);
        EXPECT_FALSE(calls[1].nullText);
        EXPECT_EQ(calls[1].text, "");
        EXPECT_EQ(calls[1].busyAtCall, 0);
    }
    lines = LogTexts(s.log);
    EXPECT_EQ(CountEnding(lines, ") --> 13b. Error Occurred -->Error 8: \"Response string decoding error\""), 2u);

    // HTTP status other than 200.
    Reply notFound;
    notFound.status = 404;
    notFound.body = ReplyBody("not here");
    calls = send(notFound);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, -1);
    EXPECT_EQ(calls[0].text, "");
    EXPECT_EQ(calls[0].busyAtCall, 0);
    lines = LogTexts(s.log);
    EXPECT_TRUE(HasLine(lines, P + ") --> 13b. Error Occurred -->Error 404: \"HTTP Error\""));
    EXPECT_EQ(CountEnding(lines, ") --> 10. Retrieving the response."), 3u)
        << "the 404 reply is not read";

    // Every exchange started and stopped the icon animation of the parent window.
    const auto icons = parent.Icons();
    ASSERT_EQ(icons.size(), 8u);
    for (size_t i = 0; i < icons.size(); ++i)
        EXPECT_EQ(icons[i], i % 2 == 0 ? "start" : "stop") << i;
    EXPECT_EQ(CountEnding(lines, "CCommClient::WorkerThread() --> 1a. Initializing Icon animate."), 4u);
    EXPECT_EQ(CountEnding(lines, "CCommClient::WorkerThread() --> 14. Stoping icon animation."), 4u);
}

TEST(Client, WinInetErrors)
{
    FixtureServer& server = Server();
    Session s("nc_wininet");
    IconWindow parent;
    s.client.SetParentHWND(parent.Hwnd());
    int busy = 0;
    UINT context = 3;
    const std::string P = "CCommClient::WorkerThread(Request Code --> 108";

    // Nothing listens on the port: the connection is refused.
    s.client.SetOnLineServer("127.0.0.1");
    s.client.SetOnLinePort(std::to_string(UnusedPort()).c_str());
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(108, "de|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 1));
    auto calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, -1);
    EXPECT_EQ(calls[0].text, "");
    EXPECT_EQ(calls[0].busyAtCall, 0);
    auto lines = LogTexts(s.log);
    const std::string head = P + ") --> 13a. Error Occurred -->Internet Exception " +
                             std::to_string(ERROR_INTERNET_CANNOT_CONNECT) + ": \"";
    bool found = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(head, 0) == 0) {
            found = true;
            EXPECT_EQ(lines[i].back(), '"');
            EXPECT_GT(lines[i].size(), head.size() + 1) << "a message text";
            ASSERT_LT(i + 1, lines.size());
            EXPECT_EQ(lines[i + 1], "After step 31");
        }
    }
    EXPECT_TRUE(found) << "no 13a line for refused connection";

    // A name that does not resolve.
    s.client.SetOnLineServer("no-such-host.invalid");
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(108, "de|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 2, 60000));
    calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, -1);
    EXPECT_EQ(calls[0].text, "");
    lines = LogTexts(s.log);
    bool unresolved = false;
    for (const auto& l : lines)
        unresolved |= l.rfind(P + ") --> 13a. Error Occurred -->Internet Exception " +
                                  std::to_string(ERROR_INTERNET_NAME_NOT_RESOLVED) + ": \"", 0) == 0;
    EXPECT_TRUE(unresolved);

    // The server drops the connection without an answer: a failure either way (Wine's WinInet
    // reports it as a reply without status, status 0; Windows as a WinInet error).
    s.PointAt(server);
    Reply drop;
    drop.mode = "drop";
    server.SetReply(drop);
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(108, "de|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 3));
    calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, -1);
    EXPECT_EQ(calls[0].busyAtCall, 0);
    lines = LogTexts(s.log);
    size_t errors = 0;
    for (const auto& l : lines)
        if (l.rfind(P + ") --> 13a. Error Occurred -->Internet Exception ", 0) == 0 ||
            l == P + ") --> 13b. Error Occurred -->Error 0: \"HTTP Error\"")
            ++errors;
    EXPECT_EQ(errors, 3u);
    EXPECT_EQ(parent.Icons(), (std::vector<std::string>{"start", "stop", "start", "stop", "start", "stop"}));
}

TEST(Client, RefusedWithoutServerOrWhileBusy)
{
    FixtureServer& server = Server();
    Session s("nc_refused");
    int busy = 0;
    UINT context = 0;
    Recorder::Get().Reset(&busy);
    EXPECT_EQ(0, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    EXPECT_EQ(busy, 0);
    auto lines = LogTexts(s.log);
    EXPECT_TRUE(HasLine(lines, "CCommClient::SendRequest() --> No Online Server"));

    s.PointAt(server);
    Reply slow;
    slow.body = ReplyBody("104.00|");
    slow.delayMs = 700;
    server.SetReply(slow);
    ASSERT_EQ(1, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    EXPECT_EQ(0, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 1));
    lines = LogTexts(s.log);
    EXPECT_TRUE(HasLine(lines, "CCommClient::SendRequest() --> Request has not yet been finish "
                               "[Request code : 104]"));
    EXPECT_EQ(CountEnding(lines, "CCommClient::WorkerThread() --> start invoke"), 1u);
    EXPECT_EQ(Recorder::Get().ReplyCount(), 1u);
    // Once the flag is back to 0 the next one goes.
    EXPECT_EQ(1, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 2));
}

TEST(Client, SettersDefaultsAndLogLines)
{
    Session s("nc_setters");
    s.client.SetRequestPrefix("a");
    s.client.SetContentType(nullptr);
    s.client.SetApplicationCode("b");
    s.client.SetProtocolVersion("c");
    s.client.SetParentHWND(nullptr);
    const auto lines = LogTexts(s.log);
    EXPECT_TRUE(InOrder(lines, {"CCommClient::CCommClient() --> start invoke",
                                "CCommClient::SetRequestPrefix() --> start invoke",
                                "CCommClient::SetContentType() --> start invoke",
                                "CCommClient::SetApplicationCode() --> start invoke",
                                "CCommClient::SetProtocolVersion() --> start invoke"}));
    EXPECT_EQ(lines.size(), 5u) << "SetParentHWND writes nothing";
    {
        CCommClient other;
    }
    const auto after = LogTexts(s.log);
    ASSERT_EQ(after.size(), 7u);
    EXPECT_EQ(after[5], "CCommClient::CCommClient() --> start invoke");
    EXPECT_EQ(after[6], "CCommClient::~CCommClient() --> start invoke");
}

TEST(Client, WithoutLogsFolderNoLogAndRequestsWork)
{
    FixtureServer& server = Server();
    Reply r;
    r.body = ReplyBody("fine|");
    server.SetReply(r);
    Session s("nc_nologs", false);
    s.PointAt(server);
    int busy = 0;
    UINT context = 4;
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context, nullptr,
                                      nullptr));
    ASSERT_TRUE(lxtest::PumpUntil([&] { return Recorder::Get().ReplyCount() == 1 && busy == 0; }, 20000));
    EXPECT_EQ(Recorder::Get().Replies()[0].text, "fine|");
    lxtest::PumpMessages(200);
    EXPECT_FALSE(lxtest::FileExists(s.dir + "\\Logs"));
    EXPECT_FALSE(lxtest::FileExists(s.log));
}

// Two objects in one process share one lock: their exchanges never overlap, also after one
// of them is destroyed and a third one is made.
TEST(Lock, ObjectsShareOneLock)
{
    FixtureServer& server = Server();
    server.ClearRequests();
    Reply slow;
    slow.body = ReplyBody("done|");
    slow.delayMs = 400;
    server.SetReply(slow);
    const std::string dir = ScratchWithLogs("nc_lock");
    lxtest::CurrentDir cd(dir);
    const std::string log = LogPath(dir);
    auto a = std::make_unique<CCommClient>();
    auto b = std::make_unique<CCommClient>();
    for (CCommClient* c : {a.get(), b.get()}) {
        c->SetOnLineServer("127.0.0.1");
        c->SetOnLinePort(server.PortText().c_str());
    }
    int busyA = 0, busyB = 0, busyC = 0;
    UINT context = 0;
    Recorder::Get().Reset();
    ASSERT_EQ(1, a->SendRequest(104, "a|", &Recorder::ReplyProc, &busyA, context, nullptr, nullptr));
    ASSERT_EQ(1, b->SendRequest(104, "b|", &Recorder::ReplyProc, &busyB, context, nullptr, nullptr));
    ASSERT_TRUE(WaitLog(log, kEndLine, 2));

    a.reset();  // b is idle
    auto c = std::make_unique<CCommClient>();
    c->SetOnLineServer("127.0.0.1");
    c->SetOnLinePort(server.PortText().c_str());
    ASSERT_EQ(1, c->SendRequest(104, "c|", &Recorder::ReplyProc, &busyC, context, nullptr, nullptr));
    ASSERT_EQ(1, b->SendRequest(104, "b|", &Recorder::ReplyProc, &busyB, context, nullptr, nullptr));
    ASSERT_TRUE(WaitLog(log, kEndLine, 4));
    // Destroying an object while another one's request is in flight keeps the lock for it.
    ASSERT_EQ(1, c->SendRequest(104, "c|", &Recorder::ReplyProc, &busyC, context, nullptr, nullptr));
    b.reset();
    ASSERT_TRUE(WaitLog(log, kEndLine, 5));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    for (const auto& q : requests)
        EXPECT_EQ(q.inFlight, 1) << "two exchanges overlapped";
    const auto replies = Recorder::Get().Replies();
    ASSERT_EQ(replies.size(), 5u);
    for (const auto& r : replies)
        EXPECT_EQ(r.text, "done|");
}

LXTEST_CHILD(nc_send)
{
    // argv: folder, port. Sends one request and waits for its end.
    lxtest::CurrentDir cd(argv[0]);
    CCommClient client;
    client.SetOnLineServer("127.0.0.1");
    client.SetOnLinePort(argv[1]);
    int busy = 0;
    UINT context = 0;
    Recorder::Get().Reset();
    if (client.SendRequest(104, "child|", &Recorder::ReplyProc, &busy, context, nullptr, nullptr) != 1)
        return 2;
    if (!WaitLog(LogPath(argv[0]), kEndLine, 1))
        return 3;
    const auto replies = Recorder::Get().Replies();
    return replies.size() == 1 && replies[0].text == "done|" ? 0 : 4;
}

TEST(Lock, SharedAcrossProcesses)
{
    FixtureServer& server = Server();
    server.ClearRequests();
    Reply slow;
    slow.body = ReplyBody("done|");
    slow.delayMs = 300;
    server.SetReply(slow);
    const std::string childDir = ScratchWithLogs("nc_lock_child");
    const std::string dir = ScratchWithLogs("nc_lock_parent");
    lxtest::CurrentDir cd(dir);
    CCommClient client;
    client.SetOnLineServer("127.0.0.1");
    client.SetOnLinePort(server.PortText().c_str());
    HANDLE child = lxtest::StartChild("nc_send", "\"" + childDir + "\" " + server.PortText());
    ASSERT_NE(child, nullptr);
    int busy = 0;
    UINT context = 0;
    Recorder::Get().Reset();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(1, client.SendRequest(104, "parent|", &Recorder::ReplyProc, &busy, context,
                                        nullptr, nullptr));
        ASSERT_TRUE(WaitLog(LogPath(dir), kEndLine, i + 1));
    }
    EXPECT_EQ(lxtest::FinishChild(child, 20000), 0);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& q : requests)
        EXPECT_EQ(q.inFlight, 1) << "exchanges of two processes overlapped";
}

LXTEST_CHILD(nc_name_taken)
{
    // Another kind of object already holds the name: the constructor cannot make the lock.
    // Its exception leaves netcourier.dll and is caught here, in the program: in the 32-bit
    // build that needs the runtime DLLs both modules share (else the program ends in
    // terminate, exit code 3).
    HANDLE ev = CreateEventA(nullptr, TRUE, FALSE, "CommMutex");
    if (!ev)
        return 2;
    lxtest::CurrentDir cd(argv[0]);
    int rc = 5;
    try {
        CCommClient client;
    } catch (const std::system_error& e) {
        const bool named = std::string(e.what()).find("CommMutex") != std::string::npos;
        rc = e.code().value() == ERROR_INVALID_HANDLE && named ? 0 : 6;
    }
    CloseHandle(ev);
    // With the name free again construction works.
    try {
        CCommClient client;
    } catch (...) {
        rc = 4;
    }
    return rc;
}

TEST(Lock, ConstructorFailsWhenTheLockCannotBeMade)
{
    const std::string dir = ScratchWithLogs("nc_name_taken");
    EXPECT_EQ(lxtest::RunChild("nc_name_taken", "\"" + dir + "\""), 0);
}

// In the normal test bench the machine is online; run_offline.sh runs the Offline tests in
// a network namespace without any connection (NC_EXPECT_OFFLINE=1).
static bool ExpectOffline()
{
    char v[8] = {};
    return GetEnvironmentVariableA("NC_EXPECT_OFFLINE", v, sizeof v) > 0 && v[0] == '1';
}

TEST(Online, ConnectedStateReportsOnline)
{
    if (ExpectOffline())
        GTEST_SKIP() << "offline run";
    DWORD flags = 0;
    EXPECT_TRUE(InternetGetConnectedState(&flags, 0));
}

TEST(Offline, RequestFailsWithoutHttpAttempt)
{
    if (!ExpectOffline())
        GTEST_SKIP() << "runs from run_offline.sh only";
    DWORD flags = 0;
    ASSERT_FALSE(InternetGetConnectedState(&flags, 0)) << "this bench does not look offline";
    Session s("nc_offline");
    s.client.SetOnLineServer("127.0.0.1");
    s.client.SetOnLinePort("8080");
    IconWindow parent;
    s.client.SetParentHWND(parent.Hwnd());
    int busy = 0;
    UINT context = 11;
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context,
                                      &Recorder::StatusProc, nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 1));
    const auto calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].context, 11u);
    EXPECT_EQ(calls[0].status, -1);
    EXPECT_FALSE(calls[0].nullText);
    EXPECT_EQ(calls[0].text, "");
    EXPECT_EQ(calls[0].busyAtCall, 0);
    EXPECT_TRUE(Recorder::Get().Statuses().empty());
    lxtest::PumpMessages(100);
    EXPECT_TRUE(parent.Icons().empty()) << "no icon animation when offline";
    const auto lines = LogTexts(s.log);
    EXPECT_TRUE(InOrder(lines, {"CCommClient::WorkerThread() --> 1. Locking WorkerThread using mutex and single lock",
                                "CCommClient::WorkerThread(Request Code --> 104) --> 15. Internet Offlinef",
                                "CCommClient::WorkerThread(Request Code --> 104) --> 15. Unlocking the workerthread",
                                "CCommClient::WorkerThread(Request Code --> 104) --> 16. End Thread"}));
    EXPECT_EQ(CountEnding(lines, ") --> 2. Initialize InternetSession (OnLine Internet)"), 0u);
    EXPECT_EQ(CountEnding(lines, ") --> 5. Open an HTTP Connection"), 0u);

    // The download worker reports offline with phase 1.
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendDownloadRequest("127.0.0.1", "8080", "/f.bin", ".\\f.bin",
                                              &Recorder::ReplyProc, &busy, context, nullptr, nullptr));
    ASSERT_TRUE(WaitLog(s.log, ") --> 18. End Thread", 1));
    const auto dl = Recorder::Get().Replies();
    ASSERT_EQ(dl.size(), 1u);
    EXPECT_EQ(dl[0].context, 1u);
    EXPECT_EQ(dl[0].status, -1);
    EXPECT_TRUE(dl[0].nullText);
    EXPECT_TRUE(HasLine(LogTexts(s.log), "CCommClient::DownloadWorkerThread(HTTP Object -> /f.bin) --> 17. Internet Connection Offline."));
}

LXTEST_CHILD(nc_wme)
{
    // Runs as a copy of the test program that Wine presents as Windows ME.
    lxtest::CurrentDir cd(argv[0]);
    if (netcourier::OsName() != "WME")
        return 10;
    CCommClient client;
    client.SetOnLineServer("127.0.0.1");
    client.SetOnLinePort(argv[1]);
    int busy = 0;
    UINT context = 0;
    Recorder::Get().Reset(&busy);
    if (client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context, nullptr, nullptr) != 1)
        return 11;
    if (!WaitLog(LogPath(argv[0]), kEndLine, 1))
        return 12;
    const auto calls = Recorder::Get().Replies();
    return calls.size() == 1 && calls[0].status == -1 ? 0 : 13;
}

TEST(Offline, WindowsMeSkipsTheConnectedStateQuery)
{
    if (!ExpectOffline())
        GTEST_SKIP() << "runs from run_offline.sh only";
    // A copy of this program (and the library) under a name that Wine reports as Windows ME.
    const std::string dir = ScratchWithLogs("nc_wme");
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string selfDir = self;
    selfDir = selfDir.substr(0, selfDir.find_last_of('\\'));
    const std::string copy = dir + "\\netcourier_wme.exe";
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((selfDir + "\\netcourier.dll").c_str(), (dir + "\\netcourier.dll").c_str(), FALSE));
    ASSERT_TRUE(lxtest::CopyRuntimeDlls(selfDir, dir));
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\netcourier_wme.exe", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("winme"), 6);
    RegCloseKey(key);

    const int rc = lxtest::FinishChild(
        lxtest::StartProgram(copy, "--lxtest-child nc_wme \"" + dir + "\" 8080", dir), 20000);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\netcourier_wme.exe");
    ASSERT_EQ(rc, 0) << "10: not reported as WME, 11-13: request";

    // Offline as the machine is, the exchange was attempted (and failed on the network).
    const auto lines = LogTexts(LogPath(dir));
    const std::string P = "CCommClient::WorkerThread(Request Code --> 104";
    EXPECT_FALSE(HasLine(lines, P + ") --> 15. Internet Offlinef"));
    EXPECT_TRUE(HasLine(lines, P + ") --> 5. Open an HTTP Connection"));
    bool failed = false;
    for (const auto& l : lines)
        failed |= l.rfind(P + ") --> 13a. Error Occurred -->Internet Exception ", 0) == 0;
    EXPECT_TRUE(failed);
}

// Against the account-service stand-in, started by run_with_accountd.sh.
TEST(Accountd, RequestsAndRepliesOfTheAccountService)
{
    char port[16] = {};
    if (GetEnvironmentVariableA("NC_ACCOUNTD_PORT", port, sizeof port) == 0)
        GTEST_SKIP() << "runs from run_with_accountd.sh only";
    Session s("nc_accountd");
    s.client.SetOnLineServer("127.0.0.1");
    s.client.SetOnLinePort(port);
    s.client.SetApplicationVersion("2.9");
    s.client.SetAppBuildNumber("100");
    s.client.SetProtocolVersion("1");
    s.client.SetEmailAddress("someone@example.org");
    int busy = 0;
    UINT context = 0;

    // E-mail sign-up (GET): a new address gets its PIN mailed; the reply names the address.
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(104, "en|", &Recorder::ReplyProc, &busy, context, nullptr, nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 1));
    auto calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, 0);
    EXPECT_NE(calls[0].text.find("|someone@example.org"), std::string::npos) << calls[0].text;
    EXPECT_EQ(calls[0].length, static_cast<int>(calls[0].text.size()));

    // Code 200 goes out as a POST; the service echoes the address and the data.
    Recorder::Get().Reset(&busy);
    ASSERT_EQ(1, s.client.SendRequest(200, "one|two words|three|", &Recorder::ReplyProc, &busy,
                                      context, nullptr, nullptr));
    ASSERT_TRUE(WaitLog(s.log, kEndLine, 2));
    calls = Recorder::Get().Replies();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].status, 0);
    EXPECT_NE(calls[0].text.find("|someone@example.org|one|two words|three"), std::string::npos)
        << calls[0].text;
}
