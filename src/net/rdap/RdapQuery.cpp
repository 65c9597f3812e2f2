// SPDX-License-Identifier: MIT
#include "RdapQuery.h"
#include "net/engine/HostNames.h"
#include "platform/HostEntry.h"

#include <QUrl>

#include <algorithm>
#include <iterator>

namespace net {

namespace {

struct TypeWord {
    const char* word;
    RdapQuery::Kind kind;
};

constexpr TypeWord typeWords[] = {
    {"domain", RdapQuery::Domain},
    {"ip", RdapQuery::Ip},
    {"autnum", RdapQuery::Autnum},
    {"as", RdapQuery::Autnum},
    {"entity", RdapQuery::Entity},
    {"nameserver", RdapQuery::Nameserver},
    {"ns", RdapQuery::Nameserver},
    {"domain-search", RdapQuery::DomainSearch},
    {"domains", RdapQuery::DomainSearch},
    {"nameserver-search", RdapQuery::NameserverSearch},
    {"nameservers", RdapQuery::NameserverSearch},
    {"entity-search", RdapQuery::EntitySearch},
    {"entities", RdapQuery::EntitySearch},
    {"entity-search-by-handle", RdapQuery::EntityHandleSearch},
    {"handles", RdapQuery::EntityHandleSearch},
};

const QString forms = QStringLiteral(
    "RDAP answers for a domain, an address, an AS number, \"entity HANDLE\", \"nameserver NAME\", "
    "or a search: \"domains\", \"nameservers\", \"entities\" or \"handles\" and a pattern with *");

std::optional<RdapQuery::Kind> typeWord(QByteArrayView word) {
    for (const TypeWord& type : typeWords)
        if (word.compare(type.word, Qt::CaseInsensitive) == 0)
            return type.kind;
    return std::nullopt;
}

bool isAsNumber(const QByteArray& text) {
    const QByteArray digits = text.toUpper().startsWith("AS") ? text.mid(2) : text;
    return !digits.isEmpty() && digits.size() <= 10 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// An address, or a network written with its prefix length.
bool isAddressOrNetwork(const QByteArray& text) {
    const qsizetype slash = text.indexOf('/');
    const QByteArray address = slash < 0 ? text : text.left(slash);
    const auto parsed = platform::HostAddress::parse(address);
    if (!parsed || !(address.contains(':') || address.count('.') == 3))
        return false;
    if (slash < 0)
        return true;
    bool ok = false;
    const int length = text.mid(slash + 1).toInt(&ok);
    return ok && length >= 0 && length <= (parsed->family == AF_INET6 ? 128 : 32);
}

// A name in its ASCII form; a pattern keeps its "*" (each label converted around it).
std::optional<QString> asciiName(const QByteArray& name, bool pattern) {
    if (pattern) {
        QStringList labels;
        for (const QByteArray& label : name.split('.')) {
            if (label.contains('*')) {
                labels.append(QString::fromUtf8(label));
                continue;
            }
            const AsciiName ascii = asciiHost(label);
            if (!ascii.error.isEmpty())
                return std::nullopt;
            labels.append(QString::fromLatin1(ascii.name));
        }
        return labels.join(QLatin1Char('.'));
    }
    const AsciiName ascii = asciiHost(name);
    if (!ascii.error.isEmpty() || ascii.name.isEmpty())
        return std::nullopt;
    return QString::fromLatin1(ascii.name);
}

} // namespace

bool RdapQuery::isTyped(const QByteArray& typed) {
    const QByteArray text = typed.trimmed();
    const qsizetype space = text.indexOf(' ');
    return space > 0 && typeWord(QByteArrayView(text).first(space)).has_value();
}

std::optional<RdapQuery> RdapQuery::parse(const QByteArray& typed, QString* problem,
                                          bool serverGiven) {
    const auto refuse = [&](const QString& why) -> std::optional<RdapQuery> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    // What follows a NUL would be dropped by some readers and kept by others: no query has one.
    if (typed.contains('\0'))
        return refuse(QStringLiteral("The query holds a NUL character, which RDAP cannot ask"));
    if (!typed.isValidUtf8())
        return refuse(QStringLiteral("The query is not valid UTF-8 text, which RDAP cannot ask"));
    const QByteArray text = typed.trimmed();
    RdapQuery query;
    QByteArray value = text;
    bool typedKind = false;
    if (const qsizetype space = text.indexOf(' '); space > 0) {
        if (const auto kind = typeWord(QByteArrayView(text).first(space))) {
            query.kind = *kind;
            value = text.mid(space + 1).trimmed();
            typedKind = true;
        }
    }
    if (value.isEmpty())
        return refuse(forms);
    if (!typedKind) { // a bare domain, address or AS number
        if (value.contains(' '))
            return refuse(forms);
        if (isAddressOrNetwork(value))
            query.kind = Ip;
        else if (isAsNumber(value) && value.toUpper().startsWith("AS"))
            query.kind = Autnum;
        else if (value.contains('.') && !value.contains('/'))
            query.kind = Domain;
        else if (serverGiven && !value.contains('/'))
            query.kind = Entity; // a registry's own handle, asked of that registry
        else
            return refuse(forms);
    }
    const bool spaces = value.contains(' ');
    switch (query.kind) {
    case Domain:
    case Nameserver:
    case DomainSearch:
    case NameserverSearch: {
        const bool pattern = query.kind == DomainSearch || query.kind == NameserverSearch;
        const std::optional<QString> name = spaces ? std::nullopt : asciiName(value, pattern);
        if (!name)
            return refuse(QStringLiteral("Not a name RDAP can be asked about: %1")
                              .arg(QString::fromUtf8(value)));
        query.value = *name;
        break;
    }
    case Ip:
        if (!isAddressOrNetwork(value))
            return refuse(QStringLiteral("Not an address: %1").arg(QString::fromUtf8(value)));
        query.value = QString::fromLatin1(value);
        break;
    case Autnum:
        if (!isAsNumber(value))
            return refuse(QStringLiteral("Not an AS number: %1").arg(QString::fromUtf8(value)));
        query.value = QString::fromLatin1(value.toUpper().startsWith("AS") ? value.mid(2) : value);
        break;
    case Entity:
    case EntityHandleSearch:
        if (spaces)
            return refuse(
                QStringLiteral("A handle has no blanks: %1").arg(QString::fromUtf8(value)));
        query.value = QString::fromUtf8(value);
        break;
    case EntitySearch: query.value = QString::fromUtf8(value); break;
    }
    return query;
}

QString RdapQuery::path() const {
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(value, "*"));
    switch (kind) {
    case Domain: return QStringLiteral("domain/") + encoded;
    case Ip:
        return QStringLiteral("ip/") + QString::fromLatin1(QUrl::toPercentEncoding(value, "/:"));
    case Autnum: return QStringLiteral("autnum/") + encoded;
    case Entity: return QStringLiteral("entity/") + encoded;
    case Nameserver: return QStringLiteral("nameserver/") + encoded;
    case DomainSearch: return QStringLiteral("domains?name=") + encoded;
    case NameserverSearch: return QStringLiteral("nameservers?name=") + encoded;
    case EntitySearch: return QStringLiteral("entities?fn=") + encoded;
    case EntityHandleSearch: return QStringLiteral("entities?handle=") + encoded;
    }
    return {};
}

RdapQuery::Registry RdapQuery::registry() const {
    switch (kind) {
    case Domain:
    case Nameserver:
    case DomainSearch:
    case NameserverSearch: return Dns;
    case Ip: return value.contains(QLatin1Char(':')) ? Ipv6 : Ipv4;
    case Autnum: return Asn;
    case Entity: return registryKey().isEmpty() ? NoRegistry : ObjectTags;
    case EntitySearch:
    case EntityHandleSearch: return NoRegistry;
    }
    return NoRegistry;
}

QString RdapQuery::registryKey() const {
    switch (kind) {
    case Ip: return value.section(QLatin1Char('/'), 0, 0);
    case Entity: {
        // A tagged handle ends in "-TAG" (RFC 8521): GOVI-ARIN.
        const qsizetype dash = value.lastIndexOf(QLatin1Char('-'));
        return dash > 0 && dash + 1 < value.size() ? value.mid(dash + 1) : QString();
    }
    default: return value;
    }
}

QString RdapQuery::described() const {
    static const char* const what[] = {
        "domain",       "address",       "AS number",          "entity",
        "name server",  "domain search", "name server search", "entity search",
        "handle search"};
    return QStringLiteral("the %1 %2").arg(QString::fromLatin1(what[kind]), value);
}

} // namespace net
