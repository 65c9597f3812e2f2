// SPDX-License-Identifier: MIT
#include "MailRecords.h"
#include "net/dns/message/DnsPacket.h"
#include "net/dns/message/DnsWire.h"
#include "platform/HostEntry.h"

namespace net {

namespace mailrecords {

namespace {

// The records of type in the answer section, each with the message and its rdata's place.
template <typename Read> void eachRecord(const DnsAnswer& answer, std::uint16_t type, Read read) {
    const std::optional<WireMessage> message = readWireMessage(answer.packet);
    if (!message)
        return;
    for (const WireRecord& record : message->answer)
        if (record.type == type && record.rdataOffset + record.rdataLength <= answer.packet.size())
            read(answer.packet, record);
}

} // namespace

QList<QByteArray> txt(const DnsAnswer& answer) {
    QList<QByteArray> texts;
    eachRecord(answer, Txt, [&](const QByteArray& m, const WireRecord& r) {
        QByteArray text;
        qsizetype at = r.rdataOffset;
        const qsizetype end = r.rdataOffset + r.rdataLength;
        while (at < end) {
            const qsizetype length = std::uint8_t(m[at]);
            if (at + 1 + length > end)
                return; // a string that runs past its record: not a TXT record
            text += m.mid(at + 1, length);
            at += 1 + length;
        }
        texts.append(text);
    });
    return texts;
}

QList<MxRecord> mx(const DnsAnswer& answer) {
    QList<MxRecord> records;
    eachRecord(answer, Mx, [&](const QByteArray& m, const WireRecord& r) {
        if (r.rdataLength < 3)
            return;
        const std::optional<QString> host = nameText(m, r.rdataOffset + 2);
        if (!host)
            return;
        const auto preference =
            std::uint16_t(std::uint8_t(m[r.rdataOffset]) << 8 | std::uint8_t(m[r.rdataOffset + 1]));
        records.append({preference, mailName(host->toLatin1())});
    });
    return records;
}

QList<QByteArray> addresses(const DnsAnswer& answer) {
    QList<QByteArray> found;
    for (const std::uint16_t type : {A, Aaaa})
        eachRecord(answer, type, [&](const QByteArray& m, const WireRecord& r) {
            if (r.rdataLength != (type == A ? 4 : 16))
                return;
            platform::HostAddress address;
            address.family = type == A ? AF_INET : AF_INET6;
            for (qsizetype i = 0; i < r.rdataLength; ++i)
                address.bytes[std::size_t(i)] = std::uint8_t(m[r.rdataOffset + i]);
            found.append(address.text().toLatin1());
        });
    return found;
}

QList<TlsaRecord> tlsa(const DnsAnswer& answer) {
    QList<TlsaRecord> records;
    eachRecord(answer, Tlsa, [&](const QByteArray& m, const WireRecord& r) {
        if (r.rdataLength < 4)
            return;
        const auto at = r.rdataOffset;
        records.append({std::uint8_t(m[at]), std::uint8_t(m[at + 1]), std::uint8_t(m[at + 2]),
                        m.mid(at + 3, r.rdataLength - 3)});
    });
    return records;
}

bool isAlias(const DnsAnswer& answer) {
    bool alias = false;
    eachRecord(answer, Cname, [&](const QByteArray&, const WireRecord&) { alias = true; });
    return alias;
}

bool isEmpty(const DnsAnswer& answer, std::uint16_t type) {
    if (!failure(answer).isEmpty())
        return false;
    if (answer.nxdomain || answer.rcode == 3)
        return true;
    bool any = false;
    eachRecord(answer, type, [&](const QByteArray&, const WireRecord&) { any = true; });
    return !any;
}

QString failure(const DnsAnswer& answer) {
    if (answer.bogus)
        return QStringLiteral("DNSSEC bogus: ") + answer.whyBogus;
    if (answer.error != 0)
        return answer.whyBogus.isEmpty() ? QStringLiteral("the resolver failed") : answer.whyBogus;
    if (answer.rcode != 0 && answer.rcode != 3)
        return QStringLiteral("the server answered ") + rcodeName(answer.rcode);
    if (answer.packet.isEmpty())
        return QStringLiteral("no answer");
    return {};
}

} // namespace mailrecords

QByteArray mailName(const QByteArray& name) {
    QByteArray lower = name.toLower();
    if (!lower.endsWith('.'))
        lower += '.';
    return lower;
}

} // namespace net
