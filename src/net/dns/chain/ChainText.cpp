// SPDX-License-Identifier: MIT
#include "ChainText.h"
#include "net/dns/message/DnsPacket.h"

#include <QDateTime>
#include <QJsonArray>

namespace net {

namespace {

QString stateWords(LinkState state, const QString& detail) {
    const QString word = linkStateText(state);
    // "expired 2020-01-01 ..." says its state itself.
    return linkStateMark(state) + QLatin1Char(' ') +
           (detail.isEmpty()          ? word
            : detail.startsWith(word) ? detail
                                      : word + QStringLiteral(": ") + detail);
}

QString signatureLine(const ChainSignature& sig) {
    return QStringLiteral("Signature by key %1 (algorithm %2), valid %3 to %4  %5")
        .arg(sig.signerTag)
        .arg(sig.algorithm)
        .arg(chainTime(sig.inception), chainTime(sig.expiration),
             stateWords(sig.state, sig.detail));
}

void appendSet(QString& text, const ChainRecordSet& set, const QString& indent) {
    text += indent + set.name + QStringLiteral("  ") + stateWords(set.state, QString()) +
            QLatin1Char('\n');
    for (const QString& record : set.records)
        text += indent + QStringLiteral("  ") + record + QLatin1Char('\n');
    for (const ChainSignature& sig : set.signatures)
        text += indent + QStringLiteral("  ") + signatureLine(sig) + QLatin1Char('\n');
    if (set.signatures.isEmpty())
        text += indent + QStringLiteral("  No signature\n");
}

QString dsLine(const ChainDs& ds, const ChainZone& zone) {
    QString line = QStringLiteral("DS %1, algorithm %2").arg(ds.tag).arg(ds.algorithm);
    if (ds.digestType)
        line += QStringLiteral(", digest type %1").arg(ds.digestType);
    if (ds.key >= 0 && ds.key < zone.keys.size())
        line += QStringLiteral(" -> key %1").arg(zone.keys[ds.key].tag);
    return line + QStringLiteral("  ") + stateWords(ds.state, ds.detail);
}

QJsonObject signatureJson(const ChainSignature& sig) {
    QJsonObject json{{QStringLiteral("covers"), sig.covers},
                     {QStringLiteral("keyTag"), sig.signerTag},
                     {QStringLiteral("algorithm"), sig.algorithm},
                     {QStringLiteral("inception"), chainTime(sig.inception)},
                     {QStringLiteral("expiration"), chainTime(sig.expiration)},
                     {QStringLiteral("state"), linkStateText(sig.state)}};
    if (!sig.detail.isEmpty())
        json.insert(QStringLiteral("detail"), sig.detail);
    return json;
}

QJsonObject setJson(const ChainRecordSet& set) {
    QJsonArray signatures;
    for (const ChainSignature& sig : set.signatures)
        signatures.append(signatureJson(sig));
    return {{QStringLiteral("set"), set.name},
            {QStringLiteral("records"), QJsonArray::fromStringList(set.records)},
            {QStringLiteral("signatures"), signatures},
            {QStringLiteral("state"), linkStateText(set.state)}};
}

QJsonArray setsJson(const QList<ChainRecordSet>& sets) {
    QJsonArray array;
    for (const ChainRecordSet& set : sets)
        array.append(setJson(set));
    return array;
}

QJsonObject zoneJson(const ChainZone& zone) {
    QJsonArray ds;
    for (const ChainDs& each : zone.ds) {
        QJsonObject json{{QStringLiteral("keyTag"), each.tag},
                         {QStringLiteral("algorithm"), each.algorithm},
                         {QStringLiteral("state"), linkStateText(each.state)}};
        if (each.digestType)
            json.insert(QStringLiteral("digestType"), each.digestType);
        if (each.key >= 0 && each.key < zone.keys.size())
            json.insert(QStringLiteral("matchesKey"), zone.keys[each.key].tag);
        if (!each.detail.isEmpty())
            json.insert(QStringLiteral("detail"), each.detail);
        ds.append(json);
    }
    QJsonArray keys;
    for (const ChainKey& key : zone.keys)
        keys.append(QJsonObject{{QStringLiteral("keyTag"), key.tag},
                                {QStringLiteral("algorithm"), key.algorithm},
                                {QStringLiteral("flags"), key.flags},
                                {QStringLiteral("bits"), key.bits},
                                {QStringLiteral("ksk"), key.ksk()},
                                {QStringLiteral("revoked"), key.revoked()},
                                {QStringLiteral("vouchedFor"), key.matchedByDs}});
    QJsonArray signatures;
    for (const ChainSignature& sig : zone.keySignatures)
        signatures.append(signatureJson(sig));
    QJsonObject json{{QStringLiteral("zone"), zone.name},
                     {QStringLiteral("server"), zone.server},
                     {QStringLiteral("anchored"), zone.anchored},
                     {QStringLiteral("checked"), zone.checked},
                     {QStringLiteral("insecure"), zone.insecure},
                     {QStringLiteral("ds"), ds},
                     {QStringLiteral("dsSets"), setsJson(zone.dsSets)},
                     {QStringLiteral("keys"), keys},
                     {QStringLiteral("keySignatures"), signatures},
                     {QStringLiteral("links"),
                      QJsonObject{{QStringLiteral("ds"), linkStateText(zone.dsLink)},
                                  {QStringLiteral("dnskey"), linkStateText(zone.keyLink)}}}};
    if (!zone.problem.isEmpty())
        json.insert(QStringLiteral("problem"), zone.problem);
    return json;
}

} // namespace

QString chainTime(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC)
               .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" UTC");
}

