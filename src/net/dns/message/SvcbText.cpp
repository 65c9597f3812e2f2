// SPDX-License-Identifier: MIT
#include "SvcbText.h"
#include "DnsWire.h"

#include <QStringList>

#include <arpa/inet.h>

namespace net {

namespace {

std::uint16_t u16(const QByteArray& m, qsizetype at) {
    return std::uint16_t(std::uint8_t(m[at]) << 8 | std::uint8_t(m[at + 1]));
}

QString keyName(std::uint16_t key) {
    static const char* const names[] = {"mandatory", "alpn",     "no-default-alpn",
                                        "port",      "ipv4hint", "ech",
                                        "ipv6hint",  "dohpath",  "ohttp"};
    return key < std::size(names) ? QString::fromLatin1(names[key])
                                  : QStringLiteral("key%1").arg(key);
}

QString addresses(const QByteArray& value, int family, int size) {
    if (value.isEmpty() || value.size() % size != 0)
        return {};
    QStringList list;
    for (qsizetype at = 0; at < value.size(); at += size) {
        char text[INET6_ADDRSTRLEN] = {};
        if (!inet_ntop(family, value.constData() + at, text, sizeof text))
            return {};
        list.append(QString::fromLatin1(text));
    }
    return list.join(QLatin1Char(','));
}

// One parameter's "=value" (empty for a key without one); nothing when the value is malformed.
std::optional<QString> valueText(std::uint16_t key, const QByteArray& value) {
    switch (key) {
    case 0: { // mandatory: the keys a client must understand
        if (value.isEmpty() || value.size() % 2 != 0)
            return std::nullopt;
        QStringList keys;
        for (qsizetype at = 0; at < value.size(); at += 2)
            keys.append(keyName(u16(value, at)));
        return QLatin1Char('=') + keys.join(QLatin1Char(','));
    }
    case 1: { // alpn: ids, each escaped for the list, the list then a character string
        QByteArray list;
        qsizetype at = 0;
        while (at < value.size()) {
            const qsizetype length = std::uint8_t(value[at]);
            if (length == 0 || at + 1 + length > value.size())
                return std::nullopt;
            if (!list.isEmpty())
                list += ',';
            for (const char c : value.mid(at + 1, length)) {
                if (c == ',' || c == '\\')
                    list += '\\';
                list += c;
            }
            at += 1 + length;
        }
        if (list.isEmpty())
            return std::nullopt;
        return QLatin1Char('=') + quotedCharacterString(list);
    }
    case 2:
    case 8: // no-default-alpn, ohttp: no value
        if (!value.isEmpty())
            return std::nullopt;
        return QString();
    case 3: // port
        if (value.size() != 2)
            return std::nullopt;
        return QStringLiteral("=%1").arg(u16(value, 0));
    case 4: {
        const QString list = addresses(value, AF_INET, 4);
        if (list.isEmpty())
            return std::nullopt;
        return QLatin1Char('=') + list;
    }
    case 5: // ech: the configuration list in Base64
        if (value.isEmpty())
            return std::nullopt;
        return QLatin1Char('=') + QString::fromLatin1(value.toBase64());
    case 6: {
        const QString list = addresses(value, AF_INET6, 16);
        if (list.isEmpty())
            return std::nullopt;
        return QLatin1Char('=') + list;
    }
    default: // dohpath and unknown keys: a character string
        return QLatin1Char('=') + quotedCharacterString(value);
    }
}

} // namespace

QString quotedCharacterString(const QByteArray& bytes) {
    QString text = QStringLiteral("\"");
    for (const char c : bytes) {
        const auto b = std::uint8_t(c);
        if (b == '"' || b == '\\') {
            text += QLatin1Char('\\');
            text += QLatin1Char(c);
        } else if (b >= 0x20 && b < 0x7F)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\%1").arg(b, 3, 10, QLatin1Char('0'));
    }
    return text + QLatin1Char('"');
}

std::optional<QString> svcbText(const QByteArray& m, qsizetype offset, qsizetype length) {
    const qsizetype end = offset + length;
    if (length < 3 || end > m.size())
        return std::nullopt;
    const QByteArray rdata = m.mid(offset, length);
    // The target is never compressed (RFC 9460 section 2.2): plain labels to the root label.
    qsizetype targetEnd = 2;
    while (targetEnd < rdata.size() && rdata[targetEnd] != 0) {
        if (std::uint8_t(rdata[targetEnd]) > 63)
            return std::nullopt;
        targetEnd += 1 + std::uint8_t(rdata[targetEnd]);
    }
    if (++targetEnd > rdata.size())
        return std::nullopt;
    const std::optional<QString> target = nameText(rdata, 2);
    if (!target)
        return std::nullopt;
    QString text = QStringLiteral("%1 %2").arg(u16(rdata, 0)).arg(*target);
    qsizetype at = targetEnd;
    while (at < rdata.size()) {
        if (at + 4 > rdata.size())
            return std::nullopt;
        const std::uint16_t key = u16(rdata, at);
        const qsizetype size = u16(rdata, at + 2);
        if (at + 4 + size > rdata.size())
            return std::nullopt;
        const std::optional<QString> value = valueText(key, rdata.mid(at + 4, size));
        if (!value)
            return std::nullopt;
        text += QLatin1Char(' ') + keyName(key) + *value;
        at += 4 + size;
    }
    return text;
}

} // namespace net
