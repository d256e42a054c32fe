// Engine-wide state shared by the exported operations and the build dialog.
#pragma once

#include "patternbase.h"

#include <functional>
#include <string>

namespace textract {

// Renders the pattern base, writes it to the pattern file and makes it the one in use.
// Returns a status (TEXTRACT_OK, TEXTRACT_E_USER_REJECTED when progress cancelled).
int BuildAndStore(const std::function<bool(int, int, const std::string&)>& progress);

// Runs the build inside the engine's progress window.
int BuildWithDialog();

}  // namespace textract
