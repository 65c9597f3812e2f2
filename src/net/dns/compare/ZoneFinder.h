// SPDX-License-Identifier: MIT
#pragma once
// Finds the authoritative servers of the zone that holds a name, through a resolver (see
// ValidatingResolver), step by step and never blocking the window:
//   1. the SOA record of the name and of each name above it: the nearest that has one at its
//      own name is the zone, the next the parent;
//   2. the zone's NS and DNSKEY records, and the parent's NS records;
//   3. the parent's servers' addresses, and one of them asked directly, without recursion,
//      for the zone's delegation: its NS records and its glue;
//   4. the addresses of every name server the zone or the delegation names.
// What the servers say is not trusted: at most MaxNames name servers are looked up (the rest
// counted), every name read from a message is bounded, and each step has the resolver's own
// time-outs or DelegationTimeoutMs.

#include "ZoneServers.h"
#include "net/dns/asking/DirectBatch.h"
#include "net/dns/asking/ValidatingResolver.h"

#include <QObject>
#include <QSet>

#include <functional>

namespace net {

class ZoneFinder : public QObject {
public:
    static constexpr qsizetype MaxNames = 64;
    static constexpr int DelegationTimeoutMs = 3000;
    // How many of the parent's addresses are asked for the delegation at once.
    static constexpr qsizetype DelegationAsked = 4;

    ZoneFinder();

    std::function<void(const QString& status)> onStatus;
    std::function<void(const ZoneServers& found)> onDone;

    void setDelegationTimeout(int ms) { m_delegationTimeoutMs = ms; }
    // Starts finding; name is ASCII with its final dot. Why not, when the resolver could not
    // be set up (nothing runs then).
    QString find(const ResolverSettings& settings, const QByteArray& name);
    void stop();
    // The questions put to the parent's servers for the delegation, as sent.
    const QList<QByteArray>& delegationSent() const { return m_delegation.sent(); }

private:
    enum class Step { Apex, Sets, ParentAddresses, Delegation, Addresses };

    void answered();
    void foundApex();
    void foundSets();
    void askDelegation();
    void delegationAnswered();
    void lookUpAddresses();
    void foundAddresses();
    void finish(const QString& error = QString());
    // The entry of a name server, made when new; nullptr beyond MaxNames (then counted).
    NameServerAddresses* server(const QByteArray& name);

    ValidatingResolver m_resolver;
    DirectBatch m_delegation;
    int m_delegationTimeoutMs = DelegationTimeoutMs;
    Step m_step = Step::Apex;
    QByteArray m_name;
    QList<QByteArray> m_apexCandidates;
    QList<QByteArray> m_parentServers;
    QSet<QByteArray> m_leftOut;
    ZoneServers m_found;
};

} // namespace net
