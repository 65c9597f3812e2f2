// SPDX-License-Identifier: MIT
#pragma once
// The answers of a DNS records query as an administrator reads them: a header of ";" lines
// (the question, the server, the response code with any extended errors as "; EDE: 22 (No
// Reachable Authority): text" lines, the flags, the DNSSEC verdict, the time),
// the trust anchors, the time), then every record in zone-file presentation form with its TTL
// (see RecordText), grouped by the type asked (a CNAME chain in the order the answer gives it,
// each record once), and a line for each type that has no records. A bogus answer says why
// and its records are shown only as comments, never passed off as good; an answer that failed
// says why where the reason is known, and is never called insecure, since nothing was
// validated. The answer packets are not trusted: a packet that does not parse is reported as
// such, an OPT record among the answers is not shown as a record, and the text stays within
// capacityFor() the packets' size, a line saying what was left out.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace net {

// What the resolver gave for one record type.
struct DnsAnswer {
    QByteArray name; // as asked, ASCII
    std::uint16_t type = 0;
    int error = 0; // the resolver library's error; 0 when it answered
    int rcode = 0;
    bool nxdomain = false;
    bool secure = false;
    bool bogus = false;
    QString whyBogus;
    QString reason;             // why the answer failed, where known
    QStringList extendedErrors; // the server's (RFC 8914), when it was asked directly
    QByteArray packet;          // the answer in wire form
};

struct DnsQuestion {
    QByteArray name;   // ASCII, as sent
    QString shownName; // as typed, for the header
    QString typeText;  // "Common", "MX", ...
    QString server;    // DnsServer::describe()
    bool dnssecChecked = true;
    QStringList anchors; // the trust anchor files the verdict rests on
    qint64 elapsedMs = 0;
};

struct DnsReport {
    QString text;
    QString status; // the status bar's last word on the query
    int records = 0;
    // An answer came: a type was answered NOERROR or NXDOMAIN, and nothing was bogus.
    bool answered = false;
};

// The most characters the text of answers of this many bytes takes.
inline qsizetype dnsTextCapacity(qsizetype packetBytes) {
    return 4 * packetBytes + 64 * 1024;
}

DnsReport formatDnsRecords(const DnsQuestion& question, const QList<DnsAnswer>& answers);

// The text of a query no server answered: the question, the server, line (why there is no
// answer) and the time.
QString dnsFailureText(const DnsQuestion& question, const QString& line);

// The name as a header shows it: as typed, with the name sent in brackets when that differs
// ("bücher.example (xn--bcher-kva.example)"), on one line.
QString questionName(const DnsQuestion& question);

// The short reason of a validator's "validation failure <name type class>: reason from
// server ..." text.
QString shortBogusReason(const QString& whyBogus);

} // namespace net
