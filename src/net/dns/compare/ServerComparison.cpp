// SPDX-License-Identifier: MIT
#include "ServerComparison.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace net {

bool olderSerial(std::uint32_t a, std::uint32_t b) {
    return a != b && std::uint32_t(b - a) < 0x80000000u;
}

namespace {

constexpr std::uint16_t TypeRrsig = 46;

QList<ComparedRecord> without(const QList<ComparedRecord>& records,
                              const QList<ComparedRecord>& taken) {
    QSet<QString> keys;
    for (const ComparedRecord& record : taken)
        keys.insert(record.key);
    QList<ComparedRecord> out;
    for (const ComparedRecord& record : records)
        if (!keys.contains(record.key))
            out.append(record);
    return out;
}

void groupAnswers(ComparisonFindings& findings) {
    QHash<QString, qsizetype> byKey;
    for (qsizetype i = 0; i < findings.answers.size(); ++i) {
        const ComparedAnswer& answer = findings.answers[i];
        if (!answer.comparable())
            continue;
        ++findings.answering;
        QString key = QString::number(answer.outcome);
        for (const ComparedRecord& record : answer.records)
            key += QLatin1Char('\n') + record.key;
        const auto found = byKey.constFind(key);
        if (found != byKey.constEnd()) {
            findings.groups[*found].members.append(i);
            continue;
        }
        byKey.insert(key, findings.groups.size());
        findings.groups.append({{i}, answer.outcome, answer.records, {}, {}});
    }
    // The largest group is the reference; among equals, the one met first.
    std::stable_sort(findings.groups.begin(), findings.groups.end(),
                     [](const AnswerGroup& a, const AnswerGroup& b) {
                         return a.members.size() > b.members.size();
                     });
    findings.groupOf = QList<qsizetype>(findings.answers.size(), -1);
    for (qsizetype g = 0; g < findings.groups.size(); ++g) {
        AnswerGroup& group = findings.groups[g];
        for (const qsizetype member : group.members)
            findings.groupOf[member] = g;
        if (g > 0) {
            group.missing = without(findings.groups.first().records, group.records);
            group.extra = without(group.records, findings.groups.first().records);
        }
    }
}

// What each server does over one transport and not the other, asked the zone's SOA over both.
void compareTransports(const ComparisonInput& input, ComparisonFindings& findings) {
    findings.transport = QStringList(input.servers.size());
    for (qsizetype i = 0; i < input.servers.size(); ++i) {
        const ComparedServer& server = input.servers[i];
        if (server.knownOutcome)
            continue;
        const bool udp = server.soa.outcome == DirectAnswer::Answered;
        const bool tcp = server.soaOverTcp.outcome == DirectAnswer::Answered;
        const auto what = [](const DirectAnswer& answer) {
            return readDirectAnswers({answer}, false).outcomeText();
        };
        if (udp && !tcp)
            findings.transport[i] = QStringLiteral("not over TCP: ") + what(server.soaOverTcp);
        else if (!udp && tcp)
            findings.transport[i] =
                QStringLiteral("over TCP only (over UDP: %1)").arg(what(server.soa));
    }
}

void compareSoa(const ComparisonInput& input, ComparisonFindings& findings) {
    const qsizetype count = input.servers.size();
    findings.soa = QList<std::optional<SoaValues>>(count);
    findings.olderSerial = QList<bool>(count, false);
    std::optional<std::uint32_t> newest;
    for (qsizetype i = 0; i < count; ++i) {
        const ComparedServer& server = input.servers[i];
        if (server.knownOutcome || server.soa.outcome != DirectAnswer::Answered)
            continue;
        findings.soa[i] = readSoa(server.soa.packet, input.zone.zone);
        if (findings.soa[i] && (!newest || olderSerial(*newest, findings.soa[i]->serial)))
            newest = findings.soa[i]->serial;
    }
    for (qsizetype i = 0; i < count; ++i)
        findings.olderSerial[i] = findings.soa[i] && olderSerial(findings.soa[i]->serial, *newest);
    const auto spread = [&](const QString& field, auto valueOf) {
        FieldSpread out{field, {}};
        for (qsizetype i = 0; i < count; ++i) {
            if (!findings.soa[i])
                continue;
            const QString value = valueOf(*findings.soa[i]);
            auto at = std::find_if(out.values.begin(), out.values.end(),
                                   [&](const auto& each) { return each.first == value; });
            if (at == out.values.end())
                out.values.append({value, {i}});
            else
                at->second.append(i);
        }
        findings.soaFields.append(out);
    };
    const auto number = [](std::uint32_t SoaValues::*member) {
        return [member](const SoaValues& soa) { return QString::number(soa.*member); };
    };
    spread(QStringLiteral("serial"), number(&SoaValues::serial));
    spread(QStringLiteral("MNAME"), [](const SoaValues& soa) { return soa.mname; });
    spread(QStringLiteral("RNAME"), [](const SoaValues& soa) { return soa.rname; });
    spread(QStringLiteral("refresh"), number(&SoaValues::refresh));
    spread(QStringLiteral("retry"), number(&SoaValues::retry));
    spread(QStringLiteral("expire"), number(&SoaValues::expire));
    spread(QStringLiteral("minimum"), number(&SoaValues::minimum));
}

void checkEachServersSignatures(const ComparisonInput& input, ComparisonFindings& findings) {
    findings.signatures = QList<std::optional<SignatureVerdict>>(input.servers.size());
    findings.signedZone = hasZoneKeys(input.zone.keys, input.zone.zone);
    if (!findings.signedZone || !input.question.dnssecChecked)
        return;
    for (qsizetype i = 0; i < input.servers.size(); ++i) {
        if (!findings.answers[i].comparable())
            continue;
        QList<QByteArray> packets;
        for (const DirectAnswer& answer : input.servers[i].answers)
            packets.append(answer.packet);
        packets.append(input.servers[i].soa.packet);
        findings.signatures[i] =
            checkSignatures(packets, input.zone.keys, input.zone.zone, input.now);
    }
}

QStringList sortedTexts(const QList<platform::HostAddress>& addresses) {
    QStringList texts;
    for (const platform::HostAddress& address : addresses)
        texts.append(address.text());
    texts.sort();
    return texts;
}

void compareDelegation(const ZoneServers& zone, ComparisonFindings& findings) {
    findings.faults = delegationFaults(zone);
    for (const NameServerAddresses& server : zone.servers) {
        const QString name = QString::fromLatin1(server.name);
        if (zone.delegationSeen && server.atParent && !server.inZone)
            findings.onlyAtParent.append(name);
        if (zone.delegationSeen && server.inZone && !server.atParent)
            findings.onlyInZone.append(name);
        if (server.glue.isEmpty())
            continue;
        GlueCheck check{name, sortedTexts(server.glue), sortedTexts(server.addresses),
                        server.problem, false};
        check.agrees = check.glue == check.zone;
        findings.glue.append(check);
    }
}

// What the summary names, and how many servers differ in any way.
void sumUp(const ComparisonInput& input, ComparisonFindings& findings) {
    const qsizetype count = input.servers.size();
    QList<bool> differs(count, false);
    QStringList& parts = findings.differences;
    const auto countWhere = [&](const QString& what, auto test) {
        qsizetype n = 0;
        for (qsizetype i = 0; i < count; ++i)
            if (test(i)) {
                ++n;
                differs[i] = true;
            }
        if (n > 0)
            parts.append(what.arg(n));
    };
    countWhere(QStringLiteral("the answer at %1"),
               [&](qsizetype i) { return findings.groupOf[i] > 0; });
    for (int outcome = ComparedAnswer::Bogus; outcome <= ComparedAnswer::NotAsked; ++outcome) {
        ComparedAnswer sample;
        sample.outcome = ComparedAnswer::Outcome(outcome);
        const QString name = outcome == ComparedAnswer::OtherRcode
                                 ? QStringLiteral("another response code")
                                 : sample.outcomeText();
        countWhere(name + (outcome == ComparedAnswer::NoAddress ? QStringLiteral(" for %1")
                                                                : QStringLiteral(" at %1")),
                   [&](qsizetype i) { return findings.answers[i].outcome == outcome; });
    }
    if (input.kind != DnsComparison::EveryAuthoritative) {
        findings.differing = std::count(differs.begin(), differs.end(), true);
        return;
    }
    countWhere(QStringLiteral("not over TCP at %1"),
               [&](qsizetype i) { return findings.transport[i].startsWith(u"not over TCP"); });
    countWhere(QStringLiteral("over TCP only at %1"),
               [&](qsizetype i) { return findings.transport[i].startsWith(u"over TCP only"); });
    countWhere(QStringLiteral("an older SOA serial at %1"),
               [&](qsizetype i) { return findings.olderSerial[i]; });
    for (const FieldSpread& field : findings.soaFields) {
        if (field.values.size() < 2 || field.field == QLatin1String("serial"))
            continue;
        // The value most servers give is the reference; the others differ.
        const auto most = std::max_element(
            field.values.begin(), field.values.end(),
            [](const auto& a, const auto& b) { return a.second.size() < b.second.size(); });
        countWhere(QStringLiteral("the SOA %1 at %2").arg(field.field, QStringLiteral("%1")),
                   [&](qsizetype i) { return findings.soa[i] && !most->second.contains(i); });
    }
    for (const auto kind : {SignatureVerdict::Missing, SignatureVerdict::NotYetValid,
                            SignatureVerdict::Expired, SignatureVerdict::Bogus}) {
        const QString name = SignatureVerdict{kind, {}}.kindText();
        countWhere(QStringLiteral("signatures %1 at %2").arg(name, QStringLiteral("%1")),
                   [&](qsizetype i) {
                       return findings.signatures[i] && findings.signatures[i]->kind == kind;
                   });
    }
    findings.differing = std::count(differs.begin(), differs.end(), true);
    if (!findings.onlyAtParent.isEmpty() || !findings.onlyInZone.isEmpty())
        parts.append(QStringLiteral("the parent's delegation"));
    const qsizetype badGlue = std::count_if(findings.glue.begin(), findings.glue.end(),
                                            [](const GlueCheck& check) { return !check.agrees; });
    if (badGlue > 0)
        parts.append(QStringLiteral("the glue of %1 name server%2")
                         .arg(badGlue)
                         .arg(badGlue == 1 ? QString() : QStringLiteral("s")));
    if (input.zone.namesLeftOut > 0)
        parts.append(QStringLiteral("%1 name servers not looked up").arg(input.zone.namesLeftOut));
}

} // namespace

