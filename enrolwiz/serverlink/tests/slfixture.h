// Shared pieces of the server-link tests: a scratch installation, the stand-in, a reader for
// the server link's messages.
#pragma once

#include "commclientwrapper.h"
#include "lxpmessages.h"
#include "lxrecord.h"
#include "lxtest.h"

#include <string>
#include <vector>

namespace sltest {

using V = std::vector<std::string>;
using lxtest::OneText;
using lxtest::TwoTexts;

// data\server.lst, data\port.lst and an empty logs\ in a fresh folder, the current directory
// while the object lives.
class Install {
public:
    Install(const std::string& name, const std::string& servers, const std::string& ports);
    const std::string dir;
    V LogLines() const { return lxtest::LogLines(dir + "\\logs\\ErrorLog.log"); }

private:
    lxtest::CurrentDir m_cd;
};

// Port of the account-service stand-in (run_with_accountd.sh), "" without one.
std::string AccountdPort();
// Body of a GET on the stand-in ("/_accountd/control?mode=empty"), "" unless status 200.
std::string Get(const std::string& path);
inline bool Control(const std::string& query) { return !Get("/_accountd/control?" + query).empty(); }

inline UINT Msg(LxpMsg m) { return LxpMessage(m); }

// Items a window records: the hunt result as {text taken from lParam or "<none>", "ready=N"};
// progress as {text}; a reply as {code, text, fields...}.
lxtest::RecordingWindow::Reader ServerLinkReader(const int* readyFlag = nullptr);

// URLs of the "Testing URL = " lines of one operation, and the ping URL of a pair.
V TriedUrls(const V& lines, const std::string& op);
inline std::string PingUrl(const std::string& server, const std::string& port)
{
    return "http://" + server + ":" + port + "/ZORodaze/ping.jsp";
}

}  // namespace sltest
