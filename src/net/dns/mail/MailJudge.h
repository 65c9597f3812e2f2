// SPDX-License-Identifier: MIT
#pragma once
// The mail check judged from what has been gathered: the MX set and its hosts, SPF, DMARC,
// DKIM, MTA-STS, TLS-RPT and each mail server's conversation on port 25 (STARTTLS, the
// certificate, DANE), then three summary lines. Judged after every round of look-ups, it also
// says what to read next, which servers to talk to and whether the MTA-STS policy is to be
// fetched; judged at the end, it is the report.

#include "MailModel.h"
#include "MailRecords.h"

namespace net {

struct MailPlan {
    MailReport report;
    MailWanted wanted;                      // names still to read
    QList<QByteArray> hosts;                // the MX hosts to talk to, best first
    QList<QList<QByteArray>> hostAddresses; // each host's addresses
    bool wantsPolicy = false;               // the MTA-STS record is there
    QList<QByteArray> policyAddresses;      // mta-sts.DOMAIN's addresses, by the same resolver
};

inline constexpr qsizetype MaxMailHosts = 5; // the MX hosts checked, lowest preference first

MailPlan judgeMail(const MailGathered& gathered);

// Whether a TLSA record (DANE-EE or DANE-TA, RFC 7672) matches the certificates a server
// showed (DER, its own first).
bool tlsaMatches(const TlsaRecord& record, const QList<QByteArray>& chain);

} // namespace net
