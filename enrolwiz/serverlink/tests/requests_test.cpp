// Every account request end to end: the wrapper hunts, the page's window gets the pair, the
// requests go to the account-service stand-in and their replies come back as messages.
#include "slfixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace sltest;

namespace {

// A wrapper set up as the wizard sets it up, connected by a hunt that found the stand-in.
struct Session {
    Install inst;
    lxtest::RecordingWindow calling{ServerLinkReader()}, waiting{ServerLinkReader()};
    CCommClientWrapper w;

    Session(const std::string& name, const std::string& email) : inst(name, "127.0.0.1|", AccountdPort() + "|")
    {
        w.SetApplicationCode("LXK");
        w.SetApplicationVersion("2.9");
        w.SetAppBuildNumber("100");
        w.SetProtocolVersion("1");
        w.SetEmailAddress(email);
        CCommClientWrapper::SetCallingWindow(calling.Hwnd());
        CCommClientWrapper::SetWaitingWindow(waiting.Hwnd());
        // What the e-mail verification page does with the hunt's result.
        w.CheckInetConnection();
        EXPECT_TRUE(calling.WaitFor(Msg(LxpMsg::OnResultServerPortHunting), 1, 60000));
        EXPECT_EQ(calling.All().at(0).items.at(0), "127.0.0.1|" + AccountdPort() + "|");
        w.GetClient().SetOnLineServer("127.0.0.1");
        w.GetClient().SetOnLinePort(AccountdPort().c_str());
        EXPECT_EQ(w.IsServerLinkReady(), 1);
    }

    // One request: {wParam, code, text, fields...} of each reply message.
    V Ask(const std::function<int()>& request, LxpMsg reply, size_t replies = 1)
    {
        calling.Clear();
        waiting.Clear();
        EXPECT_EQ(request(), 0);
        if (!calling.WaitFor(Msg(reply), replies, 60000))
            return {"no reply"};
        lxtest::PumpMessages(100);
        V out;
        for (const lxtest::Received& r : calling.All()) {
            out.push_back(r.msg != Msg(reply) ? "other" : r.wParam == 0 ? "0" : r.wParam == WPARAM(-1) ? "-1" : "?");
            out.insert(out.end(), r.items.begin(), r.items.end());
        }
        return out;
    }
};

std::string Mailed(const std::string& address, const std::string& key)
{
    const std::string json = Get("/_accountd/mail?to=" + address), head = "\"" + key + "\": \"";
    const size_t at = json.find(head);
    return at == std::string::npos ? "" : json.substr(at + head.size(), json.find('"', at + head.size()) - at - head.size());
}

}  // namespace

