// SPDX-License-Identifier: MIT
#include "DnsWire.h"

namespace net {

namespace {

constexpr qsizetype HeaderSize = 12;
constexpr int MaxPointers = 64; // more than any real name needs
constexpr qsizetype MaxName = 255;
constexpr std::uint16_t OptType = 41;
constexpr std::uint16_t EdeOption = 15;

std::uint16_t u16(const QByteArray& m, qsizetype at) {
    return std::uint16_t(std::uint8_t(m[at]) << 8 | std::uint8_t(m[at + 1]));
}

std::uint32_t u32(const QByteArray& m, qsizetype at) {
    return std::uint32_t(u16(m, at)) << 16 | u16(m, at + 2);
}

// The names RFC 8914 gives its codes.
QString edeName(int code) {
    static const char* const names[] = {"Other",
                                        "Unsupported DNSKEY Algorithm",
                                        "Unsupported DS Digest Type",
                                        "Stale Answer",
                                        "Forged Answer",
                                        "DNSSEC Indeterminate",
                                        "DNSSEC Bogus",
                                        "Signature Expired",
                                        "Signature Not Yet Valid",
                                        "DNSKEY Missing",
                                        "RRSIGs Missing",
                                        "No Zone Key Bit Set",
                                        "NSEC Missing",
                                        "Cached Error",
                                        "Not Ready",
                                        "Blocked",
                                        "Censored",
                                        "Filtered",
                                        "Prohibited",
                                        "Stale NXDOMAIN Answer",
                                        "Not Authoritative",
                                        "Not Supported",
                                        "No Reachable Authority",
                                        "Network Error",
                                        "Invalid Data"};
    return code >= 0 && code < int(std::size(names)) ? QString::fromLatin1(names[code])
                                                     : QStringLiteral("unassigned");
}

// Printable ASCII as it is, anything else as \DDD: a server's text never reaches the window
// as control characters.
QString safeText(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes) {
        const auto b = std::uint8_t(c);
        if (b >= 0x20 && b < 0x7F && b != '\\')
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\%1").arg(b, 3, 10, QLatin1Char('0'));
    }
    return text;
}

bool readRecords(const QByteArray& m, qsizetype& at, int count, QList<WireRecord>& into) {
    for (int i = 0; i < count; ++i) {
        WireRecord record;
        record.ownerOffset = at;
        at = skipName(m, at);
        if (at < 0 || at + 10 > m.size())
            return false;
        record.type = u16(m, at);
        record.rrclass = u16(m, at + 2);
        record.ttl = u32(m, at + 4);
        record.rdataLength = u16(m, at + 8);
        record.rdataOffset = at + 10;
        at = record.rdataOffset + record.rdataLength;
        if (at > m.size())
            return false;
        into.append(record);
    }
    return true;
}

void readOpt(const QByteArray& m, const WireRecord& opt, WireMessage& message) {
    // The extended RCODE's high bits are in the TTL field's first byte.
    message.rcode |= int(opt.ttl >> 24) << 4;
    qsizetype at = opt.rdataOffset;
    const qsizetype end = opt.rdataOffset + opt.rdataLength;
    while (at + 4 <= end) {
        const std::uint16_t code = u16(m, at);
        const qsizetype length = u16(m, at + 2);
        at += 4;
        if (at + length > end)
            return;
        if (code == EdeOption && length >= 2) {
            const int info = u16(m, at);
            QString text = QStringLiteral("%1 (%2)").arg(info).arg(edeName(info));
            const QByteArray extra = m.mid(at + 2, qMin<qsizetype>(length - 2, 200));
            if (!extra.isEmpty())
                text += QStringLiteral(": ") + safeText(extra);
            message.extendedErrors.append(text);
        }
        at += length;
    }
}

} // namespace

qsizetype skipName(const QByteArray& m, qsizetype at) {
    while (at < m.size()) {
        const auto length = std::uint8_t(m[at]);
        if (length == 0)
            return at + 1;
        if ((length & 0xC0) == 0xC0)
            return at + 2 <= m.size() ? at + 2 : -1;
        if (length > 63)
            return -1;
        at += 1 + length;
    }
    return -1;
}

std::optional<QString> nameText(const QByteArray& m, qsizetype at) {
    QString text;
    qsizetype wireLength = 1;
    int pointers = 0;
    while (at < m.size()) {
        const auto length = std::uint8_t(m[at]);
        if (length == 0)
            return text.isEmpty() ? QStringLiteral(".") : text;
        if ((length & 0xC0) == 0xC0) {
            if (at + 2 > m.size() || ++pointers > MaxPointers)
                return std::nullopt;
            at = u16(m, at) & 0x3FFF;
            continue;
        }
        if (length > 63 || at + 1 + length > m.size())
            return std::nullopt;
        wireLength += 1 + length;
        if (wireLength > MaxName)
            return std::nullopt;
        for (qsizetype i = at + 1; i <= at + length; ++i) {
            const auto b = std::uint8_t(m[i]);
            if (b == '.' || b == '\\' || b == '"' || b == '(' || b == ')' || b == ';' || b == '@' ||
                b == '$') {
                text += QLatin1Char('\\');
                text += QLatin1Char(char(b));
            } else if (b > 0x20 && b < 0x7F)
                text += QLatin1Char(char(b));
            else
                text += QStringLiteral("\\%1").arg(b, 3, 10, QLatin1Char('0'));
        }
        text += QLatin1Char('.');
        at += 1 + length;
    }
    return std::nullopt;
}

std::optional<WireMessage> readWireMessage(const QByteArray& m) {
    if (m.size() < HeaderSize)
        return std::nullopt;
    WireMessage message;
    message.id = u16(m, 0);
    message.flags = u16(m, 2);
    message.rcode = message.flags & 0x0F;
    const int questions = u16(m, 4);
    qsizetype at = HeaderSize;
    for (int i = 0; i < questions; ++i) {
        at = skipName(m, at);
        if (at < 0 || at + 4 > m.size())
            return std::nullopt;
        at += 4;
    }
    if (!readRecords(m, at, u16(m, 6), message.answer) ||
        !readRecords(m, at, u16(m, 8), message.authority) ||
        !readRecords(m, at, u16(m, 10), message.additional))
        return std::nullopt;
    for (const WireRecord& record : message.additional)
        if (record.type == OptType) {
            readOpt(m, record, message);
            break;
        }
    return message;
}

} // namespace net
