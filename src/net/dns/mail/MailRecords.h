// SPDX-License-Identifier: MIT
#pragma once
// The records a mail check reads, taken from an answer's answer section as the message's
// layout puts them (see readWireMessage): a TXT record's strings joined, an MX record's
// preference and host, an address, a TLSA record's fields. Every read is checked against the
// record's own length, so a record that lies about its size is left out, never read past.

#include "net/dns/message/DnsAnswer.h"

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace net {

struct MxRecord {
    std::uint16_t preference = 0;
    QByteArray host; // presentation form, lower case, with its final dot ("." for a null MX)
};

struct TlsaRecord {
    std::uint8_t usage = 0;
    std::uint8_t selector = 0;
    std::uint8_t matching = 0;
    QByteArray data;
};

namespace mailrecords {

inline constexpr std::uint16_t A = 1;
inline constexpr std::uint16_t Cname = 5;
inline constexpr std::uint16_t Mx = 15;
inline constexpr std::uint16_t Txt = 16;
inline constexpr std::uint16_t Aaaa = 28;
inline constexpr std::uint16_t Tlsa = 52;

// Each TXT record's strings joined into one text.
QList<QByteArray> txt(const DnsAnswer& answer);
QList<MxRecord> mx(const DnsAnswer& answer);
// A and AAAA records as address text.
QList<QByteArray> addresses(const DnsAnswer& answer);
QList<TlsaRecord> tlsa(const DnsAnswer& answer);
// Whether the name asked is an alias: a CNAME record in the answer section.
bool isAlias(const DnsAnswer& answer);
// Whether the answer says the name or the type is not there (NXDOMAIN or no records of it):
// a look-up that found nothing, as against one that failed.
bool isEmpty(const DnsAnswer& answer, std::uint16_t type);
// Why the look-up failed (a resolver error, SERVFAIL, REFUSED, a bogus DNSSEC verdict);
// empty when it answered.
QString failure(const DnsAnswer& answer);

} // namespace mailrecords

// A name in the form the mail check keys its look-ups by: lower case with a final dot.
QByteArray mailName(const QByteArray& name);

} // namespace net
