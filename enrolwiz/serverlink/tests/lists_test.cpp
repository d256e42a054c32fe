// The server link without any server: list files, the start-index draw, reply records,
// reply and progress messages, the refusal before a hunt, the traces.
#include "slfixture.h"

#include <gtest/gtest.h>

#include <map>

using lxtest::OneText;
using lxtest::TwoTexts;
using namespace sltest;

namespace {

using V = std::vector<std::string>;

V Names(const std::vector<ServerEntry>& servers)
{
    V v;
    for (const ServerEntry& s : servers)
        v.push_back(s.name + (s.tested ? "*" : ""));
    return v;
}

}  // namespace

TEST(Lists, ShapesOfTheListFilesAndTheirTraces)
{
    struct Case {
        std::string servers, ports;
        V names, portItems;
    } cases[] = {
        {"srv1|srv2|", "80|8080|", {"srv1", "srv2"}, {"80", "8080"}},
        {"srv1|\r\nsrv2|\r\n", "80|\n8080", {"srv1", "srv2"}, {"80", "8080"}},
        {"  Srv1.Example.ORG |\r\n\r\n  SRV2 \t|  ", " 80 |\r\n 8080 |\r\n", {"srv1.example.org", "srv2"}, {"80", "8080"}},
        {"127.0.0.1", "8765", {"127.0.0.1"}, {"8765"}},
        {"a||b|", "1|", {"a", "", "b"}, {"1"}},
    };
    for (const Case& c : cases) {
        Install inst("sl_lists", c.servers, c.ports);
        CConnectionCheck check;
        EXPECT_EQ(Names(check.Servers()), c.names) << c.servers;
        EXPECT_EQ(check.Ports(), c.portItems) << c.ports;
        EXPECT_EQ(check.OnLineServerIndex(), -1);
        EXPECT_EQ(check.m_strOnLineServer, "");
        V expected{TwoTexts("CConnectionCheck::InitLists()", "<Invoke>"),
                   TwoTexts("CConnectionCheck::InitLists()", "Server List")};
        for (const std::string& n : c.names)
            expected.push_back(TwoTexts("CConnectionCheck::InitLists() Server: ", n));
        expected.push_back(TwoTexts("CConnectionCheck::InitLists()", "Port List"));
        for (const std::string& p : c.portItems)
            expected.push_back(TwoTexts("CConnectionCheck::InitLists() Port: ", p));
        expected.push_back(TwoTexts("CConnectionCheck::InitLists() : EstablishServerConnection()",
                                    "Establishing Initial Connection to Server"));
        EXPECT_EQ(inst.LogLines(), expected) << c.servers;
    }

    // An empty server list stops there: the port file is not even read.
    Install empty("sl_lists_empty", " \r\n \r\n", "80|");
    DeleteFileA((empty.dir + "\\data\\port.lst").c_str());
    CConnectionCheck check;
    EXPECT_TRUE(check.Servers().empty());
    EXPECT_TRUE(check.Ports().empty());
    EXPECT_EQ(empty.LogLines(), V{TwoTexts("CConnectionCheck::InitLists()", "<Invoke>")});
}

LXTEST_CHILD(sl_make_wrapper)
{
    CCommClientWrapper wrapper;
    return 7;  // never reached when a list is missing
}

TEST(Lists, AMissingListIsNamedInTheLogAndEndsTheProgram)
{
    for (const char* missing : {"server.lst", "port.lst"}) {
        Install inst("sl_missing", "srv1|", "80|");
        const std::string file = std::string(".\\data\\") + missing;
        ASSERT_TRUE(DeleteFileA((inst.dir + file.substr(1)).c_str()));
        EXPECT_EQ(lxtest::RunChild("sl_make_wrapper", "", 60000, inst.dir), 0) << missing;
        const V lines = inst.LogLines();
        EXPECT_EQ(Count(lines, TwoTexts("CFieldSplitter::LoadFile()", "Cannot open the list file " + file)), 1u)
            << missing;
        EXPECT_EQ(Count(lines, TwoTexts("CCommClientWrapper::CCommClientWrapper()", "<Invoke>")), 0u);
    }
    Install whole("sl_missing", "srv1|", "80|");
    EXPECT_EQ(lxtest::RunChild("sl_make_wrapper", "", 60000, whole.dir), 7);
}

