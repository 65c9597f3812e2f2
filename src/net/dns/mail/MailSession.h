// SPDX-License-Identifier: MIT
#pragma once
// A domain's mail checked end to end as a call of the query engine (busy, status, Cancel, one
// ending), never blocking the window:
//   1. rounds of DNS look-ups through a validating resolver with the same server choice and
//      trust anchors as DNS records: each round asks what the checks judged from the answers
//      so far still want (the MX hosts' addresses and TLSA records, the SPF tree's includes,
//      the organisational domain's DMARC record, report authorisations), every look-up
//      counted and capped (MaxLookups, MaxRounds);
//   2. each MX host (at most MaxMailHosts) asked on port 25 (see SmtpProbe) and the MTA-STS
//      policy fetched over HTTPS from mta-sts.DOMAIN, at the address the same resolver gave,
//      with its certificate checked, at once;
//   3. everything judged and written out on a worker thread (see judgeMail, mailText).
// A host the DNS named is connected to only at a public address, unless the DNS server
// chosen is itself at an address that is not public (a lab, a company's own network), as a
// WhoIs referral may lead to a private server only from one. The whole check has a deadline;
// when it comes, what has not come is judged missing and the report says so.

#include "MailJudge.h"
#include "SmtpProbe.h"
#include "net/dns/DnsCall.h"
#include "net/dns/asking/ValidatingResolver.h"
#include "net/rdap/RdapTransport.h"

#include <functional>
#include <memory>
#include <vector>

namespace net {

class MailSession : public DnsCall<MailReport> {
public:
    static constexpr int DeadlineMs = 60000;
    static constexpr qsizetype MaxLookups = 80;
    static constexpr int MaxRounds = 12;
    static constexpr qsizetype MaxSelectors = 8;

    explicit MailSession(QueryEngine& engine);
    ~MailSession() override;

    // The TLS configuration of port 25 and of the policy's HTTPS (tests give their own CA).
    void setSslConfiguration(const QSslConfiguration& configuration) { m_ssl = configuration; }
    void setStepTimeout(int ms) { m_stepTimeoutMs = ms; }

    // Told the report before the call ends.
    std::function<void(const MailReport&)> onReport;

    // Starts checking domain (ASCII, as sent; shown as typed); nothing starts while a call
    // runs.
    void start(const QByteArray& domain, const QString& shownDomain, const QStringList& selectors,
               const ResolverSettings& settings, const QString& serverText);

private:
    void stopWork() override;
    void deadlineReached() override;
    void written(const MailReport& report) override;
    QString caption() const override;

    void askNext();
    void answered();
    void talkToServers(const MailPlan& plan);
    void conversationEnded(qsizetype index, const SmtpConversation& talk);
    void policyFetched(const RdapTransport::Answer& answer);
    void finishWhenDone();
    bool mayConnect(const QByteArray& address) const;

    ValidatingResolver m_resolver;
    RdapTransport m_policy;
    std::vector<std::unique_ptr<SmtpProbe>> m_probes;
    std::optional<QSslConfiguration> m_ssl;
    int m_stepTimeoutMs = SmtpProbe::StepTimeoutMs;
    MailGathered m_gathered;
    QList<MailQuestion> m_asking;
    int m_rounds = 0;
    int m_pending = 0; // conversations and the policy fetch still under way
    bool m_privateAllowed = false;
    bool m_written = false;
};

} // namespace net
