// SPDX-License-Identifier: MIT
#pragma once
// The simplest session: a finger call, or a WhoIs call to the server typed. One request line
// to one server, the reply shown as it comes, and at the end "Connection closed" with the
// query in the caption, or the failure's own status text.

#include "CallSession.h"

namespace net {

class QueryEngine;

class PlainCall : public CallSession {
public:
    explicit PlainCall(QueryEngine& engine) : m_engine(engine) {}

    // Start a call; an empty address or server, or a call already running, starts nothing. A
    // host name that cannot be converted says why on the status bar and starts nothing.
    void Finger(const QByteArray& address, int fullInfo);
    void Whois(const QByteArray& server, const QByteArray& query);

private:
    void start(const BuiltRequest& built);
    void exchangeEnded(const ExchangeResult& result) override;
    void cancelled() override {}

    QueryEngine& m_engine;
    QByteArray m_queryText;
};

} // namespace net