namespace {

unsigned g_seed = 0;
unsigned NextSeed()
{
    g_seed = g_seed * 1103515245u + 12345u;
    return g_seed;
}

// Start index over many seeds: how often each index came.
std::map<int, int> Draws(CConnectionCheck& check, std::vector<ServerEntry> servers, int rounds)
{
    ServerPortJob job;
    job.servers = std::move(servers);
    std::map<int, int> seen;
    for (int i = 0; i < rounds; ++i)
        ++seen[check.GetServerIndex(job)];
    return seen;
}

std::vector<ServerEntry> Entries(const std::string& tested)
{
    std::vector<ServerEntry> v;
    for (char t : tested)
        v.push_back(ServerEntry{"s", t == '1'});
    return v;
}

}  // namespace

TEST(Lists, StartIndexNeverTheLastServer)
{
    Install inst("sl_index", "a|", "80|");
    CConnectionCheck check;
    auto* const saved = CConnectionCheck::s_pfnSeed;
    CConnectionCheck::s_pfnSeed = &NextSeed;
    const int rounds = 400;
    // Tested flags per server -> the indices that may come.
    const struct {
        std::string tested;
        std::map<int, double> share;  // index -> at least this share of the draws
    } cases[] = {
        {"0", {{0, 1.0}}},
        {"00", {{0, 1.0}}},
        {"000", {{0, 0.35}, {1, 0.35}}},
        {"00000", {{0, 0.15}, {1, 0.15}, {2, 0.15}, {3, 0.15}}},
        {"010", {{1, 1.0}}},   // entry 1 tested: only k = 2 is drawn
        {"100", {{0, 0.35}, {1, 0.35}}},
        {"", {{-1, 1.0}}},
        {"111", {{-1, 1.0}}},
        {"011", {{-1, 1.0}}},  // only the first untested: nothing the draw can reach
    };
    for (const auto& c : cases) {
        const std::map<int, int> seen = Draws(check, Entries(c.tested), rounds);
        int total = 0;
        for (const auto& [index, n] : seen) {
            EXPECT_TRUE(c.share.count(index)) << "servers " << c.tested << " gave index " << index;
            total += n;
        }
        for (const auto& [index, share] : c.share)
            EXPECT_GE(seen.count(index) ? seen.at(index) : 0, share * rounds)
                << "servers " << c.tested << " index " << index;
        EXPECT_EQ(total, rounds);
    }
    CConnectionCheck::s_pfnSeed = saved;

    ServerPortJob job;
    job.servers = Entries("10");
    EXPECT_EQ(check.AreAllServerTested(job), 0);
    job.servers = Entries("11");
    EXPECT_EQ(check.AreAllServerTested(job), 1);
    job.servers.clear();
    EXPECT_EQ(check.AreAllServerTested(job), 1);

    const V lines = inst.LogLines();
    EXPECT_TRUE(InOrder(lines, {TwoTexts("CConnectionCheck::GetServerIndex()", "<Invoke>"),
                                TwoTexts("CConnectionCheck::AreAllServerTested()", "<Invoke>")}));
}

TEST(Replies, CuttingAReplyIntoFields)
{
    const struct {
        std::string reply;
        std::string text;
        V fields;
    } cases[] = {
        {"100.03|John|", "100.03|John|", {"3", "John"}},
        {"ok", "ok|", {"ok"}},
        {"99.5|x|", "99.5|x|", {"99.5", "x"}},
        {"  104.07 | a || b  ", "104.07 | a || b|", {"7", "a", "", "b"}},
        {"100.10|", "100.10|", {"10"}},
        {"100.5", "100.5|", {"5"}},
        {"1.2.3|x", "1.2.3|x|", {"1.2.3", "x"}},
        {"0|someone@example.org|", "0|someone@example.org|", {"0", "someone@example.org"}},
        {"", "", {}},
    };
    for (const auto& c : cases) {
        const ReplyFields r = ReplyFields::Cut(0, c.reply);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.text, c.text) << c.reply;
        EXPECT_EQ(r.fields, c.fields) << c.reply;
    }
}

