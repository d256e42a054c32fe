// Every account request end to end: the wrapper hunts, the page's window gets the pair, the
// requests go to the account-service stand-in and their replies come back as messages.
#include "slfixture.h"

#include <gtest/gtest.h>

#include <functional>

using lxtest::TwoTexts;
using namespace sltest;

namespace {

using V = std::vector<std::string>;

// A wrapper set up as the wizard sets it up, after a hunt that found the stand-in.
struct Session {
    Install inst;
    lxtest::RecordingWindow calling{ServerLinkReader()};
    lxtest::RecordingWindow waiting{ServerLinkReader()};
    CCommClientWrapper wrapper;

    Session(const std::string& name, const std::string& email)
        : inst(name, "127.0.0.1|", AccountdPort() + "|")
    {
        wrapper.SetApplicationCode("LXK");
        wrapper.SetApplicationVersion("2.9");
        wrapper.SetAppBuildNumber("100");
        wrapper.SetProtocolVersion("1");
        wrapper.SetEmailAddress(email);
        CCommClientWrapper::SetCallingWindow(calling.Hwnd());
        CCommClientWrapper::SetWaitingWindow(waiting.Hwnd());
    }

    // What the e-mail verification page does with the hunt's result.
    bool Connect()
    {
        wrapper.CheckInetConnection();
        if (!calling.WaitFor(Msg(LxpMsg::OnResultServerPortHunting), 1, 60000))
            return false;
        const lxtest::Received r = calling.All().back();
        if (r.wParam != 0 || r.items[0] != "127.0.0.1|" + AccountdPort() + "|")
            return false;
        wrapper.SetOnLineServer("127.0.0.1");
        wrapper.SetOnLinePort(AccountdPort());
        wrapper.GetClient().SetOnLineServer("127.0.0.1");
        wrapper.GetClient().SetOnLinePort(AccountdPort().c_str());
        calling.Clear();
        return wrapper.IsServerLinkReady() == 1;
    }

    // One request: its reply message ({wParam as text, code, text, fields...}).
    V Ask(const std::function<int()>& request, LxpMsg reply, size_t replies = 1)
    {
        calling.Clear();
        waiting.Clear();
        EXPECT_EQ(request(), 0);
        if (!calling.WaitFor(Msg(reply), replies, 60000))
            return {"no reply"};
        lxtest::PumpMessages(100);
        V out;
        for (const lxtest::Received& r : calling.Of(Msg(reply))) {
            out.push_back(r.wParam == 0 ? "0" : r.wParam == static_cast<WPARAM>(-1) ? "-1" : "?");
            out.insert(out.end(), r.items.begin(), r.items.end());
        }
        return out;
    }
};

}  // namespace

