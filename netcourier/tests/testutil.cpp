#include "testutil.h"

#include "lxpmessages.h"
#include "transportcodec.h"


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

IconWindow::IconWindow()
    : MessageWindow({LxpMessage(LxpMsg::OnStartIconMoving), LxpMessage(LxpMsg::OnStopIconMoving)},
                    "icons")
{
}

std::vector<std::string> IconWindow::Icons() const
{
    std::vector<std::string> seen;
    for (const lxtest::Message& m : Seen()) {
        std::string what = m.msg == LxpMessage(LxpMsg::OnStartIconMoving) ? "start" : "stop";
        if (m.wParam != 0 || m.lParam != 0)
            what += " (bad parameters)";
        seen.push_back(what);
    }
    return seen;
}

std::vector<std::string> LogTexts(const std::string& path)
{
    // The header block inside the USERAGENT line carries its own CR LF pairs.
    return lxtest::LogLines(path, 0, [](const std::string& line) {
        return line.rfind("CCommClient::WorkerThread: USERAGENT[", 19) == 19 && !line.empty() &&
               line.back() != ']';
    });
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
