// SPDX-License-Identifier: MIT
#include "WhoisReferral.h"
#include "platform/HostEntry.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace net {

namespace {

// What a referral line shows of its value in a refusal: one line, at most this long.
constexpr qsizetype MaxShownValue = 100;

bool isHostCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
           u == '.' || u == ':';
}

struct Parsed {
    std::optional<WhoisReferral> referral;
    QString refusal; // why the value is no server, when it is not
};

// "whois://host:43", "rwhois://host:4321/", "[2001:db8::1]:43" or "host"; a port only where
// portAllowed.
Parsed parseServer(QStringView value, bool portAllowed) {
    value = value.trimmed();
    const QStringView original = value;
    const qsizetype scheme = value.indexOf(u"://");
    if (scheme >= 0) {
        const QStringView name = value.first(scheme);
        if (name.compare(u"whois", Qt::CaseInsensitive) != 0 &&
            name.compare(u"rwhois", Qt::CaseInsensitive) != 0)
            return {std::nullopt, QStringLiteral("not a WhoIs server")};
        value = value.sliced(scheme + 3);
        if (const qsizetype path = value.indexOf(u'/'); path >= 0)
            value = value.first(path);
    }
    WhoisReferral referral;
    if (scheme >= 0 && original.first(scheme).compare(u"rwhois", Qt::CaseInsensitive) == 0)
        referral.kind = WhoisReferral::Rwhois;
    QStringView host = value;
    QStringView port;
    if (value.startsWith(u'[')) { // an IPv6 address with a port
        const qsizetype close = value.indexOf(u']');
        if (close < 0)
            return {std::nullopt, QStringLiteral("not a host name")};
        host = value.sliced(1, close - 1);
        if (value.size() > close + 1) {
            if (value[close + 1] != u':')
                return {std::nullopt, QStringLiteral("not a host name")};
            port = value.sliced(close + 2);
        }
    } else if (value.count(u':') == 1) { // a name or IPv4 address with a port
        const qsizetype colon = value.indexOf(u':');
        host = value.first(colon);
        port = value.sliced(colon + 1);
    }
    if (host.isEmpty() || host.size() > 253 ||
        !std::all_of(host.begin(), host.end(), isHostCharacter))
        return {std::nullopt, QStringLiteral("not a host name")};
    // A single label ("NIRA") is no server's full name: the resolver would complete it with
    // this machine's own search domains and reach a host the registry never named.
    if (!host.contains(u'.') && !host.contains(u':'))
        return {std::nullopt, QStringLiteral("a name without a domain")};
    if (!port.isEmpty()) {
        if (!portAllowed)
            return {std::nullopt, QStringLiteral("this kind of referral names no port")};
        bool ok = false;
        const uint number = port.toUInt(&ok);
        if (!ok || number == 0 || number > 65535)
            return {std::nullopt, QStringLiteral("not a port")};
        referral.port = std::uint16_t(number);
        const std::uint16_t own =
            referral.kind == WhoisReferral::Rwhois ? WhoisReferral::RwhoisPort : 43;
        if (referral.port == own)
            referral.port = 0; // the kind's own port, written out
        else if (isBadPort(referral.port))
            return {std::nullopt,
                    QStringLiteral("port %1 belongs to another protocol").arg(number)};
    }
    referral.host = host.toLatin1().toLower();
    return {referral, {}};
}

// Lines that show an answer holds the record itself: its registrant or a contact.
bool isContactLine(QStringView name) {
    for (const char16_t* start : {u"registrant", u"admin", u"tech", u"billing"})
        if (name.startsWith(QStringView(start), Qt::CaseInsensitive))
            return true;
    return false;
}

QString shown(QStringView value) {
    QString text = value.trimmed().toString();
    if (text.size() > MaxShownValue)
        text = text.first(MaxShownValue) + QStringLiteral("...");
    return text;
}

} // namespace

