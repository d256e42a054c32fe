// Engine-wide state shared by the exported operations and the pattern build.
#pragma once

#include "patternbase.h"

#include <functional>
#include <string>

namespace textract {

// Renders the pattern base, writes it to the pattern file and makes it the one in use.
// Returns a status (TEXTRACT_OK, TEXTRACT_E_USER_REJECTED when progress cancelled).
int BuildAndStore(const std::function<bool(int, int, const std::string&)>& progress);

}  // namespace textract
