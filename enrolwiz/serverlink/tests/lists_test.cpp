// The server link without any server: list files, the start-index draw, reply records,
// reply and progress messages, the refusal before a hunt, their traces.
#include "slfixture.h"

#include <gtest/gtest.h>

#include <map>

using namespace sltest;
using lxtest::Count;
using lxtest::InOrder;

TEST(Lists, ShapesOfTheListFilesAndTheirTraces)
{
    const struct {
        std::string servers, ports;
        V names, items;
    } cases[] = {
        {"srv1|srv2|", "80|8080|", {"srv1", "srv2"}, {"80", "8080"}},
        {"srv1|\r\nsrv2|\r\n", "80|\n8080", {"srv1", "srv2"}, {"80", "8080"}},
        {"  Srv1.Example.ORG |\r\n\r\n  SRV2 \t|  ", " 80 |\r\n 8080 |\r\n", {"srv1.example.org", "srv2"}, {"80", "8080"}},
        {"127.0.0.1", "8765", {"127.0.0.1"}, {"8765"}},
        {"a||b|", "1|", {"a", "", "b"}, {"1"}},
    };
    for (const auto& c : cases) {
        Install inst("sl_lists", c.servers, c.ports);
        CConnectionCheck check;
        V names, expected{TwoTexts("CConnectionCheck::InitLists()", "<Invoke>"),
                          TwoTexts("CConnectionCheck::InitLists()", "Server List")};
        for (const ServerEntry& s : check.Servers())
            names.push_back(s.name + (s.tested ? "*" : ""));
        EXPECT_EQ(names, c.names) << c.servers;
        EXPECT_EQ(check.Ports(), c.items) << c.ports;
        EXPECT_EQ(check.OnLineServerIndex(), -1);
        for (const std::string& n : c.names)
            expected.push_back(TwoTexts("CConnectionCheck::InitLists() Server: ", n));
        expected.push_back(TwoTexts("CConnectionCheck::InitLists()", "Port List"));
        for (const std::string& p : c.items)
            expected.push_back(TwoTexts("CConnectionCheck::InitLists() Port: ", p));
        expected.push_back(TwoTexts("CConnectionCheck::InitLists() : EstablishServerConnection()",
                                    "Establishing Initial Connection to Server"));
        EXPECT_EQ(inst.LogLines(), expected) << c.servers;
    }
    // An empty server list stops there: the port file is not even read.
    Install empty("sl_lists_empty", " \r\n \r\n", "80|");
    DeleteFileA((empty.dir + "\\data\\port.lst").c_str());
    CConnectionCheck check;
    EXPECT_TRUE(check.Servers().empty() && check.Ports().empty());
    EXPECT_EQ(empty.LogLines(), V{TwoTexts("CConnectionCheck::InitLists()", "<Invoke>")});
}

LXTEST_CHILD(sl_make_wrapper)
{
    CCommClientWrapper wrapper;
    return 7;  // not reached when a list is missing
}

TEST(Lists, AMissingListIsNamedInTheLogAndEndsTheProgram)
{
    for (const std::string missing : {".\\data\\server.lst", ".\\data\\port.lst", ""}) {
        Install inst("sl_missing", "srv1|", "80|");
        if (!missing.empty()) {
            ASSERT_TRUE(DeleteFileA((inst.dir + missing.substr(1)).c_str()));
        }
        EXPECT_EQ(lxtest::RunChild("sl_make_wrapper", "", 60000, inst.dir), missing.empty() ? 7 : 0);
        const V lines = inst.LogLines();
        EXPECT_EQ(Count(lines, TwoTexts("CFieldSplitter::LoadFile()", "Cannot open the list file " + missing)),
                  missing.empty() ? 0u : 1u);
        EXPECT_EQ(Count(lines, TwoTexts("CCommClientWrapper::CCommClientWrapper()", "<Invoke>")),
                  missing.empty() ? 1u : 0u);
    }
}

namespace {

unsigned g_seed = 0;
unsigned NextSeed() { return g_seed = g_seed * 1103515245u + 12345u; }

}  // namespace

