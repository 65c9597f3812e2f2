// SPDX-License-Identifier: MIT
#include "ChainCheck.h"
#include "ChainSets.h"
#include "net/dns/records/DnsRequest.h"

#include <QFile>

#include <algorithm>
#include <memory>
#include <vector>

namespace net {

namespace {

using namespace chain;

constexpr qint64 MaxAnchorFileBytes = 1024 * 1024;
constexpr qsizetype MaxAnchorLines = 1000;

struct Checker {
    const ChainAnswers& in;
    ChainReport report;

    void broke(int zone, const QString& link, const QString& reason) {
        report.verdict = ChainReport::Bogus;
        report.brokenZone = zone;
        report.brokenLink = link;
        report.reason = reason;
    }

    // The DS records (or anchors) that vouch for zone's keys; false when none is usable.
    void matchDs(ChainZone& zone, const QList<Record>& dsRecords, QList<Key>& keys) {
        const DnsLibrary* dns = DnsLibrary::get();
        for (const Record& record : dsRecords) {
            if (record.owner != zone.name)
                continue;
            if (record.type == LDNS_RR_TYPE_DNSKEY) { // an anchor that is a key
                ChainDs ds;
                ds.tag = keyTag(record.rdata);
                ds.algorithm = record.rdata.size() > 3 ? std::uint8_t(record.rdata[3]) : 0;
                ds.state = LinkState::Missing;
                ds.detail = QStringLiteral("the anchor's key %1 is not served").arg(ds.tag);
                for (qsizetype k = 0; k < keys.size(); ++k)
                    if (dns->ldns_rr_compare(keys[k].rr, record.rr) == 0) {
                        ds.state = LinkState::Valid;
                        ds.detail.clear();
                        ds.key = int(k);
                    }
                vouch(zone, ds, keys);
                continue;
            }
            if (record.type != LDNS_RR_TYPE_DS || record.rdata.size() < 4)
                continue;
            ChainDs ds;
            ds.tag = read16(record.rdata, 0);
            ds.algorithm = std::uint8_t(record.rdata[2]);
            ds.digestType = std::uint8_t(record.rdata[3]);
            if (!algorithmSupported(ds.algorithm)) {
                ds.state = LinkState::Unsupported;
                ds.detail = QStringLiteral("algorithm %1 is not supported").arg(ds.algorithm);
            } else if (!digestSupported(ds.digestType)) {
                ds.state = LinkState::Unsupported;
                ds.detail = QStringLiteral("digest type %1 is not supported").arg(ds.digestType);
            } else {
                ds.state = LinkState::Missing;
                ds.detail = QStringLiteral("%1 has no key %2").arg(zone.name).arg(ds.tag);
                for (qsizetype k = 0; k < keys.size(); ++k) {
                    const Key& key = keys[k];
                    if (key.info.algorithm != ds.algorithm)
                        continue;
                    if (key.info.tag == ds.tag) {
                        ds.key = int(k);
                        const bool matches = dns->ldns_rr_compare_ds(record.rr, key.rr);
                        ds.state =
                            matches ? (key.info.revoked() ? LinkState::Revoked : LinkState::Valid)
                                    : LinkState::DigestMismatch;
                        ds.detail =
                            matches ? (key.info.revoked()
                                           ? QStringLiteral("key %1 is revoked").arg(ds.tag)
                                           : QString())
                                    : QStringLiteral("the digest of key %1 differs").arg(ds.tag);
                        break;
                    }
                    if (key.info.revoked() && key.tagUnrevoked == ds.tag) {
                        ds.key = int(k);
                        ds.state = LinkState::Revoked;
                        ds.detail = QStringLiteral("key %1 is revoked (now key %2)")
                                        .arg(ds.tag)
                                        .arg(key.info.tag);
                    }
                }
            }
            vouch(zone, ds, keys);
        }
    }

    // Takes ds (a DS record or a key of the anchor) into zone; a valid one vouches for its key.
    static void vouch(ChainZone& zone, const ChainDs& ds, QList<Key>& keys) {
        if (ds.state == LinkState::Valid)
            keys[ds.key].info.matchedByDs = true;
        zone.ds.append(ds);
    }

