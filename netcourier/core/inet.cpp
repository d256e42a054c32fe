// Pieces both workers share: the codec as the worker calls it, port numbers and the busy
// flag.
#include "jobs.h"

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

}  // namespace netcourier