ComparisonFindings weighAnswers(const ComparisonInput& input) {
    ComparisonFindings findings;
    const bool signatures = input.types == QList<std::uint16_t>{TypeRrsig};
    const bool every = input.kind == DnsComparison::EveryAuthoritative;
    for (const ComparedServer& server : input.servers) {
        ComparedAnswer answer;
        if (server.knownOutcome) {
            answer.outcome = *server.knownOutcome;
            answer.detail = server.why;
        } else {
            answer = every ? readDirectAnswers(server.answers, signatures)
                           : readResolverAnswers(server.resolved, signatures);
        }
        if (server.elapsedMs >= 0)
            answer.elapsedMs = server.elapsedMs;
        findings.answers.append(answer);
    }
    groupAnswers(findings);
    if (every) {
        compareSoa(input, findings);
        compareTransports(input, findings);
        checkEachServersSignatures(input, findings);
        compareDelegation(input.zone, findings);
    }
    sumUp(input, findings);
    return findings;
}

QString comparisonAgreement(const ComparisonInput& input, const ComparisonFindings& findings) {
    const qsizetype count = input.servers.size();
    const bool every = input.kind == DnsComparison::EveryAuthoritative;
    const QString what =
        every ? (count == 1 ? QStringLiteral("address") : QStringLiteral("addresses"))
              : (count == 1 ? QStringLiteral("server") : QStringLiteral("servers"));
    if (findings.answering == 0)
        return QStringLiteral("No server answered");
    if (findings.differences.isEmpty())
        return count == 1 ? QStringLiteral("One server, nothing to compare")
                          : QStringLiteral("All %1 %2 agree").arg(count).arg(what);
    if (findings.differing == 0)
        return QStringLiteral("The %1 agree; the zone's set-up differs").arg(what);
    return QStringLiteral("%1 of %2 %3 %4")
        .arg(findings.differing)
        .arg(count)
        .arg(what, findings.differing == 1 ? QStringLiteral("differs") : QStringLiteral("differ"));
}

QString faultSummary(const ComparisonFindings& findings) {
    const qsizetype faults = findings.faults.size();
    if (faults == 0 || findings.answering == 0)
        return {};
    return faults == 1 ? QStringLiteral("; the delegation has a fault")
                       : QStringLiteral("; the delegation has %1 faults").arg(faults);
}

QString comparisonSummary(const ComparisonInput& input, const ComparisonFindings& findings) {
    return comparisonAgreement(input, findings) + faultSummary(findings);
}

ComparisonReport compareServers(const ComparisonInput& input, bool withJson) {
    const ComparisonFindings findings = weighAnswers(input);
    ComparisonReport report;
    report.text = comparisonText(input, findings);
    report.answered = findings.answering > 0;
    report.agree = report.answered && findings.differences.isEmpty();
    report.status = comparisonSummary(input, findings);
    if (withJson)
        report.json = comparisonJson(input, findings);
    return report;
}

} // namespace net
