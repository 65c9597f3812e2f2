// SPDX-License-Identifier: MIT
#include "MailJudge.h"
#include "DomainPolicies.h"
#include "MailText.h"
#include "SpfCheck.h"
#include "platform/HostEntry.h"

#include <QCryptographicHash>
#include <QSslCertificate>
#include <QSslKey>

#include <algorithm>

namespace net {

namespace {

using namespace mailrecords;

struct MxJudgement {
    MailCheck check;
    QList<QByteArray> hosts; // the hosts tried, best first
    QList<QList<QByteArray>> addresses;
    bool nullMx = false;
};

bool looksLikeAddress(const QByteArray& host) {
    return platform::HostAddress::parse(host.chopped(host.endsWith('.') ? 1 : 0)).has_value();
}

// Reads the addresses of host into addresses; the reason when it has none (or not yet).
QString hostAddresses(const QByteArray& host, const MailAnswers& answers, MailWanted& wanted,
                      QList<QByteArray>& addresses, bool& alias) {
    QString problem;
    for (const std::uint16_t type : {A, Aaaa}) {
        const DnsAnswer* answer = answers.need(host, type, wanted);
        if (!answer)
            return QStringLiteral("its addresses could not be read in time");
        alias = alias || isAlias(*answer);
        if (const QString failed = failure(*answer); !failed.isEmpty())
            problem = failed;
        addresses += mailrecords::addresses(*answer);
    }
    return addresses.isEmpty() ? (problem.isEmpty() ? QStringLiteral("it has no address") : problem)
                               : QString();
}

MxJudgement checkMx(const QByteArray& domain, const MailAnswers& answers, MailWanted& wanted) {
    MxJudgement result;
    MailCheck& check = result.check;
    check.name = QStringLiteral("MX");
    const DnsAnswer* answer = answers.need(domain, Mx, wanted);
    if (!answer) {
        check.judge(MailVerdict::Warning,
                    QStringLiteral("The MX records could not be read in time"));
        return result;
    }
    if (const QString failed = failure(*answer); !failed.isEmpty()) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("The MX records could not be read: ") + failed);
        return result;
    }
    check.details.append(answer->secure
                             ? QStringLiteral("The MX set is signed (DNSSEC secure)")
                             : QStringLiteral("The MX set is not signed (DNSSEC insecure)"));
    QList<MxRecord> records = mx(*answer);
    std::stable_sort(records.begin(), records.end(), [](const MxRecord& a, const MxRecord& b) {
        return a.preference < b.preference;
    });
    for (const MxRecord& record : records)
        check.records.append(recordLine(
            domain, QStringLiteral("MX"),
            QStringLiteral("%1 %2").arg(record.preference).arg(QString::fromLatin1(record.host))));
    if (answer->nxdomain) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("%1 does not exist (NXDOMAIN)").arg(shownName(domain)));
        return result;
    }
    const bool hasNull = std::any_of(records.begin(), records.end(),
                                     [](const MxRecord& r) { return r.host == "."; });
    if (hasNull && records.size() == 1) {
        result.nullMx = true;
        check.judge(MailVerdict::Pass, QStringLiteral("A null MX: the domain says it receives no "
                                                      "mail (RFC 7505)"));
        return result;
    }
    if (hasNull) {
        check.judge(MailVerdict::Fail, QStringLiteral("A null MX beside other MX records; a null "
                                                      "MX must stand alone"));
        return result;
    }
    bool implicit = false;
    if (records.isEmpty()) {
        implicit = true;
        records.append({0, domain});
    }
    QStringList problems;
    QStringList warnings;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QByteArray& host = records[i].host;
        if (i >= MaxMailHosts) {
            check.details.append(QStringLiteral("%1: not checked (the first %2 hosts are)")
                                     .arg(shownName(host))
                                     .arg(MaxMailHosts));
            continue;
        }
        if (looksLikeAddress(host)) {
            problems.append(
                QStringLiteral("%1 is an address, not a host name").arg(shownName(host)));
            continue;
        }
        QList<QByteArray> addresses;
        bool alias = false;
        const QString problem = hostAddresses(host, answers, wanted, addresses, alias);
        if (alias)
            warnings.append(QStringLiteral("%1 is an alias (CNAME), which an MX must not name")
                                .arg(shownName(host)));
        check.details.append(QStringLiteral("%1: %2").arg(
            shownName(host),
            problem.isEmpty() ? QString::fromLatin1(addresses.join(", ")) : problem));
        if (!problem.isEmpty())
            problems.append(QStringLiteral("%1: %2").arg(shownName(host), problem));
        result.hosts.append(host);
        result.addresses.append(addresses);
    }
    const bool anyAddress = std::any_of(result.addresses.begin(), result.addresses.end(),
                                        [](const QList<QByteArray>& a) { return !a.isEmpty(); });
    if (implicit && !anyAddress)
        check.judge(MailVerdict::Fail, QStringLiteral("No MX records and no address: the domain "
                                                      "receives no mail"));
    else if (implicit)
        check.judge(MailVerdict::Warning, QStringLiteral("No MX records: mail goes to the "
                                                         "domain's own address"));
    else if (!anyAddress)
        check.judge(MailVerdict::Fail, QStringLiteral("No MX host has an address: ") +
                                           problems.join(QStringLiteral("; ")));
    else if (!problems.isEmpty() || !warnings.isEmpty())
        check.judge(MailVerdict::Warning, (problems + warnings).join(QStringLiteral("; ")));
    else
        check.judge(MailVerdict::Pass,
                    QStringLiteral("%1 mail server(s), each with an address").arg(records.size()));
    return result;
}