TEST(Replies, CallbacksSendTheirReplyMessages)
{
    Install inst("sl_callbacks", "a|", "80|");
    lxtest::RecordingWindow calling(ServerLinkReader()), other(ServerLinkReader()), waiting(ServerLinkReader());
    CCommClientWrapper::SetCallingWindow(calling.Hwnd());
    CCommClientWrapper::SetWaitingWindow(waiting.Hwnd());
    EXPECT_EQ(CCommClientWrapper::GetCallingWindow(), calling.Hwnd());

    using W = CCommClientWrapper;
    const struct {
        LPCOMMREPLYPROC proc;
        LxpMsg msg;
        const char* trace;  // nullptr: not traced
    } callbacks[] = {
        {&W::DecodeUserAuthentication, LxpMsg::GetCallbackUsersAuthentication, "DecodeUserAuthentication"},
        {&W::DecodeLogOut, LxpMsg::GetCallbackMsgLogout, "DecodeLogOut"},
        {&W::DecodeRegisterEmailAddress, LxpMsg::GetCallbackRegisterEmailAddress, "DecodeRegisterEmailAddress"},
        {&W::DecodeRequestPassword, LxpMsg::GetCallbackRequestPassword, "DecodeRequestPassword"},
        {&W::DecodeSubmissionOfPersonalInfo, LxpMsg::GetCallbackSubmissionPersonalInfo, nullptr},
        {&W::DecodeMobileNumberRegistration, LxpMsg::GetCallbackMobileNumberRegistration, "DecodeMobileNumberRegistration"},
        {&W::DecodeMobileNumberValidation, LxpMsg::GetCallbackMsgMobileNumberValidation, "DecodeMobileNumberValidation"},
    };
    for (const auto& cb : callbacks) {
        calling.Clear();
        other.Clear();
        EXPECT_EQ(cb.proc(0, 0, "100.03|John|", 12, other.Hwnd()), 0);
        cb.proc(0, -1, "", 0, nullptr);  // no reply window: the calling window
        cb.proc(0, 0, nullptr, 0, nullptr);
        ASSERT_EQ(other.All().size(), 1u);
        EXPECT_EQ(other.All()[0].msg, Msg(cb.msg));
        EXPECT_EQ(other.All()[0].wParam, 0u);
        EXPECT_EQ(other.All()[0].items, Items({"0", "100.03|John|", "3", "John"}));
        const auto got = calling.Of(Msg(cb.msg));
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0].wParam, static_cast<WPARAM>(-1));
        EXPECT_EQ(got[0].items, Items({"-1", ""}));
        EXPECT_EQ(got[1].wParam, 0u);
        EXPECT_EQ(got[1].items, Items({"2001", ""}));
        const size_t traced = Count(inst.LogLines(), TwoTexts(std::string("CCommClientWrapper::") +
                                                                  (cb.trace ? cb.trace : "DecodeSubmissionOfPersonalInfo") + "()",
                                                              "<Invoke>"));
        EXPECT_EQ(traced, cb.trace ? 3u : 0u);
    }
    calling.Clear();
    EXPECT_EQ(W::DecodeReportInstallation(0, 0, "0|", 2, calling.Hwnd()), 0);
    EXPECT_TRUE(calling.All().empty()) << "the installation report has no reply handling";

    // Progress reaches the waiting window with its index and text.
    for (int index = 1; index <= 11; ++index)
        EXPECT_EQ(W::DecodeWaitingMessage(index, index == 1 ? "srv1.example.org" : ""), 0);
    W::DecodeWaitingMessage(2, "Name resolved 127.0.0.1");
    const auto progress = waiting.Of(Msg(LxpMsg::UpdateWaitingInternetMsg));
    ASSERT_EQ(progress.size(), 12u);
    for (int index = 1; index <= 11; ++index) {
        EXPECT_EQ(progress[index - 1].wParam, static_cast<WPARAM>(index));
        EXPECT_EQ(progress[index - 1].items, Items({index == 1 ? "srv1.example.org" : ""}));
    }
    EXPECT_EQ(progress[11].items, Items({"Name resolved 127.0.0.1"}));
    EXPECT_EQ(Count(inst.LogLines(), TwoTexts("CCommClientWrapper::DecodeWaitingMessage()", "<Invoke>")), 12u);
    EXPECT_TRUE(calling.All().empty());
}

