// Pieces both workers share: the codec as the worker calls it, the machine's online state,
// port numbers, WinInet error texts and the busy flag.
#include "jobs.h"

#include "productfacts.h"
#include "transportcodec.h"

#include <wininet.h>

#include <cctype>
#include <cstring>

namespace netcourier {

bool BusyFlag::Admit()
{
    int expected = 0;
    m_owned = m_flag && __atomic_compare_exchange_n(m_flag, &expected, 1, false,
                                                     __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return m_owned;
}

void BusyFlag::Clear()
{
    if (m_owned) {
        __atomic_store_n(m_flag, 0, __ATOMIC_SEQ_CST);
        m_owned = false;
    }
}

SendJob::SendJob() : encode(&EncodeRequest), decode(&DecodeReply) {}

bool EncodeRequest(const std::string& text, std::string& out)
{
    return TransportEncode(text, out);
}

bool DecodeReply(const std::string& encoded, std::string& out)
{
    return TransportDecode(encoded, out);
}

std::string OsName()
{
    std::string name;
    lxfacts::RunningWindowsVersionName(name);
    return name;
}

bool MachineOnline(const std::string& osName)
{
    if (_stricmp(osName.c_str(), "WME") == 0)
        return true;
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

unsigned short PortNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    unsigned long v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        v = v * 10 + static_cast<unsigned long>(text[i] - '0');
        if (v > 65535)
            return 0;
    }
    return static_cast<unsigned short>(v);
}

std::string InternetErrorText(DWORD error)
{
    char buf[1024] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                             GetModuleHandleA("wininet.dll"), error, 0, buf, sizeof buf, nullptr);
    if (n == 0)
        n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           error, 0, buf, sizeof buf, nullptr);
    std::string text(buf, n < sizeof buf ? n : sizeof buf - 1);
    // One log line per message: the system's texts end with a line end.
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    if (text.empty())
        return "WinInet unknown error";
    return text;
}

}  // namespace netcourier
