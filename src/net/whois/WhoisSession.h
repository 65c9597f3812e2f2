// SPDX-License-Identifier: MIT
#pragma once
// A WhoIs query as the user asked for it: to the server typed, as one plain exchange; or with
// the automatic server and referrals, a chain of servers (WhoisChain) under one call, falling
// back to RDAP where WhoIs has gone, and following an RDAP answer's link to the registrar.
//
// Every server reached is a peer not to be trusted: a referral is followed only to a WhoIs
// server (never from a public address to a loopback or private one, unless the chain began on
// such an address, as in a lab); a server the program chose that stays silent for HopTimeoutMs
// is given up with what earlier servers said kept; every RDAP exchange has the same deadline.
// A referral passed over says so in one line of the window.

#include "net/engine/CallSession.h"
#include "net/engine/PlainCall.h"
#include "net/rdap/RdapClient.h"
#include "WhoisChain.h"

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

    explicit WhoisSession(QueryEngine& engine);

    RdapClient& rdap() { return m_rdap; } // for its bootstrap, cache and certificates
    void setHopTimeout(int ms);

    // Starts the query; nothing starts while a call runs, or for an empty server without the
    // automatic choice. A server typed as https://... is an RDAP base URL.
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
    void startRdap(const RdapClient::Query& query, const QUrl& base);
    void rdapAnswered(const RdapText& answer);
    void rdapFailed(const QString& message, const QString& text);
    void line(const QString& text);
    void finish(const QString& status, const QString& caption, bool answered);

    QueryEngine& m_engine;
    PlainCall m_plain{m_engine}; // the server typed, with referrals off
    std::optional<WhoisChain> m_chain;
    RdapClient m_rdap;
    int m_hopTimeout = HopTimeoutMs;
    int m_hops = 0;              // exchanges run in this call
    bool m_startedPrivate = false; // the first server answered from a non-public address
    bool m_publicOnly = false;     // the hop under way may reach only public addresses
    bool m_follow = false;
    bool m_rdapReferred = false;   // the RDAP referral has been followed
    QString m_lastAnswered;        // the caption after the call
    QString m_rdapServer;          // the first RDAP server that answered
};

} // namespace net
