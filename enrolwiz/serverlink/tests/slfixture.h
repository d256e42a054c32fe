// Shared pieces of the server-link tests: a scratch installation folder, the stand-in's
// address and controls, a window that records the server link's messages.
#pragma once

#include "commclientwrapper.h"
#include "lxpmessages.h"
#include "lxrecord.h"
#include "lxtest.h"

#include <string>
#include <vector>

namespace sltest {

// A scratch installation: data\server.lst and data\port.lst with the given texts and an
// empty logs\ folder; the current directory while the object lives.
class Install {
public:
    Install(const std::string& name, const std::string& servers, const std::string& ports);
    const std::string dir;
    std::string Log() const { return dir + "\\logs\\ErrorLog.log"; }
    std::vector<std::string> LogLines() const { return lxtest::LogLines(Log()); }

private:
    lxtest::CurrentDir m_cd;
};

// Port of the account-service stand-in (set by run_with_accountd.sh), "" without one.
std::string AccountdPort();
// GET on the stand-in's loopback control path ("mode=http&scope=ping"); true on status 200.
bool Control(const std::string& query);
// A text of the newest message the stand-in mailed to an address ("Secret", "Kind").
std::string Mailed(const std::string& address, const std::string& key);

inline UINT Msg(LxpMsg m) { return LxpMessage(m); }

// Records the server link's messages: the hunt result as {text taken from lParam or "<none>",
// "ready=<flag at that moment>"}, a progress message as {text}, a reply message as {code,
// text, fields...}.
lxtest::RecordingWindow::Reader ServerLinkReader(const int* readyFlag = nullptr);
std::vector<std::string> Items(std::initializer_list<std::string> items);

// URLs of the "Testing URL = " lines of one operation, in order.
std::vector<std::string> TriedUrls(const std::vector<std::string>& lines, const std::string& op);
std::string PingUrl(const std::string& server, const std::string& port);
// True when expected occur in lines in this order (others may lie between).
bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected);
size_t Count(const std::vector<std::string>& lines, const std::string& line);

}  // namespace sltest