QString chainText(const ChainReport& report) {
    QString text = QStringLiteral("; Chain of trust for %1 %2\n").arg(report.name, report.type);
    text += QStringLiteral("; Verdict: %1. %2\n").arg(verdictText(report.verdict), report.reason);
    if (!report.resolverVerdict.isEmpty())
        text += QStringLiteral("; The validating resolver: %1%2\n")
                    .arg(report.resolverVerdict,
                         report.resolverReason.isEmpty()
                             ? QString()
                             : QStringLiteral(" (%1)").arg(report.resolverReason));
    text += QStringLiteral("; Checked at %1 in %2 ms\n")
                .arg(chainTime(report.checkedAt))
                .arg(report.elapsedMs);
    for (qsizetype z = 0; z < report.zones.size(); ++z) {
        const ChainZone& zone = report.zones[z];
        text += QStringLiteral("\nZone %1").arg(zone.name);
        if (!zone.server.isEmpty())
            text += QStringLiteral(" (keys from %1)").arg(zone.server);
        if (report.brokenZone == z)
            text += QStringLiteral("  ✗ the chain breaks here");
        else if (zone.insecure)
            text += QStringLiteral("  – the chain ends here: insecure");
        text += QLatin1Char('\n');
        if (!zone.problem.isEmpty())
            text += QStringLiteral("  Problem: %1\n").arg(zone.problem);
        if (!zone.checked)
            text += QStringLiteral("  Not checked: the chain ended above\n");
        if (zone.anchored)
            text += QStringLiteral("  Trust anchor\n");
        for (const ChainRecordSet& set : zone.dsSets)
            appendSet(text, set, QStringLiteral("  "));
        for (const ChainDs& ds : zone.ds)
            text += QStringLiteral("  ") + dsLine(ds, zone) + QLatin1Char('\n');
        for (const ChainKey& key : zone.keys)
            text += QStringLiteral("  Key %1, %2, algorithm %3, %4 bits%5\n")
                        .arg(key.tag)
                        .arg(key.role())
                        .arg(key.algorithm)
                        .arg(key.bits)
                        .arg(key.matchedByDs ? QStringLiteral(", vouched for by the DS record")
                                             : QString());
        if (!zone.keys.isEmpty()) {
            text += QStringLiteral("  DNSKEY set  %1\n").arg(stateWords(zone.keyLink, QString()));
            for (const ChainSignature& sig : zone.keySignatures)
                text += QStringLiteral("    ") + signatureLine(sig) + QLatin1Char('\n');
        }
    }
    text +=
        QStringLiteral("\nAnswer from %1: %2\n")
            .arg(report.answerZone.isEmpty() ? QStringLiteral("(no zone)") : report.answerZone,
                 report.answerProblem.isEmpty() ? rcodeName(report.rcode) : report.answerProblem);
    if (!report.answerChecked)
        text += QStringLiteral("  Not vouched for: the chain ended above; each state says only "
                               "whether a signature verifies with the zone's own key\n");
    for (const ChainRecordSet& set : report.answer)
        appendSet(text, set, QStringLiteral("  "));
    return text;
}

QJsonObject chainJson(const ChainReport& report) {
    QJsonArray zones;
    for (const ChainZone& zone : report.zones)
        zones.append(zoneJson(zone));
    QJsonObject json{
        {QStringLiteral("name"), report.name},
        {QStringLiteral("type"), report.type},
        {QStringLiteral("verdict"), verdictText(report.verdict)},
        {QStringLiteral("reason"), report.reason},
        {QStringLiteral("checkedAt"), chainTime(report.checkedAt)},
        {QStringLiteral("elapsedMs"), report.elapsedMs},
        {QStringLiteral("zones"), zones},
        {QStringLiteral("answer"), QJsonObject{{QStringLiteral("zone"), report.answerZone},
                                               {QStringLiteral("rcode"), rcodeName(report.rcode)},
                                               {QStringLiteral("checked"), report.answerChecked},
                                               {QStringLiteral("sets"), setsJson(report.answer)}}}};
    if (!report.answerProblem.isEmpty())
        json.insert(QStringLiteral("answerProblem"), report.answerProblem);
    if (report.brokenZone >= 0)
        json.insert(QStringLiteral("broken"),
                    QJsonObject{{QStringLiteral("zone"), report.zones[report.brokenZone].name},
                                {QStringLiteral("link"), report.brokenLink}});
    if (!report.resolverVerdict.isEmpty())
        json.insert(QStringLiteral("resolver"),
                    QJsonObject{{QStringLiteral("verdict"), report.resolverVerdict},
                                {QStringLiteral("reason"), report.resolverReason}});
    return json;
}

} // namespace net
