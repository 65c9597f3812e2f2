// SPDX-License-Identifier: MIT
#pragma once
// One server's answers as a comparison weighs them: what came back (an answer, NXDOMAIN, a
// refusal, silence, ...), the records of its answer sections as zone-file lines in an order
// that does not depend on the server's, each once, and the least TTL among them. Signatures
// are left out of the records (they differ from server to server by nature and are checked
// apart, see SignatureCheck), unless they are what was asked for.

#include "net/dns/asking/DirectQuery.h"
#include "net/dns/message/DnsAnswer.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace net {

struct ComparedRecord {
    QString line; // as shown; empty for a record past the answer's text budget
    QString key;  // what is compared: the line in lower case, without the TTL where asked, or
                  // for a record past the budget a digest of it
};

struct ComparedAnswer {
    // From the best to the worst: a combined answer takes its worst part's.
    enum Outcome {
        Answer,
        NxDomain,
        Bogus,
        NotAuthoritative,
        OtherRcode,
        ServerFailure,
        Refused,
        Malformed,
        Failed,
        TimedOut,
        Unreachable,
        NoAddress,
        NotAsked,
    };
    Outcome outcome = Answer;
    QString detail; // what more there is to say: the server's reason, the error
    QList<ComparedRecord> records;
    std::optional<std::uint32_t> leastTtl;
    qint64 elapsedMs = 0;
    qsizetype bytes = 0;
    // Of the records' lines and keys: within dnsTextCapacity(bytes), and a digest a record after.
    qsizetype keptCharacters = 0;
    bool secure = false; // a resolver's answer that it validated

    // Whether the answer is one the servers should agree on (records or NXDOMAIN).
    bool comparable() const { return outcome == Answer || outcome == NxDomain; }
    QString outcomeText() const;
};

// An authoritative server's answers to each type asked directly; the TTLs are compared.
ComparedAnswer readDirectAnswers(const QList<DirectAnswer>& answers, bool typeIsSignature);
// A resolver's answers to each type; records are compared without their TTLs, which count
// down in a cache.
ComparedAnswer readResolverAnswers(const QList<DnsAnswer>& answers, bool typeIsSignature);

struct SoaValues {
    QString mname;
    QString rname;
    std::uint32_t serial = 0;
    std::uint32_t refresh = 0;
    std::uint32_t retry = 0;
    std::uint32_t expire = 0;
    std::uint32_t minimum = 0;
};
// The SOA record of zone in the answer section of an authoritative answer.
std::optional<SoaValues> readSoa(const QByteArray& packet, const QByteArray& zone);

} // namespace net
