// SPDX-License-Identifier: MIT
// A comparison as JSON, for scripts: each server with its outcome and its answer messages (in
// RFC 8427's names, see dnsMessageJson), the groups of agreeing answers, and for every
// authoritative server the SOA values, the delegation, the glue and the signatures. The
// messages and the groups' records are kept within dnsTextCapacity() of the answers' size, as
// the text is; what is left out is counted in recordsLeftOut.
#include "ServerComparison.h"
#include "net/dns/message/DnsJson.h"

#include <QJsonArray>

namespace net {

namespace {

QJsonArray indices(const QList<qsizetype>& members) {
    QJsonArray out;
    for (const qsizetype member : members)
        out.append(member);
    return out;
}

// The records' lines while room lasts; the rest, and records whose text was not kept, counted.
QJsonArray lines(const QList<ComparedRecord>& records, qsizetype& room, int& leftOut) {
    QJsonArray out;
    for (const ComparedRecord& record : records) {
        if (record.line.isEmpty() || record.line.size() > room) {
            ++leftOut;
            continue;
        }
        room -= record.line.size();
        out.append(record.line);
    }
    return out;
}

QJsonArray messagesOf(const ComparedServer& server, qsizetype& room, int& leftOut) {
    QJsonArray out;
    for (const DirectAnswer& answer : server.answers)
        if (!answer.packet.isEmpty())
            out.append(dnsMessageJson(answer.packet, room, &leftOut));
    for (const DnsAnswer& answer : server.resolved)
        if (!answer.packet.isEmpty())
            out.append(dnsMessageJson(answer.packet, room, &leftOut));
    return out;
}

QJsonObject zoneJson(const ComparisonInput& input, const ComparisonFindings& findings) {
    const ZoneServers& zone = input.zone;
    QJsonObject soa;
    for (const FieldSpread& field : findings.soaFields) {
        QJsonArray values;
        for (const auto& [value, members] : field.values)
            values.append(QJsonObject{{QStringLiteral("value"), value},
                                      {QStringLiteral("servers"), indices(members)}});
        soa.insert(field.field, values);
    }
    QJsonObject delegation{
        {QStringLiteral("seen"), zone.delegationSeen},
        {QStringLiteral("onlyAtParent"), QJsonArray::fromStringList(findings.onlyAtParent)},
        {QStringLiteral("onlyInZone"), QJsonArray::fromStringList(findings.onlyInZone)}};
    if (!zone.delegationProblem.isEmpty())
        delegation.insert(QStringLiteral("problem"), zone.delegationProblem);
    QJsonArray glue;
    for (const GlueCheck& check : findings.glue)
        glue.append(QJsonObject{{QStringLiteral("name"), check.name},
                                {QStringLiteral("parent"), QJsonArray::fromStringList(check.glue)},
                                {QStringLiteral("zone"), QJsonArray::fromStringList(check.zone)},
                                {QStringLiteral("agrees"), check.agrees}});
    QJsonArray faults;
    for (const DelegationFault& fault : findings.faults)
        faults.append(
            QJsonObject{{QStringLiteral("kind"), fault.kind},
                        {QStringLiteral("text"), fault.text},
                        {QStringLiteral("servers"), QJsonArray::fromStringList(fault.servers)}});
    return {{QStringLiteral("zone"), QString::fromLatin1(zone.zone)},
            {QStringLiteral("parent"), QString::fromLatin1(zone.parent)},
            {QStringLiteral("foundThrough"), input.foundThrough},
            {QStringLiteral("soa"), soa},
            {QStringLiteral("delegation"), delegation},
            {QStringLiteral("glue"), glue},
            {QStringLiteral("faults"), faults},
            {QStringLiteral("signed"), findings.signedZone},
            {QStringLiteral("namesNotLookedUp"), zone.namesLeftOut}};
}

} // namespace

QJsonObject comparisonJson(const ComparisonInput& input, const ComparisonFindings& findings) {
    const bool every = input.kind == DnsComparison::EveryAuthoritative;
    qsizetype bytes = 0;
    for (const ComparedAnswer& answer : findings.answers)
        bytes += answer.bytes;
    qsizetype room = dnsTextCapacity(bytes);
    int leftOut = 0;
    QJsonArray servers;
    for (qsizetype i = 0; i < input.servers.size(); ++i) {
        const ComparedServer& server = input.servers[i];
        const ComparedAnswer& answer = findings.answers[i];
        QJsonObject json{{QStringLiteral("server"), server.server},
                         {QStringLiteral("outcome"), answer.outcomeText()},
                         {QStringLiteral("group"), findings.groupOf[i]},
                         {QStringLiteral("messages"), messagesOf(server, room, leftOut)}};
        if (!server.address.isEmpty())
            json.insert(QStringLiteral("address"), server.address);
        if (server.glueOnly)
            json.insert(QStringLiteral("glueOnly"), true);
        if (server.asked())
            json.insert(QStringLiteral("elapsedMs"), answer.elapsedMs);
        if (answer.leastTtl)
            json.insert(QStringLiteral("ttl"), qint64(*answer.leastTtl));
        if (every && findings.soa[i])
            json.insert(QStringLiteral("serial"), qint64(findings.soa[i]->serial));
        if (every && findings.olderSerial[i])
            json.insert(QStringLiteral("olderSerial"), true);
        if (every && !findings.transport[i].isEmpty())
            json.insert(QStringLiteral("transport"), findings.transport[i]);
        if (every && findings.signatures[i]) {
            QJsonObject signatures{{QStringLiteral("verdict"), findings.signatures[i]->kindText()}};
            if (!findings.signatures[i]->detail.isEmpty())
                signatures.insert(QStringLiteral("detail"), findings.signatures[i]->detail);
            json.insert(QStringLiteral("signatures"), signatures);
        }
        if (!every && answer.comparable() && input.question.dnssecChecked)
            json.insert(QStringLiteral("secure"), answer.secure);
        servers.append(json);
    }
    QJsonArray groups;
    // The groups' lines have a room of their own, as large: a group that lacks the reference's
    // records repeats them, so without a bound every differing group would add them all again.
    qsizetype lineRoom = dnsTextCapacity(bytes);
    for (const AnswerGroup& group : findings.groups)
        groups.append(
            QJsonObject{{QStringLiteral("servers"), indices(group.members)},
                        {QStringLiteral("nxdomain"), group.outcome == ComparedAnswer::NxDomain},
                        {QStringLiteral("records"), lines(group.records, lineRoom, leftOut)},
                        {QStringLiteral("missing"), lines(group.missing, lineRoom, leftOut)},
                        {QStringLiteral("extra"), lines(group.extra, lineRoom, leftOut)}});
    QJsonObject json{
        {QStringLiteral("mode"),
         every ? QStringLiteral("every authoritative server") : QStringLiteral("side by side")},
        {QStringLiteral("question"),
         QJsonObject{{QStringLiteral("name"), QString::fromLatin1(input.question.name)},
                     {QStringLiteral("typed"), input.question.shownName},
                     {QStringLiteral("type"), input.question.typeText}}},
        {QStringLiteral("agree"), findings.answering > 0 && findings.differences.isEmpty()},
        {QStringLiteral("differences"), QJsonArray::fromStringList(findings.differences)},
        {QStringLiteral("elapsedMs"), input.question.elapsedMs},
        {QStringLiteral("servers"), servers},
        {QStringLiteral("groups"), groups}};
    if (every)
        json.insert(QStringLiteral("zone"), zoneJson(input, findings));
    if (leftOut > 0)
        json.insert(QStringLiteral("recordsLeftOut"), leftOut);
    return json;
}

} // namespace net
