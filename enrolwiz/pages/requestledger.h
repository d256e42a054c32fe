// Which replies of the account service (and which hunt result) the wizard still waits for.
//
// Every request a page starts gets a number. The server link runs at most one request of a
// kind at a time and answers them in order, so the reply message of a kind that arrives
// belongs to the oldest request of that kind still out. A page acts on a reply only when that
// request is the one it waits for now; Cancel, Back and leaving the page end the wait, so a
// late reply, or a second message for the same request (a reply that could not be decoded
// comes twice), finds nobody waiting and is dropped.
//
// A request the server link refused because one of its kind was still out (its answer 2000)
// stays awaited and is started again as soon as that older request has answered.
#pragma once

#include "lxpmessages.h"

#include <windows.h>

class CRequestLedger {
public:
    // What a page does with a reply message of a kind.
    enum class Verdict {
        Act,     // the answer to the request the page waits for
        Drop,    // nobody waits for it (late, repeated, or for a page the user left)
        Resend,  // dropped, and the refused request waiting behind it may be started now
    };

    // A request of the kind whose answer comes as `reply` is about to start on `page`; from
    // now on the page waits for it. The number of the new request.
    unsigned Begin(LxpMsg reply, HWND page);
    // The server link refused it (2000): an older one of its kind is still out. The page
    // keeps waiting and the request is started again when the older one has answered.
    void Refused(LxpMsg reply);
    // The page waits for a request of this kind that is already out (a hunt started on an
    // earlier visit); false when none is out.
    bool Rejoin(LxpMsg reply, HWND page);
    // A reply message of a kind arrived.
    Verdict Arrived(LxpMsg reply);
    // The page whose refused request of this kind is to be started again (null: none).
    HWND RefusedPage(LxpMsg reply) const;

    // Cancel, Back or leaving the page: nothing is awaited any more.
    void EndWaits();
    // Whether a request of this kind (any kind) is awaited.
    bool Awaits(LxpMsg reply) const;
    bool Waiting() const;
    // Whether a request of this kind is out (awaited or not).
    bool Out(LxpMsg reply) const;

private:
    struct Kind {
        unsigned out = 0;      // the oldest request of the kind not yet answered
        unsigned awaited = 0;  // the request of the kind a page waits for
        bool refused = false;  // the awaited one was refused and waits behind `out`
        HWND page = nullptr;   // the page that waits
    };
    static constexpr unsigned kKinds = static_cast<unsigned>(LxpMsg::Count);
    Kind& Of(LxpMsg reply) { return m_kinds[static_cast<unsigned>(reply) % kKinds]; }
    const Kind& Of(LxpMsg reply) const { return m_kinds[static_cast<unsigned>(reply) % kKinds]; }

    unsigned m_last = 0;
    Kind m_kinds[kKinds];
};
