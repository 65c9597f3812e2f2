// SPDX-License-Identifier: MIT
// Servers compared, on hostile answers from several servers (with a hostile DNSKEY set whose
// signatures are checked): the text and the JSON stay within a small multiple of what came, the
// JSON passes a strict reader, and every A record in the JSON carries its own address, never
// another record's.
// Input: the zone's keys message, then one answer message a server, each after a two-byte
// big-endian length; the first byte picks every authoritative server or resolvers side by side.
#include "net/dns/compare/ServerComparison.h"
#include "net/dns/message/DnsRecordsText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "StrictJson.h"

#include <cstdlib>

namespace {

// Each A record of the messages' JSON holds the address its own data gives.
void checkAddresses(const QJsonValue& value) {
    if (value.isArray()) {
        for (const QJsonValue& inner : value.toArray())
            checkAddresses(inner);
        return;
    }
    const QJsonObject object = value.toObject();
    if (object.value(QStringLiteral("TYPEname")).toString() == QLatin1String("A") &&
        object.contains(QStringLiteral("rdataA")) &&
        object.value(QStringLiteral("RDLENGTH")).toInt() == 4) {
        QByteArray data =
            QByteArray::fromHex(object.value(QStringLiteral("RDATAHEX")).toString().toLatin1());
        data.resize(4);
        const QString address = QStringLiteral("%1.%2.%3.%4")
                                    .arg(quint8(data[0]))
                                    .arg(quint8(data[1]))
                                    .arg(quint8(data[2]))
                                    .arg(quint8(data[3]));
        if (object.value(QStringLiteral("rdataA")).toString() != address)
            std::abort();
    }
    for (const QJsonValue& inner : object)
        if (inner.isArray() || inner.isObject())
            checkAddresses(inner);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    net::ComparisonInput input;
    input.kind =
        data[0] & 1 ? net::DnsComparison::SideBySide : net::DnsComparison::EveryAuthoritative;
    input.question.name = "example.";
    input.question.shownName = QStringLiteral("example");
    input.question.typeText = QStringLiteral("A");
    input.question.dnssecChecked = data[0] & 2;
    input.types = {1};
    input.zone.zone = "example.";
    input.zone.parent = ".";
    input.now = 1700000000;
    QList<QByteArray> packets;
    size_t at = 1;
    while (at + 2 <= size && packets.size() < 9) {
        const size_t length = size_t(data[at] << 8 | data[at + 1]);
        at += 2;
        const size_t taken = std::min(length, size - at);
        packets.append(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(taken)));
        at += taken;
    }
    if (packets.isEmpty())
        return 0;
    input.zone.keys = packets.takeFirst();
    qsizetype bytes = input.zone.keys.size();
    for (qsizetype i = 0; i < packets.size(); ++i) {
        net::ComparedServer server;
        server.server = QStringLiteral("ns%1.example.").arg(i);
        server.address = QStringLiteral("192.0.2.%1").arg(i);
        if (input.kind == net::DnsComparison::SideBySide) {
            net::DnsAnswer answer;
            answer.type = 1;
            answer.packet = packets[i];
            answer.secure = i % 2;
            server.resolved.append(answer);
        } else {
            server.answers.append({net::DirectAnswer::Answered, packets[i], {}, 1, false});
            server.soa = {net::DirectAnswer::Answered, packets[i], {}, 1, false};
        }
        input.servers.append(server);
        bytes += 2 * packets[i].size();
    }
    const net::ComparisonReport report = net::compareServers(input, true);
    const qsizetype capacity = net::dnsTextCapacity(bytes) + 512 * (input.servers.size() + 1);
    if (report.text.size() > capacity + 8192)
        std::abort();
    const QByteArray json = QJsonDocument(report.json).toJson(QJsonDocument::Compact);
    if (json.size() > 3 * capacity + 8192)
        std::abort();
    if (!strictJsonAccepts(json))
        std::abort();
    checkAddresses(report.json.value(QStringLiteral("servers")));
    return 0;
}