    void run() {
        report.name = QString::fromLatin1(in.name).toLower();
        report.type = in.typeText;
        report.checkedAt = in.now;
        // The trust anchors, as records.
        const DnsLibrary* dns = DnsLibrary::get();
        std::vector<DnsRecord> anchorOwned;
        QList<Record> anchors;
        for (const QString& line : in.anchors) {
            ldns_rr* rr = nullptr;
            if (dns->ldns_rr_new_frm_str(&rr, line.toUtf8().constData(), 3600, nullptr, nullptr) !=
                    LDNS_STATUS_OK ||
                !rr)
                continue;
            anchorOwned.emplace_back(rr);
            Record record;
            char* owner = dns->ldns_rdf2str(dns->ldns_rr_owner(rr));
            record.owner = QString::fromUtf8(owner).toLower();
            free(owner);
            record.type = std::uint16_t(dns->ldns_rr_get_type(rr));
            record.rr = rr;
            record.line = line.simplified();
            const QByteArray wire = rdataWire(rr);
            record.rdata = wire;
            anchors.append(record);
        }
        // The chain starts at the deepest zone an anchor names.
        qsizetype first = -1;
        for (qsizetype z = 0; z < in.zones.size(); ++z)
            for (const Record& anchor : anchors)
                if (anchor.owner == QString::fromLatin1(in.zones[z].name).toLower())
                    first = z;
        if (first < 0) {
            report.reason =
                QStringLiteral("No trust anchor names %1 or a zone above it").arg(report.name);
            return;
        }
        QList<Key> parentKeys;
        QString parentName;
        std::vector<std::unique_ptr<Message>> messages; // the keys stay read to the end
        bool checking = true;
        for (qsizetype z = first; z < in.zones.size(); ++z) {
            const ChainZoneAnswers& answers = in.zones[z];
            ChainZone zone;
            zone.name = QString::fromLatin1(answers.name).toLower();
            zone.server = answers.server;
            zone.anchored = z == first;
            messages.push_back(std::make_unique<Message>(answers.keys));
            const Message& keyMessage = *messages.back();
            QList<Key> keys = readKeys(keyMessage.answer, zone.name);
            if (!answers.keysProblem.isEmpty())
                zone.problem = answers.keysProblem;
            else if (!keyMessage.read)
                zone.problem = QStringLiteral("its answer to DNSKEY could not be read");
            const int index = int(report.zones.size());
            zone.checked = checking;
            if (checking) {
                if (zone.anchored) {
                    zone.dsLink = LinkState::Valid;
                    matchDs(zone, anchors, keys);
                } else {
                    checkDelegation(zone, answers, parentKeys, parentName);
                    if (zone.dsLink == LinkState::Insecure) {
                        zone.insecure = true;
                        zone.keyLink = LinkState::Insecure;
                        checking = false;
                        report.verdict = ChainReport::Insecure;
                        report.reason =
                            QStringLiteral("Insecure: %1 has no DS record for %2, "
                                           "and its %3 proves it")
                                .arg(parentName, zone.name,
                                     zone.dsSets.isEmpty() ? QStringLiteral("answer")
                                                           : recordTypeName(dsProofType(zone)));
                    } else if (linkBroken(zone.dsLink)) {
                        broke(index, QStringLiteral("ds"),
                              QStringLiteral("Bogus: ") + dsReason(zone, answers, parentName));
                        checking = false;
                    } else {
                        matchDs(zone, dsRecordsOf(z), keys);
                    }
                }
            }
            if (checking) {
                checkKeys(zone, keys, keyMessage, index);
                checking = !m_stopped;
            }
            for (const Key& key : keys)
                zone.keys.append(key.info);
            report.zones.append(zone);
            parentKeys.clear();
            for (const Key& key : keys)
                if (!key.info.revoked())
                    parentKeys.append(key);
            parentName = zone.name;
        }
        report.answerZone = parentName;
        messages.push_back(std::make_unique<Message>(in.answer));
        const Message& answer = *messages.back();
        report.rcode = answer.rcode;
        report.answerProblem = in.answerProblem;
        if (in.answerProblem.isEmpty() && !answer.read)
            report.answerProblem = QStringLiteral("the answer could not be read");
        checkAnswer(answer, parentKeys, parentName, checking);
        if (checking && report.verdict == ChainReport::Indeterminate) {
            report.verdict = ChainReport::Secure;
            report.reason = QStringLiteral("Secure: every link from the trust anchor for %1 to "
                                           "%2 %3 is valid")
                                .arg(report.zones.first().name, report.name, report.type);
        }
    }

    // The DS records the parent gave for zone z, read again for matching.
    QList<Record> dsRecordsOf(qsizetype z) {
        m_dsMessages.push_back(std::make_unique<Message>(in.zones[z].ds));
        return m_dsMessages.back()->answer;
    }

    static std::uint16_t dsProofType(const ChainZone& zone) {
        return zone.dsSets.first().name.startsWith(QLatin1String("NSEC3"))
                   ? std::uint16_t(LDNS_RR_TYPE_NSEC3)
                   : std::uint16_t(LDNS_RR_TYPE_NSEC);
    }

