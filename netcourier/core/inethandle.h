// Small helpers around WinInet for the workers.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

namespace netcourier {

// A WinInet call failed; code is its GetLastError value.
struct InternetError {
    DWORD code;
};

inline void CheckInet(BOOL ok)
{
    if (!ok)
        throw InternetError{GetLastError()};
}

// Owns one WinInet handle.
class InetHandle {
public:
    InetHandle() = default;
    ~InetHandle() { Close(); }
    InetHandle(const InetHandle&) = delete;
    InetHandle& operator=(const InetHandle&) = delete;

    // Takes h; a null handle is a WinInet error.
    void Reset(HINTERNET h)
    {
        if (!h)
            throw InternetError{GetLastError()};
        Close();
        m_h = h;
    }
    void Close()
    {
        if (m_h) {
            InternetCloseHandle(m_h);
            m_h = nullptr;
        }
    }
    HINTERNET Get() const { return m_h; }

private:
    HINTERNET m_h = nullptr;
};

// Opens the root handle: preconfigured proxy settings, the given agent name (the module's
// own name when empty), connect time-out 5000 ms.
void OpenRoot(InetHandle& root, const std::string& agent);
// HTTP status of a sent request.
DWORD QueryStatusCode(HINTERNET request);
// Base name of this module ("netcourier").
std::string ModuleAgentName();

}  // namespace netcourier
