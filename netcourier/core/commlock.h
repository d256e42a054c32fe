// The request lock: the named system mutex "CommMutex", so that only one exchange runs at a
// time among all processes that use the library. Client objects and worker threads hold a
// reference; the handle lives while any of them does and is created again by the next user.
#pragma once

#include <windows.h>

namespace netcourier {

// Adds a user, creating the mutex when the process has none. Returns false (and adds no
// user) when the mutex cannot be created; GetLastError tells why.
bool AddCommLockUser();
// Removes a user; the last one closes the handle.
void ReleaseCommLockUser();
// The handle; valid while the caller is a user.
HANDLE CommLockHandle();

// Holds the mutex for the lifetime of the object (waits without limit). An abandoned mutex
// counts as taken: its previous owner ended without releasing it.
class CommLockHold {
public:
    CommLockHold();
    ~CommLockHold();
    CommLockHold(const CommLockHold&) = delete;
    CommLockHold& operator=(const CommLockHold&) = delete;
    void Release();

private:
    bool m_held = false;
};

}  // namespace netcourier
