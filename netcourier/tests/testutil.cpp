#include "testutil.h"

#include "lxpmessages.h"
#include "transportcodec.h"

#include <regex>

namespace nctest {

FixtureServer& SharedServer()
{
    static FixtureServer server(lxtest::FreshDir("netcourier_server"));
    return server;
}

Recorder& Recorder::Get()
{
    static Recorder r;
    return r;
}

void Recorder::Reset(int* watchedBusy)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_replies.clear();
    m_statuses.clear();
    m_busy = watchedBusy;
}

std::vector<ReplyCall> Recorder::Replies()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_replies;
}

std::vector<std::pair<int, std::string>> Recorder::Statuses()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_statuses;
}

size_t Recorder::ReplyCount()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_replies.size();
}

int Recorder::ReplyProc(UINT context, int status, const char* text, int length, HWND wnd)
{
    Recorder& r = Get();
    std::lock_guard<std::mutex> hold(r.m_lock);
    r.m_replies.push_back(ReplyCall{context, status, text == nullptr, text ? text : "", length,
                                    wnd, r.m_busy ? __atomic_load_n(r.m_busy, __ATOMIC_SEQ_CST)
                                                  : -1});
    return 0;
}

int Recorder::StatusProc(int index, const char* text)
{
    Recorder& r = Get();
    std::lock_guard<std::mutex> hold(r.m_lock);
    r.m_statuses.emplace_back(index, text ? text : "(null)");
    return 0;
}

namespace {
std::mutex g_iconLock;
std::vector<std::string> g_iconSeen;
}  // namespace

LRESULT CALLBACK IconWindow::Proc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == LxpMessage(LxpMsg::OnStartIconMoving) || msg == LxpMessage(LxpMsg::OnStopIconMoving)) {
        std::lock_guard<std::mutex> hold(g_iconLock);
        std::string what = msg == LxpMessage(LxpMsg::OnStartIconMoving) ? "start" : "stop";
        if (w != 0 || l != 0)
            what += " (bad parameters)";
        g_iconSeen.push_back(what);
        return 0;
    }
    return DefWindowProcA(h, msg, w, l);
}

IconWindow::IconWindow()
{
    static const bool registered = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &IconWindow::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "NcIconWindow";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    {
        std::lock_guard<std::mutex> hold(g_iconLock);
        g_iconSeen.clear();
    }
    m_hwnd = CreateWindowA("NcIconWindow", "icons", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

IconWindow::~IconWindow()
{
    DestroyWindow(m_hwnd);
}

std::vector<std::string> IconWindow::Seen()
{
    std::lock_guard<std::mutex> hold(g_iconLock);
    return g_iconSeen;
}

std::vector<std::string> LogTexts(const std::string& path)
{
    static const std::regex stamp(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d  )");
    const std::string text = lxtest::ReadFileBytes(path);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back("BAD LINE: " + text.substr(start));
            break;
        }
        std::string line = text.substr(start, end - start);
        // The header block inside the USERAGENT line carries its own CR LF pairs.
        while (line.rfind("CCommClient::WorkerThread: USERAGENT[", 19) == 19 &&
               line.back() != ']' && end != std::string::npos) {
            const size_t next = text.find("\r\n", end + 2);
            if (next == std::string::npos)
                break;
            line = text.substr(start, next - start);
            end = next;
        }
        if (line.size() >= 19 && std::regex_match(line.substr(0, 19), stamp))
            lines.push_back(line.substr(19));
        else
            lines.push_back("BAD LINE: " + line);
        start = end + 2;
    }
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& text)
{
    for (const auto& l : lines)
        if (l == text)
            return true;
    return false;
}

bool LogContains(const std::string& path, const std::string& part)
{
    return lxtest::ReadFileBytes(path).find(part) != std::string::npos;
}

size_t CountEnding(const std::vector<std::string>& lines, const std::string& suffix)
{
    size_t n = 0;
    for (const auto& l : lines)
        if (l.size() >= suffix.size() && l.compare(l.size() - suffix.size(), suffix.size(), suffix) == 0)
            ++n;
    return n;
}

bool WaitLog(const std::string& path, const std::string& suffix, size_t count, DWORD ms)
{
    return lxtest::PumpUntil([&] { return CountEnding(LogTexts(path), suffix) >= count; }, ms);
}

std::string ReplyBody(const std::string& text)
{
    std::string enc;
    netcourier::TransportEncode(text, enc);
    return enc + "\r\n";
}

std::string Decoded(const std::string& encoded)
{
    std::string out;
    if (!netcourier::TransportDecode(encoded, out))
        return "(undecodable)";
    return out;
}

std::string ScratchWithLogs(const std::string& name)
{
    const std::string dir = lxtest::FreshDir(name);
    CreateDirectoryA((dir + "\\Logs").c_str(), nullptr);
    return dir;
}

}  // namespace nctest
