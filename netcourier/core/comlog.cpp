#include "comlog.h"

#include "errorlog.h"

#include <memory>
#include <mutex>

namespace netcourier {

namespace {

struct CommLogState {
    std::mutex lock;
    std::unique_ptr<CErrorLog> file;  // closed when the library is unloaded
};

CommLogState& State()
{
    static CommLogState state;
    return state;
}

}  // namespace

void OpenCommLog(const std::string& fileName)
{
    // The writer opens the file shared for reading and writing, creating it when missing
    // and never truncating it, and appends every line at the end.
    auto file = std::make_unique<CErrorLog>(fileName, 1000, 0);
    if (!file->IsOpen())
        file.reset();
    CommLogState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    s.file = std::move(file);
}

void CommLog(const std::string& text)
{
    CommLogState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (s.file)
        s.file->Write(text);
}

}  // namespace netcourier
