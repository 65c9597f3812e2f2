// SPDX-License-Identifier: MIT
#include "DnsJson.h"
#include "DnsPacket.h"
#include "DnsWire.h"
#include "RecordText.h"
#include "net/dns/DnsLibrary.h"
#include "net/dns/records/DnsRequest.h"

#include <QJsonArray>

#include <memory>

namespace net {

namespace {

constexpr std::uint16_t OptType = 41;

QString className(std::uint16_t rrclass) {
    switch (rrclass) {
    case 1: return QStringLiteral("IN");
    case 3: return QStringLiteral("CH");
    case 4: return QStringLiteral("HS");
    default: return QStringLiteral("CLASS%1").arg(rrclass);
    }
}

// The rdata of a record's line: what follows owner, TTL, class and type, before any comment.
QString rdataOf(const QString& line) {
    qsizetype at = 0;
    for (int field = 0; field < 4 && at >= 0; ++field) {
        at = line.indexOf(QLatin1Char('\t'), at);
        if (at >= 0)
            ++at;
    }
    if (at < 0)
        return {};
    // The printer's comments are no data: a tab-separated "; ..." after some types, and the
    // key's id and size after a DNSKEY (" ;{id = 9303 (ksk), size = 256b}").
    qsizetype comment = line.indexOf(QLatin1String("\t; "), at);
    if (comment < 0 && line.endsWith(QLatin1Char('}')))
        comment = line.lastIndexOf(QLatin1String(" ;{"));
    return line.mid(at, comment < at ? -1 : comment - at);
}

// A record's data as it reads outside the message: its names written out whole, not by
// compression pointers into the message (as kdig gives RDATAHEX and RDLENGTH).
QByteArray uncompressedRdata(const DnsLibrary& dns, const ldns_rr* rr, const QByteArray& raw) {
    ldns_buffer* buffer = dns.ldns_buffer_new(size_t(raw.size()) + 256);
    if (!buffer)
        return raw;
    QByteArray out = raw;
    if (dns.ldns_rr_rdata2buffer_wire(buffer, rr) == LDNS_STATUS_OK)
        out = QByteArray(reinterpret_cast<const char*>(ldns_buffer_begin(buffer)),
                         qsizetype(ldns_buffer_position(buffer)));
    dns.ldns_buffer_free(buffer);
    return out;
}

QJsonArray recordsJson(const QByteArray& packet, const QList<WireRecord>& records, qsizetype& room,
                       int* leftOut) {
    const DnsLibrary& dns = *DnsLibrary::get();
    QJsonArray out;
    for (const ReadRecord& read : readSection(packet, records)) {
        const WireRecord& record = read.wire;
        const QString name = nameText(packet, record.ownerOffset).value_or(QString());
        if (record.type == OptType) {
            // As kdig writes it: its class is the UDP size and its TTL the extended flags, read
            // as such in "EDNS" too.
            QJsonObject opt{{QStringLiteral("NAME"), name},
                            {QStringLiteral("TYPE"), record.type},
                            {QStringLiteral("TYPEname"), QStringLiteral("OPT")},
                            {QStringLiteral("CLASS"), record.rrclass},
                            {QStringLiteral("TTL"), qint64(record.ttl)},
                            {QStringLiteral("RDLENGTH"), record.rdataLength}};
            if (record.rdataLength > 0)
                opt.insert(
                    QStringLiteral("RDATAHEX"),
                    QString::fromLatin1(
                        packet.mid(record.rdataOffset, record.rdataLength).toHex().toUpper()));
            const qsizetype size = 2 * record.rdataLength + 120;
            if (size > room) {
                room = 0;
                ++*leftOut;
                continue;
            }
            room -= size;
            out.append(opt);
            continue;
        }
        const ldns_rr* rr = read.rr.get();
        const QString line = rr ? recordText(rr, packet, &record) : QString();
        QByteArray rdata = packet.mid(record.rdataOffset, record.rdataLength);
        if (rr)
            rdata = uncompressedRdata(dns, rr, rdata);
        const qsizetype size = line.size() + name.size() + 2 * rdata.size() + 120;
        if (size > room) {
            room = 0;
            ++*leftOut;
            continue;
        }
        room -= size;
        const QString typeName = recordTypeName(record.type);
        QJsonObject json{
            {QStringLiteral("NAME"), name},
            {QStringLiteral("TYPE"), record.type},
            {QStringLiteral("TYPEname"), typeName},
            {QStringLiteral("CLASS"), record.rrclass},
            {QStringLiteral("CLASSname"), className(record.rrclass)},
            {QStringLiteral("TTL"), qint64(record.ttl)},
            {QStringLiteral("RDLENGTH"), rdata.size()},
            {QStringLiteral("RDATAHEX"), QString::fromLatin1(rdata.toHex().toUpper())}};
        if (!line.isEmpty())
            json.insert(QStringLiteral("rdata") + typeName, rdataOf(line));
        out.append(json);
    }
    return out;
}

} // namespace

QJsonObject dnsMessageJson(const QByteArray& packet, qsizetype& room, int* leftOut) {
    const DnsLibrary* dns = DnsLibrary::get();
    const std::optional<WireMessage> wire = readWireMessage(packet);
    const DnsPacket parsed = parseDnsPacket(packet);
    if (!dns || !wire || !parsed)
        return {};
    const auto flag = [&](int bit) { return (wire->flags >> bit & 1) != 0; };
    QJsonObject json{{QStringLiteral("ID"), wire->id},
                     {QStringLiteral("QR"), flag(15)},
                     {QStringLiteral("Opcode"), wire->flags >> 11 & 0x0F},
                     {QStringLiteral("AA"), flag(10)},
                     {QStringLiteral("TC"), flag(9)},
                     {QStringLiteral("RD"), flag(8)},
                     {QStringLiteral("RA"), flag(7)},
                     {QStringLiteral("AD"), flag(5)},
                     {QStringLiteral("CD"), flag(4)},
                     {QStringLiteral("RCODE"), wire->rcode},
                     {QStringLiteral("QDCOUNT"), 1},
                     {QStringLiteral("ANCOUNT"), wire->answer.size()},
                     {QStringLiteral("NSCOUNT"), wire->authority.size()},
                     {QStringLiteral("ARCOUNT"), wire->additional.size()}};
    if (packet.size() > 12 && skipName(packet, 12) > 0 &&
        skipName(packet, 12) + 4 <= packet.size()) {
        const qsizetype at = skipName(packet, 12);
        const int qtype = quint8(packet[at]) << 8 | quint8(packet[at + 1]);
        const int qclass = quint8(packet[at + 2]) << 8 | quint8(packet[at + 3]);
        json.insert(QStringLiteral("QNAME"), nameText(packet, 12).value_or(QString()));
        json.insert(QStringLiteral("QTYPE"), qtype);
        json.insert(QStringLiteral("QTYPEname"), recordTypeName(std::uint16_t(qtype)));
        json.insert(QStringLiteral("QCLASS"), qclass);
        json.insert(QStringLiteral("QCLASSname"), className(std::uint16_t(qclass)));
    }
    json.insert(QStringLiteral("answerRRs"), recordsJson(packet, wire->answer, room, leftOut));
    json.insert(QStringLiteral("authorityRRs"),
                recordsJson(packet, wire->authority, room, leftOut));
    json.insert(QStringLiteral("additionalRRs"),
                recordsJson(packet, wire->additional, room, leftOut));
    for (const WireRecord& record : wire->additional)
        if (record.type == OptType) {
            QJsonObject edns{{QStringLiteral("udpSize"), record.rrclass},
                             {QStringLiteral("DO"), (record.ttl & 0x8000) != 0}};
            if (!wire->extendedErrors.isEmpty())
                edns.insert(QStringLiteral("extendedErrors"),
                            QJsonArray::fromStringList(wire->extendedErrors));
            json.insert(QStringLiteral("EDNS"), edns);
        }
    return json;
}

QJsonObject dnsJson(const DnsQuestion& question, const QList<DnsAnswer>& answers,
                    const DnsReport& report) {
    qsizetype bytes = 0;
    for (const DnsAnswer& answer : answers)
        bytes += answer.packet.size();
    qsizetype room = dnsTextCapacity(bytes);
    int leftOut = 0;
    QJsonArray messages;
    for (const DnsAnswer& answer : answers) {
        QJsonObject message;
        if (!answer.packet.isEmpty())
            message = dnsMessageJson(answer.packet, room, &leftOut);
        message.insert(QStringLiteral("type"), recordTypeName(answer.type));
        QString verdict = answer.bogus              ? QStringLiteral("bogus")
                          : !question.dnssecChecked ? QStringLiteral("not checked")
                          : answer.secure           ? QStringLiteral("secure")
                                                    : QStringLiteral("insecure");
        if (answer.error != 0 || (answer.rcode != 0 && answer.rcode != 3 && !answer.bogus))
            verdict = QStringLiteral("nothing validated");
        QJsonObject validation{{QStringLiteral("verdict"), verdict}};
        if (!answer.whyBogus.isEmpty())
            validation.insert(QStringLiteral("reason"), answer.whyBogus);
        message.insert(QStringLiteral("validation"), validation);
        if (!answer.reason.isEmpty())
            message.insert(QStringLiteral("reason"), answer.reason);
        if (!answer.extendedErrors.isEmpty()) // the server's, asked directly
            message.insert(QStringLiteral("serverExtendedErrors"),
                           QJsonArray::fromStringList(answer.extendedErrors));
        if (answer.error != 0)
            message.insert(QStringLiteral("resolverError"), answer.whyBogus);
        messages.append(message);
    }
    QJsonObject json{{QStringLiteral("question"),
                      QJsonObject{{QStringLiteral("name"), QString::fromLatin1(question.name)},
                                  {QStringLiteral("typed"), question.shownName},
                                  {QStringLiteral("type"), question.typeText}}},
                     {QStringLiteral("server"), question.server},
                     {QStringLiteral("dnssecChecked"), question.dnssecChecked},
                     {QStringLiteral("trustAnchors"), QJsonArray::fromStringList(question.anchors)},
                     {QStringLiteral("elapsedMs"), question.elapsedMs},
                     {QStringLiteral("status"), report.status},
                     {QStringLiteral("messages"), messages}};
    if (leftOut > 0)
        json.insert(QStringLiteral("recordsLeftOut"), leftOut);
    return json;
}

} // namespace net
