// Finding a live account server: the server and port lists of the installation, the ping of
// one server/port pair, and the hunt for a live pair on a thread of its own.
//
// The hunt reports to the notify window with LXPAPI_MSG_ONRESULTSERVERPORTHUNTING, sent
// synchronously from the hunting thread: wParam 0 and, in lParam, a new "server|port|" text
// that the receiver owns (take it with TakeHuntResult), or wParam -1 and lParam 0 when no
// pair answered or the machine is offline.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct ServerEntry {
    std::string name;  // lower case
    int tested = 0;
};

// What a hunt may still write into the checker that started it; once the checker is gone
// (it stopped waiting for the hunt at exit) the hunt writes nothing.
struct HuntGuard {
    std::mutex lock;
    bool abandoned = false;
};

// What one hunting thread works on; owned by that thread and freed by it when it ends.
struct ServerPortJob {
    std::vector<ServerEntry> servers;
    std::vector<std::string> ports;
    int* m_dOnLineServerIndex = nullptr;  // the checker's index, written when the hunt ends
    int startIndex = -1;                  // the index GetServerIndex chose for this hunt
    int* readyFlag = nullptr;
    HWND notifyWnd = nullptr;
    std::shared_ptr<HuntGuard> guard;  // shared with the checker
};

class CConnectionCheck {
public:
    // Reads ".\data\server.lst" and ".\data\port.lst". A missing list ends the program.
    CConnectionCheck();
    // Waits a little (kExitWaitMs at most) for hunts still running, handling messages sent
    // to this thread's windows meanwhile; a hunt that runs on after that writes nothing here.
    ~CConnectionCheck();
    static constexpr DWORD kExitWaitMs = 3000;

    CConnectionCheck(const CConnectionCheck&) = delete;
    CConnectionCheck& operator=(const CConnectionCheck&) = delete;

    void InitLists();
    // 1 when the current pair answers the ping with status 200, else 0. Blocks.
    int CheckActiveServerAndPort();
    // Checks the current pair and starts a hunt when it fails; gives back the current pair.
    void GetServerNameAndPortNumber(std::string& server, std::string& port);
    // Starts a hunt on a thread of its own; does not wait for it.
    void EstablishServerConnection();
    // Start index for a hunt, -1 when there is nothing to try. Never the last server.
    int GetServerIndex(ServerPortJob& job);
    int AreAllServerTested(const ServerPortJob& job);
    // The hunting thread; takes ownership of the ServerPortJob it is given.
    static DWORD WINAPI ConnectToServer(LPVOID job);

    // Where the next hunt reports: the wrapper's ready flag and the calling window.
    void SetReadyFlag(int* readyFlag) { m_pReadyFlag = readyFlag; }
    void SetNotifyWindow(HWND wnd) { m_hNotifyWnd = wnd; }

    const std::vector<ServerEntry>& Servers() const { return m_servers; }
    const std::vector<std::string>& Ports() const { return m_ports; }
    int OnLineServerIndex() const;

    // The "server|port|" text of a hunt result, freed; empty for lParam 0.
    static std::string TakeHuntResult(LPARAM lParam);

    // Seed of the start-index draw: the current time in seconds. Tests replace it to see the
    // draw over many seeds.
    static unsigned (*s_pfnSeed)();

    std::string m_strOnLineServer;  // the current pair, empty until someone sets it
    std::string m_strOnLinePort;

private:
    void ReapHunts(bool wait);

    std::shared_ptr<HuntGuard> m_guard = std::make_shared<HuntGuard>();

    std::vector<ServerEntry> m_servers;
    std::vector<std::string> m_ports;
    int m_dOnLineServerIndex = -1;
    int* m_pReadyFlag = nullptr;
    HWND m_hNotifyWnd = nullptr;
    std::vector<HANDLE> m_hunts;  // threads of hunts started by this object
};
