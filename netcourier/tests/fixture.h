// The tests' local HTTP server (fixture_server.py, run by the Linux python3): started from
// the Windows side, told what to answer through a file, read back through a request log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace nctest {

struct RecordedRequest {
    std::string method;
    std::string path;
    std::string body;
    std::string headers;  // "Name: value\n" lines as the server saw them
    int inFlight = 0;     // requests in flight when this one arrived, itself included

    // Value of a header (case-insensitive name), "" when absent.
    std::string Header(const std::string& name) const;
};

struct Reply {
    int status = 200;
    std::string body;
    std::string mode = "normal";  // normal | nolength | drop | cutbody
    int delayMs = 0;
    std::string redirectTo;  // every other path gets a 302 to this one
};

class FixtureServer {
public:
    // Starts the server for a folder of its own (a Windows path); waits for its port.
    explicit FixtureServer(const std::string& folder);
    ~FixtureServer();  // asks the server to stop
    FixtureServer(const FixtureServer&) = delete;
    FixtureServer& operator=(const FixtureServer&) = delete;

    bool Running() const { return m_port != 0; }
    int Port() const { return m_port; }
    std::string PortText() const { return std::to_string(m_port); }

    void SetReply(const Reply& reply);
    std::vector<RecordedRequest> Requests() const;
    void ClearRequests();

private:
    std::string m_folder;
    int m_port = 0;
};

// One server for the whole test program (started on first use).
FixtureServer& SharedServer();

// Linux form of a "Z:\..." path.
std::string UnixPath(const std::string& windowsPath);

std::string ToHex(const std::string& bytes);
std::string FromHex(const std::string& hex);

}  // namespace nctest
