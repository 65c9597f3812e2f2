// SPDX-License-Identifier: MIT
#pragma once
// A DNS message parsed by the packet library, owned; and what the texts of answers share:
// the name of a response code, and the records of a section as zone-file lines.

#include "net/dns/DnsLibrary.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>

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
