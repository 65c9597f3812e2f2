// SPDX-License-Identifier: MIT
#pragma once
// The answers of a DNS records query as an administrator reads them: a header of ";" lines
// (the question, the server, the response code with any extended errors as "; EDE: 22 (No
// Reachable Authority): text" lines, the flags, the DNSSEC verdict, the trust anchors, the
// time), then every record in zone-file presentation form with its TTL
// (see RecordText), grouped by the type asked (a CNAME chain in the order the answer gives it,
// each record once), and a line for each type that has no records. A bogus answer says why
// and its records are shown only as comments, never passed off as good; an answer that failed
// says why where the reason is known, and is never called insecure, since nothing was
// validated. The answer packets are not trusted: a packet that does not parse is reported as
// such, an OPT record among the answers is not shown as a record, and the text stays within
// dnsTextCapacity() of the packets' size, a line saying what was left out.

#include "DnsAnswer.h"

#include <QList>
#include <QString>

namespace net {

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
