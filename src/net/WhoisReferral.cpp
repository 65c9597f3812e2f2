// SPDX-License-Identifier: MIT
#include "WhoisReferral.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace net {

namespace {

bool isHostCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
           u == '.' || u == ':';
}

// "whois://host:43", "rwhois://host:4321/", "http://host/path", "[2001:db8::1]:43" or "host".
std::optional<WhoisReferral> parseServer(QStringView value) {
    value = value.trimmed();
    if (const qsizetype scheme = value.indexOf(u"://"); scheme >= 0)
        value = value.sliced(scheme + 3);
    if (const qsizetype path = value.indexOf(u'/'); path >= 0)
        value = value.first(path);
    WhoisReferral referral;
    QStringView host = value;
    QStringView port;
    if (value.startsWith(u'[')) { // an IPv6 address with a port
        const qsizetype close = value.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        host = value.sliced(1, close - 1);
        if (value.size() > close + 1) {
            if (value[close + 1] != u':')
                return std::nullopt;
            port = value.sliced(close + 2);
        }
    } else if (value.count(u':') == 1) { // a name or IPv4 address with a port
        const qsizetype colon = value.indexOf(u':');
        host = value.first(colon);
        port = value.sliced(colon + 1);
    }
    if (host.isEmpty() || host.size() > 253 ||
        !std::all_of(host.begin(), host.end(), isHostCharacter))
        return std::nullopt;
    if (!port.isEmpty()) {
        bool ok = false;
        const uint number = port.toUInt(&ok);
        if (!ok || number == 0 || number > 65535)
            return std::nullopt;
        referral.port = std::uint16_t(number);
    }
    referral.host = host.toLatin1().toLower();
    return referral;
}

} // namespace

std::optional<WhoisReferral> findReferral(QStringView answer) {
    std::optional<WhoisReferral> refer, referralServer, registrar, whois;
    for (QStringView line : answer.tokenize(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            continue;
        const QStringView name = line.first(colon).trimmed();
        const QStringView value = line.sliced(colon + 1);
        const auto is = [&](QStringView expected) {
            return name.compare(expected, Qt::CaseInsensitive) == 0;
        };
        if (is(u"refer") && !refer)
            refer = parseServer(value);
        else if (is(u"ReferralServer")) {
            if (auto found = parseServer(value))
                referralServer = found; // the last is the most specific
        } else if (is(u"Registrar WHOIS Server") && !registrar)
            registrar = parseServer(value);
        else if (is(u"whois") && !whois)
            whois = parseServer(value);
    }
    for (const auto* found : {&refer, &referralServer, &registrar, &whois})
        if (*found)
            return *found;
    return std::nullopt;
}

QByteArray rootRegistryQuery(const QByteArray& query) {
    const QByteArray trimmed = query.trimmed();
    const auto onlyOf = [&](const char* allowed) {
        return std::all_of(trimmed.begin(), trimmed.end(),
                           [&](char c) { return std::strchr(allowed, c) != nullptr; });
    };
    const bool address = (trimmed.contains('.') && onlyOf("0123456789./")) ||
                         (trimmed.contains(':') && onlyOf("0123456789abcdefABCDEF:./"));
    const bool asNumber = trimmed.size() > 2 && trimmed.first(2).toUpper() == "AS" &&
                          std::all_of(trimmed.begin() + 2, trimmed.end(),
                                      [](char c) { return c >= '0' && c <= '9'; });
    if (address || asNumber || !trimmed.contains('.'))
        return trimmed;
    QByteArray name = trimmed;
    while (name.endsWith('.'))
        name.chop(1);
    return name.mid(name.lastIndexOf('.') + 1);
}

} // namespace net