TEST(Accountd, EveryRequestKindEndToEnd)
{
    if (AccountdPort().empty())
        GTEST_SKIP() << "runs from run_with_accountd.sh only";
    const std::string email = "serverlink@example.org";
    Session s("sl_requests", email);
    CCommClientWrapper& w = s.w;
    ASSERT_TRUE(Control("form=mixed"));

    // Sign-up: a new address gets its PIN mailed. No progress for this request.
    EXPECT_EQ(s.Ask([&] { return w.RegisterEmailAddress("en"); }, LxpMsg::GetCallbackRegisterEmailAddress),
              V({"0", "0", "10|" + email + "|", "10", email}));
    EXPECT_TRUE(s.waiting.All().empty());
    EXPECT_EQ(Mailed(email, "Kind"), "pin");
    const std::string pin = Mailed(email, "Secret");

    // Log-in: a second log-in while the first is in flight is refused with 2000.
    EXPECT_EQ(s.Ask([&] { return w.UserAuthentication(pin) + w.UserAuthentication(pin) - 2000; },
                    LxpMsg::GetCallbackUsersAuthentication),
              V({"0", "0", "100.00|", "0"}));
    // Progress came to the waiting window only, with the client's indices.
    ASSERT_FALSE(s.waiting.All().empty());
    for (const auto& p : s.waiting.All()) {
        EXPECT_EQ(p.msg, Msg(LxpMsg::UpdateWaitingInternetMsg));
        EXPECT_TRUE(p.wParam >= 1 && p.wParam <= 11) << p.wParam;
        EXPECT_TRUE(p.wParam < 3 || p.items == V{""}) << p.wParam << " " << p.items[0];
    }

    const std::string details = "LXK|2.9|100|cb|cb|2.8|90|Mr|Dr| |John|Doe|Q|R|S|1 Main St|||Springfield|IL||62701|US||WXP|1|en|2026-12-07|I|1|1;2;|";
    const struct {
        std::function<int()> call;
        LxpMsg reply;
        V expected;
        bool progress;
    } requests[] = {
        {[&] { return w.SubmissionOfPersonalInfo(details); }, LxpMsg::GetCallbackSubmissionPersonalInfo, {"0", "0", "0|", "0"}, true},
        {[&] { return w.SubmissionOfPersonalInfo("LXK|short|"); }, LxpMsg::GetCallbackSubmissionPersonalInfo, {"0", "0", "1|", "1"}, true},
        {[&] { return w.MobileNumberRegistration("US|+1 217 555 0100"); }, LxpMsg::GetCallbackMobileNumberRegistration, {"0", "0", "116.00|", "0"}, true},
        {[&] { return w.MobileNumberRegistration("US|12"); }, LxpMsg::GetCallbackMobileNumberRegistration, {"0", "0", "116.18|", "18"}, true},
        {[&] { return w.MobileNumberValidation("US|+1 217 555 0100"); }, LxpMsg::GetCallbackMsgMobileNumberValidation, {"0", "0", "0|", "0"}, true},
        {[&] { return w.RequestPassword("en"); }, LxpMsg::GetCallbackRequestPassword, {"0", "0", "108.00|", "0"}, true},
        {[&] { return w.LogOut(); }, LxpMsg::GetCallbackMsgLogout, {"0", "0", "0|", "0"}, false},
    };
    for (const auto& r : requests) {
        EXPECT_EQ(s.Ask(r.call, r.reply), r.expected) << r.expected[2];
        EXPECT_EQ(!s.waiting.All().empty(), r.progress) << r.expected[2];
    }
    EXPECT_EQ(Mailed(email, "Kind"), "password") << "the new password was mailed";

    // The installation report: no reply message; a second one while it runs gets 2000.
    s.calling.Clear();
    EXPECT_EQ(w.ReportInstallation("report|WXP|2.9|"), 0);
    EXPECT_EQ(w.ReportInstallation("report|WXP|2.9|"), 2000);
    lxtest::PumpMessages(3000);
    EXPECT_TRUE(s.calling.All().empty());

    const V lines = s.inst.LogLines();
    EXPECT_EQ(lxtest::Count(lines, TwoTexts("CCommClientWrapper::UserAuthentication(CString p_strPassword)", "<Invoke>")), 2u);
    EXPECT_TRUE(lxtest::InOrder(lines, {TwoTexts("CCommClientWrapper::CheckInetConnection()", "<Start>"),
                                        TwoTexts("CConnectionCheck::GetServerNameAndPortNumber()", "<Start>"),
                                        TwoTexts("CConnectionCheck::GetServerNameAndPortNumber()", "<End>"),
                                        TwoTexts("CCommClientWrapper::CheckInetConnection()", "<End>")}));
    for (const std::string& l : lines)
        EXPECT_EQ(l.find(pin), std::string::npos) << "a password in the log: " << l;
}

TEST(Accountd, ServerFaultsReachThePageAsFailures)
{
    if (AccountdPort().empty())
        GTEST_SKIP() << "runs from run_with_accountd.sh only";
    Session s("sl_faults", "faults@example.org");
    const auto signUp = [&] { return s.w.RegisterEmailAddress("en"); };
    const struct {
        std::string fault;
        size_t replies;
        V expected;
    } faults[] = {
        {"mode=empty&count=1", 1, {"-1", "-1", ""}},
        {"mode=http&code=500&count=1", 1, {"-1", "-1", ""}},
        {"mode=drop&count=1", 1, {"-1", "-1", ""}},
        // An undecodable body: "nothing usable" first, then the failure.
        {"mode=garbage&count=1", 2, {"0", "2001", "", "-1", "-1", ""}},
        {"reset=1", 1, {"0", "0", "10|faults@example.org|", "10", "faults@example.org"}},
    };
    for (const auto& f : faults) {
        ASSERT_TRUE(Control(f.fault));
        EXPECT_EQ(s.Ask(signUp, LxpMsg::GetCallbackRegisterEmailAddress, f.replies), f.expected) << f.fault;
    }
}
