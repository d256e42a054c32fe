// winsock2.h before windows.h.
#include <winsock2.h>

#include "lxrecord.h"
#include "lxtest.h"

#include <gtest/gtest.h>

namespace lxtest {

RecordingWindow::RecordingWindow(Reader reader) : m_reader(std::move(reader))
{
    m_window.onMessage = [this](const Message& m) {
        Received r{m.msg, m.wParam, {}};
        if (m_reader)
            r.items = m_reader(m.msg, m.wParam, m.lParam);
        m_received.push_back(std::move(r));
    };
}

std::vector<Received> RecordingWindow::Of(UINT msg) const
{
    std::vector<Received> out;
    for (const Received& r : m_received)
        if (r.msg == msg)
            out.push_back(r);
    return out;
}

bool RecordingWindow::WaitFor(UINT msg, size_t count, DWORD ms)
{
    return PumpUntil([&] { return Of(msg).size() >= count; }, ms);
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

int UnusedPort()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int port = 0;
    int len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    closesocket(s);
    WSACleanup();
    return port;
}

}  // namespace lxtest
