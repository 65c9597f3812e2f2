// SPDX-License-Identifier: MIT
#pragma once
// A DNS message parsed by the packet library, owned; and what the texts of answers share:
// the name of a response code, and the records of a section as zone-file lines.

#include "DnsWire.h"
#include "net/dns/DnsLibrary.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace net {

struct DnsPacketDeleter {
    void operator()(ldns_pkt* packet) const;
};
using DnsPacket = std::unique_ptr<ldns_pkt, DnsPacketDeleter>;

// The message, or nullptr when it cannot be read (or the library is missing).
DnsPacket parseDnsPacket(const QByteArray& wire);

// Why the message cannot be read, in the packet library's words ("invalid compression
// pointer"); empty when it can.
QString dnsPacketProblem(const QByteArray& wire);

struct DnsRecordDeleter {
    void operator()(ldns_rr* record) const;
};
using DnsRecord = std::unique_ptr<ldns_rr, DnsRecordDeleter>;

// One record of a message: where the message's layout puts it, and the packet library's
// reading of it from there (null when the library cannot read it).
struct ReadRecord {
    WireRecord wire;
    DnsRecord rr;
};

// A section's records, each read on its own at its place. Every consumer of a message (the
// text, the JSON, servers compared) takes its records from here, so a record is never paired
// with another's data: the library's reading of a whole message can run apart from its layout,
// as it reads a record's data field by field and goes on where the fields end, whatever the
// record's RDLENGTH says.
std::vector<ReadRecord> readSection(const QByteArray& message, const QList<WireRecord>& section);

// "NOERROR", "REFUSED", ..., "RCODE23".
QString rcodeName(int rcode);

struct SectionRecord {
    std::uint16_t type = 0;
    std::uint32_t ttl = 0;
    QString line; // "owner<TAB>TTL<TAB>IN<TAB>TYPE<TAB>rdata", see recordText
};

// The records of a message's answer section (or, with authority, of its authority section),
// as lines; the OPT pseudo-record is left out. Empty when the message cannot be read.
QList<SectionRecord> sectionRecords(const QByteArray& wire, bool authority = false);

} // namespace net
