// SPDX-License-Identifier: MIT
// The text of a comparison, as the window shows it: a header with the summary, a table with a
// row for each server, the groups of agreeing answers with their records (the reference first,
// then each group that differs with what it lacks and what it has beyond), and for every
// authoritative server the zone's SOA values, its delegation and glue, and its signatures.
#include "ServerComparison.h"
#include "net/dns/message/BoundedText.h"
#include "net/dns/message/DnsRecordsText.h"

#include <QStringList>

namespace net {

namespace {

constexpr qsizetype MaxNamed = 8; // servers named in one line; the rest counted
constexpr qsizetype MaxColumn = 48;

// A, B, ..., Z, AA, AB, ...
QString groupLabel(qsizetype group) {
    QString label;
    qsizetype n = group;
    do {
        label.prepend(QChar(char16_t(u'A' + n % 26)));
        n = n / 26 - 1;
    } while (n >= 0);
    return label;
}

QString serverName(const ComparedServer& server) {
    return server.address.isEmpty() ? server.server
                                    : server.server + QLatin1Char(' ') + server.address;
}

QString named(const ComparisonInput& input, const QList<qsizetype>& members) {
    QStringList names;
    for (const qsizetype member : members.first(std::min(members.size(), MaxNamed)))
        names.append(serverName(input.servers[member]));
    if (members.size() > MaxNamed)
        names.append(QStringLiteral("and %1 more").arg(members.size() - MaxNamed));
    return names.join(QStringLiteral(", "));
}

// A table cell: the text in width characters and a space; a longer text is cut with an
// ellipsis, so the columns after it stay in line.
QString padded(const QString& text, qsizetype width) {
    if (text.size() > width)
        return text.left(width - 1) + QChar(0x2026) + QLatin1Char(' ');
    return text.leftJustified(width + 1);
}

QString header(const ComparisonInput& input, const ComparisonFindings& findings) {
    const bool every = input.kind == DnsComparison::EveryAuthoritative;
    QString text = QStringLiteral("; Comparison: %1 %2 ")
                       .arg(questionName(input.question), input.question.typeText);
    text += every ? QStringLiteral("at every authoritative server of %1\n")
                        .arg(QString::fromLatin1(input.zone.zone))
                  : QStringLiteral("at %1 servers side by side\n").arg(input.servers.size());
    if (every)
        text += QStringLiteral("; Zone found through: %1\n").arg(input.foundThrough);
    // The status bar's sentence, then what differs.
    QString summary = comparisonAgreement(input, findings);
    summary[0] = summary[0].toLower();
    if (findings.answering > 0 && !findings.differences.isEmpty())
        summary += QStringLiteral(": ") + findings.differences.join(QStringLiteral(", "));
    summary += faultSummary(findings);
    text += QStringLiteral("; Summary: ") + summary + QLatin1Char('\n');
    if (!findings.faults.isEmpty()) {
        QStringList kinds;
        for (const DelegationFault& fault : findings.faults)
            kinds.append(fault.kind);
        text += QStringLiteral("; Faults: %1 (see Delegation faults below)\n")
                    .arg(kinds.join(QStringLiteral(", ")));
    }
    if (!every)
        text += QStringLiteral("; DNSSEC: %1\n")
                    .arg(input.question.dnssecChecked
                             ? QStringLiteral("each server's answers validated on their own")
                             : QStringLiteral("not checked"));
    text += QStringLiteral("; Time: %1 ms\n;\n").arg(input.question.elapsedMs);
    return text;
}

QString dnssecColumn(const ComparisonInput& input, const ComparedAnswer& answer) {
    if (!input.question.dnssecChecked)
        return QStringLiteral("-");
    if (answer.outcome == ComparedAnswer::Bogus)
        return QStringLiteral("bogus");
    if (!answer.comparable())
        return QStringLiteral("-");
    return answer.secure ? QStringLiteral("secure") : QStringLiteral("insecure");
}

void table(const ComparisonInput& input, const ComparisonFindings& findings, BoundedText& body) {
    const bool every = input.kind == DnsComparison::EveryAuthoritative;
    qsizetype serverWidth = 6;
    qsizetype addressWidth = 7;
    for (const ComparedServer& server : input.servers) {
        serverWidth = std::max(serverWidth, std::min(server.server.size(), MaxColumn));
        addressWidth = std::max(
            addressWidth, std::min(server.address.size() + (server.glueOnly ? 7 : 0), MaxColumn));
    }
    QStringList outcomes;
    qsizetype outcomeWidth = 7;
    for (const ComparedAnswer& answer : findings.answers) {
        outcomes.append(answer.outcomeText());
        outcomeWidth = std::max(outcomeWidth, std::min(outcomes.last().size(), MaxColumn));
    }
    QString head = QStringLiteral("; ") + padded(QStringLiteral("Server"), serverWidth);
    if (every)
        head += padded(QStringLiteral("Address"), addressWidth);
    head += padded(QStringLiteral("Time"), 9) + padded(QStringLiteral("Outcome"), outcomeWidth);
    head += every ? padded(QStringLiteral("Serial"), 10)
                  : padded(QStringLiteral("DNSSEC"), 8) + padded(QStringLiteral("TTL"), 10);
    body.line(head + QStringLiteral("Answer"));
    QStringList cut;
    for (qsizetype i = 0; i < input.servers.size(); ++i) {
        const ComparedServer& server = input.servers[i];
        const ComparedAnswer& answer = findings.answers[i];
        QString row = QStringLiteral("; ") + padded(server.server, serverWidth);
        if (every)
            row += padded(server.address.isEmpty()
                              ? QStringLiteral("-")
                              : server.address +
                                    (server.glueOnly ? QStringLiteral(" (glue)") : QString()),
                          addressWidth);
        row += padded(!server.asked() ? QStringLiteral("-")
                                      : QStringLiteral("%1 ms").arg(answer.elapsedMs),
                      9);
        row += padded(outcomes[i], outcomeWidth);
        if (outcomes[i].size() > outcomeWidth) // cut in the table: said whole below it
            cut.append(QStringLiteral("; %1: %2").arg(serverName(server), outcomes[i]));
        if (every) {
            QString serial =
                findings.soa[i] ? QString::number(findings.soa[i]->serial) : QStringLiteral("-");
            if (findings.olderSerial[i])
                serial += QStringLiteral(" older");
            row += padded(serial, 10);
        } else {
            row += padded(dnssecColumn(input, answer), 8);
            row += padded(answer.leastTtl ? QString::number(*answer.leastTtl) : QStringLiteral("-"),
                          10);
        }
        const qsizetype group = findings.groupOf[i];
        if (group >= 0)
            row += groupLabel(group) + (group > 0 ? QStringLiteral(" differs") : QString());
        else
            row += QStringLiteral("-");
        body.line(row.trimmed());
    }
    for (const QString& line : cut)
        body.line(line);
    body.line(QStringLiteral(";"));
}

void groups(const ComparisonInput& input, const ComparisonFindings& findings, BoundedText& body) {
    const QString what = input.kind == DnsComparison::EveryAuthoritative
                             ? QStringLiteral("addresses")
                             : QStringLiteral("servers");
    for (qsizetype g = 0; g < findings.groups.size(); ++g) {
        const AnswerGroup& group = findings.groups[g];
        const QString label = groupLabel(g);
        const qsizetype size = group.members.size();
        if (g == 0 && size > 1)
            body.line(QStringLiteral("; %1: %2 %3 agree: %4")
                          .arg(label)
                          .arg(size)
                          .arg(what, named(input, group.members)));
        else
            body.line(QStringLiteral("; %1%2: %3")
                          .arg(label, g == 0 ? QString() : QStringLiteral(" differs"),
                               named(input, group.members)));
        if (group.outcome == ComparedAnswer::NxDomain)
            body.line(QStringLiteral("; NXDOMAIN: no such name"));
        else if (group.records.isEmpty())
            body.line(QStringLiteral("; no records"));
        const auto write = [&body](const QString& prefix, const ComparedRecord& record) {
            if (record.line.isEmpty())
                body.leaveOut(); // past its answer's text budget
            else
                body.line(prefix + record.line, true);
        };
        for (const ComparedRecord& record : group.records)
            write(QString(), record);
        for (const ComparedRecord& record : group.missing)
            write(QStringLiteral("; not at %1: ").arg(label), record);
        for (const ComparedRecord& record : group.extra)
            write(QStringLiteral("; only at %1: ").arg(label), record);
        body.line(QStringLiteral(";"));
    }
}

void soaValues(const ComparisonInput& input, const ComparisonFindings& findings,
               BoundedText& body) {
    QStringList same;
    QStringList different;
    for (const FieldSpread& field : findings.soaFields) {
        if (field.values.size() == 1) {
            same.append(field.field + QLatin1Char(' ') + field.values.first().first);
            continue;
        }
        QStringList values;
        for (const auto& [value, members] : field.values) {
            const bool older =
                field.field == QLatin1String("serial") && findings.olderSerial[members.first()];
            values.append(QStringLiteral("%1%2 at %3")
                              .arg(value, older ? QStringLiteral(" (older)") : QString(),
                                   members.size() > 3
                                       ? QStringLiteral("%1 addresses").arg(members.size())
                                       : named(input, members)));
        }
        different.append(QStringLiteral(";   %1 differs: %2")
                             .arg(field.field, values.join(QStringLiteral("; "))));
    }
    if (same.isEmpty() && different.isEmpty()) {
        body.line(QStringLiteral("; SOA of %1: no server gave it")
                      .arg(QString::fromLatin1(input.zone.zone)));
        return;
    }
    body.line(QStringLiteral("; SOA of %1").arg(QString::fromLatin1(input.zone.zone)));
    for (const QString& line : different)
        body.line(line);
    if (!same.isEmpty())
        body.line(QStringLiteral(";   %1: the same at every address that gave it")
                      .arg(same.join(QStringLiteral(", "))));
}

void delegation(const ComparisonInput& input, const ComparisonFindings& findings,
                BoundedText& body) {
    const ZoneServers& zone = input.zone;
    body.line(QStringLiteral(";"));
    if (zone.parent.isEmpty())
        return;
    body.line(QStringLiteral("; Delegation of %1 at the parent %2")
                  .arg(QString::fromLatin1(zone.zone), QString::fromLatin1(zone.parent)));
    if (!zone.delegationSeen) {
        body.line(QStringLiteral(";   not seen: %1").arg(zone.delegationProblem));
    } else if (findings.onlyAtParent.isEmpty() && findings.onlyInZone.isEmpty()) {
        body.line(QStringLiteral(";   the same name servers as the zone's own NS records"));
    } else {
        QStringList parts;
        if (!findings.onlyAtParent.isEmpty())
            parts.append(QStringLiteral("only at the parent: ") +
                         findings.onlyAtParent.join(QStringLiteral(", ")));
        if (!findings.onlyInZone.isEmpty())
            parts.append(QStringLiteral("only in the zone: ") +
                         findings.onlyInZone.join(QStringLiteral(", ")));
        body.line(QStringLiteral(";   differs: ") + parts.join(QStringLiteral("; ")));
    }
    if (findings.glue.isEmpty())
        return;
    body.line(QStringLiteral("; Glue"));
    QStringList agreeing;
    for (const GlueCheck& check : findings.glue)
        if (check.agrees)
            agreeing.append(check.name);
    if (agreeing.size() > 3)
        body.line(
            agreeing.size() == findings.glue.size()
                ? QStringLiteral(";   as in the zone for %1 name servers").arg(agreeing.size())
                : QStringLiteral(";   as in the zone for %1 and %2 more")
                      .arg(agreeing.first(3).join(QStringLiteral(", ")))
                      .arg(agreeing.size() - 3));
    else if (!agreeing.isEmpty())
        body.line(QStringLiteral(";   as in the zone for ") + agreeing.join(QStringLiteral(", ")));
    for (const GlueCheck& check : findings.glue) {
        const QString glue = check.glue.join(QStringLiteral(", "));
        if (check.agrees)
            continue;
        if (check.zone.isEmpty())
            body.line(QStringLiteral(";   %1 differs: the parent says %2, the zone gives no "
                                     "address (%3)")
                          .arg(check.name, glue, check.zoneProblem));
        else
            body.line(QStringLiteral(";   %1 differs: the parent says %2, the zone says %3")
                          .arg(check.name, glue, check.zone.join(QStringLiteral(", "))));
    }
}

// Which servers answer over one transport only; every server must answer over TCP too.
void transports(const ComparisonInput& input, const ComparisonFindings& findings,
                BoundedText& body) {
    body.line(QStringLiteral("; Over UDP and TCP (RFC 7766), asked the SOA of %1")
                  .arg(QString::fromLatin1(input.zone.zone)));
    bool all = true;
    for (qsizetype i = 0; i < input.servers.size(); ++i)
        if (!findings.transport[i].isEmpty()) {
            body.line(QStringLiteral(";   %1 at %2")
                          .arg(findings.transport[i], serverName(input.servers[i])));
            all = false;
        }
    if (all)
        body.line(QStringLiteral(";   every address answers over both, or over neither"));
}

void signatures(const ComparisonInput& input, const ComparisonFindings& findings,
                BoundedText& body) {
    body.line(QStringLiteral(";"));
    if (!input.question.dnssecChecked) {
        body.line(QStringLiteral("; Signatures: not checked"));
        return;
    }
    if (!findings.signedZone) {
        body.line(QStringLiteral("; Signatures: the zone has no DNSKEY records (not signed)"));
        return;
    }
    body.line(QStringLiteral("; Signatures, checked against the zone's DNSKEY records (%1)")
                  .arg(input.zone.keysSecure ? QStringLiteral("secure")
                                             : QStringLiteral("not validated")));
    QList<qsizetype> valid;
    for (qsizetype i = 0; i < findings.signatures.size(); ++i)
        if (findings.signatures[i] && findings.signatures[i]->kind == SignatureVerdict::Valid)
            valid.append(i);
    if (!valid.isEmpty())
        body.line(QStringLiteral(";   valid at %1")
                      .arg(valid.size() > 3 ? QStringLiteral("%1 addresses").arg(valid.size())
                                            : named(input, valid)));
    for (qsizetype i = 0; i < findings.signatures.size(); ++i) {
        const std::optional<SignatureVerdict>& verdict = findings.signatures[i];
        if (verdict && verdict->kind != SignatureVerdict::Valid)
            body.line(QStringLiteral(";   %1 at %2: %3")
                          .arg(verdict->kindText(), serverName(input.servers[i]), verdict->detail));
    }
}

} // namespace

QString comparisonText(const ComparisonInput& input, const ComparisonFindings& findings) {
    qsizetype bytes = 0;
    for (const ComparedAnswer& answer : findings.answers)
        bytes += answer.bytes;
    BoundedText body(dnsTextCapacity(bytes) + 512 * input.servers.size());
    table(input, findings, body);
    groups(input, findings, body);
    if (input.kind == DnsComparison::EveryAuthoritative) {
        soaValues(input, findings, body);
        delegation(input, findings, body);
        transports(input, findings, body);
        if (!findings.faults.isEmpty()) {
            body.line(QStringLiteral("; Delegation faults"));
            for (const DelegationFault& fault : findings.faults)
                body.line(QStringLiteral(";   ") + fault.text);
        }
        signatures(input, findings, body);
        if (input.zone.namesLeftOut > 0)
            body.line(QStringLiteral("; %1 more name servers not looked up: at most %2 are")
                          .arg(input.zone.namesLeftOut)
                          .arg(input.zone.servers.size()));
    }
    return header(input, findings) + body.take();
}

} // namespace net
