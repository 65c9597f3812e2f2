// SPDX-License-Identifier: MIT
#include "PlainCall.h"
#include "FingerRequest.h"
#include "QueryEngine.h"
#include "WhoisRequest.h"

namespace net {

void PlainCall::Finger(const QByteArray& address, int fullInfo) {
    if (address.isEmpty() || m_engine.Busy())
        return;
    start(fingerRequest(address, fullInfo));
}

void PlainCall::Whois(const QByteArray& server, const QByteArray& query) {
    if (server.isEmpty() || m_engine.Busy())
        return;
    start(whoisRequest(server, query));
}

void PlainCall::start(const BuiltRequest& built) {
    if (!built.error.isEmpty()) {
        m_engine.refuseStart(built.error);
        return;
    }
    if (!m_engine.beginCall(this))
        return;
    m_queryText = built.request.QueryText;
    Exchange exchange;
    exchange.request = built.request;
    m_engine.runExchange(exchange);
}

void PlainCall::exchangeEnded(const ExchangeResult& result) {
    switch (result.outcome) {
    case ExchangeResult::Closed:
        m_engine.finishCall(QStringLiteral("Connection closed"), QString::fromUtf8(m_queryText),
                            Answer::Whole);
        return;
    case ExchangeResult::TimedOut:
    case ExchangeResult::Failed:
        // Its status stays; what came before the break is part of an answer.
        m_engine.finishCall(std::nullopt, QString(),
                            result.bytes > 0 ? Answer::Partial : Answer::None);
        return;
    case ExchangeResult::AddressRefused: m_engine.finishCall(); return; // its status stays
    }
}

} // namespace net
