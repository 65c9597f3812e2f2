// SPDX-License-Identifier: MIT
#include "SignatureCheck.h"
#include "net/dns/message/DnsPacket.h"
#include "net/dns/records/DnsRequest.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace net {

namespace {

// A list of records the packet they came from owns.
struct ListDeleter {
    void operator()(ldns_rr_list* list) const { DnsLibrary::get()->ldns_rr_list_free(list); }
};
using BorrowedList = std::unique_ptr<ldns_rr_list, ListDeleter>;

QString text(char* owned) {
    const QString out = owned ? QString::fromUtf8(owned) : QString();
    free(owned);
    return out;
}

QString ownerOf(const ldns_rr* rr) {
    const DnsLibrary* dns = DnsLibrary::get();
    return text(dns->ldns_rdf2str(dns->ldns_rr_owner(rr))).toLower();
}

bool inZone(const QString& owner, const QByteArray& zone) {
    const QString apex = QString::fromLatin1(zone).toLower();
    return apex == QLatin1String(".") || owner == apex || owner.endsWith(QLatin1Char('.') + apex);
}

// "20200101000000" as "2020-01-01 00:00:00 UTC".
QString shownTime(const QString& stamp) {
    if (stamp.size() != 14)
        return stamp;
    return QStringLiteral("%1-%2-%3 %4:%5:%6 UTC")
        .arg(stamp.mid(0, 4), stamp.mid(4, 2), stamp.mid(6, 2), stamp.mid(8, 2), stamp.mid(10, 2),
             stamp.mid(12, 2));
}

std::uint16_t coveredType(const ldns_rr* signature) {
    const DnsLibrary* dns = DnsLibrary::get();
    const ldns_rdf* covered =
        dns->ldns_rr_rd_count(signature) > 0 ? dns->ldns_rr_rdf(signature, 0) : nullptr;
    return covered ? std::uint16_t(dns->ldns_rdf2rr_type(covered)) : 0;
}

QString signatureTime(const ldns_rr* signature, size_t field) {
    const DnsLibrary* dns = DnsLibrary::get();
    return dns->ldns_rr_rd_count(signature) > field
               ? shownTime(text(dns->ldns_rdf2str(dns->ldns_rr_rdf(signature, field))))
               : QString();
}

struct RecordSet {
    QString owner;
    std::uint16_t type = 0;
    BorrowedList records;
    QList<const ldns_rr*> signatures;
};

// The record sets of a section, with the signatures that cover each.
std::vector<RecordSet> recordSets(const ldns_rr_list* section) {
    const DnsLibrary* dns = DnsLibrary::get();
    std::vector<RecordSet> sets;
    QList<const ldns_rr*> signatures;
    const size_t count = section ? dns->ldns_rr_list_rr_count(section) : 0;
    for (size_t i = 0; i < count; ++i) {
        const ldns_rr* rr = dns->ldns_rr_list_rr(section, i);
        const auto type = std::uint16_t(dns->ldns_rr_get_type(rr));
        if (type == LDNS_RR_TYPE_RRSIG) {
            signatures.append(rr);
            continue;
        }
        if (type == LDNS_RR_TYPE_OPT)
            continue;
        const QString owner = ownerOf(rr);
        auto set = std::find_if(sets.begin(), sets.end(), [&](const RecordSet& each) {
            return each.owner == owner && each.type == type;
        });
        if (set == sets.end()) {
            sets.push_back({owner, type, BorrowedList(dns->ldns_rr_list_new()), {}});
            set = sets.end() - 1;
        }
        dns->ldns_rr_list_push_rr(set->records.get(), rr);
    }
    for (const ldns_rr* signature : signatures)
        for (RecordSet& set : sets)
            if (set.owner == ownerOf(signature) && set.type == coveredType(signature))
                set.signatures.append(signature);
    return sets;
}

void worsen(SignatureVerdict& verdict, SignatureVerdict::Kind kind, const QString& detail) {
    if (kind > verdict.kind) {
        verdict.kind = kind;
        verdict.detail = detail;
    }
}

} // namespace

QString SignatureVerdict::kindText() const {
    static const char* const names[] = {"valid", "missing", "not yet valid", "expired", "bogus"};
    return QString::fromLatin1(names[kind]);
}

