// Base64 (RFC 4648 alphabet, "=" padding) with a CR LF pair after every 76 output characters,
// the form in which local passwords are stored.
#pragma once

#include <string>

std::string Base64Encode(const std::string& bytes);