TEST(Lists, StartIndexNeverTheLastServer)
{
    Install inst("sl_index", "a|", "80|");
    CConnectionCheck check;
    auto* const saved = CConnectionCheck::s_pfnSeed;
    CConnectionCheck::s_pfnSeed = &NextSeed;
    const int rounds = 300;
    const struct {
        std::string tested;           // tested flag per server
        std::map<int, double> share;  // the indices that may come, each at least this often
    } cases[] = {
        {"0", {{0, 1.0}}}, {"00", {{0, 1.0}}}, {"000", {{0, 0.35}, {1, 0.35}}},
        {"00000", {{0, 0.15}, {1, 0.15}, {2, 0.15}, {3, 0.15}}},
        {"010", {{1, 1.0}}},  // only position 2 is untested from 1 on
        {"100", {{0, 0.35}, {1, 0.35}}}, {"", {{-1, 1.0}}}, {"111", {{-1, 1.0}}},
        {"011", {{-1, 1.0}}},  // nothing the draw can reach
    };
    for (const auto& c : cases) {
        ServerPortJob job;
        for (char t : c.tested)
            job.servers.push_back(ServerEntry{"s", t == '1'});
        EXPECT_EQ(check.AreAllServerTested(job), c.tested.find('0') == std::string::npos ? 1 : 0);
        std::map<int, int> seen;
        for (int i = 0; i < rounds; ++i)
            ++seen[check.GetServerIndex(job)];
        for (const auto& [index, n] : seen)
            EXPECT_TRUE(c.share.count(index)) << c.tested << " gave " << index << " " << n << " times";
        for (const auto& [index, share] : c.share)
            EXPECT_GE(seen[index], share * rounds) << c.tested << " index " << index;
    }
    CConnectionCheck::s_pfnSeed = saved;
    EXPECT_TRUE(InOrder(inst.LogLines(), {TwoTexts("CConnectionCheck::AreAllServerTested()", "<Invoke>"),
                                          TwoTexts("CConnectionCheck::GetServerIndex()", "<Invoke>"),
                                          TwoTexts("CConnectionCheck::AreAllServerTested()", "<Invoke>")}));
}

TEST(Replies, CuttingAReplyIntoFields)
{
    const struct {
        std::string reply, text;
        V fields;
    } cases[] = {
        {"100.03|John|", "100.03|John|", {"3", "John"}}, {"ok", "ok|", {"ok"}},
        {"99.5|x|", "99.5|x|", {"99.5", "x"}}, {"  104.07 | a || b  ", "104.07 | a || b|", {"7", "a", "", "b"}},
        {"100.10|", "100.10|", {"10"}}, {"100.5", "100.5|", {"5"}}, {"1.2.3|x", "1.2.3|x|", {"1.2.3", "x"}},
        {"", "", {}},
    };
    for (const auto& c : cases) {
        const ReplyFields r = ReplyFields::Cut(0, c.reply);
        EXPECT_EQ(V({std::to_string(r.code), r.text}), V({"0", c.text})) << c.reply;
        EXPECT_EQ(r.fields, c.fields) << c.reply;
    }
}

TEST(Replies, CallbacksSendTheirReplyMessages)
{
    Install inst("sl_callbacks", "a|", "80|");
    lxtest::RecordingWindow calling(ServerLinkReader()), other(ServerLinkReader()), waiting(ServerLinkReader());
    CCommClientWrapper::SetCallingWindow(calling.Hwnd());
    CCommClientWrapper::SetWaitingWindow(waiting.Hwnd());
    using W = CCommClientWrapper;
    const struct {
        LPCOMMREPLYPROC proc;
        LxpMsg msg;
        std::string name;
        bool traced;
    } callbacks[] = {
        {&W::DecodeUserAuthentication, LxpMsg::GetCallbackUsersAuthentication, "DecodeUserAuthentication", true},
        {&W::DecodeLogOut, LxpMsg::GetCallbackMsgLogout, "DecodeLogOut", true},
        {&W::DecodeRegisterEmailAddress, LxpMsg::GetCallbackRegisterEmailAddress, "DecodeRegisterEmailAddress", true},
        {&W::DecodeRequestPassword, LxpMsg::GetCallbackRequestPassword, "DecodeRequestPassword", true},
        {&W::DecodeSubmissionOfPersonalInfo, LxpMsg::GetCallbackSubmissionPersonalInfo, "DecodeSubmissionOfPersonalInfo", false},
        {&W::DecodeMobileNumberRegistration, LxpMsg::GetCallbackMobileNumberRegistration, "DecodeMobileNumberRegistration", true},
        {&W::DecodeMobileNumberValidation, LxpMsg::GetCallbackMsgMobileNumberValidation, "DecodeMobileNumberValidation", true},
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
        EXPECT_EQ(other.All()[0].items, V({"0", "100.03|John|", "3", "John"}));
        const auto got = calling.Of(Msg(cb.msg));
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0].wParam, static_cast<WPARAM>(-1));
        EXPECT_EQ(got[0].items, V({"-1", ""}));
        EXPECT_EQ(got[1].wParam, 0u);
        EXPECT_EQ(got[1].items, V({"2001", ""}));
        EXPECT_EQ(Count(inst.LogLines(), TwoTexts("CCommClientWrapper::" + cb.name + "()", "<Invoke>")),
                  cb.traced ? 3u : 0u);
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
    for (WPARAM index = 1; index <= 12; ++index) {
        EXPECT_EQ(progress[index - 1].wParam, index == 12 ? 2 : index);
        EXPECT_EQ(progress[index - 1].items,
                  V{index == 1 ? "srv1.example.org" : index == 12 ? "Name resolved 127.0.0.1" : ""});
    }
    EXPECT_EQ(Count(inst.LogLines(), TwoTexts("CCommClientWrapper::DecodeWaitingMessage()", "<Invoke>")), 12u);
    EXPECT_TRUE(calling.All().empty());
}