bool isBadPort(std::uint16_t port) {
    // The WHATWG Fetch standard's list of bad ports (its section "Port blocking").
    static constexpr std::uint16_t bad[] = {
        1,    7,    9,    11,   13,   15,   17,   19,   20,   21,   22,   23,   25,   37,
        42,   43,   53,   69,   77,   79,   87,   95,   101,  102,  103,  104,  109,  110,
        111,  113,  115,  117,  119,  123,  135,  137,  139,  143,  161,  179,  389,  427,
        465,  512,  513,  514,  515,  526,  530,  531,  532,  540,  548,  554,  556,  563,
        587,  601,  636,  989,  990,  993,  995,  1719, 1720, 1723, 2049, 3659, 4045, 4190,
        5060, 5061, 6000, 6566, 6665, 6666, 6667, 6668, 6669, 6679, 6697, 10080};
    return std::find(std::begin(bad), std::end(bad), port) != std::end(bad);
}

QString WhoisReferral::shown() const {
    const QString name = QString::fromUtf8(host);
    if (port == 0)
        return name;
    return (name.contains(QLatin1Char(':')) ? QLatin1Char('[') + name + QLatin1Char(']') : name) +
           QLatin1Char(':') + QString::number(port);
}

ReferralScan scanReferrals(QStringView answer, const ReferralContext& context) {
    ReferralScan scan;
    std::optional<WhoisReferral> refer, referralServer, registrar, whois;
    QString registrarValue;
    bool holdsContacts = false;
    bool inQueriedRecord = false; // under "Domain Name: " + the query, in an older thin answer
    // The query as a name: "=example.com" asks a thin registry for the exact name, and a final
    // dot is the same name.
    QString query = QString::fromLatin1(context.query).trimmed();
    while (query.startsWith(QLatin1Char('=')))
        query = query.mid(1).trimmed();
    while (query.endsWith(QLatin1Char('.')))
        query.chop(1);
    const auto sameName = [&](QStringView value) {
        value = value.trimmed();
        while (value.endsWith(u'.'))
            value.chop(1);
        return value.compare(query, Qt::CaseInsensitive) == 0;
    };
    const auto take = [&](std::optional<WhoisReferral>& slot, QStringView value, bool portAllowed,
                          bool replace) {
        if (value.trimmed().isEmpty())
            return;
        Parsed parsed = parseServer(value, portAllowed);
        if (!parsed.referral)
            scan.notFollowed.append(shown(value) + QStringLiteral(" not followed: ") +
                                    parsed.refusal);
        else if (replace || !slot)
            slot = parsed.referral;
    };
    for (QStringView line : answer.tokenize(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            continue;
        const QStringView name = line.first(colon).trimmed();
        const QStringView value = line.sliced(colon + 1);
        const auto is = [&](QStringView expected) {
            return name.compare(expected, Qt::CaseInsensitive) == 0;
        };
        holdsContacts = holdsContacts || isContactLine(name);
        if (is(u"Domain Name"))
            inQueriedRecord = sameName(value);
        if (is(u"refer")) {
            take(refer, value, false, false);
        } else if (is(u"ReferralServer")) {
            take(referralServer, value, true, true); // the last is the most specific
        } else if (is(u"Registrar WHOIS Server") || (is(u"Whois Server") && inQueriedRecord)) {
            if (!registrar && !value.trimmed().isEmpty())
                registrarValue = shown(value);
            take(registrar, value, false, false);
        } else if (is(u"whois") && context.fromRoot) {
            take(whois, value, false, false);
        }
    }
    if (registrar && holdsContacts) {
        // A thick registry's record is complete: its registrar need not be asked again.
        scan.notFollowed.append(registrarValue +
                                QStringLiteral(" not followed: the answer holds the whole record"));
        registrar.reset();
    }
    for (const auto* found : {&refer, &referralServer, &registrar, &whois})
        if (*found) {
            scan.referral = *found;
            break;
        }
    return scan;
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

QueryKind queryKind(const QByteArray& query) {
    const QByteArray name = query.trimmed();
    if (name.isEmpty() || name.contains(' '))
        return QueryKind::Other;
    if (platform::HostAddress::parse(name) && (name.contains(':') || name.count('.') == 3))
        return QueryKind::Address;
    if (name.size() > 2 && name.first(2).toUpper() == "AS" &&
        std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return QueryKind::AsNumber;
    if (name.contains('.') && !name.contains('/'))
        return QueryKind::Domain;
    return QueryKind::Other;
}

} // namespace net
