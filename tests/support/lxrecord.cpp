// winsock2.h before windows.h.
#include <winsock2.h>

#include "lxrecord.h"
#include "lxtest.h"

#include <gtest/gtest.h>

namespace lxtest {

namespace {

const char kClass[] = "LxTestRecordingWindow";

}  // namespace

RecordingWindow::RecordingWindow(Reader reader) : m_reader(std::move(reader))
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    m_hwnd = CreateWindowExA(0, kClass, "recorder", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                             nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

RecordingWindow::~RecordingWindow()
{
    DestroyWindow(m_hwnd);
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg >= 0xC000 && msg <= 0xFFFF) {
        Received r{msg, wParam, {}};
        if (self->m_reader)
            r.items = self->m_reader(msg, wParam, lParam);
        self->m_received.push_back(std::move(r));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
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
