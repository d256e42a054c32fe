// The communication log ".\Logs\comlog.log": one per process, shared by every client object
// and every worker thread. Lines are "%m/%d/%y %H:%M:%S  text" CR LF, each appended with a
// single write under the log's own lock.
#pragma once

#include <string>

namespace netcourier {

// Opens (again) the named file for appending; when that fails logging is switched off.
void OpenCommLog(const std::string& fileName);
// Appends one line; nothing when no file is open or the text is empty.
void CommLog(const std::string& text);

}  // namespace netcourier
