// Hunts for a live server and port over real dead ones (closed ports of 127.0.0.1,
// unresolvable names) and the account-service stand-in, and the check of the current pair.
#include "slfixture.h"

#include <gtest/gtest.h>

using namespace sltest;
using lxtest::Count;
using lxtest::InOrder;

namespace {

const char kConnect[] = "CConnectionCheck::ConnectToServer()";
const char kCheck[] = "CConnectionCheck::CheckActiveServerAndPort()";
const char kEstablish[] = "CConnectionCheck::EstablishServerConnection()";
const char kIndexLine[] = "CConnectionCheck::EstablishServerConnection() *st_psvrportStruct->m_dOnLineServerIndex: ";

struct Outcome {
    WPARAM wParam = 0;
    V items;  // {text, "ready=N"} as the window saw them
    int index = -2;
    V tried;
};

// One hunt reported to a window of its own; the ready flag starts at readyBefore.
Outcome Hunt(CConnectionCheck& check, const Install& inst, int readyBefore = 5)
{
    int ready = readyBefore;
    lxtest::RecordingWindow win(ServerLinkReader(&ready));
    check.SetNotifyWindow(win.Hwnd());
    check.SetReadyFlag(&ready);
    const auto logged = static_cast<std::ptrdiff_t>(inst.LogLines().size());
    check.EstablishServerConnection();
    Outcome out;
    if (!win.WaitFor(Msg(LxpMsg::OnResultServerPortHunting), 1, 120000)) {
        ADD_FAILURE() << "no hunt result";
        return out;
    }
    lxtest::PumpMessages(50);
    EXPECT_EQ(win.All().size(), 1u) << "one result per hunt";
    EXPECT_EQ(ready, win.All()[0].items[1] == "ready=1" ? 1 : readyBefore);
    const V lines = inst.LogLines();
    return Outcome{win.All()[0].wParam, win.All()[0].items, check.OnLineServerIndex(),
                   TriedUrls(V(lines.begin() + logged, lines.end()), kConnect)};
}

std::string Port(int p) { return std::to_string(p); }

// Seeds the draw so that a hunt over three servers starts at the given index.
unsigned g_fixedSeed = 0;
unsigned FixedSeed() { return g_fixedSeed; }
void StartThreeAt(CConnectionCheck& check, int index)
{
    CConnectionCheck::s_pfnSeed = &FixedSeed;
    ServerPortJob job;
    job.servers.resize(3);
    for (g_fixedSeed = 1; check.GetServerIndex(job) != index; ++g_fixedSeed) {
    }
}

}  // namespace

