// SPDX-License-Identifier: MIT
#pragma once
// A query that takes more than one exchange (a WhoIs chain with its referrals and RDAP, the
// records of a DNS query) is a session: it owns its policy and asks the query engine for one
// exchange at a time, and the engine tells it how each ended. The engine keeps the call's life
// cycle (busy, status, caption, the window's text, Cancel); the session decides what follows.

#include "DataNet.h"
#include "platform/HostEntry.h"

#include <QString>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace net {

// One request line to one server.
struct Exchange {
    DataNet request;
    std::uint16_t port = 0; // host order; 0: the port of the request's service
    // Give up when the server sends nothing for this long once connected; 0: wait for ever.
    int silenceTimeoutMs = 0;
    // Connect only to public addresses: a name that resolves to a loopback, private or
    // link-local address is refused (ExchangeResult::NotPublic).
    bool publicOnly = false;
};

struct ExchangeResult {
    enum Outcome { Closed, Failed, TimedOut, NotPublic };
    Outcome outcome = Closed;
    int error = 0;                               // Failed: the socket or resolver error
    QString status;                              // what the status bar shows for it
    std::optional<platform::HostAddress> address; // the address that answered, once connected
    quint64 bytes = 0;
};

class CallSession {
public:
    virtual ~CallSession() = default;
    // The bytes of the exchange under way, as they arrive.
    virtual void received(QByteArrayView bytes) { Q_UNUSED(bytes); }
    virtual void exchangeEnded(const ExchangeResult& result) = 0;
    // The call was cancelled (Cancel call, closing the window): stop whatever runs.
    virtual void cancelled() = 0;
};

} // namespace net
