#include "storeutil.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace storeutil {

bool ReadText(HKEY key, const char* name, std::string& out)
{
    if (!key)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size == 0)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)
        return false;
    std::vector<char> buf(static_cast<size_t>(size) + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                         &got) != ERROR_SUCCESS)
        return false;
    out.assign(buf.data());  // up to the first zero byte
    return true;
}

bool ReadNumber(HKEY key, const char* name, DWORD& out)
{
    if (!key)
        return false;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return false;
    out = value;
    return true;
}

void WriteText(HKEY key, const char* name, const std::string& value)
{
    if (!key)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void WriteNumber(HKEY key, const char* name, DWORD value)
{
    if (!key)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}

HKEY OpenKeyChain(HKEY root, const std::string& path, REGSAM access)
{
    HKEY current = root;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string level = path.substr(start, end - start);
        HKEY next = nullptr;
        const LSTATUS rc = RegOpenKeyExA(current, level.c_str(), 0, access, &next);
        if (current != root)
            RegCloseKey(current);
        if (rc != ERROR_SUCCESS)
            return nullptr;
        current = next;
        start = end + 1;
    }
    return current == root ? nullptr : current;
}

std::string Decimal(int value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", value);
    return buf;
}

std::string Unsigned(DWORD value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(value));
    return buf;
}

DWORD ParseNumber(const char* text)
{
    if (!text)
        return 0;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || v < -2147483648LL || v > 4294967295LL)
        return 0;
    return static_cast<DWORD>(v);
}

std::string LocalTimeStamp()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u%02u%02u%02u%02u%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return buf;
}

}  // namespace storeutil