TEST(Requests, RefusedAtOnceBeforeAnyHunt)
{
    Install inst("sl_refused", "127.0.0.1|", "80|");
    lxtest::RecordingWindow calling(ServerLinkReader());
    V lines;
    {
        CCommClientWrapper wrapper;
        CCommClientWrapper::SetCallingWindow(calling.Hwnd());
        CCommClientWrapper::SetWaitingWindow(nullptr);
        EXPECT_EQ(wrapper.IsServerLinkReady(), 0);
        const struct {
            std::function<int()> call;
            LxpMsg reply;
            const char* trace;
        } requests[] = {
            {[&] { return wrapper.UserAuthentication("secret"); }, LxpMsg::GetCallbackUsersAuthentication,
             "CCommClientWrapper::UserAuthentication(CString p_strPassword)"},
            {[&] { return wrapper.LogOut(); }, LxpMsg::GetCallbackMsgLogout, "CCommClientWrapper::LogOut()"},
            {[&] { return wrapper.RegisterEmailAddress("en"); }, LxpMsg::GetCallbackRegisterEmailAddress,
             "CCommClientWrapper::RegisterEmailAddress(CString p_strLanguage)"},
            {[&] { return wrapper.RequestPassword("en"); }, LxpMsg::GetCallbackRequestPassword,
             "CCommClientWrapper::RequestPassword(CString p_strPrefLang)"},
            {[&] { return wrapper.SubmissionOfPersonalInfo("x|"); }, LxpMsg::GetCallbackSubmissionPersonalInfo,
             "CCommClientWrapper::SubmissionOfPersonalInfo(CString p_strUserInfo)"},
            {[&] { return wrapper.MobileNumberRegistration("+4917112345"); },
             LxpMsg::GetCallbackMobileNumberRegistration,
             "CCommClientWrapper::MobileNumberRegistration(CString p_strMobileNumber)"},
            {[&] { return wrapper.MobileNumberValidation("+4917112345"); },
             LxpMsg::GetCallbackMsgMobileNumberValidation,
             "CCommClientWrapper::MobileNumberValidation(CString p_strMobileNumber)"},
            {[&] { return wrapper.ReportInstallation("report|"); }, LxpMsg::GetCallbackMsgLogout, nullptr},
        };
        for (const auto& r : requests) {
            calling.Clear();
            EXPECT_EQ(r.call(), 0);
            // Inside the call, without pumping: the reply message came synchronously.
            ASSERT_EQ(calling.All().size(), 1u) << (r.trace ? r.trace : "report");
            EXPECT_EQ(calling.All()[0].msg, Msg(r.reply));
            EXPECT_EQ(calling.All()[0].wParam, static_cast<WPARAM>(-1));
            EXPECT_EQ(calling.All()[0].items, Items({"-1", ""}));
            if (r.trace) {
                EXPECT_EQ(inst.LogLines().back(), TwoTexts(r.trace, "<Invoke>"));
            }
        }
        lines = inst.LogLines();
    }
    EXPECT_EQ(lines.front(), TwoTexts("CConnectionCheck::InitLists()", "<Invoke>"));
    EXPECT_TRUE(InOrder(lines, {TwoTexts("CConnectionCheck::InitLists() : EstablishServerConnection()",
                                         "Establishing Initial Connection to Server"),
                                TwoTexts("CCommClientWrapper::CCommClientWrapper()", "<Invoke>"),
                                TwoTexts("CCommClientWrapper::SetCallingWindow()", "<Invoke>"),
                                TwoTexts("CCommClientWrapper::SetWaitingWindow()", "<Invoke>")}));
    EXPECT_EQ(inst.LogLines().back(), TwoTexts("CCommClientWrapper::~CCommClientWrapper()", "<Invoke>"));
}
