// libFuzzer target: every non-empty text encodes into the alphabet with the announced size
// and decodes back unchanged.
#include "transportcodec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string encoded;
    const bool ok = netcourier::TransportEncode(text, encoded);
    if (text.empty()) {
        if (ok)
            std::abort();
        return 0;
    }
    if (!ok || encoded.size() < 3)
        std::abort();
    for (char c : encoded)
        if (c == 0 || !std::strchr(netcourier::kTransportAlphabet, c))
            std::abort();
    const char last = encoded.back();
    const char* pos = std::strchr(netcourier::kTransportAlphabet, last);
    if (pos - netcourier::kTransportAlphabet > 5)
        std::abort();  // the pending-bit count is 0..5
    std::string decoded;
    if (!netcourier::TransportDecode(encoded, decoded) || decoded != text)
        std::abort();
    return 0;
}
