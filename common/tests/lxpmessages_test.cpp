#include "lxpmessages.h"
#include "lxtest.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(Messages, NamesAreExactAndNumbersStable)
{
    std::set<std::string> names;
    std::set<UINT> numbers;
    for (unsigned i = 0; i < static_cast<unsigned>(LxpMsg::Count); ++i) {
        const auto m = static_cast<LxpMsg>(i);
        const std::string name = LxpMessageName(m);
        EXPECT_EQ(name.rfind("LXPAPI_MSG_", 0), 0u) << name;
        names.insert(name);
        const UINT n = LxpMessage(m);
        EXPECT_GE(n, 0xC000u);
        EXPECT_EQ(n, LxpMessage(m));                         // cached
        EXPECT_EQ(n, RegisterWindowMessageA(name.c_str()));  // same as the system's
        numbers.insert(n);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(LxpMsg::Count));
    EXPECT_EQ(numbers.size(), static_cast<size_t>(LxpMsg::Count));
    EXPECT_STREQ(LxpMessageName(LxpMsg::ConfigChange), "LXPAPI_MSG_CONFIGCHANGE");
    EXPECT_STREQ(LxpMessageName(LxpMsg::GetCallbackMsgMobileNumberValidation),
                 "LXPAPI_MSG_GETCALLBACKMSGMOBILENUMBERVALIDATION");
    EXPECT_STREQ(LxpMessageName(LxpMsg::OnRightMouseButtonUp), "LXPAPI_MSG_ONRIGHTMOUSEBUTTONUP");
    EXPECT_EQ(LxpMessage(LxpMsg::Count), 0u);
}

LXTEST_CHILD(message_number)
{
    // Exit code carries the number this process obtained.
    return static_cast<int>(LxpMessage(LxpMsg::MouseHookOpen));
}

TEST(Messages, SameNumberInTwoProcesses)
{
    const int child = lxtest::RunChild("message_number");
    EXPECT_EQ(static_cast<UINT>(child), LxpMessage(LxpMsg::MouseHookOpen));
}
