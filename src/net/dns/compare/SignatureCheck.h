// SPDX-License-Identifier: MIT
#pragma once
// Each server's signatures checked on their own: every record set of a signed zone in the
// answer and authority sections of a server's answers must carry a signature that one of the
// zone's keys (the DNSKEY records the resolver gave) verifies at the time given. A set with no
// signature, a signature expired or not yet valid, and one that does not verify are told
// apart, with the set and the dates, so one server that missed a re-signing stands out.

#include <QByteArray>
#include <QList>
#include <QString>

namespace net {

struct SignatureVerdict {
    // From the best to the worst.
    enum Kind { Valid, Missing, NotYetValid, Expired, Bogus };
    Kind kind = Valid;
    QString detail; // "RRSIG A of www.example.com. expired 2020-01-01 00:00:00 UTC"
    QString kindText() const;
};

// Whether keys (an answer message) holds any DNSKEY record of zone: a zone without keys is
// not signed, and there is nothing to check.
bool hasZoneKeys(const QByteArray& keys, const QByteArray& zone);

// The signatures of the records of zone in packets, each answer message of one server.
SignatureVerdict checkSignatures(const QList<QByteArray>& packets, const QByteArray& keys,
                                 const QByteArray& zone, qint64 now);

} // namespace net