    // The parent's DS set for zone, signed by the parent, or its proof that there is none.
    void checkDelegation(ChainZone& zone, const ChainZoneAnswers& answers,
                         const QList<Key>& parentKeys, const QString& parentName) {
        if (!answers.dsProblem.isEmpty()) {
            zone.dsLink = LinkState::Missing;
            return;
        }
        const Message message(answers.ds);
        const bool hasDs =
            std::any_of(message.answer.begin(), message.answer.end(), [&](const Record& r) {
                return r.type == LDNS_RR_TYPE_DS && r.owner == zone.name;
            });
        if (hasDs) {
            zone.dsSets.append(checkSet(message.answer, zone.name, LDNS_RR_TYPE_DS, parentKeys,
                                        parentName, in.now));
            zone.dsLink = zone.dsSets.first().state;
            return;
        }
        zone.dsSets = denial(message.authority, parentKeys, parentName, in.now);
        if (zone.dsSets.isEmpty()) {
            zone.dsLink = LinkState::Missing;
            return;
        }
        const LinkState worst = worstOf(zone.dsSets);
        zone.dsLink = worst == LinkState::Valid ? LinkState::Insecure : worst;
    }

    QString dsReason(const ChainZone& zone, const ChainZoneAnswers& answers,
                     const QString& parentName) const {
        if (!answers.dsProblem.isEmpty())
            return QStringLiteral("%1 gave no answer about the DS records of %2: %3")
                .arg(parentName, zone.name, answers.dsProblem);
        if (zone.dsSets.isEmpty())
            return QStringLiteral("%1 has no DS record for %2 and no NSEC or NSEC3 record that "
                                  "proves there is none")
                .arg(parentName, zone.name);
        for (const ChainRecordSet& set : zone.dsSets)
            if (linkBroken(set.state))
                return QStringLiteral("in %1, %2").arg(parentName, setReason(set));
        return {};
    }

    // The DS records' match with the keys, and the keys' signatures over their own set.
    void checkKeys(ChainZone& zone, QList<Key>& keys, const Message& keyMessage, int index) {
        const bool anyUsable = std::any_of(zone.ds.begin(), zone.ds.end(), [](const ChainDs& d) {
            return d.state != LinkState::Unsupported;
        });
        if (!zone.anchored && !zone.ds.isEmpty() && !anyUsable) {
            // Only algorithms no validator here supports: the zone is treated as unsigned.
            zone.insecure = true;
            zone.dsLink = LinkState::Insecure;
            zone.keyLink = LinkState::Insecure;
            report.verdict = ChainReport::Insecure;
            report.reason = QStringLiteral("Insecure: every DS record of %1 uses an algorithm "
                                           "that is not supported (%2)")
                                .arg(zone.name, zone.ds.first().detail);
            m_stopped = true;
            return;
        }
        if (!std::any_of(zone.ds.begin(), zone.ds.end(),
                         [](const ChainDs& d) { return d.state == LinkState::Valid; })) {
            zone.keyLink = LinkState::Missing;
            LinkState worst = LinkState::Valid;
            QString detail = QStringLiteral("no key matches");
            for (const ChainDs& ds : zone.ds)
                if (ds.state != LinkState::Unsupported && ds.state >= worst &&
                    !(ds.state == LinkState::Missing && worst != LinkState::Valid)) {
                    worst = ds.state;
                    detail = ds.detail;
                }
            broke(index, QStringLiteral("digest"),
                  zone.problem.isEmpty()
                      ? QStringLiteral("Bogus: no DNSKEY of %1 matches its %2: %3")
                            .arg(zone.name,
                                 zone.anchored ? QStringLiteral("trust anchor")
                                               : QStringLiteral("DS records"),
                                 detail)
                      : QStringLiteral("Bogus: the keys of %1 could not be read: %2")
                            .arg(zone.name, zone.problem));
            m_stopped = true;
            return;
        }
        const ChainRecordSet set =
            checkSet(keyMessage.answer, zone.name, LDNS_RR_TYPE_DNSKEY, keys, zone.name, in.now);
        zone.keySignatures = set.signatures;
        zone.keyLink = LinkState::Missing;
        const ChainSignature* shown = nullptr;
        for (const ChainSignature& sig : set.signatures)
            if (sig.key >= 0 && keys[sig.key].info.matchedByDs &&
                (!shown || sig.state < shown->state)) {
                shown = &sig;
                zone.keyLink = sig.state;
            }
        if (!linkBroken(zone.keyLink))
            return;
        QStringList vouched;
        for (const Key& key : keys)
            if (key.info.matchedByDs)
                vouched.append(QString::number(key.info.tag));
        broke(index, QStringLiteral("dnskey"),
              shown
                  ? QStringLiteral("Bogus: the signature over the DNSKEY set of %1 by key %2 "
                                   "%3")
                        .arg(zone.name)
                        .arg(shown->signerTag)
                        .arg(shown->detail.isEmpty() ? linkStateText(shown->state) : shown->detail)
                  : QStringLiteral("Bogus: the DNSKEY set of %1 is not signed by key %2, the "
                                   "key its %3 names")
                        .arg(zone.name, vouched.join(QStringLiteral(", ")),
                             zone.anchored ? QStringLiteral("trust anchor")
                                           : QStringLiteral("DS record")));
        m_stopped = true;
    }

