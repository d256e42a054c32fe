#include "lxpmessages.h"

#include <atomic>

namespace {

constexpr const char* kNames[] = {
    "LXPAPI_MSG_CONFIGCHANGE",
    "LXPAPI_MSG_USERSAUTHENTICATION",
    "LXPAPI_MSG_GETCALLBACKUSERSAUTHENTICATION",
    "LXPAPI_MSG_REGISTEREMAILADDRESS",
    "LXPAPI_MSG_GETCALLBACKREGISTEREMAILADDRESS",
    "LXPAPI_MSG_REQUESTPASSWORD",
    "LXPAPI_MSG_GETCALLBACKREQUESTPASSWORD",
    "LXPAPI_MSG_SUBMISSIONPERSONALINFO",
    "LXPAPI_MSG_GETCALLBACKSUBMISSIONPERSONALINFO",
    "LXPAPI_MSG_MOBILENUMBERREGISTRATION",
    "LXPAPI_MSG_GETCALLBACKMOBILENUMBERREGISTRATION",
    "LXPAPI_MSG_MOBILENUMBERVALIDATION",
    "LXPAPI_MSG_GETCALLBACKMSGMOBILENUMBERVALIDATION",
    "LXPAPI_MSG_LOGOUT",
    "LXPAPI_MSG_GETCALLBACKMSGLOGOUT",
    "LXPAPI_MSG_UPDATEWAITINGINTERNETMSG",
    "LXPAPI_MSG_ONGETSERVERPORTCONNECTION",
    "LXPAPI_MSG_ONRESULTSERVERPORTHUNTING",
    "LXPAPI_MSG_ONSTARTICONMOVING",
    "LXPAPI_MSG_ONSTOPICONMOVING",
    "LXPAPI_MSG_ONOCRBUILDINGDONE",
    "LXPAPI_MSG_MOUSEHOOKOPEN",
    "LXPAPI_MSG_MOUSEHOOKCLOSE",
    "LXPAPI_MSG_ONRIGHTMOUSEBUTTONDOWN",
    "LXPAPI_MSG_ONRIGHTMOUSEBUTTONUP",
};
static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<unsigned>(LxpMsg::Count),
              "one name for every message");

std::atomic<UINT> g_numbers[static_cast<unsigned>(LxpMsg::Count)];

}  // namespace

const char* LxpMessageName(LxpMsg msg)
{
    const unsigned i = static_cast<unsigned>(msg);
    return i < static_cast<unsigned>(LxpMsg::Count) ? kNames[i] : "";
}

UINT LxpMessage(LxpMsg msg)
{
    const unsigned i = static_cast<unsigned>(msg);
    if (i >= static_cast<unsigned>(LxpMsg::Count))
        return 0;
    UINT n = g_numbers[i].load(std::memory_order_relaxed);
    if (n == 0) {
        // Registering twice is harmless: the system returns the same number.
        n = RegisterWindowMessageA(kNames[i]);
        g_numbers[i].store(n, std::memory_order_relaxed);
    }
    return n;
}
