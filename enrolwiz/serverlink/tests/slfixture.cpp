#include "slfixture.h"

#include <wininet.h>

#include <gtest/gtest.h>

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

std::string HttpGet(const std::string& url, DWORD* status)
{
    std::string body;
    *status = 0;
    HINTERNET root = InternetOpenA("sltest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!root)
        return body;
    if (HINTERNET h = InternetOpenUrlA(root, url.c_str(), nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0)) {
        DWORD size = sizeof *status;
        HttpQueryInfoA(h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status, &size, nullptr);
        char buf[1024];
        DWORD got = 0;
        while (InternetReadFile(h, buf, sizeof buf, &got) && got > 0)
            body.append(buf, got);
        InternetCloseHandle(h);
    }
    InternetCloseHandle(root);
    return body;
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

bool Control(const std::string& query)
{
    DWORD status = 0;
    HttpGet("http://127.0.0.1:" + AccountdPort() + "/_accountd/control?" + query, &status);
    return status == 200;
}

std::string Mailed(const std::string& address, const std::string& name)
{
    DWORD status = 0;
    const std::string json =
        HttpGet("http://127.0.0.1:" + AccountdPort() + "/_accountd/mail?to=" + address, &status);
    const std::string key = "\"" + name + "\": \"";
    const size_t at = json.find(key);
    if (at == std::string::npos)
        return std::string();
    const size_t from = at + key.size();
    return json.substr(from, json.find('"', from) - from);
}

lxtest::RecordingWindow::Reader ServerLinkReader(const int* readyFlag)
{
    return [readyFlag](UINT msg, WPARAM, LPARAM lParam) -> std::vector<std::string> {
        if (msg == Msg(LxpMsg::OnResultServerPortHunting)) {
            const std::string ready =
                "ready=" + (readyFlag ? std::to_string(__atomic_load_n(readyFlag, __ATOMIC_SEQ_CST)) : "?");
            return {lParam ? CConnectionCheck::TakeHuntResult(lParam) : "<none>", ready};
        }
        if (msg == Msg(LxpMsg::UpdateWaitingInternetMsg))
            return {reinterpret_cast<const char*>(lParam)};
        for (LxpMsg reply : {LxpMsg::GetCallbackUsersAuthentication, LxpMsg::GetCallbackRegisterEmailAddress,
                             LxpMsg::GetCallbackRequestPassword, LxpMsg::GetCallbackSubmissionPersonalInfo,
                             LxpMsg::GetCallbackMobileNumberRegistration,
                             LxpMsg::GetCallbackMsgMobileNumberValidation, LxpMsg::GetCallbackMsgLogout}) {
            if (msg != Msg(reply))
                continue;
            const auto* r = reinterpret_cast<const ReplyFields*>(lParam);
            std::vector<std::string> items{std::to_string(r->code), r->text};
            items.insert(items.end(), r->fields.begin(), r->fields.end());
            return items;
        }
        return {};
    };
}

std::vector<std::string> Items(std::initializer_list<std::string> items)
{
    return std::vector<std::string>(items);
}

std::vector<std::string> TriedUrls(const std::vector<std::string>& lines, const std::string& op)
{
    const std::string head = lxtest::TwoTexts(op, "Testing URL = ");
    std::vector<std::string> urls;
    for (const std::string& l : lines)
        if (l.compare(0, head.size(), head) == 0)
            urls.push_back(l.substr(head.size()));
    return urls;
}

std::string PingUrl(const std::string& server, const std::string& port)
{
    return "http://" + server + ":" + port + "/ZORodaze/ping.jsp";
}

bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected)
{
    size_t next = 0;
    for (const std::string& l : lines)
        if (next < expected.size() && l == expected[next])
            ++next;
    if (next < expected.size())
        ADD_FAILURE() << "missing or out of order: " << expected[next];
    return next == expected.size();
}

size_t Count(const std::vector<std::string>& lines, const std::string& line)
{
    size_t n = 0;
    for (const std::string& l : lines)
        n += l == line;
    return n;
}

}  // namespace sltest
