// SPDX-License-Identifier: MIT
#pragma once
// The answers of a DNS records query as an administrator reads them: a header of ";" lines
// (the question, the server, the response code, the flags, the DNSSEC verdict, the time),
// then every record in zone-file presentation form with its TTL, grouped by the type asked
// (a CNAME chain in the order the answer gives it, each record once), an international owner
// name followed by its Unicode form, and a line for each type that has no records. A bogus
// answer says why and its records are shown only as comments, never passed off as good.
// The answer packets are parsed by ldns and are not trusted: a packet that does not parse is
// reported as such, and the text stays within a small multiple of the packets' size.

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

namespace net {

// What the resolver gave for one record type.
struct DnsAnswer {
    std::uint16_t type = 0;
    int error = 0; // the resolver library's error; 0 when it answered
    int rcode = 0;
    bool nxdomain = false;
    bool secure = false;
    bool bogus = false;
    QString whyBogus;
    QByteArray packet; // the answer in wire form
};

struct DnsQuestion {
    QByteArray name;   // ASCII, as sent
    QString shownName; // as typed, for the header
    QString typeText;  // "Common", "MX", ...
    QString server;    // DnsServer::describe()
    bool dnssecChecked = true;
    qint64 elapsedMs = 0;
};

struct DnsReport {
    QString text;
    QString status; // the status bar's last word on the query
    int records = 0;
};

DnsReport formatDnsRecords(const DnsQuestion& question, const QList<DnsAnswer>& answers);

// The short reason of a validator's "validation failure <name type class>: reason from
// server ..." text.
QString shortBogusReason(const QString& whyBogus);

} // namespace net
