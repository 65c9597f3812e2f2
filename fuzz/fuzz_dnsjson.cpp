// SPDX-License-Identifier: MIT
// One DNS message as JSON, on any bytes, against ldns reading the same bytes as a whole: where
// both read the message, each section lists the same records in the same order (type, class,
// TTL), so no record is written with another's data; the header's counts are the lists'
// lengths; nothing is left out when there is room; and the document passes a strict reader.
// Input: the message.
#include "net/dns/DnsLibrary.h"
#include "net/dns/message/DnsJson.h"
#include "net/dns/message/DnsWire.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "StrictJson.h"

#include <cstdlib>

namespace {

constexpr int OptType = 41;
constexpr int TsigType = 250;

// The JSON list of a section beside ldns's list of it; in the additional section the OPT
// record, which ldns keeps apart, is passed over. False when the lists differ.
bool sameRecords(const net::DnsLibrary& dns, const QJsonArray& written, const ldns_rr_list* read,
                 bool additional = false) {
    size_t at = 0;
    const size_t count = read ? dns.ldns_rr_list_rr_count(read) : 0;
    for (const QJsonValue& value : written) {
        const QJsonObject record = value.toObject();
        if (additional && record.value(QStringLiteral("TYPE")).toInt() == OptType)
            continue;
        if (at == count)
            return false;
        const ldns_rr* rr = dns.ldns_rr_list_rr(read, at++);
        if (record.value(QStringLiteral("TYPE")).toInt() != int(dns.ldns_rr_get_type(rr)) ||
            record.value(QStringLiteral("CLASS")).toInt() != int(dns.ldns_rr_get_class(rr)) ||
            record.value(QStringLiteral("TTL")).toInteger() != qint64(dns.ldns_rr_ttl(rr)))
            return false;
    }
    return at == count;
}

// ldns reads a record's data by its fields and goes on where they end, where RDLENGTH may say
// otherwise; such a message is one the two readers may rightly split apart differently.
bool fieldsFillTheirLength(const net::DnsLibrary& dns, const QByteArray& packet) {
    const std::optional<net::WireMessage> wire = net::readWireMessage(packet);
    if (!wire)
        return false;
    for (const QList<net::WireRecord>* section :
         {&wire->answer, &wire->authority, &wire->additional})
        for (const net::WireRecord& record : *section) {
            ldns_rr* rr = nullptr;
            size_t at = size_t(record.ownerOffset);
            const bool read =
                dns.ldns_wire2rr(&rr, reinterpret_cast<const uint8_t*>(packet.constData()),
                                 size_t(packet.size()), &at, LDNS_SECTION_ANSWER) == LDNS_STATUS_OK;
            if (rr)
                dns.ldns_rr_free(rr);
            if (!read || at != size_t(record.rdataOffset + record.rdataLength))
                return false;
        }
    return true;
}

bool hasTsig(const QJsonArray& written) {
    for (const QJsonValue& value : written)
        if (value.toObject().value(QStringLiteral("TYPE")).toInt() == TsigType)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const net::DnsLibrary* dns = net::DnsLibrary::get();
    if (!dns)
        std::abort(); // a run that cannot load the library proves nothing
    const QByteArray packet(reinterpret_cast<const char*>(data), qsizetype(size));
    qsizetype room = qsizetype(1) << 26;
    int leftOut = 0;
    const QJsonObject json = net::dnsMessageJson(packet, room, &leftOut);
    if (json.isEmpty())
        return 0;
    if (leftOut != 0 || !strictJsonAccepts(QJsonDocument(json).toJson(QJsonDocument::Compact)))
        std::abort();
    const QJsonArray answer = json.value(QStringLiteral("answerRRs")).toArray();
    const QJsonArray authority = json.value(QStringLiteral("authorityRRs")).toArray();
    const QJsonArray additional = json.value(QStringLiteral("additionalRRs")).toArray();
    if (json.value(QStringLiteral("ANCOUNT")).toInt() != answer.size() ||
        json.value(QStringLiteral("NSCOUNT")).toInt() != authority.size() ||
        json.value(QStringLiteral("ARCOUNT")).toInt() != additional.size())
        std::abort();
    ldns_pkt* read = nullptr;
    if (!fieldsFillTheirLength(*dns, packet) ||
        dns->ldns_wire2pkt(&read, data, size) != LDNS_STATUS_OK)
        return 0;
    bool same = sameRecords(*dns, answer, dns->ldns_pkt_answer(read)) &&
                sameRecords(*dns, authority, dns->ldns_pkt_authority(read));
    // ldns keeps a TSIG apart too, and reads no further; the additional section is compared
    // where there is none.
    if (!hasTsig(additional))
        same = same && sameRecords(*dns, additional, dns->ldns_pkt_additional(read), true);
    dns->ldns_pkt_free(read);
    if (!same)
        std::abort();
    return 0;
}