TEST(Requests, RefusedAtOnceBeforeAnyHunt)
{
    Install inst("sl_refused", "127.0.0.1|", "80|");
    lxtest::RecordingWindow calling(ServerLinkReader());
    {
        CCommClientWrapper w;
        CCommClientWrapper::SetCallingWindow(calling.Hwnd());
        CCommClientWrapper::SetWaitingWindow(nullptr);
        EXPECT_EQ(w.IsServerLinkReady(), 0);
        const std::string pre = "CCommClientWrapper::";
        const struct {
            std::function<int()> call;
            LxpMsg reply;
            std::string trace;  // "": not traced
        } requests[] = {
            {[&] { return w.UserAuthentication("pw"); }, LxpMsg::GetCallbackUsersAuthentication,
             pre + "UserAuthentication(CString p_strPassword)"},
            {[&] { return w.LogOut(); }, LxpMsg::GetCallbackMsgLogout, pre + "LogOut()"},
            {[&] { return w.RegisterEmailAddress("en"); }, LxpMsg::GetCallbackRegisterEmailAddress,
             pre + "RegisterEmailAddress(CString p_strLanguage)"},
            {[&] { return w.RequestPassword("en"); }, LxpMsg::GetCallbackRequestPassword,
             pre + "RequestPassword(CString p_strPrefLang)"},
            {[&] { return w.SubmissionOfPersonalInfo("x|"); }, LxpMsg::GetCallbackSubmissionPersonalInfo,
             pre + "SubmissionOfPersonalInfo(CString p_strUserInfo)"},
            {[&] { return w.MobileNumberRegistration("1|"); }, LxpMsg::GetCallbackMobileNumberRegistration,
             pre + "MobileNumberRegistration(CString p_strMobileNumber)"},
            {[&] { return w.MobileNumberValidation("1|"); }, LxpMsg::GetCallbackMsgMobileNumberValidation,
             pre + "MobileNumberValidation(CString p_strMobileNumber)"},
            {[&] { return w.ReportInstallation("report|"); }, LxpMsg::GetCallbackMsgLogout, ""},
        };
        for (const auto& r : requests) {
            calling.Clear();
            const size_t logged = inst.LogLines().size();
            EXPECT_EQ(r.call(), 0);
            // Inside the call, without pumping: the reply message came synchronously.
            ASSERT_EQ(calling.All().size(), 1u) << r.trace;
            EXPECT_EQ(calling.All()[0].msg, Msg(r.reply)) << r.trace;
            EXPECT_EQ(calling.All()[0].wParam, static_cast<WPARAM>(-1));
            EXPECT_EQ(calling.All()[0].items, V({"-1", ""}));
            const V lines = inst.LogLines();
            EXPECT_EQ(V(lines.begin() + static_cast<std::ptrdiff_t>(logged), lines.end()),
                      r.trace.empty() ? V{} : V{TwoTexts(r.trace, "<Invoke>")});
        }
    }
    const V lines = inst.LogLines();
    EXPECT_TRUE(InOrder(lines, {TwoTexts("CConnectionCheck::InitLists() : EstablishServerConnection()",
                                         "Establishing Initial Connection to Server"),
                                TwoTexts("CCommClientWrapper::CCommClientWrapper()", "<Invoke>"),
                                TwoTexts("CCommClientWrapper::SetCallingWindow()", "<Invoke>"),
                                TwoTexts("CCommClientWrapper::SetWaitingWindow()", "<Invoke>")}));
    EXPECT_EQ(lines.back(), TwoTexts("CCommClientWrapper::~CCommClientWrapper()", "<Invoke>"));
}