TEST(Hunt, DeadServersAndPortsAndAnEmptyList)
{
    const std::string closed1 = Port(lxtest::UnusedPort()), closed2 = Port(lxtest::UnusedPort());
    Install inst("sl_hunt_dead", "nohost-one.invalid|\r\n127.0.0.1|", closed1 + "|" + closed2 + "|");
    CConnectionCheck check;
    const Outcome o = Hunt(check, inst);
    EXPECT_EQ(o.wParam, static_cast<WPARAM>(-1));
    EXPECT_EQ(o.items, V({"<none>", "ready=1"}));
    EXPECT_EQ(o.index, -1);
    // Two servers always start at the first; every port of each.
    EXPECT_EQ(o.tried, V({PingUrl("nohost-one.invalid", closed1), PingUrl("nohost-one.invalid", closed2),
                          PingUrl("127.0.0.1", closed1), PingUrl("127.0.0.1", closed2)}));
    const V lines = inst.LogLines();
    EXPECT_TRUE(InOrder(lines, {TwoTexts(kEstablish, "<Invoke>"), TwoTexts("CConnectionCheck::GetServerIndex()", "<Invoke>"),
                                TwoTexts("CConnectionCheck::AreAllServerTested()", "<Invoke>"),
                                TwoTexts(kEstablish, "Before ConnectServer"), TwoTexts(kIndexLine, "0"),
                                TwoTexts(kConnect, "<Invoke>"), TwoTexts(kConnect, "starting to find a server"),
                                OneText("CConnectionCheck::ConnectToServer(): nServerIdx = 0"),
                                TwoTexts(kConnect, "Testing URL = " + PingUrl("nohost-one.invalid", closed1)),
                                OneText("CConnectionCheck::ConnectToServer(): nServerIdx = 1"),
                                TwoTexts(kConnect, "Testing URL = " + PingUrl("127.0.0.1", closed2))}));
    EXPECT_TRUE(InOrder(lines, {TwoTexts(kIndexLine, "0"), TwoTexts(kEstablish, "After ConnectServer")}));
    const std::string refused = TwoTexts(kConnect, "Internet Exception Error = ");
    size_t failures = 0;
    for (const std::string& l : lines)
        failures += l.compare(0, refused.size(), refused) == 0 && l.size() > refused.size();
    EXPECT_EQ(failures, 4u) << "each failed ping logged with the system's text";

    // An empty server list: index -1, nothing tried, the result at once.
    Install none("sl_hunt_none", "\r\n", "80|");
    CConnectionCheck empty;
    const Outcome e = Hunt(empty, none);
    EXPECT_EQ(e.wParam, static_cast<WPARAM>(-1));
    EXPECT_EQ(e.items, V({"<none>", "ready=1"}));
    EXPECT_EQ(e.index, -1);
    EXPECT_TRUE(e.tried.empty());
    EXPECT_TRUE(InOrder(none.LogLines(), {TwoTexts(kIndexLine, "-1"), OneText("CConnectionCheck::ConnectToServer(): nServerIdx = 0")}));
    EXPECT_EQ(Count(none.LogLines(), OneText("CConnectionCheck::ConnectToServer(): nServerIdx = 1")), 0u);
}

TEST(Accountd, HuntsFindTheFirstAnsweringPair)
{
    const std::string live = AccountdPort(), closed = Port(lxtest::UnusedPort());
    if (live.empty())
        GTEST_SKIP() << "runs from run_with_accountd.sh only";
    auto* const savedSeed = CConnectionCheck::s_pfnSeed;
    const std::string three = "a.invalid|b.invalid|127.0.0.1|";
    const struct {
        std::string servers, ports;
        int start;  // forced start index of three servers, -1: as drawn
        std::string found;
        int index;
        V tried;
    } cases[] = {
        {"127.0.0.1|", closed + "|" + live + "|", -1, "127.0.0.1|" + live + "|", 0,
         {PingUrl("127.0.0.1", closed), PingUrl("127.0.0.1", live)}},
        // Several lines, blanks, upper case: the name is pinged in lower case.
        {"nohost-two.invalid|\r\n  LocalHost |\r\n", " " + live + " |\r\n", -1, "localhost|" + live + "|", 1,
         {PingUrl("nohost-two.invalid", live), PingUrl("localhost", live)}},
        // Three servers: at most two are tried, from the start index upwards.
        {three, live, 0, "<none>", -1, {PingUrl("a.invalid", live), PingUrl("b.invalid", live)}},
        {three, live, 1, "127.0.0.1|" + live + "|", 2, {PingUrl("b.invalid", live), PingUrl("127.0.0.1", live)}},
        {"a.invalid|127.0.0.1|", closed + "|" + live, -1, "127.0.0.1|" + live + "|", 1,
         {PingUrl("a.invalid", closed), PingUrl("a.invalid", live), PingUrl("127.0.0.1", closed), PingUrl("127.0.0.1", live)}},
    };
    for (const auto& c : cases) {
        Install inst("sl_hunt_live", c.servers, c.ports);
        CConnectionCheck check;
        if (c.start >= 0)
            StartThreeAt(check, c.start);
        const Outcome o = Hunt(check, inst);
        CConnectionCheck::s_pfnSeed = savedSeed;
        EXPECT_EQ(o.wParam, c.index < 0 ? static_cast<WPARAM>(-1) : 0) << c.servers;
        EXPECT_EQ(o.items, V({c.found, "ready=1"})) << c.servers;
        EXPECT_EQ(o.index, c.index) << c.servers;
        EXPECT_EQ(o.tried, c.tried) << c.servers;
    }
}

