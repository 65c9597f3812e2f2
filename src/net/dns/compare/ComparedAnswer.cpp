// SPDX-License-Identifier: MIT
#include "ComparedAnswer.h"
#include "net/dns/message/DnsPacket.h"
#include "net/dns/message/DnsRecordsText.h"
#include "net/dns/message/DnsWire.h"

#include <QCryptographicHash>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace net {

namespace {

constexpr std::uint16_t TypeSoa = 6;
constexpr std::uint16_t TypeRrsig = 46;

ComparedRecord compared(const QString& line, bool withTtl) {
    QStringList fields = line.split(QLatin1Char('\t'));
    if (!withTtl && fields.size() > 2)
        fields.removeAt(1);
    fields.first() = fields.first().toLower();
    return {line, fields.join(QLatin1Char('\t'))};
}

void addRecords(ComparedAnswer& into, QSet<QString>& seen, const QByteArray& packet, bool withTtl,
                bool keepSignatures) {
    for (const SectionRecord& record : sectionRecords(packet)) {
        if (record.type == TypeRrsig && !keepSignatures)
            continue;
        ComparedRecord each = compared(record.line, withTtl);
        // A record whose owner points at a long name prints as many times its size; past the
        // answer's budget a record is compared by a digest and not kept for showing, so the
        // answers of many servers cannot take memory out of all proportion to what came.
        if (into.keptCharacters + each.line.size() + each.key.size() >
            dnsTextCapacity(into.bytes)) {
            // Sixteen characters: less than the record's own bytes on the wire.
            each.key = QString::fromLatin1(
                QCryptographicHash::hash(each.key.toUtf8(), QCryptographicHash::Sha256).left(16));
            each.line.clear();
        }
        if (seen.contains(each.key))
            continue; // a CNAME met again under another type
        seen.insert(each.key);
        into.keptCharacters += each.line.size() + each.key.size();
        into.records.append(each);
        into.leastTtl = std::min(into.leastTtl.value_or(record.ttl), record.ttl);
    }
}

// The outcome of one answer message, by its code and (from an authoritative server) its
// authority bit.
ComparedAnswer::Outcome outcomeOf(const WireMessage& message, bool authoritativeAsked,
                                  QString& detail) {
    const bool authoritative = (message.flags & 0x0400) != 0;
    detail = message.extendedErrors.join(QStringLiteral("; "));
    switch (message.rcode) {
    case 0:
    case 3:
        if (authoritativeAsked && !authoritative)
            return ComparedAnswer::NotAuthoritative;
        return message.rcode == 0 ? ComparedAnswer::Answer : ComparedAnswer::NxDomain;
    case 2: return ComparedAnswer::ServerFailure;
    case 5: return ComparedAnswer::Refused;
    default: detail = rcodeName(message.rcode); return ComparedAnswer::OtherRcode;
    }
}

void worsen(ComparedAnswer& answer, ComparedAnswer::Outcome outcome, const QString& detail) {
    if (outcome > answer.outcome || (outcome == answer.outcome && answer.detail.isEmpty())) {
        answer.outcome = outcome;
        answer.detail = detail;
    }
}

void sortRecords(ComparedAnswer& answer) {
    std::sort(answer.records.begin(), answer.records.end(),
              [](const ComparedRecord& a, const ComparedRecord& b) { return a.key < b.key; });
}

} // namespace

QString ComparedAnswer::outcomeText() const {
    static const char* const names[] = {"answer",   "NXDOMAIN",  "bogus",       "not authoritative",
                                        "",         "SERVFAIL",  "REFUSED",     "malformed",
                                        "failed",   "timed out", "unreachable", "no address",
                                        "not asked"};
    QString text = QString::fromLatin1(names[outcome]);
    if (outcome == OtherRcode)
        return detail;
    if (!detail.isEmpty())
        text += QStringLiteral(" (") + detail + QLatin1Char(')');
    return text;
}

