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
    const DnsPacket packet = parseDnsPacket(wire);
    if (!packet)
        return {};
    const DnsLibrary* dns = DnsLibrary::get();
    const std::optional<WireMessage> message = readWireMessage(wire);
    const ldns_rr_list* records =
        authority ? dns->ldns_pkt_authority(packet.get()) : dns->ldns_pkt_answer(packet.get());
    const size_t count = records ? dns->ldns_rr_list_rr_count(records) : 0;
    const QList<WireRecord>* raw =
        message ? (authority ? &message->authority : &message->answer) : nullptr;
    const bool aligned = raw && size_t(raw->size()) == count;
    QList<SectionRecord> out;
    for (size_t i = 0; i < count; ++i) {
        const ldns_rr* rr = dns->ldns_rr_list_rr(records, i);
        const auto type = std::uint16_t(dns->ldns_rr_get_type(rr));
        if (type == OptType)
            continue;
        const WireRecord* each = aligned ? &(*raw)[qsizetype(i)] : nullptr;
        out.append({type, each ? each->ttl : 0, recordText(rr, wire, each)});
    }
    return out;
}

} // namespace net
