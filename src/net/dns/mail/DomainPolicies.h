// SPDX-License-Identifier: MIT
#pragma once
// The policies a domain publishes for mail besides SPF, each judged from its records:
//   DMARC (RFC 7489) at _dmarc.DOMAIN or at the organisational domain (the Public Suffix
//     List's registrable domain), its tags checked, and report addresses in another domain
//     checked for that domain's authorisation record (DOMAIN._report._dmarc.OTHER);
//   DKIM keys (RFC 6376) at SELECTOR._domainkey.DOMAIN: syntax, key type and size, testing;
//   MTA-STS (RFC 8461): the _mta-sts record, and the policy file once fetched;
//   TLS-RPT (RFC 8460): the _smtp._tls record.
// The names still to read are added to wanted.

#include "MailModel.h"

namespace net {

struct DmarcJudgement {
    MailCheck check;
    enum Policy { Missing, Invalid, None, Quarantine, Reject } policy = Missing;
};
DmarcJudgement checkDmarc(const QByteArray& domain, const MailAnswers& answers, MailWanted& wanted);

// The organisational domain of a name (mailName form), by the Public Suffix List; the name
// itself when the list cannot be read.
QByteArray organisationalDomain(const QByteArray& name);

MailCheck checkDkim(const QByteArray& domain, const QByteArray& selector,
                    const MailAnswers& answers, MailWanted& wanted);

struct MtaStsPolicy {
    QString mode; // "enforce", "testing", "none"
    QStringList mx;
    qint64 maxAge = -1;
    QString problem; // why the file is no valid policy
};
MtaStsPolicy parseMtaStsPolicy(const QByteArray& body);
// Whether an MTA-STS mx pattern ("mail.example.com", "*.example.net") covers host.
bool mtaStsCovers(const QString& pattern, const QByteArray& host);

struct MtaStsJudgement {
    MailCheck check;
    bool published = false; // the _mta-sts record is there: the policy is to be fetched
    bool enforced = false;  // a valid policy in enforce mode that covers every MX host
    MtaStsPolicy policy;
};
MtaStsJudgement checkMtaSts(const QByteArray& domain, const MailAnswers& answers,
                            const PolicyFetch& fetch, const QList<QByteArray>& mxHosts,
                            MailWanted& wanted);

MailCheck checkTlsRpt(const QByteArray& domain, const MailAnswers& answers, MailWanted& wanted);

// The largest policy file read; a larger one is refused unread.
inline constexpr qint64 MaxPolicyBytes = 64 * 1024;

} // namespace net