QByteArray digestOf(const QByteArray& data, std::uint8_t matching) {
    switch (matching) {
    case 0: return data;
    case 1: return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
    case 2: return QCryptographicHash::hash(data, QCryptographicHash::Sha512);
    default: return {};
    }
}

struct ServerJudgement {
    MailCheck check;
    bool greeted = false;
    bool daneMatched = false;
};

ServerJudgement checkServer(const SmtpConversation& talk, const MailAnswers& answers,
                            MailWanted& wanted, bool stsEnforced) {
    ServerJudgement result;
    MailCheck& check = result.check;
    check.name = QStringLiteral("Server ") + shownName(talk.host) +
                 (talk.address.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(talk.address));
    const QByteArray tlsaName = "_25._tcp." + talk.host;
    const DnsAnswer* tlsaAnswer = answers.need(tlsaName, Tlsa, wanted);
    const QList<TlsaRecord> records =
        tlsaAnswer && failure(*tlsaAnswer).isEmpty() ? tlsa(*tlsaAnswer) : QList<TlsaRecord>();
    for (const TlsaRecord& record : records)
        check.records.append(recordLine(tlsaName, QStringLiteral("TLSA"),
                                        QStringLiteral("%1 %2 %3 %4")
                                            .arg(record.usage)
                                            .arg(record.selector)
                                            .arg(record.matching)
                                            .arg(QString::fromLatin1(record.data.toHex()))));
    for (const QString& line : talk.lines)
        check.details.append(QStringLiteral("  ") + line);
    if (!talk.refused.isEmpty()) {
        check.judge(MailVerdict::Fail, QStringLiteral("Not connected: ") + talk.refused);
        return result;
    }
    if (!talk.greeted) {
        check.judge(MailVerdict::Fail,
                    talk.error.isEmpty() ? QStringLiteral("No greeting on port 25") : talk.error);
        return result;
    }
    result.greeted = true;
    if (!talk.startTlsOffered) {
        check.judge(MailVerdict::Fail, QStringLiteral("STARTTLS is not offered: mail to this "
                                                      "server travels unencrypted"));
        return result;
    }
    if (!talk.tlsStarted) {
        check.judge(MailVerdict::Fail, QStringLiteral("The TLS handshake failed: ") +
                                           (talk.tlsError.isEmpty() ? talk.error : talk.tlsError));
        return result;
    }
    check.details.prepend(
        QStringLiteral("TLS: %1; certificate: %2").arg(talk.tlsVersion, talk.subject));
    const bool usable = std::any_of(records.begin(), records.end(), [](const TlsaRecord& r) {
        return r.usage == 2 || r.usage == 3;
    });
    QString dane;
    if (!records.isEmpty() && !tlsaAnswer->secure) {
        dane = QStringLiteral("its TLSA records are not signed, so senders do not use them");
    } else if (!records.isEmpty() && !usable) {
        dane =
            QStringLiteral("its TLSA records are of usages SMTP does not use (only 2 and 3 are)");
    } else if (usable) {
        result.daneMatched = std::any_of(records.begin(), records.end(), [&](const TlsaRecord& r) {
            return tlsaMatches(r, talk.chain);
        });
        if (!result.daneMatched) {
            check.judge(MailVerdict::Fail,
                        QStringLiteral("No TLSA record matches the certificate the server showed: "
                                       "senders that use DANE will not deliver"));
            return result;
        }
    }
    const QString certificate =
        talk.certificateProblems.isEmpty()
            ? QStringLiteral("the certificate is valid for %1").arg(shownName(talk.host))
            : QStringLiteral("the certificate: ") +
                  talk.certificateProblems.join(QStringLiteral("; "));
    if (!talk.certificateProblems.isEmpty() && !result.daneMatched && stsEnforced) {
        check.judge(
            MailVerdict::Fail,
            QStringLiteral("MTA-STS asks for a valid certificate, and %1").arg(certificate));
        return result;
    }
    QString reason = QStringLiteral("STARTTLS with %1; %2").arg(talk.tlsVersion, certificate);
    if (result.daneMatched)
        reason += QStringLiteral("; a TLSA record matches it (DANE)");
    if (!dane.isEmpty())
        reason += QStringLiteral("; ") + dane;
    const bool clean = (talk.certificateProblems.isEmpty() || result.daneMatched) && dane.isEmpty();
    check.judge(clean ? MailVerdict::Pass : MailVerdict::Warning, reason);
    return result;
}

} // namespace

