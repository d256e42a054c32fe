#include "requestledger.h"

unsigned CRequestLedger::Begin(LxpMsg reply, HWND page)
{
    Kind& k = Of(reply);
    const unsigned number = ++m_last;
    if (k.out == 0)
        k.out = number;
    k.awaited = number;
    k.refused = false;
    k.page = page;
    return number;
}

void CRequestLedger::Refused(LxpMsg reply)
{
    Kind& k = Of(reply);
    if (k.out == k.awaited)  // nothing older is out after all: it never started
        k.out = 0;
    k.refused = k.awaited != 0;
}

bool CRequestLedger::Rejoin(LxpMsg reply, HWND page)
{
    Kind& k = Of(reply);
    if (k.out == 0)
        return false;
    k.awaited = k.out;
    k.refused = false;
    k.page = page;
    return true;
}

CRequestLedger::Verdict CRequestLedger::Arrived(LxpMsg reply)
{
    Kind& k = Of(reply);
    const unsigned answered = k.out;
    k.out = 0;
    if (answered != 0 && answered == k.awaited && !k.refused) {
        k.awaited = 0;
        k.page = nullptr;
        return Verdict::Act;
    }
    if (k.awaited > answered) {
        // The awaited request is younger: it is the one of its kind to answer next. A refused
        // one goes out now.
        k.out = k.awaited;
        if (k.refused) {
            k.refused = false;
            return Verdict::Resend;
        }
    }
    return Verdict::Drop;
}

HWND CRequestLedger::RefusedPage(LxpMsg reply) const
{
    return Of(reply).page;
}

void CRequestLedger::EndWaits()
{
    for (Kind& k : m_kinds) {
        if (k.refused)  // never started: nothing of it is out
            k.refused = false;
        k.awaited = 0;
        k.page = nullptr;
    }
}

bool CRequestLedger::Awaits(LxpMsg reply) const
{
    return Of(reply).awaited != 0;
}

bool CRequestLedger::Waiting() const
{
    for (const Kind& k : m_kinds)
        if (k.awaited != 0)
            return true;
    return false;
}

bool CRequestLedger::Out(LxpMsg reply) const
{
    return Of(reply).out != 0;
}
