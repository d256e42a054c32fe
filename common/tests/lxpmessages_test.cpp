#include "lxpmessages.h"
#include "lxtest.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Every message with the exact name it is registered by.
const struct {
    LxpMsg msg;
    const char* name;
} kTable[] = {
    {LxpMsg::ConfigChange, "LXPAPI_MSG_CONFIGCHANGE"},
    {LxpMsg::UsersAuthentication, "LXPAPI_MSG_USERSAUTHENTICATION"},
    {LxpMsg::GetCallbackUsersAuthentication, "LXPAPI_MSG_GETCALLBACKUSERSAUTHENTICATION"},
    {LxpMsg::RegisterEmailAddress, "LXPAPI_MSG_REGISTEREMAILADDRESS"},
    {LxpMsg::GetCallbackRegisterEmailAddress, "LXPAPI_MSG_GETCALLBACKREGISTEREMAILADDRESS"},
    {LxpMsg::RequestPassword, "LXPAPI_MSG_REQUESTPASSWORD"},
    {LxpMsg::GetCallbackRequestPassword, "LXPAPI_MSG_GETCALLBACKREQUESTPASSWORD"},
    {LxpMsg::SubmissionPersonalInfo, "LXPAPI_MSG_SUBMISSIONPERSONALINFO"},
    {LxpMsg::GetCallbackSubmissionPersonalInfo, "LXPAPI_MSG_GETCALLBACKSUBMISSIONPERSONALINFO"},
    {LxpMsg::MobileNumberRegistration, "LXPAPI_MSG_MOBILENUMBERREGISTRATION"},
    {LxpMsg::GetCallbackMobileNumberRegistration,
     "LXPAPI_MSG_GETCALLBACKMOBILENUMBERREGISTRATION"},
    {LxpMsg::MobileNumberValidation, "LXPAPI_MSG_MOBILENUMBERVALIDATION"},
    {LxpMsg::GetCallbackMsgMobileNumberValidation,
     "LXPAPI_MSG_GETCALLBACKMSGMOBILENUMBERVALIDATION"},
    {LxpMsg::Logout, "LXPAPI_MSG_LOGOUT"},
    {LxpMsg::GetCallbackMsgLogout, "LXPAPI_MSG_GETCALLBACKMSGLOGOUT"},
    {LxpMsg::UpdateWaitingInternetMsg, "LXPAPI_MSG_UPDATEWAITINGINTERNETMSG"},
    {LxpMsg::OnGetServerPortConnection, "LXPAPI_MSG_ONGETSERVERPORTCONNECTION"},
    {LxpMsg::OnResultServerPortHunting, "LXPAPI_MSG_ONRESULTSERVERPORTHUNTING"},
    {LxpMsg::OnStartIconMoving, "LXPAPI_MSG_ONSTARTICONMOVING"},
    {LxpMsg::OnStopIconMoving, "LXPAPI_MSG_ONSTOPICONMOVING"},
    {LxpMsg::OnOcrBuildingDone, "LXPAPI_MSG_ONOCRBUILDINGDONE"},
    {LxpMsg::MouseHookOpen, "LXPAPI_MSG_MOUSEHOOKOPEN"},
    {LxpMsg::MouseHookClose, "LXPAPI_MSG_MOUSEHOOKCLOSE"},
    {LxpMsg::OnRightMouseButtonDown, "LXPAPI_MSG_ONRIGHTMOUSEBUTTONDOWN"},
    {LxpMsg::OnRightMouseButtonUp, "LXPAPI_MSG_ONRIGHTMOUSEBUTTONUP"},
};

}  // namespace

LXTEST_CHILD(message_numbers)
{
    // Writes the number of every message, as this process obtains it, one a line.
    std::string lines;
    for (unsigned i = 0; i < static_cast<unsigned>(LxpMsg::Count); ++i)
        lines += std::to_string(LxpMessage(static_cast<LxpMsg>(i))) + "\n";
    return argc == 1 && lxtest::WriteFileBytes(argv[0], lines) ? 0 : 1;
}

// Each message has its own name and, in this process and in another, the system's number
// for that name.
TEST(Messages, EveryNameAndNumberInTwoProcesses)
{
    ASSERT_EQ(sizeof kTable / sizeof kTable[0], static_cast<size_t>(LxpMsg::Count));
    const std::string file = lxtest::FreshDir("messages") + "\\numbers.txt";
    ASSERT_EQ(lxtest::RunChild("message_numbers", "\"" + file + "\""), 0);
    std::istringstream lines(lxtest::ReadFileBytes(file));
    std::vector<UINT> child(static_cast<size_t>(LxpMsg::Count));
    for (UINT& n : child)
        lines >> n;
    std::set<UINT> numbers;
    for (const auto& row : kTable) {
        const UINT n = LxpMessage(row.msg);
        EXPECT_STREQ(LxpMessageName(row.msg), row.name);
        EXPECT_GE(n, 0xC000u) << row.name;
        EXPECT_EQ(n, LxpMessage(row.msg)) << row.name;  // cached
        EXPECT_EQ(n, RegisterWindowMessageA(row.name)) << row.name;
        EXPECT_EQ(child[static_cast<size_t>(row.msg)], n) << row.name << " in the child";
        numbers.insert(n);
    }
    EXPECT_EQ(numbers.size(), static_cast<size_t>(LxpMsg::Count));
    EXPECT_EQ(LxpMessage(LxpMsg::Count), 0u);
    EXPECT_STREQ(LxpMessageName(LxpMsg::Count), "");
}
