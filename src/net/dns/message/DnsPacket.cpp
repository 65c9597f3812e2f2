// SPDX-License-Identifier: MIT
#include "DnsPacket.h"
#include "DnsWire.h"
#include "RecordText.h"

namespace net {

namespace {

constexpr std::uint16_t OptType = 41;

// A message with more than one OPT record is malformed (RFC 6891 section 6.1.1), and the
// library keeps only the last one's data, losing the memory of the others: such a message is
// never handed to it, or a server could make every answer leak.
bool hasSeveralOptRecords(const QByteArray& wire) {
    const std::optional<WireMessage> message = readWireMessage(wire);
    if (!message)
        return false;
    int options = 0;
    for (const WireRecord& record : message->additional)
        options += record.type == OptType ? 1 : 0;
    return options > 1;
}

} // namespace

void DnsPacketDeleter::operator()(ldns_pkt* packet) const {
    DnsLibrary::get()->ldns_pkt_free(packet);
}

void DnsRecordDeleter::operator()(ldns_rr* record) const {
    DnsLibrary::get()->ldns_rr_free(record);
}

std::vector<ReadRecord> readSection(const QByteArray& message, const QList<WireRecord>& section) {
    const DnsLibrary* dns = DnsLibrary::get();
    std::vector<ReadRecord> out;
    out.reserve(size_t(section.size()));
    for (const WireRecord& record : section) {
        ldns_rr* rr = nullptr;
        size_t at = size_t(record.ownerOffset);
        if (dns &&
            dns->ldns_wire2rr(&rr, reinterpret_cast<const uint8_t*>(message.constData()),
                              size_t(message.size()), &at, LDNS_SECTION_ANSWER) != LDNS_STATUS_OK)
            rr = nullptr;
        out.push_back({record, DnsRecord(rr)});
    }
    return out;
}

DnsPacket parseDnsPacket(const QByteArray& wire) {
    const DnsLibrary* dns = DnsLibrary::get();
    ldns_pkt* packet = nullptr;
    if (!dns || wire.isEmpty() || hasSeveralOptRecords(wire) ||
        dns->ldns_wire2pkt(&packet, reinterpret_cast<const uint8_t*>(wire.constData()),
                           size_t(wire.size())) != LDNS_STATUS_OK)
        return nullptr;
    return DnsPacket(packet);
}

QString dnsPacketProblem(const QByteArray& wire) {
    const DnsLibrary* dns = DnsLibrary::get();
    if (!dns)
        return {};
    if (wire.isEmpty())
        return QStringLiteral("an empty message");
    if (hasSeveralOptRecords(wire))
        return QStringLiteral("more than one OPT record");
    ldns_pkt* packet = nullptr;
    const ldns_status status = dns->ldns_wire2pkt(
        &packet, reinterpret_cast<const uint8_t*>(wire.constData()), size_t(wire.size()));
    if (status == LDNS_STATUS_OK) {
        dns->ldns_pkt_free(packet);
        return {};
    }
    const char* why = dns->ldns_get_errorstr_by_id(status);
    QString text = why ? QString::fromUtf8(why) : QStringLiteral("error %1").arg(int(status));
    if (!text.isEmpty() && !(text.size() > 1 && text[1].isUpper())) // keep "DNS", "RR"
        text[0] = text[0].toLower();
    return text;
}

QString rcodeName(int rcode) {
    static const char* const names[] = {"NOERROR",  "FORMERR", "SERVFAIL",
                                        "NXDOMAIN", "NOTIMP",  "REFUSED"};
    return rcode >= 0 && rcode < 6 ? QString::fromLatin1(names[rcode])
                                   : QStringLiteral("RCODE%1").arg(rcode);
}

QList<SectionRecord> sectionRecords(const QByteArray& wire, bool authority) {
    const std::optional<WireMessage> message = readWireMessage(wire);
    if (!message || !parseDnsPacket(wire))
        return {};
    const DnsLibrary* dns = DnsLibrary::get();
    QList<SectionRecord> out;
    for (const ReadRecord& record :
         readSection(wire, authority ? message->authority : message->answer)) {
        if (!record.rr || record.wire.type == OptType)
            continue;
        out.append({std::uint16_t(dns->ldns_rr_get_type(record.rr.get())), record.wire.ttl,
                    recordText(record.rr.get(), wire, &record.wire)});
    }
    return out;
}

} // namespace net
