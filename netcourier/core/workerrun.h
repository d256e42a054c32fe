// The frame both workers run in: the request lock from the first line to the last, the
// icon animation of the parent window, and the ending (the job freed with its busy flag
// cleared, the unlock line, the lock released, the end line, the lock user given back),
// which the object runs once on whatever way the worker leaves.
#pragma once

#include "comlog.h"
#include "commlock.h"
#include "lxpmessages.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace netcourier {

template <typename Job>
class WorkerRun {
public:
    // Writes startLine, waits for the request lock, writes lockedLine.
    WorkerRun(std::unique_ptr<Job>& job, const std::string& startLine,
              const std::string& lockedLine)
        : m_job(job)
    {
        CommLog(startLine);
        m_lock.emplace();
        CommLog(lockedLine);
    }
    ~WorkerRun()
    {
        try {
            StopIcons(std::string());
            if (m_job) {
                m_job->busy.Clear();
                m_job.reset();
            }
            CommLog(m_unlockLine);
            m_lock->Release();
            if (!m_endLine.empty())
                CommLog(m_endLine);
        } catch (...) {
            m_lock->Release();
        }
        ReleaseCommLockUser();
    }
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    // The lines of the ending; without an end line the run ends after the unlock line.
    void SetEnding(const std::string& unlockLine, const std::string& endLine)
    {
        m_unlockLine = unlockLine;
        m_endLine = endLine;
    }

    // Writes line and starts the icon animation of the job's parent window, if it has one.
    void StartIcons(const std::string& line)
    {
        if (!m_job->parentWnd)
            return;
        CommLog(line);
        SendMessageA(m_job->parentWnd, LxpMessage(LxpMsg::OnStartIconMoving), 0, 0);
        m_icons = m_job->parentWnd;
    }
    // Writes line (if any) and stops the animation, once, if it was started.
    void StopIcons(const std::string& line)
    {
        const HWND parent = m_icons;
        if (!parent)
            return;
        m_icons = nullptr;
        if (!line.empty())
            CommLog(line);
        SendMessageA(parent, LxpMessage(LxpMsg::OnStopIconMoving), 0, 0);
    }

private:
    std::unique_ptr<Job>& m_job;
    std::optional<CommLockHold> m_lock;
    HWND m_icons = nullptr;
    std::string m_unlockLine;
    std::string m_endLine;
};

}  // namespace netcourier
