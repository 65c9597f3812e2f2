// SPDX-License-Identifier: MIT
#pragma once
// The records a chain of trust rests on, read from the servers' messages: each message read
// once, its records taken where its layout puts them (see readSection), a zone's keys with
// their tags, and a record set with every signature over it checked against the signing
// zone's keys. Signature dates are serial numbers (RFC 4034 3.1.5) and judged here; the packet
// library checks the signature itself.

#include "ChainModel.h"
#include "net/dns/message/DnsPacket.h"

#include <optional>
#include <vector>

namespace net::chain {

std::uint16_t read16(const QByteArray& bytes, qsizetype at);
// The key tag of a DNSKEY's data (RFC 4034, appendix B).
std::uint16_t keyTag(const QByteArray& rdata);

// A record of a message, read once: its owner and data, the packet library's reading of it,
// and its line of text.
struct Record {
    QString owner; // lower case, with the final dot
    std::uint16_t type = 0;
    QByteArray rdata;
    const ldns_rr* rr = nullptr;
    QString line;
};

// A message's answer and authority records, owned while the message is checked; the OPT
// record left out.
struct Message {
    bool read = false;
    int rcode = 0;
    std::vector<ReadRecord> owned;
    QList<Record> answer;
    QList<Record> authority;

    explicit Message(const QByteArray& bytes);

private:
    void take(const QByteArray& bytes, const QList<WireRecord>& section, QList<Record>& into);
};

// A zone's key as the checks use it.
struct Key {
    ChainKey info;
    const ldns_rr* rr = nullptr;
    std::uint16_t tagUnrevoked = 0; // the tag the key had before its REVOKE bit was set
};

// The DNSKEY records of zone among records.
QList<Key> readKeys(const QList<Record>& records, const QString& zone);

bool algorithmSupported(std::uint8_t algorithm);
bool digestSupported(std::uint8_t digest);

// The set of owner and type in section with the signatures over it, each checked against keys
// (the signing zone's; a signature by another zone, or by a key the zone does not have, is
// missing) at now; the set's state is its best signature's.
ChainRecordSet checkSet(const QList<Record>& section, const QString& owner, std::uint16_t type,
                        const QList<Key>& keys, const QString& zone, qint64 now);
// Why a set's state is what it is: its best signature's reason, or that it has none.
QString setReason(const ChainRecordSet& set);
// The NSEC and NSEC3 sets of a section, checked: the proof that a name or a type is absent.
QList<ChainRecordSet> denial(const QList<Record>& section, const QList<Key>& keys,
                             const QString& zone, qint64 now);
LinkState worstOf(const QList<ChainRecordSet>& sets);

} // namespace net::chain
