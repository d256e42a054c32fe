// MD5 (RFC 1321) of a byte string, written as 32 lower-case hexadecimal digits.
#pragma once

#include <cstddef>
#include <string>

std::string Md5Digest(const void* data, size_t length);
inline std::string Md5Digest(const std::string& bytes)
{
    return Md5Digest(bytes.data(), bytes.size());
}
