// libFuzzer target: decoding any byte string never reads out of bounds or fails to return,
// and whatever decodes survives another encode/decode.
#include "transportcodec.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string decoded;
    if (!netcourier::TransportDecode(input, decoded))
        return 0;
    if (decoded.size() > input.size() * 6)
        std::abort();  // at most one byte per bit
    if (decoded.empty())
        return 0;
    std::string again, back;
    if (!netcourier::TransportEncode(decoded, again) || !netcourier::TransportDecode(again, back) ||
        back != decoded)
        std::abort();
    return 0;
}
