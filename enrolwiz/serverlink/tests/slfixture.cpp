#include "slfixture.h"

#include <wininet.h>

namespace sltest {

namespace {

std::string Prepare(const std::string& name, const std::string& servers, const std::string& ports)
{
    const std::string dir = lxtest::FreshDir(name);
    CreateDirectoryA((dir + "\\data").c_str(), nullptr);
    CreateDirectoryA((dir + "\\logs").c_str(), nullptr);
    lxtest::WriteFileBytes(dir + "\\data\\server.lst", servers);
    lxtest::WriteFileBytes(dir + "\\data\\port.lst", ports);
    return dir;
}

}  // namespace

Install::Install(const std::string& name, const std::string& servers, const std::string& ports)
    : dir(Prepare(name, servers, ports)), m_cd(dir)
{
}

std::string AccountdPort()
{
    char port[16] = {};
    return GetEnvironmentVariableA("NC_ACCOUNTD_PORT", port, sizeof port) ? port : "";
}

std::string Get(const std::string& path)
{
    std::string body;
    HINTERNET root = InternetOpenA("sltest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    const std::string url = "http://127.0.0.1:" + AccountdPort() + path;
    if (HINTERNET h = InternetOpenUrlA(root, url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0)) {
        DWORD status = 0, size = sizeof status, got = 0;
        HttpQueryInfoA(h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
        char buf[1024];
        while (status == 200 && InternetReadFile(h, buf, sizeof buf, &got) && got > 0)
            body.append(buf, got);
        InternetCloseHandle(h);
    }
    InternetCloseHandle(root);
    return body;
}

lxtest::RecordingWindow::Reader ServerLinkReader(const int* readyFlag)
{
    return [readyFlag](UINT msg, WPARAM, LPARAM lParam) -> V {
        if (msg == Msg(LxpMsg::OnResultServerPortHunting))
            return {lParam ? CConnectionCheck::TakeHuntResult(lParam) : "<none>",
                    "ready=" + (readyFlag ? std::to_string(__atomic_load_n(readyFlag, __ATOMIC_SEQ_CST)) : "?")};
        if (msg == Msg(LxpMsg::UpdateWaitingInternetMsg))
            return {reinterpret_cast<const char*>(lParam)};
        for (LxpMsg m : {LxpMsg::GetCallbackUsersAuthentication, LxpMsg::GetCallbackRegisterEmailAddress,
                         LxpMsg::GetCallbackRequestPassword, LxpMsg::GetCallbackSubmissionPersonalInfo,
                         LxpMsg::GetCallbackMobileNumberRegistration,
                         LxpMsg::GetCallbackMsgMobileNumberValidation, LxpMsg::GetCallbackMsgLogout}) {
            if (msg != Msg(m))
                continue;
            const auto* r = reinterpret_cast<const ReplyFields*>(lParam);
            V items{std::to_string(r->code), r->text};
            items.insert(items.end(), r->fields.begin(), r->fields.end());
            return items;
        }
        return {};
    };
}

V TriedUrls(const V& lines, const std::string& op)
{
    const std::string head = TwoTexts(op, "Testing URL = ");
    V urls;
    for (const std::string& l : lines)
        if (l.compare(0, head.size(), head) == 0)
            urls.push_back(l.substr(head.size()));
    return urls;
}

}  // namespace sltest
