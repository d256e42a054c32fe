// Plain-text trace file: one time-stamped line per write, CR LF line ends.
//
// The file is opened once, at construction, shared with every other opener, and written in
// append mode, so several log objects on one file (in one process or several) never
// overwrite each other's lines. The log never creates its directory: without it there is no
// file and every write is skipped.
#pragma once

#include <windows.h>

#include <string>

class CErrorLog {
public:
    // sizeLimitKb 0 means 1000 KB. While truncateArmed is set, the first write that leaves the
    // file longer than the limit empties it (that line included) and disarms truncation.
    CErrorLog(const std::string& path, int sizeLimitKb, int truncateArmed);
    ~CErrorLog();

    CErrorLog(const CErrorLog&) = delete;
    CErrorLog& operator=(const CErrorLog&) = delete;

    // "<mm/dd/yy HH:MM:SS>  <text>\r\n"; nothing when the text is empty.
    void Write(const std::string& text);
    // "<mm/dd/yy HH:MM:SS> -- <first> -- <second>\r\n"; nothing when first is empty.
    void Write(const std::string& first, const std::string& second);

    bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }
    const std::string& Path() const { return m_path; }
    unsigned long SizeLimit() const { return m_sizeLimit; }

    // Local-time stamp "%m/%d/%y %H:%M:%S" of the moment of the call.
    static std::string TimeStamp();

private:
    void Append(const std::string& line);

    std::string m_path;
    std::string m_fullPath;  // m_path made absolute at construction
    unsigned long m_sizeLimit;  // bytes
    HANDLE m_file = INVALID_HANDLE_VALUE;
    int m_truncateArmed;
};
