// SPDX-License-Identifier: MIT
#pragma once
// A DNS records query that compares servers, as a call of the query engine (busy, status,
// Cancel call, the caption "NAME TYPE"): either every authoritative server of the name's zone,
// found through a resolver (see ZoneFinder) and each address asked directly without recursion
// (at most MaxAddresses, each question with its own time-out), or several resolvers side by
// side (see ResolverLineup). The answers are weighed and written out on a worker thread (see
// ServerComparison), so the window never waits.

#include "ServerComparison.h"
#include "ZoneFinder.h"
#include "net/dns/DnsCall.h"
#include "net/dns/asking/DirectBatch.h"
#include "net/dns/asking/ResolverLineup.h"
#include "net/dns/asking/ServerAddressLookup.h"

namespace net {

class ComparisonSession : public DnsCall<ComparisonReport> {
public:
    static constexpr qsizetype MaxAddresses = 64;
    static constexpr int AnswerTimeoutMs = 3000;
    // The whole comparison, however the servers and the resolver behave.
    static constexpr int DeadlineMs = 60000;

    explicit ComparisonSession(QueryEngine& engine);
    ~ComparisonSession() override;

    void setAnswerTimeout(int ms) { m_answerTimeoutMs = ms; }
    void setResolverTimeout(int ms) { m_lineup.setResolverTimeout(ms); }
    void setResolver(platform::Resolver resolver) { m_addresses.setResolver(std::move(resolver)); }
    // The question's messages as sent to every authoritative server (for the wire checks).
    const QList<QByteArray>& sent() const { return m_batch.sent(); }
    const QList<QByteArray>& delegationSent() const { return m_finder.delegationSent(); }

    // Starts comparing; settings holds what every resolver shares (its server is ignored),
    // foundThrough the resolver the zone is found through. Nothing starts while a call runs.
    void start(const DnsComparison& comparison, const DnsQuestion& question,
               const QList<std::uint16_t>& types, const ResolverSettings& settings,
               const DnsServer& foundThrough);

private:
    void stopWork() override;
    void deadlineReached() override;
    void written(const ComparisonReport& report) override;
    QString caption() const override;

    void addressesFound(const QList<ServerAddress>& addresses);
    void zoneFound(const ZoneServers& zone);
    void serversAnswered();
    void resolversAnswered(const QList<LinedUpAnswers>& results);
    void report();

    ServerAddressLookup m_addresses;
    ZoneFinder m_finder;
    DirectBatch m_batch;
    ResolverLineup m_lineup;
    int m_answerTimeoutMs = AnswerTimeoutMs;

    DnsComparison m_comparison;
    ResolverSettings m_settings;
    DnsServer m_foundThrough;
    ComparisonInput m_input;
    QList<qsizetype> m_jobServer; // for each question asked directly: its row
};

} // namespace net
