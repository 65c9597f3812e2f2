// SPDX-License-Identifier: MIT
#include "ServerProbe.h"
#include "net/dns/message/DnsWire.h"

#include <algorithm>

namespace net {

bool saysOnlyThatItFailed(const QList<DnsAnswer>& answers) {
    return std::all_of(answers.begin(), answers.end(), [](const DnsAnswer& a) {
        const std::optional<WireMessage> message = readWireMessage(a.packet);
        const bool empty = !message || (message->answer.isEmpty() && message->authority.isEmpty());
        return a.error == 0 && a.rcode == 2 && !a.bogus && empty;
    });
}

void ServerProbe::start(const QList<ProbeTarget>& targets, const DirectQuestion& question,
                        int timeoutMs) {
    stop();
    for (const ProbeTarget& target :
         targets.first(std::min<qsizetype>(targets.size(), MaxTargets))) {
        DirectQueryPtr query(new DirectQuery(target.address, target.port, question, this));
        query->setTimeout(timeoutMs);
        query->setTcpOnly(target.tcpOnly);
        query->onDone = [this](const DirectAnswer& answer) { answered(answer); };
        m_queries.push_back(std::move(query));
    }
    for (const DirectQueryPtr& query : m_queries)
        query->start();
}

void ServerProbe::stop() {
    m_queries.clear(); // each is deleted from the event loop
    m_answers.clear();
}

void ServerProbe::answered(const DirectAnswer& answer) {
    m_answers.append(answer);
    if (m_answers.size() < qsizetype(m_queries.size()))
        return;
    // One server's word is enough: a refusal first, then a failure, a malformed message, an
    // answer, and last a server that could not be reached.
    ProbeVerdict verdict;
    verdict.kind = ProbeVerdict::Silent;
    int rank = 0;
    const auto take = [&](int thisRank, ProbeVerdict::Kind kind) {
        if (thisRank > rank) {
            rank = thisRank;
            verdict.kind = kind;
            verdict.reasons.clear();
        }
        return thisRank == rank;
    };
    for (const DirectAnswer& each : m_answers) {
        if (each.outcome == DirectAnswer::Answered) {
            const std::optional<WireMessage> message = readWireMessage(each.packet);
            const int rcode = message ? message->rcode : -1;
            const bool kept = rcode == 5   ? take(5, ProbeVerdict::Refused)
                              : rcode == 2 ? take(4, ProbeVerdict::ServerFailure)
                                           : take(2, ProbeVerdict::Answered);
            if (kept && message)
                for (const QString& error : message->extendedErrors)
                    if (!verdict.reasons.contains(error))
                        verdict.reasons.append(error);
        } else if (each.outcome == DirectAnswer::Malformed) {
            if (take(3, ProbeVerdict::Malformed) && !verdict.reasons.contains(each.error))
                verdict.reasons.append(each.error);
        } else if (each.outcome != DirectAnswer::TimedOut) {
            if (take(1, ProbeVerdict::Unreachable) && !verdict.reasons.contains(each.error))
                verdict.reasons.append(each.error);
        }
    }
    if (onDone)
        onDone(verdict);
}

} // namespace net