ComparedAnswer readDirectAnswers(const QList<DirectAnswer>& answers, bool typeIsSignature) {
    ComparedAnswer out;
    QSet<QString> seen;
    for (const DirectAnswer& answer : answers) {
        out.elapsedMs = std::max(out.elapsedMs, answer.elapsedMs);
        out.bytes += answer.packet.size();
        switch (answer.outcome) {
        case DirectAnswer::TimedOut: worsen(out, ComparedAnswer::TimedOut, {}); continue;
        case DirectAnswer::Unreachable:
            worsen(out, ComparedAnswer::Unreachable, answer.error);
            continue;
        case DirectAnswer::Failed: worsen(out, ComparedAnswer::Failed, answer.error); continue;
        case DirectAnswer::Malformed:
            worsen(out, ComparedAnswer::Malformed, answer.error);
            continue;
        case DirectAnswer::Answered: break;
        }
        const std::optional<WireMessage> message = readWireMessage(answer.packet);
        if (!message) {
            const QString problem = dnsPacketProblem(answer.packet);
            worsen(out, ComparedAnswer::Malformed,
                   problem.isEmpty() ? QStringLiteral("the message could not be read") : problem);
            continue;
        }
        QString detail;
        worsen(out, outcomeOf(*message, true, detail), detail);
        addRecords(out, seen, answer.packet, true, typeIsSignature);
    }
    sortRecords(out);
    return out;
}

ComparedAnswer readResolverAnswers(const QList<DnsAnswer>& answers, bool typeIsSignature) {
    ComparedAnswer out;
    QSet<QString> seen;
    out.secure = !answers.isEmpty();
    for (const DnsAnswer& answer : answers) {
        out.bytes += answer.packet.size();
        out.secure = out.secure && answer.secure;
        if (answer.error != 0) {
            worsen(out, ComparedAnswer::Failed, answer.whyBogus);
            continue;
        }
        if (answer.bogus) {
            worsen(out, ComparedAnswer::Bogus, shortBogusReason(answer.whyBogus));
            continue;
        }
        const std::optional<WireMessage> message = readWireMessage(answer.packet);
        QString detail = answer.reason;
        if (!message) {
            // The resolver gives no message for a failure it reports by its code alone.
            worsen(out,
                   answer.rcode == 2   ? ComparedAnswer::ServerFailure
                   : answer.rcode == 5 ? ComparedAnswer::Refused
                   : answer.rcode == 3 ? ComparedAnswer::NxDomain
                                       : ComparedAnswer::Malformed,
                   detail);
            continue;
        }
        worsen(out, outcomeOf(*message, false, detail), detail);
        addRecords(out, seen, answer.packet, false, typeIsSignature);
    }
    sortRecords(out);
    return out;
}

std::optional<SoaValues> readSoa(const QByteArray& packet, const QByteArray& zone) {
    const std::optional<WireMessage> message = readWireMessage(packet);
    if (!message)
        return std::nullopt;
    for (const WireRecord& record : message->answer) {
        const std::optional<QString> owner = nameText(packet, record.ownerOffset);
        if (record.type != TypeSoa || !owner ||
            owner->compare(QString::fromLatin1(zone), Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype end = record.rdataOffset + record.rdataLength;
        const std::optional<QString> mname = nameText(packet, record.rdataOffset);
        const qsizetype afterMname = skipName(packet, record.rdataOffset);
        const std::optional<QString> rname =
            afterMname > 0 ? nameText(packet, afterMname) : std::nullopt;
        const qsizetype timers = afterMname > 0 ? skipName(packet, afterMname) : -1;
        if (!mname || !rname || timers < 0 || timers + 20 != end || end > packet.size())
            return std::nullopt;
        const auto number = [&](int index) {
            const auto* at =
                reinterpret_cast<const unsigned char*>(packet.constData() + timers + 4 * index);
            return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 |
                   std::uint32_t(at[2]) << 8 | at[3];
        };
        return SoaValues{*mname, *rname, number(0), number(1), number(2), number(3), number(4)};
    }
    return std::nullopt;
}

} // namespace net