TEST(Accountd, CurrentPairNeeds200WhileTheHuntTakesAnyAnswer)
{
    const std::string live = AccountdPort();
    if (live.empty())
        GTEST_SKIP() << "runs from run_with_accountd.sh only";
    Install inst("sl_check_pair", "127.0.0.1|", live + "|");
    CConnectionCheck check;
    check.m_strOnLineServer = "127.0.0.1";
    check.m_strOnLinePort = live;
    int ready = 5;
    lxtest::RecordingWindow win(ServerLinkReader(&ready));
    check.SetNotifyWindow(win.Hwnd());
    check.SetReadyFlag(&ready);

    // A passing pair: no hunt, no message, the pair given back.
    const char kGet[] = "CConnectionCheck::GetServerNameAndPortNumber()";
    std::string server, port;
    const auto start = static_cast<std::ptrdiff_t>(inst.LogLines().size());
    check.GetServerNameAndPortNumber(server, port);
    EXPECT_EQ(server + "|" + port, "127.0.0.1|" + live);
    const V lines = inst.LogLines();
    EXPECT_EQ(V(lines.begin() + start, lines.end()),
              V({TwoTexts(kGet, "<Start>"), TwoTexts(kCheck, "<Invoke>"),
                 TwoTexts("CConnectionCheck::CheckActiveServerAndPort() m_strOnLineServer: ", "127.0.0.1"),
                 TwoTexts("CConnectionCheck::CheckActiveServerAndPort() m_strOnLinePort: ", live),
                 TwoTexts(kCheck, "Testing URL = " + PingUrl("127.0.0.1", live)), TwoTexts(kCheck, "Function returned TRUE"),
                 TwoTexts(kGet, "<Port = " + live + "> <Server = 127.0.0.1>"), TwoTexts(kGet, "<End>")}));
    lxtest::PumpMessages(1500);
    EXPECT_TRUE(win.All().empty());
    EXPECT_EQ(ready, 5);

    // The same pair answering 404 fails the check and starts a hunt, which accepts it.
    ASSERT_TRUE(Control("mode=http&code=404&scope=ping"));
    EXPECT_EQ(check.CheckActiveServerAndPort(), 0);
    EXPECT_EQ(inst.LogLines().back(), TwoTexts(kCheck, "HTTP Error code: 404"));
    check.GetServerNameAndPortNumber(server, port);
    EXPECT_TRUE(InOrder(inst.LogLines(),
                        {TwoTexts(kCheck, "HTTP Error code: 404"),
                         TwoTexts(kGet, "CheckActiveServerAndPort() == FALSE.  Establishing server connection..."),
                         TwoTexts(kEstablish, "<Invoke>"), TwoTexts(kGet, "<Port = " + live + "> <Server = 127.0.0.1>"),
                         TwoTexts(kGet, "<End>")}));
    ASSERT_TRUE(win.WaitFor(Msg(LxpMsg::OnResultServerPortHunting), 1, 60000));
    EXPECT_EQ(win.All()[0].wParam, 0u);
    EXPECT_EQ(win.All()[0].items, V({"127.0.0.1|" + live + "|", "ready=1"}));
    EXPECT_EQ(check.OnLineServerIndex(), 0);

    // While a slow ping is under way the ready flag is 0.
    ASSERT_TRUE(Control("mode=delay&delay=2&scope=ping"));
    win.Clear();
    ready = 5;
    check.EstablishServerConnection();
    lxtest::PumpMessages(800);
    EXPECT_EQ(__atomic_load_n(&ready, __ATOMIC_SEQ_CST), 0);
    EXPECT_TRUE(win.All().empty());
    ASSERT_TRUE(win.WaitFor(Msg(LxpMsg::OnResultServerPortHunting), 1, 60000));
    EXPECT_EQ(win.All()[0].items, V({"127.0.0.1|" + live + "|", "ready=1"}));
    ASSERT_TRUE(Control("reset=1"));

    // A dead current pair: the WinInet failure is logged with the system's text.
    check.m_strOnLinePort = Port(lxtest::UnusedPort());
    EXPECT_EQ(check.CheckActiveServerAndPort(), 0);
    const std::string failed = TwoTexts(kCheck, "Internet Exception Error"), last = inst.LogLines().back();
    EXPECT_TRUE(last.compare(0, failed.size(), failed) == 0 && last.size() > failed.size()) << last;
}

