// Test support for code that reports by window messages and trace logs: a window that
// records the messages it receives, log lines in order, a free local port.
#pragma once

#include "lxtest.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace lxtest {

// One message as the window handled it. lParam payloads live only during the call, so the
// window's reader turns them into texts there.
struct Received {
    UINT msg;
    WPARAM wParam;
    std::vector<std::string> items;
};

// A message window of this thread that records every registered message with its payload
// read into texts by the reader, which runs inside the handler while lParam is valid.
class RecordingWindow {
public:
    using Reader = std::function<std::vector<std::string>(UINT msg, WPARAM wParam, LPARAM lParam)>;
    explicit RecordingWindow(Reader reader = Reader());

    HWND Hwnd() const { return m_window.Hwnd(); }
    const std::vector<Received>& All() const { return m_received; }
    // The received messages with number msg, in order.
    std::vector<Received> Of(UINT msg) const;
    // Pumps this thread's messages until count messages msg arrived (or ms pass).
    bool WaitFor(UINT msg, size_t count, DWORD ms);
    void Clear() { m_received.clear(); }

private:
    MessageWindow m_window{{}, "recorder"};  // every registered message
    Reader m_reader;
    std::vector<Received> m_received;
};

// Log lines as lxtest::LogLines gives them, for the two-text and one-text forms.
inline std::string TwoTexts(const std::string& a, const std::string& b) { return a + " -- " + b; }
inline std::string OneText(const std::string& t) { return t; }
// True when the expected lines occur in this order (others may lie between); names the first
// one missing as a test failure.
bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected);
size_t Count(const std::vector<std::string>& lines, const std::string& line);

// A port of 127.0.0.1 that nothing listens on (bound, read and released).
int UnusedPort();

}  // namespace lxtest