    void checkAnswer(const Message& answer, const QList<Key>& keys, const QString& zone,
                     bool& checking) {
        checking = checking && !m_stopped;
        QStringList seen;
        for (const Record& record : answer.answer) {
            if (record.type == LDNS_RR_TYPE_RRSIG)
                continue;
            const QString key = record.owner + QString::number(record.type);
            if (seen.contains(key))
                continue;
            seen.append(key);
            report.answer.append(
                checkSet(answer.answer, record.owner, record.type, keys, zone, in.now));
        }
        if (report.answer.isEmpty())
            report.answer = denial(answer.authority, keys, zone, in.now);
        report.answerChecked = checking;
        if (!checking)
            return;
        if (!report.answerProblem.isEmpty()) {
            broke(int(report.zones.size()) - 1, QStringLiteral("answer"),
                  QStringLiteral("Bogus: no answer to %1 %2 could be checked: %3")
                      .arg(report.name, report.type, report.answerProblem));
            return;
        }
        if (report.answer.isEmpty()) {
            broke(int(report.zones.size()) - 1, QStringLiteral("answer"),
                  QStringLiteral("Bogus: %1 gave no %2 records for %3 and no NSEC or NSEC3 "
                                 "record that proves there are none")
                      .arg(zone, report.type, report.name));
            return;
        }
        for (const ChainRecordSet& set : report.answer)
            if (linkBroken(set.state)) {
                broke(int(report.zones.size()) - 1, QStringLiteral("answer"),
                      QStringLiteral("Bogus: ") + setReason(set));
                return;
            }
    }

    static QByteArray rdataWire(const ldns_rr* rr) {
        const DnsLibrary* dns = DnsLibrary::get();
        ldns_buffer* buffer = dns->ldns_buffer_new(512);
        QByteArray bytes;
        if (buffer && dns->ldns_rr_rdata2buffer_wire(buffer, rr) == LDNS_STATUS_OK)
            bytes = QByteArray(reinterpret_cast<const char*>(ldns_buffer_begin(buffer)),
                               qsizetype(ldns_buffer_position(buffer)));
        if (buffer)
            dns->ldns_buffer_free(buffer);
        return bytes;
    }

    std::vector<std::unique_ptr<Message>> m_dsMessages;
    bool m_stopped = false;
};

} // namespace

QString linkStateText(LinkState state) {
    static const char* const names[] = {"valid",
                                        "insecure",
                                        "expired",
                                        "not yet valid",
                                        "digest mismatch",
                                        "does not verify",
                                        "algorithm not supported",
                                        "revoked",
                                        "missing"};
    return QString::fromLatin1(names[int(state)]);
}

QString linkStateMark(LinkState state) {
    switch (state) {
    case LinkState::Valid: return QStringLiteral("✓");
    case LinkState::Insecure: return QStringLiteral("–");
    case LinkState::Expired:
    case LinkState::NotYetValid: return QStringLiteral("!");
    default: return QStringLiteral("✗");
    }
}

QString ChainKey::role() const {
    QString text = ksk() ? QStringLiteral("KSK") : QStringLiteral("ZSK");
    if (revoked())
        text += QStringLiteral(", revoked");
    return text;
}

QString verdictText(ChainReport::Verdict verdict) {
    static const char* const names[] = {"secure", "insecure", "bogus", "indeterminate"};
    return QString::fromLatin1(names[verdict]);
}

ChainReport checkChain(const ChainAnswers& answers) {
    if (!DnsLibrary::get()) {
        ChainReport report;
        report.reason = QStringLiteral("The DNS libraries are not installed");
        return report;
    }
    Checker checker{answers, {}, {}, false};
    checker.run();
    return checker.report;
}

QString readAnchorLines(const QStringList& files, QStringList& lines) {
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > MaxAnchorFileBytes)
            return QStringLiteral("The trust anchor file %1 could not be read").arg(path);
        const QList<QByteArray> all = file.read(MaxAnchorFileBytes).split('\n');
        for (const QByteArray& raw : all) {
            const qsizetype comment = raw.indexOf(';');
            const QByteArray line = (comment < 0 ? raw : raw.left(comment)).trimmed();
            if (line.isEmpty() || line.startsWith('$'))
                continue;
            if (lines.size() >= MaxAnchorLines)
                return QStringLiteral("The trust anchor file %1 has too many records").arg(path);
            lines.append(QString::fromUtf8(line));
        }
    }
    return {};
}

} // namespace net