bool hasZoneKeys(const QByteArray& keys, const QByteArray& zone) {
    const DnsPacket packet = parseDnsPacket(keys);
    if (!packet)
        return false;
    const DnsLibrary* dns = DnsLibrary::get();
    const ldns_rr_list* answer = dns->ldns_pkt_answer(packet.get());
    for (size_t i = 0; answer && i < dns->ldns_rr_list_rr_count(answer); ++i) {
        const ldns_rr* rr = dns->ldns_rr_list_rr(answer, i);
        if (dns->ldns_rr_get_type(rr) == LDNS_RR_TYPE_DNSKEY &&
            ownerOf(rr) == QString::fromLatin1(zone).toLower())
            return true;
    }
    return false;
}

SignatureVerdict checkSignatures(const QList<QByteArray>& packets, const QByteArray& keys,
                                 const QByteArray& zone, qint64 now) {
    SignatureVerdict verdict;
    const DnsLibrary* dns = DnsLibrary::get();
    const DnsPacket keyPacket = parseDnsPacket(keys);
    if (!dns || !keyPacket)
        return verdict;
    const BorrowedList zoneKeys(dns->ldns_rr_list_new());
    const ldns_rr_list* keyAnswer = dns->ldns_pkt_answer(keyPacket.get());
    for (size_t i = 0; keyAnswer && i < dns->ldns_rr_list_rr_count(keyAnswer); ++i) {
        const ldns_rr* rr = dns->ldns_rr_list_rr(keyAnswer, i);
        if (dns->ldns_rr_get_type(rr) == LDNS_RR_TYPE_DNSKEY)
            dns->ldns_rr_list_push_rr(zoneKeys.get(), rr);
    }
    const QString apex = QString::fromLatin1(zone).toLower();
    for (const QByteArray& wire : packets) {
        const DnsPacket packet = parseDnsPacket(wire);
        if (!packet)
            continue;
        for (const bool authority : {false, true}) {
            const ldns_rr_list* section = authority ? dns->ldns_pkt_authority(packet.get())
                                                    : dns->ldns_pkt_answer(packet.get());
            for (const RecordSet& set : recordSets(section)) {
                // A delegation below the zone is not signed by it.
                if (!inZone(set.owner, zone) ||
                    (authority && set.type == LDNS_RR_TYPE_NS && set.owner != apex))
                    continue;
                const QString named =
                    QStringLiteral("%1 of %2").arg(recordTypeName(set.type), set.owner);
                if (set.signatures.isEmpty()) {
                    worsen(verdict, SignatureVerdict::Missing,
                           QStringLiteral("no RRSIG for ") + named);
                    continue;
                }
                std::optional<SignatureVerdict> best; // the best of its signatures counts
                for (const ldns_rr* signature : set.signatures) {
                    const BorrowedList good(dns->ldns_rr_list_new());
                    const ldns_status status = dns->ldns_verify_rrsig_keylist_time(
                        set.records.get(), signature, zoneKeys.get(), time_t(now), good.get());
                    SignatureVerdict each;
                    if (status == LDNS_STATUS_OK)
                        each = {SignatureVerdict::Valid, {}};
                    else if (status == LDNS_STATUS_CRYPTO_SIG_EXPIRED)
                        each = {SignatureVerdict::Expired,
                                QStringLiteral("RRSIG %1 expired %2")
                                    .arg(named, signatureTime(signature, 4))};
                    else if (status == LDNS_STATUS_CRYPTO_SIG_NOT_INCEPTED)
                        each = {SignatureVerdict::NotYetValid,
                                QStringLiteral("RRSIG %1 valid only from %2")
                                    .arg(named, signatureTime(signature, 5))};
                    else
                        each = {SignatureVerdict::Bogus,
                                QStringLiteral("RRSIG %1: %2")
                                    .arg(named,
                                         QString::fromUtf8(dns->ldns_get_errorstr_by_id(status)))};
                    if (!best || each.kind < best->kind)
                        best = each;
                }
                worsen(verdict, best->kind, best->detail);
            }
        }
    }
    return verdict;
}

} // namespace net