TEST(Accountd, ExitWaitsForASlowHuntOnlyAWhileAndTheHuntThenWritesNothing)
{
    const std::string live = AccountdPort();
    if (live.empty())
        GTEST_SKIP() << "runs from run_with_accountd.sh only";
    Install inst("sl_hunt_exit", "127.0.0.1|", live + "|");
    ASSERT_TRUE(Control("mode=delay&delay=9&scope=ping"));
    int ready = 5;
    lxtest::RecordingWindow win(ServerLinkReader(&ready));
    {
        CConnectionCheck check;
        check.SetNotifyWindow(win.Hwnd());
        check.SetReadyFlag(&ready);
        check.EstablishServerConnection();
    }
    // The checker is gone while its hunt still waits for the slow ping: no result yet, and
    // after the ping none either, nor a ready flag written by the abandoned hunt.
    EXPECT_TRUE(win.All().empty());
    lxtest::PumpMessages(9000);
    EXPECT_TRUE(win.All().empty());
    EXPECT_EQ(__atomic_load_n(&ready, __ATOMIC_SEQ_CST), 0);
    ASSERT_TRUE(Control("reset=1"));
}

// With no network at all (run_offline.sh): nothing is tried, the ready flag keeps its value.
TEST(Offline, HuntReportsNoConnection)
{
    char offline[8] = {};
    if (GetEnvironmentVariableA("NC_EXPECT_OFFLINE", offline, sizeof offline) == 0)
        GTEST_SKIP() << "runs from run_offline.sh only";
    Install inst("sl_offline", "127.0.0.1|", "8765|");
    CConnectionCheck check;
    check.m_strOnLineServer = "127.0.0.1";
    check.m_strOnLinePort = "8765";
    EXPECT_EQ(check.CheckActiveServerAndPort(), 0);
    EXPECT_TRUE(TriedUrls(inst.LogLines(), kCheck).empty());
    for (int before : {0, 1, 5}) {
        const Outcome o = Hunt(check, inst, before);
        EXPECT_EQ(o.wParam, static_cast<WPARAM>(-1));
        EXPECT_EQ(o.items, V({"<none>", "ready=" + std::to_string(before)}));
        EXPECT_TRUE(o.tried.empty());
    }
    EXPECT_EQ(Count(inst.LogLines(), OneText("CConnectionCheck::ConnectToServer(): No Internet Connection.")), 3u);
    EXPECT_EQ(Count(inst.LogLines(), TwoTexts(kConnect, "starting to find a server")), 0u);

    // Through the wrapper: the calling window hears -1 and requests stay refused.
    lxtest::RecordingWindow calling(ServerLinkReader());
    CCommClientWrapper wrapper;
    CCommClientWrapper::SetCallingWindow(calling.Hwnd());
    EXPECT_EQ(wrapper.CheckInetConnection(), 1);
    ASSERT_TRUE(calling.WaitFor(Msg(LxpMsg::OnResultServerPortHunting), 1, 30000));
    EXPECT_EQ(calling.All()[0].wParam, static_cast<WPARAM>(-1));
    EXPECT_EQ(wrapper.IsServerLinkReady(), 0);
    calling.Clear();
    EXPECT_EQ(wrapper.UserAuthentication("pw"), 0);
    ASSERT_EQ(calling.All().size(), 1u);
    EXPECT_EQ(calling.All()[0].wParam, static_cast<WPARAM>(-1));
}