TEST(Accountd, EveryRequestKindEndToEnd)
{
    if (AccountdPort().empty())
        GTEST_SKIP() << "runs from run_with_accountd.sh only";
    const std::string email = "serverlink@example.org";
    Session s("sl_requests", email);
    CCommClientWrapper& w = s.wrapper;
    ASSERT_TRUE(s.Connect());
    ASSERT_TRUE(Control("form=mixed"));

    // Sign-up: a new address gets its PIN mailed. No progress for this request.
    EXPECT_EQ(s.Ask([&] { return w.RegisterEmailAddress("en"); }, LxpMsg::GetCallbackRegisterEmailAddress),
              (V{"0", "0", "10|" + email + "|", "10", email}));
    EXPECT_TRUE(s.waiting.All().empty());
    EXPECT_EQ(Mailed(email, "Kind"), "pin");
    const std::string pin = Mailed(email, "Secret");
    ASSERT_FALSE(pin.empty());

    // Log-in: a second log-in while the first is in flight is refused with 2000.
    s.calling.Clear();
    ASSERT_EQ(w.UserAuthentication(pin), 0);
    EXPECT_EQ(w.UserAuthentication(pin), 2000);
    ASSERT_TRUE(s.calling.WaitFor(Msg(LxpMsg::GetCallbackUsersAuthentication), 1, 60000));
    lxtest::PumpMessages(200);
    ASSERT_EQ(s.calling.All().size(), 1u);
    EXPECT_EQ(s.calling.All()[0].items, (V{"0", "100.00|", "0"}));
    // Progress came first, to the waiting window only, with indices the client reports.
    const auto progress = s.waiting.Of(Msg(LxpMsg::UpdateWaitingInternetMsg));
    ASSERT_FALSE(progress.empty());
    for (const auto& p : progress) {
        EXPECT_GE(p.wParam, 1u);
        EXPECT_LE(p.wParam, 11u);
        if (p.wParam >= 3) {
            EXPECT_EQ(p.items, V{""});
        }
    }
    EXPECT_EQ(s.waiting.All().size(), progress.size());

    const std::string details = "LXK|2.9|100|cb|cb|2.8|90|Mr|Dr| |John|Doe|Q|R|S|1 Main St|||Springfield|IL||62701|US||WXP|1|en|2026-12-07|I|1|1;2;|";
    const struct {
        std::function<int()> call;
        LxpMsg reply;
        V expected;
        bool progress;
    } requests[] = {
        {[&] { return w.SubmissionOfPersonalInfo(details); }, LxpMsg::GetCallbackSubmissionPersonalInfo, {"0", "0", "0|", "0"}, true},
        {[&] { return w.SubmissionOfPersonalInfo("LXK|too|short|"); }, LxpMsg::GetCallbackSubmissionPersonalInfo, {"0", "0", "1|", "1"}, true},
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

    // The traces of the requests, byte for byte.
    const V lines = s.inst.LogLines();
    for (const char* trace : {"CCommClientWrapper::RegisterEmailAddress(CString p_strLanguage)",
                              "CCommClientWrapper::UserAuthentication(CString p_strPassword)",
                              "CCommClientWrapper::SubmissionOfPersonalInfo(CString p_strUserInfo)",
                              "CCommClientWrapper::MobileNumberRegistration(CString p_strMobileNumber)",
                              "CCommClientWrapper::MobileNumberValidation(CString p_strMobileNumber)",
                              "CCommClientWrapper::RequestPassword(CString p_strPrefLang)",
                              "CCommClientWrapper::LogOut()", "CCommClientWrapper::DecodeRegisterEmailAddress()",
                              "CCommClientWrapper::DecodeUserAuthentication()", "CCommClientWrapper::DecodeLogOut()",
                              "CCommClientWrapper::DecodeMobileNumberRegistration()",
                              "CCommClientWrapper::DecodeMobileNumberValidation()",
                              "CCommClientWrapper::DecodeRequestPassword()"})
        EXPECT_GE(Count(lines, TwoTexts(trace, "<Invoke>")), 1u) << trace;
    EXPECT_EQ(Count(lines, TwoTexts("CCommClientWrapper::UserAuthentication(CString p_strPassword)", "<Invoke>")), 2u);
    EXPECT_TRUE(InOrder(lines, {TwoTexts("CCommClientWrapper::CheckInetConnection()", "<Start>"),
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
    ASSERT_TRUE(s.Connect());
    CCommClientWrapper& w = s.wrapper;
    const auto signUp = [&] { return w.RegisterEmailAddress("en"); };
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
    };
    for (const auto& f : faults) {
        ASSERT_TRUE(Control(f.fault));
        EXPECT_EQ(s.Ask(signUp, LxpMsg::GetCallbackRegisterEmailAddress, f.replies), f.expected) << f.fault;
    }
    ASSERT_TRUE(Control("reset=1"));
    EXPECT_EQ(s.Ask(signUp, LxpMsg::GetCallbackRegisterEmailAddress), (V{"0", "0", "10|faults@example.org|", "10", "faults@example.org"}));
}
