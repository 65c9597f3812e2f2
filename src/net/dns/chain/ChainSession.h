// SPDX-License-Identifier: MIT
#pragma once
// The chain of trust of a name and type, found and checked as a call of the query engine
// (busy, status, Cancel, one ending), never blocking the window:
//   1. the zone cuts: a resolver that does not validate is asked for the NS records of the
//      name and of every name above it (a zone that is bogus still gives its servers), and
//      the addresses of at most ServersPerZone of each zone's name servers;
//   2. each zone's own server is asked directly for the zone's DNSKEY set, the parent's for
//      the zone's DS set (or the proof that it has none), and the last zone's for the answer,
//      all at once, with their signatures;
//   3. a validating resolver, with the same server choice and trust anchors as DNS records,
//      is asked the same question meanwhile, so its verdict stands beside the chain's;
//   4. the chain is checked and written out on a worker thread (see checkChain, chainText).
// The servers are not trusted: the names asked are capped at MaxSuffixes, every answer has a
// time-out and the whole call a deadline.

#include "ChainCheck.h"
#include "net/dns/DnsCall.h"
#include "net/dns/asking/DirectBatch.h"
#include "net/dns/asking/ValidatingResolver.h"

#include <functional>

namespace net {

class ChainSession : public DnsCall<ChainReport> {
public:
    static constexpr int DeadlineMs = 20000;
    static constexpr int AnswerTimeoutMs = 3000;
    static constexpr qsizetype MaxSuffixes = 40;
    static constexpr qsizetype ServersPerZone = 2;

    explicit ChainSession(QueryEngine& engine);
    ~ChainSession() override;

    // Told the checked chain before the call ends (the picture is drawn from it).
    std::function<void(const ChainReport&)> onReport;

    // Starts finding the chain of question's name and type; settings as for DNS records (their
    // anchors are the chain's). Nothing starts while a call runs; a question that cannot be
    // asked says why on the status bar.
    void start(const DnsQuestion& question, std::uint16_t type, const ResolverSettings& settings);

private:
    void stopWork() override;
    void deadlineReached() override;
    void written(const ChainReport& report) override;
    QString caption() const override;

    void cutsFound();
    void addressesFound();
    void answersCame();
    void validated();
    void checkWhenDone();

    ValidatingResolver m_finder;    // does not validate: finds the cuts and the servers
    ValidatingResolver m_validator; // the resolver's own verdict
    DirectBatch m_batch;
    DnsQuestion m_question;
    std::uint16_t m_type = 1;
    ResolverSettings m_settings;
    QList<QByteArray> m_suffixes;           // the root first
    QList<QByteArray> m_zones;              // the cuts, the root first
    QList<QList<QByteArray>> m_nameServers; // each zone's, at most ServersPerZone
    QList<QByteArray> m_serverNames;        // the names whose addresses are asked
    QList<QString> m_zoneServer;            // each zone's address asked ("" when none)
    QList<std::uint16_t> m_zonePort;
    QList<int> m_keyJobs; // each zone's DNSKEY question in the batch (-1: not asked)
    QList<int> m_dsJobs;  // each zone's DS question
    int m_answerJob = -1;
    ChainAnswers m_answers;
    DnsAnswer m_verdict;
    bool m_validated = false;
    bool m_asked = false;
    enum class Step { Cuts, Addresses, Records } m_step = Step::Cuts;
};

} // namespace net
