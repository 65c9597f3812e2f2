// SPDX-License-Identifier: MIT
#include "DnsPacket.h"
#include "DnsWire.h"
#include "RecordText.h"

namespace net {

namespace {

constexpr std::uint16_t OptType = 41;
constexpr std::uint16_t TsigType = 250;

// A message with more than one OPT record (RFC 6891 section 6.1.1) or more than one TSIG record
// (RFC 8945 section 5.1) is malformed, and the library keeps only the last one of each, losing
// the memory of the others: such a message is never handed to it, or a server could make every
// answer leak. The message is walked as the library walks it (its reading of a record's end
// may differ from RDLENGTH's, and it reads one additional record fewer after a TSIG), each
// record freed at once. Says what is wrong; empty when nothing is.
QString doubledRecord(const QByteArray& wire) {
    const DnsLibrary* dns = DnsLibrary::get();
    if (!dns || wire.size() < 12)
        return {};
    const auto count = [&](int at) { return quint8(wire[at]) << 8 | quint8(wire[at + 1]); };
    const auto* bytes = reinterpret_cast<const uint8_t*>(wire.constData());
    size_t at = 12;
    int options = 0;
    int signatures = 0;
    const struct {
        ldns_pkt_section section;
        int records;
    } sections[] = {{LDNS_SECTION_QUESTION, count(4)},
                    {LDNS_SECTION_ANSWER, count(6)},
                    {LDNS_SECTION_AUTHORITY, count(8)},
                    {LDNS_SECTION_ADDITIONAL, count(10)}};
    for (const auto& [section, records] : sections) {
        int left = records;
        for (int i = 0; i < left; ++i) {
            ldns_rr* rr = nullptr;
            if (dns->ldns_wire2rr(&rr, bytes, size_t(wire.size()), &at, section) != LDNS_STATUS_OK)
                break;
            const auto type = std::uint16_t(dns->ldns_rr_get_type(rr));
            dns->ldns_rr_free(rr);
            if (section != LDNS_SECTION_ADDITIONAL)
                continue;
            options += type == OptType ? 1 : 0;
            if (type == TsigType) {
                ++signatures;
                --left;
            }
        }
    }
    if (options > 1)
        return QStringLiteral("more than one OPT record");
    if (signatures > 1)
        return QStringLiteral("more than one TSIG record");
    return {};
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
    if (!dns || wire.isEmpty() || !doubledRecord(wire).isEmpty() ||
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
    if (const QString doubled = doubledRecord(wire); !doubled.isEmpty())
        return doubled;
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
