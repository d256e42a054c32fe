// Transport encoding of the account-service requests and replies.
//
// A text is compressed with a Huffman code whose tree travels in front of the data, and the
// bits are written six at a time as characters of a URL-safe 64-character alphabet, followed
// by one character for the bits still pending and one for their count. Pure C++17: no
// platform calls, so the same code builds for Windows and natively for the fuzzers.
#pragma once

#include <string>
#include <string_view>

namespace netcourier {

// Index 0..63 of the transport alphabet.
extern const char kTransportAlphabet[65];

// Encodes text. Fails (returns false, out untouched) for an empty text or when memory runs
// out. Codes of any depth are written in full, so every text round-trips.
bool TransportEncode(std::string_view text, std::string& out);

// Decodes an encoded text. Fails for an empty text, a character outside the alphabet, a
// pending-bit count above six, a leaf at the root, a tree cut off by the end of the data, or
// lack of memory. A code cut off by the end of the data is dropped without error.
bool TransportDecode(std::string_view encoded, std::string& out);

}  // namespace netcourier
