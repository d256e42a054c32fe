// The engine's own progress window for long work (building the pattern base).
#pragma once

#include <functional>
#include <string>

namespace textract {

// Progress as work reports it: done of total steps and what it is at ("" while saving).
// Answers false once the user has cancelled.
using Progress = std::function<bool(int done, int total, const std::string& label)>;

// Runs work inside the progress window and returns what work returns. The window goes
// however work ends, an exception included; without a window the work runs all the same.
int RunWithProgressWindow(const std::function<int(const Progress&)>& work);

}  // namespace textract
