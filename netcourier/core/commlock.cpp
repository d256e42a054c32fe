#include "commlock.h"

#include <mutex>

namespace netcourier {

namespace {

std::mutex g_guard;
HANDLE g_mutex = nullptr;
unsigned g_users = 0;

}  // namespace

bool AddCommLockUser()
{
    std::lock_guard<std::mutex> hold(g_guard);
    if (!g_mutex) {
        g_mutex = CreateMutexA(nullptr, FALSE, "CommMutex");
        if (!g_mutex)
            return false;
    }
    ++g_users;
    return true;
}

void ReleaseCommLockUser()
{
    std::lock_guard<std::mutex> hold(g_guard);
    if (g_users == 0)
        return;
    if (--g_users == 0 && g_mutex) {
        CloseHandle(g_mutex);
        g_mutex = nullptr;
    }
}

HANDLE CommLockHandle()
{
    std::lock_guard<std::mutex> hold(g_guard);
    return g_mutex;
}

CommLockHold::CommLockHold()
{
    const DWORD r = WaitForSingleObject(CommLockHandle(), INFINITE);
    m_held = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

CommLockHold::~CommLockHold()
{
    Release();
}

void CommLockHold::Release()
{
    if (m_held) {
        ReleaseMutex(CommLockHandle());
        m_held = false;
    }
}

}  // namespace netcourier
