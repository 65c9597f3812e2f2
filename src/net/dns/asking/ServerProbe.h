// SPDX-License-Identifier: MIT
#pragma once
// What a validating resolver cannot say: it reports every upstream failure alike, as SERVFAIL
// with no answer, whether the server refused, failed or never answered. When a query's answers
// all failed so, the probe asks the query's servers the first question directly, and sums up
// what they did: refused, failed (with the reason a server gave in an extended error), sent a
// message that is no answer (malformed: what was wrong with it), answered, or stayed silent or
// unreachable.

#include "DirectQuery.h"
#include "net/dns/message/DnsAnswer.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <vector>

namespace net {

struct ProbeTarget {
    platform::HostAddress address;
    std::uint16_t port = 53;
    bool tcpOnly = false; // the TLS relay carries TCP only
};

struct ProbeVerdict {
    enum Kind { Refused, ServerFailure, Answered, Silent, Unreachable, Malformed };
    Kind kind = Silent;
    // Extended errors the servers gave, what was wrong with a malformed answer, or why they
    // could not be reached.
    QStringList reasons;
};

// Whether a resolver's answers say only that no usable answer came: SERVFAIL, no records,
// not a validation failure.
bool saysOnlyThatItFailed(const QList<DnsAnswer>& answers);

class ServerProbe : public QObject {
public:
    static constexpr int MaxTargets = 3;

    std::function<void(const ProbeVerdict&)> onDone;

    // Asks up to MaxTargets servers at once; each has timeoutMs to answer.
    void start(const QList<ProbeTarget>& targets, const DirectQuestion& question, int timeoutMs);
    void stop();
    bool running() const { return m_answers.size() < qsizetype(m_queries.size()); }

private:
    void answered(const DirectAnswer& answer);

    std::vector<DirectQueryPtr> m_queries;
    QList<DirectAnswer> m_answers;
};

} // namespace net
