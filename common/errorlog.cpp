#include "errorlog.h"

#include <cstdio>

CErrorLog::CErrorLog(const std::string& path, int sizeLimitKb, int truncateArmed)
    : m_path(path),
      m_sizeLimit(static_cast<unsigned long>(sizeLimitKb == 0 ? 1000 : sizeLimitKb) * 1024UL),
      m_truncateArmed(truncateArmed)
{
    if (m_path.empty())
        return;
    // Append-only access: every write lands at the current end of the file, whoever else
    // has it open. The directory is never created here.
    m_file = CreateFileA(m_path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    // The size rule empties this same file later, whatever the current directory is then.
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(m_path.c_str(), MAX_PATH, full, nullptr);
    m_fullPath = n > 0 && n < MAX_PATH ? std::string(full, n) : m_path;
}

CErrorLog::~CErrorLog()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
}

std::string CErrorLog::TimeStamp()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02u/%02u/%02u %02u:%02u:%02u", t.wMonth, t.wDay,
                  t.wYear % 100u, t.wHour, t.wMinute, t.wSecond);
    return buf;
}

void CErrorLog::Write(const std::string& text)
{
    if (!IsOpen() || text.empty())
        return;
    Append(TimeStamp() + "  " + text + "\r\n");
}

void CErrorLog::Write(const std::string& first, const std::string& second)
{
    if (!IsOpen() || first.empty())
        return;
    Append(TimeStamp() + " -- " + first + " -- " + second + "\r\n");
}

void CErrorLog::Append(const std::string& line)
{
    DWORD written = 0;
    // A diagnostic log must never take the program down: a failed write is dropped.
    if (!WriteFile(m_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        return;
    if (!m_truncateArmed)
        return;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_file, &size) || size.QuadPart <= static_cast<LONGLONG>(m_sizeLimit))
        return;
    // The append-only handle cannot change the length: empty the file through a short-lived
    // second handle. Every append handle then writes from offset 0 again.
    HANDLE h = CreateFileA(m_fullPath.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    SetEndOfFile(h);  // position is 0 on a fresh handle
    CloseHandle(h);
    m_truncateArmed = 0;
}
