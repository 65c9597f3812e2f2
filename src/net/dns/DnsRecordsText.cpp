// SPDX-License-Identifier: MIT
#include "DnsRecordsText.h"
#include "DnsLibrary.h"
#include "DnsRequest.h"
#include "net/engine/HostNames.h"

#include <QSet>
#include <QStringList>


#include <memory>

namespace net {

namespace {

struct PacketDeleter {
    void operator()(ldns_pkt* packet) const { DnsLibrary::get()->ldns_pkt_free(packet); }
};
using Packet = std::unique_ptr<ldns_pkt, PacketDeleter>;

// Packets exist only where the DNS library has been opened, and so do the functions that read them.
Packet parse(const QByteArray& wire) {
    const DnsLibrary* dns = DnsLibrary::get();
    ldns_pkt* packet = nullptr;
    if (!dns || wire.isEmpty() || dns->ldns_wire2pkt(&packet, reinterpret_cast<const uint8_t*>(wire.constData()),
                                        size_t(wire.size())) != LDNS_STATUS_OK)
        return nullptr;
    return Packet(packet);
}

QString rcodeName(int rcode) {
    static const char* const names[] = {"NOERROR",  "FORMERR", "SERVFAIL",
                                        "NXDOMAIN", "NOTIMP",  "REFUSED"};
    return rcode >= 0 && rcode < 6 ? QString::fromLatin1(names[rcode])
                                   : QStringLiteral("RCODE%1").arg(rcode);
}

QString take(char* text) {
    const QString out = text ? QString::fromUtf8(text) : QString();
    free(text);
    return out;
}

// A record in presentation form, with the Unicode form of an international owner name.
QString recordLine(const ldns_rr* rr) {
    const DnsLibrary* dns = DnsLibrary::get();
    QString line = take(dns->ldns_rr2str(rr));
    while (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    const QString owner = take(dns->ldns_rdf2str(dns->ldns_rr_owner(rr)));
    if (owner.contains(QLatin1String("xn--"), Qt::CaseInsensitive)) {
        const QString unicode = unicodeHost(owner.toLatin1());
        if (unicode != owner)
            line += QStringLiteral("\t; ") + unicode;
    }
    return line;
}

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

} // namespace

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
    QString flags;
    QString bogusWhy;
    bool allSecure = !answers.isEmpty();
    bool allNxdomain = !answers.isEmpty();
    int worstRcode = 0;
    QString body;
    QSet<QString> shown;
    for (const DnsAnswer& answer : answers) {
        const QString type = recordTypeName(answer.type);
        typeNames.append(type);
        if (answer.error != 0) {
            body += QStringLiteral("; %1: no answer (%2)\n").arg(type, answer.whyBogus);
            allSecure = allNxdomain = false;
            worstRcode = std::max(worstRcode, 2);
            continue;
        }
        const Packet packet = parse(answer.packet);
        const int rcode = answer.rcode;
        if (!rcodes.contains(rcodeName(rcode)))
            rcodes.append(rcodeName(rcode));
        if (flags.isEmpty() && packet)
            flags = flagsOf(packet.get());
        allSecure = allSecure && answer.secure;
        allNxdomain = allNxdomain && answer.nxdomain;
        if (rcode != 0 && rcode != 3)
            worstRcode = std::max(worstRcode, rcode);
        if (answer.bogus && bogusWhy.isEmpty())
            bogusWhy = answer.whyBogus.isEmpty() ? QStringLiteral("the answer failed validation")
                                                 : answer.whyBogus;
        QStringList lines;
        if (packet) {
            const DnsLibrary* dns = DnsLibrary::get();
            const ldns_rr_list* records = dns->ldns_pkt_answer(packet.get());
            for (size_t i = 0; records && i < dns->ldns_rr_list_rr_count(records); ++i) {
                const ldns_rr* rr = dns->ldns_rr_list_rr(records, i);
                // Signatures are part of the verdict, shown only when asked for.
                if (dns->ldns_rr_get_type(rr) == LDNS_RR_TYPE_RRSIG && answer.type != LDNS_RR_TYPE_RRSIG)
                    continue;
                const QString line = recordLine(rr);
                if (shown.contains(line))
                    continue; // a CNAME met again under another type
                shown.insert(line);
                lines.append(line);
            }
        } else if (!answer.packet.isEmpty()) {
            body += QStringLiteral("; %1: the answer could not be read\n").arg(type);
            continue;
        }
        if (answer.bogus) {
            body +=
                QStringLiteral("; %1: failed DNSSEC validation, not to be trusted:\n").arg(type);
            for (const QString& line : lines)
                body += QStringLiteral(";   ") + line + QLatin1Char('\n');
            continue;
        }
        report.records += int(lines.size());
        for (const QString& line : lines)
            body += line + QLatin1Char('\n');
        if (lines.isEmpty() && !answer.nxdomain)
            body += rcode == 0 ? QStringLiteral("; no %1 records\n").arg(type)
                               : QStringLiteral("; %1: %2\n").arg(type, rcodeName(rcode));
    }

    QString dnssec;
    if (!bogusWhy.isEmpty())
        dnssec = QStringLiteral("bogus (%1)").arg(bogusWhy);
    else if (!question.dnssecChecked)
        dnssec = QStringLiteral("not checked");
    else
        dnssec = allSecure ? QStringLiteral("secure") : QStringLiteral("insecure");

    QString typeText = question.typeText;
    if (typeNames.size() > 1)
        typeText += QStringLiteral(" (") + typeNames.join(QLatin1Char(' ')) + QLatin1Char(')');
    QString name = question.shownName;
    if (QString::fromLatin1(question.name) != name)
        name += QStringLiteral(" (") + QString::fromLatin1(question.name) + QLatin1Char(')');
    report.text = QStringLiteral("; Question: %1 %2\n").arg(name, typeText) +
                  QStringLiteral("; Server: %1\n").arg(question.server) +
                  QStringLiteral("; Status: %1\n").arg(rcodes.join(QStringLiteral(", "))) +
                  (flags.isEmpty() ? QString() : QStringLiteral("; Flags: %1\n").arg(flags)) +
                  QStringLiteral("; DNSSEC: %1\n").arg(dnssec) +
                  QStringLiteral("; Time: %1 ms\n\n").arg(question.elapsedMs) + body;

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
    return report;
}

} // namespace net
