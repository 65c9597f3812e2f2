// SPDX-License-Identifier: MIT
#pragma once
// A WhoIs query as the user asked for it: to the server typed, as one plain exchange; or with
// the automatic server and referrals, a chain of servers (WhoisChain) under one call, falling
// back to the registries' newer protocol (RDAP, reached through RegistryLookup) where WhoIs
// has gone, and following an RDAP answer's link to the registrar once. A server typed as an
// RDAP base URL (https://...) is asked over RDAP; so is, with the automatic server, a query
// typed for RDAP alone ("entity GOVI-ARIN", "domains exa*.com").
//
// Every server reached is a peer not to be trusted: a referral is followed only to a WhoIs
// server (never from a public address to a loopback or private one, unless the chain began on
// such an address, as in a lab; judged by the address connected to); a server the program
// chose that stays silent for HopTimeoutMs, or is still sending HopLimitMs after it was asked,
// is given up with what earlier servers said kept. A referral passed over or a server given up
// says so in one line of the window.

#include "WhoisChain.h"
#include "net/engine/CallSession.h"
#include "net/engine/EngineView.h"
#include "net/engine/PlainCall.h"
#include "net/engine/RegistryLookup.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace net {

class QueryEngine;

// How a WhoIs query finds its server: automatic asks the root registry first (the server given
// is then ignored), followReferrals goes on to the servers the answers refer to.
struct WhoisMode {
    bool automatic = false;
    bool followReferrals = false;
};

class WhoisSession : public CallSession {
public:
    static constexpr int HopTimeoutMs = 45000;
    static constexpr int HopLimitMs = 60000;

    explicit WhoisSession(QueryEngine& engine);

    // Where RDAP is asked; without one, nothing falls back to it.
    void setRegistryLookup(RegistryLookup* registry);
    void setHopTimeout(int ms) { m_hopTimeout = ms; }
    void setHopLimit(int ms) { m_hopLimit = ms; }

    // Starts the query; nothing starts while a call runs, or for an empty server without the
    // automatic choice. A query that cannot be asked says why on the status bar.
    void start(const QByteArray& server, const QByteArray& query, WhoisMode mode = {});

    // What a query is sent as where servers are chosen for it: a domain name in its ASCII
    // form, anything else (a handle, a person's name, an address) as typed.
    static QByteArray queryAsSent(const QByteArray& query);

private:
    void received(QByteArrayView bytes) override;
    void filterAddresses(QList<platform::HostAddress>& addresses) override;
    void exchangeEnded(const ExchangeResult& result) override;
    void cancelled() override;

    void runHop(const WhoisChain::Hop& hop);
    void hopFailed(const ExchangeResult& result);
    bool fallBackToRdap();
    void askRdap(const QByteArray& query, const QUrl& base);
    void rdapAnswered(const RegistryLookup::Answer& answer);
    void rdapFailed(const QString& message, const QString& text);
    void line(const QString& text);
    void finish(const QString& status, const QString& caption, Answer answer);

    QueryEngine& m_engine;
    PlainCall m_plain{m_engine}; // the server typed, with referrals off
    RegistryLookup* m_registry = nullptr;
    std::optional<WhoisChain> m_chain;
    int m_hopTimeout = HopTimeoutMs;
    int m_hopLimit = HopLimitMs;
    int m_hops = 0;                // exchanges run in this call
    bool m_sideKnown = false;      // the first server was reached, so its side is known
    bool m_startedPrivate = false; // ... and it answered from a non-public address
    bool m_publicOnly = false;     // the hop under way may reach only public addresses
    bool m_follow = false;
    bool m_rdapReferred = false; // the RDAP referral has been followed
    QString m_lastAnswered;      // the caption after the call
    QString m_rdapServer;        // the first RDAP server that answered
    QString m_referredTo;        // the RDAP link being followed
};

} // namespace net
