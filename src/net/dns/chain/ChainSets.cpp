// SPDX-License-Identifier: MIT
#include "ChainSets.h"
#include "ChainText.h"
#include "net/dns/message/RecordText.h"
#include "net/dns/records/DnsRequest.h"

#include <algorithm>
#include <memory>

namespace net::chain {

std::uint16_t read16(const QByteArray& bytes, qsizetype at) {
    return std::uint16_t((std::uint8_t(bytes[at]) << 8) | std::uint8_t(bytes[at + 1]));
}

static std::uint32_t read32(const QByteArray& bytes, qsizetype at) {
    return (std::uint32_t(read16(bytes, at)) << 16) | read16(bytes, at + 2);
}

std::uint16_t keyTag(const QByteArray& rdata) {
    std::uint32_t sum = 0;
    for (qsizetype i = 0; i < rdata.size(); ++i)
        sum += (i & 1) ? std::uint8_t(rdata[i]) : std::uint32_t(std::uint8_t(rdata[i])) << 8;
    sum += (sum >> 16) & 0xFFFF;
    return std::uint16_t(sum & 0xFFFF);
}

Message::Message(const QByteArray& bytes) {
    const std::optional<WireMessage> wire = readWireMessage(bytes);
    if (!wire || !DnsLibrary::get())
        return;
    read = true;
    rcode = wire->rcode;
    take(bytes, wire->answer, answer);
    take(bytes, wire->authority, authority);
}

void Message::take(const QByteArray& bytes, const QList<WireRecord>& section, QList<Record>& into) {
    for (ReadRecord& each : readSection(bytes, section)) {
        if (!each.rr || each.wire.type == 41)
            continue;
        Record record;
        record.owner = nameText(bytes, each.wire.ownerOffset).value_or(QString()).toLower();
        record.type = each.wire.type;
        record.rdata = bytes.mid(each.wire.rdataOffset, each.wire.rdataLength);
        record.rr = each.rr.get();
        record.line = recordText(each.rr.get(), bytes, &each.wire);
        into.append(record);
        owned.push_back(std::move(each));
    }
}

struct Rrsig {
    std::uint16_t covered = 0;
    std::uint8_t algorithm = 0;
    std::uint32_t expiration = 0;
    std::uint32_t inception = 0;
    std::uint16_t tag = 0;
    QString signer;
};

static std::optional<Rrsig> readRrsig(const Record& record) {
    const QByteArray& d = record.rdata;
    if (d.size() < 19)
        return std::nullopt;
    Rrsig sig{read16(d, 0), std::uint8_t(d[2]), read32(d, 8), read32(d, 12), read16(d, 16), {}};
    const DnsLibrary* dns = DnsLibrary::get();
    if (dns->ldns_rr_rd_count(record.rr) > 7)
        if (char* text = dns->ldns_rdf2str(dns->ldns_rr_rdf(record.rr, 7))) {
            sig.signer = QString::fromUtf8(text).toLower();
            free(text);
        }
    return sig;
}

QList<Key> readKeys(const QList<Record>& records, const QString& zone) {
    QList<Key> keys;
    const DnsLibrary* dns = DnsLibrary::get();
    for (const Record& record : records) {
        if (record.type != LDNS_RR_TYPE_DNSKEY || record.owner != zone || record.rdata.size() < 4)
            continue;
        Key key;
        key.rr = record.rr;
        key.info.flags = read16(record.rdata, 0);
        key.info.algorithm = std::uint8_t(record.rdata[3]);
        key.info.tag = keyTag(record.rdata);
        key.info.bits = int(dns->ldns_rr_dnskey_key_size(record.rr));
        QByteArray unrevoked = record.rdata;
        unrevoked[1] = char(std::uint8_t(unrevoked[1]) & ~0x80);
        key.tagUnrevoked = keyTag(unrevoked);
        keys.append(key);
    }
    return keys;
}

// A signature's date (seconds modulo 2^32) as the time nearest to now it can stand for: dates
// are serial numbers (RFC 4034 3.1.5), so one after 2038 is not a date before 1970.
static qint64 nearNow(std::uint32_t stamp, qint64 now) {
    return now + qint64(std::int32_t(stamp - std::uint32_t(now)));
}

bool algorithmSupported(std::uint8_t algorithm) {
    return DnsLibrary::get()->ldns_key_algo_supported(algorithm) != 0;
}

bool digestSupported(std::uint8_t digest) {
    return digest == 1 || digest == 2 || digest == 4;
}

static LinkState best(LinkState a, LinkState b) {
    return std::min(a, b);
}

ChainRecordSet checkSet(const QList<Record>& section, const QString& owner, std::uint16_t type,
                        const QList<Key>& keys, const QString& zone, qint64 now) {
    const DnsLibrary* dns = DnsLibrary::get();
    ChainRecordSet set;
    set.name = QStringLiteral("%1 of %2").arg(recordTypeName(type), owner);
    std::unique_ptr<ldns_rr_list, void (*)(ldns_rr_list*)> list(
        dns->ldns_rr_list_new(), [](ldns_rr_list* l) { DnsLibrary::get()->ldns_rr_list_free(l); });
    for (const Record& record : section)
        if (record.owner == owner && record.type == type) {
            set.records.append(record.line);
            dns->ldns_rr_list_push_rr(list.get(), const_cast<ldns_rr*>(record.rr));
        }
    for (const Record& record : section) {
        if (record.type != LDNS_RR_TYPE_RRSIG || record.owner != owner)
            continue;
        const std::optional<Rrsig> rrsig = readRrsig(record);
        if (!rrsig || rrsig->covered != type)
            continue;
        ChainSignature sig;
        sig.covers = set.name;
        sig.signerTag = rrsig->tag;
        sig.algorithm = rrsig->algorithm;
        sig.inception = nearNow(rrsig->inception, now);
        sig.expiration = nearNow(rrsig->expiration, now);
        const auto key = std::find_if(keys.begin(), keys.end(), [&](const Key& k) {
            return k.info.tag == rrsig->tag && k.info.algorithm == rrsig->algorithm;
        });
        if (rrsig->signer != zone) {
            sig.state = LinkState::Missing;
            sig.detail = QStringLiteral("signed by %1, not by %2").arg(rrsig->signer, zone);
        } else if (!algorithmSupported(rrsig->algorithm)) {
            sig.state = LinkState::Unsupported;
            sig.detail = QStringLiteral("algorithm %1 is not supported").arg(rrsig->algorithm);
        } else if (key == keys.end()) {
            sig.state = LinkState::Missing;
            sig.detail = QStringLiteral("%1 has no key %2").arg(zone).arg(rrsig->tag);
        } else {
            sig.key = int(key - keys.begin());
            if (now < sig.inception) {
                sig.state = LinkState::NotYetValid;
                sig.detail = QStringLiteral("valid only from %1").arg(chainTime(sig.inception));
            } else if (now > sig.expiration) {
                sig.state = LinkState::Expired;
                sig.detail = QStringLiteral("expired %1").arg(chainTime(sig.expiration));
            } else {
                // The dates are judged above, in serial number arithmetic; the library checks
                // the signature itself, at a time inside its window.
                const ldns_status status = dns->ldns_verify_rrsig_time(
                    list.get(), const_cast<ldns_rr*>(record.rr), const_cast<ldns_rr*>(key->rr),
                    time_t(sig.inception));
                if (status == LDNS_STATUS_OK) {
                    sig.state = LinkState::Valid;
                } else if (status == LDNS_STATUS_CRYPTO_UNKNOWN_ALGO ||
                           status == LDNS_STATUS_CRYPTO_ALGO_NOT_IMPL) {
                    sig.state = LinkState::Unsupported;
                    sig.detail = QStringLiteral("algorithm %1 is not supported").arg(sig.algorithm);
                } else {
                    sig.state = LinkState::DoesNotVerify;
                    sig.detail = QStringLiteral("does not verify (%1)")
                                     .arg(QString::fromUtf8(dns->ldns_get_errorstr_by_id(status)));
                }
            }
        }
        set.signatures.append(sig);
        set.state = set.signatures.size() == 1 ? sig.state : best(set.state, sig.state);
    }
    return set;
}

QString setReason(const ChainRecordSet& set) {
    const auto shown = std::find_if(set.signatures.begin(), set.signatures.end(),
                                    [&](const ChainSignature& s) { return s.state == set.state; });
    if (shown == set.signatures.end())
        return QStringLiteral("%1 has no signature").arg(set.name);
    return QStringLiteral("the signature over %1 by key %2 %3")
        .arg(set.name)
        .arg(shown->signerTag)
        .arg(shown->detail.isEmpty() ? linkStateText(shown->state) : shown->detail);
}

QList<ChainRecordSet> denial(const QList<Record>& section, const QList<Key>& keys,
                             const QString& zone, qint64 now) {
    QList<ChainRecordSet> sets;
    QStringList seen;
    for (const Record& record : section) {
        if (record.type != LDNS_RR_TYPE_NSEC && record.type != LDNS_RR_TYPE_NSEC3)
            continue;
        const QString key = record.owner + QString::number(record.type);
        if (seen.contains(key))
            continue;
        seen.append(key);
        sets.append(checkSet(section, record.owner, record.type, keys, zone, now));
    }
    return sets;
}

LinkState worstOf(const QList<ChainRecordSet>& sets) {
    LinkState worst = LinkState::Valid;
    for (const ChainRecordSet& set : sets)
        worst = std::max(worst, set.state);
    return worst;
}

} // namespace net::chain
