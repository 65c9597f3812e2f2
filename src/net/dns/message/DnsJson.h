// SPDX-License-Identifier: MIT
#pragma once
// A DNS records query as JSON, for scripts: each answer message in the member names of
// RFC 8427 (as `kdig +json` writes them: "ID", "RCODE", "QNAME", "answerRRs" with "NAME",
// "TYPEname", "TTL", "rdataMX", "RDATAHEX", ...), with the validation verdict and its reason
// beside it, the question, the server and the trust anchors. Like the text, it is kept within
// dnsTextCapacity() of the answers' size; records beyond are counted, not written.

#include "DnsRecordsText.h"

#include <QJsonObject>

namespace net {

QJsonObject dnsJson(const DnsQuestion& question, const QList<DnsAnswer>& answers,
                    const DnsReport& report);

// One message as RFC 8427 names its parts; empty when it cannot be read.
QJsonObject dnsMessageJson(const QByteArray& packet, qsizetype& room, int* leftOut);

} // namespace net