bool tlsaMatches(const TlsaRecord& record, const QList<QByteArray>& chain) {
    if (chain.isEmpty() || (record.usage != 2 && record.usage != 3))
        return false;
    // DANE-EE is the server's own certificate; DANE-TA one of the issuers it sent.
    const qsizetype first = record.usage == 3 ? 0 : 1;
    const qsizetype last = record.usage == 3 ? 1 : chain.size();
    for (qsizetype i = first; i < last; ++i) {
        QByteArray data = chain[i];
        if (record.selector == 1) {
            const QSslCertificate certificate(chain[i], QSsl::Der);
            data = certificate.publicKey().toDer();
        } else if (record.selector != 0) {
            continue;
        }
        if (!data.isEmpty() && digestOf(data, record.matching) == record.data)
            return true;
    }
    return false;
}

MailPlan judgeMail(const MailGathered& gathered) {
    MailPlan plan;
    MailReport& report = plan.report;
    const QByteArray& domain = gathered.domain;
    report.domain = gathered.shownDomain;
    report.server = gathered.server;
    report.lookups = gathered.lookups;
    report.elapsedMs = gathered.elapsedMs;
    report.timedOut = gathered.timedOut;
    MailWanted& wanted = plan.wanted;

    MxJudgement mx = checkMx(domain, gathered.answers, wanted);
    const SpfJudgement spf = checkSpf(domain, gathered.answers, wanted);
    const DmarcJudgement dmarc = checkDmarc(domain, gathered.answers, wanted);
    const MtaStsJudgement sts =
        checkMtaSts(domain, gathered.answers, gathered.policy, mx.hosts, wanted);
    plan.wantsPolicy = sts.published;
    if (sts.published) {
        bool alias = false;
        hostAddresses("mta-sts." + domain, gathered.answers, wanted, plan.policyAddresses, alias);
    }
    plan.hosts = mx.hosts;
    plan.hostAddresses = mx.addresses;
    report.checks = {mx.check, spf.check, dmarc.check};
    for (const QByteArray& selector : gathered.selectors)
        report.checks.append(checkDkim(domain, selector, gathered.answers, wanted));
    report.checks.append(sts.check);
    report.checks.append(checkTlsRpt(domain, gathered.answers, wanted));

    int greeted = 0;
    int daneMatched = 0;
    int secured = 0;
    for (const SmtpConversation& talk : gathered.servers) {
        const ServerJudgement server = checkServer(talk, gathered.answers, wanted, sts.enforced);
        report.checks.append(server.check);
        greeted += server.greeted;
        daneMatched += server.daneMatched;
        secured += server.check.verdict == MailVerdict::Pass;
    }
    // TLSA look-ups are wanted before the servers are talked to.
    for (const QByteArray& host : mx.hosts)
        gathered.answers.need("_25._tcp." + host, Tlsa, wanted);

    const auto line = [&](const QString& question, MailVerdict verdict, const QString& reason) {
        report.summary.append({question, verdict, reason});
    };
    const qsizetype talked = gathered.servers.size();
    if (mx.nullMx)
        line(QStringLiteral("Receives mail"), MailVerdict::Fail,
             QStringLiteral("No: its null MX says it receives no mail"));
    else if (greeted > 0)
        line(
            QStringLiteral("Receives mail"),
            greeted == talked ? MailVerdict::Pass : MailVerdict::Warning,
            QStringLiteral("%1 of %2 mail server(s) answered on port 25").arg(greeted).arg(talked));
    else
        line(QStringLiteral("Receives mail"), MailVerdict::Fail,
             talked == 0
                 ? QStringLiteral("No: no mail server could be found (%1)").arg(mx.check.reason)
                 : QStringLiteral("No: none of %1 mail server(s) answered on port 25").arg(talked));

    if (!spf.usable || dmarc.policy == DmarcJudgement::Missing ||
        dmarc.policy == DmarcJudgement::Invalid)
        line(QStringLiteral("Protected against spoofing"), MailVerdict::Fail,
             !spf.usable ? QStringLiteral("No: SPF: ") + spf.check.reason
                         : QStringLiteral("No: DMARC: ") + dmarc.check.reason);
    else if (dmarc.policy == DmarcJudgement::None || dmarc.check.verdict != MailVerdict::Pass ||
             spf.check.verdict != MailVerdict::Pass)
        line(QStringLiteral("Protected against spoofing"), MailVerdict::Warning,
             QStringLiteral("In part: %1")
                 .arg(dmarc.check.verdict != MailVerdict::Pass
                          ? QStringLiteral("DMARC: ") + dmarc.check.reason
                          : QStringLiteral("SPF: ") + spf.check.reason));
    else
        line(QStringLiteral("Protected against spoofing"), MailVerdict::Pass,
             QStringLiteral("Yes: SPF and DMARC (%1)").arg(dmarc.check.reason));

    if (mx.nullMx)
        line(QStringLiteral("Protected against downgrade"), MailVerdict::NotPublished,
             QStringLiteral("No mail is received, so none is delivered"));
    else if (greeted > 0 && daneMatched == greeted && secured == greeted)
        line(QStringLiteral("Protected against downgrade"), MailVerdict::Pass,
             QStringLiteral("Yes: DANE, every mail server's certificate matches its TLSA record"));
    else if (sts.enforced && secured == greeted && greeted > 0)
        line(QStringLiteral("Protected against downgrade"), MailVerdict::Pass,
             QStringLiteral("Yes: MTA-STS enforced, every mail server's certificate valid"));
    else if (sts.check.verdict == MailVerdict::Warning && sts.published)
        line(QStringLiteral("Protected against downgrade"), MailVerdict::Warning,
             QStringLiteral("In part: MTA-STS: ") + sts.check.reason);
    else if (sts.published && sts.check.verdict == MailVerdict::Fail)
        line(QStringLiteral("Protected against downgrade"), MailVerdict::Fail,
             QStringLiteral("No: MTA-STS: ") + sts.check.reason);
    else if (greeted > 0 && secured < greeted)
        line(QStringLiteral("Protected against downgrade"), MailVerdict::Fail,
             QStringLiteral("No: %1 of %2 mail server(s) failed their TLS checks")
                 .arg(greeted - secured)
                 .arg(greeted));
    else
        line(QStringLiteral("Protected against downgrade"), MailVerdict::Fail,
             QStringLiteral("No: neither MTA-STS in enforce mode nor DANE; an attacker on the path "
                            "can strip STARTTLS"));
    return plan;
}

} // namespace net
