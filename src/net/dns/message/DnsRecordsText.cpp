// SPDX-License-Identifier: MIT
#include "DnsRecordsText.h"
#include "BoundedText.h"
#include "DnsPacket.h"
#include "DnsWire.h"
#include "RecordText.h"
#include "net/dns/DnsLibrary.h"
#include "net/dns/records/DnsRequest.h"
#include "net/engine/HostNames.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <memory>

namespace net {

namespace {

constexpr std::uint16_t OptType = 41;

QString flagsOf(const ldns_pkt* packet) {
    const DnsLibrary* dns = DnsLibrary::get();
    QStringList flags;
    const auto add = [&](bool set, const char* name) {
        if (set)
            flags.append(QString::fromLatin1(name));
    };
    add(dns->ldns_pkt_qr(packet), "qr");
    add(dns->ldns_pkt_aa(packet), "aa");
    add(dns->ldns_pkt_tc(packet), "tc");
    add(dns->ldns_pkt_rd(packet), "rd");
    add(dns->ldns_pkt_ra(packet), "ra");
    add(dns->ldns_pkt_ad(packet), "ad");
    add(dns->ldns_pkt_cd(packet), "cd");
    return flags.join(QLatin1Char(' '));
}

// Whether the resolver had an answer to give for this type (good or bad), rather than failing.
bool answered(const DnsAnswer& answer) {
    return answer.error == 0 && (answer.rcode == 0 || answer.rcode == 3 || answer.bogus);
}

} // namespace

QString questionName(const DnsQuestion& question) {
    const QString sent = oneLineName(QString::fromLatin1(question.name));
    return sent == question.shownName ? sent
                                      : question.shownName + QStringLiteral(" (") + sent + u')';
}

QString dnsFailureText(const DnsQuestion& question, const QString& line) {
    return QStringLiteral("; Question: %1 %2\n; Server: %3\n; %4\n; Time: %5 ms\n")
        .arg(questionName(question), question.typeText, question.server, line)
        .arg(question.elapsedMs);
}

QString shortBogusReason(const QString& whyBogus) {
    QString reason = whyBogus;
    const qsizetype afterName = reason.indexOf(QLatin1String(">: "));
    if (afterName >= 0)
        reason = reason.mid(afterName + 3);
    const qsizetype from = reason.indexOf(QLatin1String(" from "));
    if (from > 0)
        reason.truncate(from);
    return reason.trimmed();
}

DnsReport formatDnsRecords(const DnsQuestion& question, const QList<DnsAnswer>& answers) {
    DnsReport report;
    QStringList typeNames;
    QStringList rcodes;
    QStringList reasons;
    QStringList extendedErrors;
    QString flags;
    QString bogusWhy;
    bool anyAnswered = false;
    bool allSecure = true;
    bool allNxdomain = !answers.isEmpty();
    int worstRcode = 0;
    qsizetype packetBytes = 0;
    for (const DnsAnswer& answer : answers)
        packetBytes += answer.packet.size();
    BoundedText body(dnsTextCapacity(packetBytes));
    // Types that all ended with the same code say it once, in the header.
    const bool oneRcode = std::all_of(answers.begin(), answers.end(), [&](const DnsAnswer& answer) {
        return answer.error == 0 && answer.rcode == answers.first().rcode;
    });
    QSet<QString> shown;
    const DnsLibrary* dns = DnsLibrary::get();
    for (const DnsAnswer& answer : answers) {
        const QString type = recordTypeName(answer.type);
        typeNames.append(type);
        if (!answer.reason.isEmpty() && !reasons.contains(answer.reason))
            reasons.append(answer.reason);
        QStringList errors = answer.extendedErrors;
        if (const std::optional<WireMessage> wire = readWireMessage(answer.packet))
            errors += wire->extendedErrors;
        for (const QString& error : errors)
            if (!extendedErrors.contains(error))
                extendedErrors.append(error);
        if (answer.error != 0) {
            body.line(QStringLiteral("; %1: no answer (%2)").arg(type, answer.whyBogus));
            allNxdomain = false;
            worstRcode = std::max(worstRcode, 2);
            continue;
        }
        const DnsPacket packet = parseDnsPacket(answer.packet);
        const int rcode = answer.rcode;
        if (!rcodes.contains(rcodeName(rcode)))
            rcodes.append(rcodeName(rcode));
        if (flags.isEmpty() && packet)
            flags = flagsOf(packet.get());
        if (answered(answer)) {
            anyAnswered = true;
            allSecure = allSecure && answer.secure;
        }
        allNxdomain = allNxdomain && answer.nxdomain;
        if (rcode != 0 && rcode != 3)
            worstRcode = std::max(worstRcode, rcode);
        if (answer.bogus && bogusWhy.isEmpty())
            bogusWhy = answer.whyBogus.isEmpty() ? QStringLiteral("the answer failed validation")
                                                 : answer.whyBogus;
        if (!packet && !answer.packet.isEmpty()) {
            body.line(QStringLiteral("; %1: the answer could not be read").arg(type));
            continue;
        }
        QStringList lines;
        if (packet) {
            const std::optional<WireMessage> wire = readWireMessage(answer.packet);
            const std::vector<ReadRecord> records =
                wire ? readSection(answer.packet, wire->answer) : std::vector<ReadRecord>();
            for (const ReadRecord& record : records) {
                const ldns_rr* rr = record.rr.get();
                if (!rr)
                    continue;
                const auto rrType = std::uint16_t(dns->ldns_rr_get_type(rr));
                // Signatures are part of the verdict, shown only when asked for; an OPT
                // record carries the message's options and is no record at all.
                if ((rrType == LDNS_RR_TYPE_RRSIG && answer.type != LDNS_RR_TYPE_RRSIG) ||
                    rrType == OptType)
                    continue;
                if (body.full()) { // not even written out: the text is as long as it may be
                    body.leaveOut();
                    continue;
                }
                const QString line = recordText(rr, answer.packet, &record.wire);
                if (shown.contains(line))
                    continue; // a CNAME met again under another type
                shown.insert(line);
                lines.append(line);
            }
        }
        if (answer.bogus) {
            body.line(
                QStringLiteral("; %1: failed DNSSEC validation, not to be trusted:").arg(type));
            for (const QString& line : lines)
                body.line(QStringLiteral(";   ") + line, true);
            continue;
        }
        report.records += int(lines.size());
        for (const QString& line : lines)
            body.line(line, true);
        if (lines.isEmpty() && !answer.nxdomain && rcode == 0)
            body.line(QStringLiteral("; no %1 records").arg(type));
        else if (lines.isEmpty() && !answer.nxdomain && !oneRcode)
            body.line(QStringLiteral("; %1: %2").arg(type, rcodeName(rcode)));
    }

    QString dnssec;
    if (!bogusWhy.isEmpty())
        dnssec = QStringLiteral("bogus (%1)").arg(bogusWhy);
    else if (!question.dnssecChecked)
        dnssec = QStringLiteral("not checked");
    else if (!anyAnswered)
        dnssec = QStringLiteral("nothing validated (no answer)");
    else
        dnssec = allSecure ? QStringLiteral("secure") : QStringLiteral("insecure");

    QString typeText = question.typeText;
    if (typeNames.size() > 1)
        typeText += QStringLiteral(" (") + typeNames.join(QLatin1Char(' ')) + QLatin1Char(')');
    QString header = QStringLiteral("; Question: %1 %2\n").arg(questionName(question), typeText) +
                     QStringLiteral("; Server: %1\n").arg(question.server) +
                     QStringLiteral("; Status: %1\n").arg(rcodes.join(QStringLiteral(", ")));
    for (const QString& error : extendedErrors)
        header += QStringLiteral("; EDE: %1\n").arg(error);
    for (const QString& reason : reasons)
        header += QStringLiteral("; Reason: %1\n").arg(reason);
    if (!flags.isEmpty())
        header += QStringLiteral("; Flags: %1\n").arg(flags);
    header += QStringLiteral("; DNSSEC: %1\n").arg(dnssec);
    if (question.dnssecChecked && !question.anchors.isEmpty())
        header += QStringLiteral("; Trust anchors: %1\n")
                      .arg(question.anchors.join(QStringLiteral(", ")));
    header += QStringLiteral("; Time: %1 ms\n\n").arg(question.elapsedMs);
    report.text = header + body.take();

    if (!bogusWhy.isEmpty())
        report.status = QStringLiteral("DNSSEC bogus: ") + shortBogusReason(bogusWhy);
    else if (allNxdomain)
        report.status = QStringLiteral("No such name (NXDOMAIN)");
    else if (report.records == 0 && worstRcode == 2)
        report.status = QStringLiteral("Server failure (SERVFAIL)");
    else if (report.records == 0 && worstRcode == 5)
        report.status = QStringLiteral("Refused by the server (REFUSED)");
    else if (report.records == 0 && worstRcode != 0)
        report.status = QStringLiteral("The server answered %1").arg(rcodeName(worstRcode));
    else if (report.records == 0)
        report.status = QStringLiteral("No records of that type");
    else
        report.status = QStringLiteral("%1 record%2, DNSSEC %3")
                            .arg(report.records)
                            .arg(report.records == 1 ? QString() : QStringLiteral("s"), dnssec);
    if (allNxdomain)
        report.text += QStringLiteral("; No such name (NXDOMAIN)\n");
    report.answered = bogusWhy.isEmpty() &&
                      std::any_of(answers.begin(), answers.end(), [](const DnsAnswer& answer) {
                          return answer.error == 0 && (answer.rcode == 0 || answer.rcode == 3);
                      });
    return report;
}

} // namespace net
