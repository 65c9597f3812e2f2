// SPDX-License-Identifier: MIT
#pragma once
// Every call is a session: it owns its policy and asks the query engine for one exchange at a
// time, and the engine tells it how each ended. A finger call is one exchange (PlainCall); a
// WhoIs chain with its referrals and RDAP, or the records of a DNS query, take more. The engine
// keeps the call's life cycle (busy, status, caption, Cancel); the session decides what
// follows.

#include "DataNet.h"
#include "platform/HostEntry.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace net {

// One request line to one server.
struct Exchange {
    DataNet request;
    std::uint16_t port = 0; // host order; 0: the port of the request's service
    // Give up when the server sends nothing for this long once connected; 0: wait for ever.
    int silenceTimeoutMs = 0;
    // Give up this long after the exchange started, whatever the server sends; 0: no limit.
    int totalTimeoutMs = 0;
};

struct ExchangeResult {
    // AddressRefused: the session would connect to none of the host's addresses.
    enum Outcome { Closed, Failed, TimedOut, AddressRefused };
    Outcome outcome = Closed;
    int error = 0;                                // Failed: the socket or resolver error
    QString status;                               // what the status bar shows for it
    std::optional<platform::HostAddress> address; // the address that answered, once connected
    quint64 bytes = 0;
    bool overran = false; // TimedOut: the total limit ended it, not silence
};

class CallSession {
public:
    virtual ~CallSession() = default;
    // The bytes of the exchange under way, as they arrive.
    virtual void received(QByteArrayView bytes) { Q_UNUSED(bytes); }
    // The addresses the exchange's host resolved to, before any is tried: a session drops
    // those it will not connect to. When none is left the exchange ends as AddressRefused.
    virtual void filterAddresses(QList<platform::HostAddress>& addresses) { Q_UNUSED(addresses); }
    virtual void exchangeEnded(const ExchangeResult& result) = 0;
    // The call was cancelled (Cancel call, closing the window): stop whatever runs.
    virtual void cancelled() = 0;
};

} // namespace net
