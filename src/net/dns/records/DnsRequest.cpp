// SPDX-License-Identifier: MIT
#include "DnsRequest.h"
#include "net/dns/DnsLibrary.h"
#include "net/engine/HostNames.h"
#include "platform/HostEntry.h"

namespace net {

namespace {

constexpr std::uint16_t CommonTypes[] = {LDNS_RR_TYPE_A,   LDNS_RR_TYPE_AAAA, LDNS_RR_TYPE_CNAME,
                                         LDNS_RR_TYPE_MX,  LDNS_RR_TYPE_NS,   LDNS_RR_TYPE_SOA,
                                         LDNS_RR_TYPE_TXT, LDNS_RR_TYPE_CAA};

// "host@port" into its parts; false for a port that is no number from 1 to 65535.
bool splitPort(QString& host, std::uint16_t& port) {
    const qsizetype at = host.lastIndexOf(QLatin1Char('@'));
    if (at < 0)
        return true;
    bool ok = false;
    const uint number = host.mid(at + 1).toUInt(&ok);
    if (!ok || number == 0 || number > 65535)
        return false;
    port = std::uint16_t(number);
    host.truncate(at);
    return true;
}

} // namespace

DnsServer DnsServer::parse(const QString& typed) {
    DnsServer server;
    const QString text = typed.trimmed();
    if (text.isEmpty() || text.compare(SystemText, Qt::CaseInsensitive) == 0)
        return server;
    if (text.compare(AuthoritativeText, Qt::CaseInsensitive) == 0) {
        server.kind = Authoritative;
        return server;
    }
    QString host = text;
    server.kind = Forwarder;
    if (host.startsWith(QLatin1String("tls://"), Qt::CaseInsensitive)) {
        server.kind = Tls;
        host = host.mid(6);
        const qsizetype hash = host.indexOf(QLatin1Char('#'));
        if (hash >= 0) {
            server.tlsName = host.mid(hash + 1).toUtf8();
            host.truncate(hash);
        }
    }
    if (!splitPort(host, server.port)) {
        server.error = QStringLiteral("Not a port: %1").arg(text);
        return server;
    }
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    const AsciiName ascii = asciiHost(host.toUtf8());
    if (host.isEmpty() || host.contains(QLatin1Char(' ')) || !ascii.error.isEmpty()) {
        server.error =
            ascii.error.isEmpty() ? QStringLiteral("Not a DNS server: %1").arg(text) : ascii.error;
        return server;
    }
    server.host = ascii.name;
    if (server.kind == Tls && server.tlsName.isEmpty())
        server.tlsName = server.host;
    return server;
}

QString DnsServer::describe() const {
    switch (kind) {
    case System: return QStringLiteral("the system resolver");
    case Authoritative: return QStringLiteral("the zone's own servers, found from the root");
    case Forwarder:
        return QStringLiteral("%1 port %2").arg(QString::fromUtf8(host)).arg(effectivePort());
    case Tls:
        return QStringLiteral("%1 port %2 over TLS (%3)")
            .arg(QString::fromUtf8(host))
            .arg(effectivePort())
            .arg(QString::fromUtf8(tlsName));
    }
    return {};
}

DnsComparison DnsComparison::of(const QString& serverText) {
    DnsComparison comparison;
    const QString text = serverText.trimmed();
    if (text.compare(DnsServer::EveryText, Qt::CaseInsensitive) == 0) {
        comparison.kind = EveryAuthoritative;
        return comparison;
    }
    if (!text.contains(QLatin1Char(',')))
        return comparison;
    comparison.kind = SideBySide;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString each = part.trimmed();
        if (each.isEmpty() || comparison.texts.contains(each, Qt::CaseInsensitive))
            continue;
        const DnsServer server = DnsServer::parse(each);
        if (server.kind == DnsServer::Authoritative ||
            each.compare(DnsServer::EveryText, Qt::CaseInsensitive) == 0) {
            comparison.error = QStringLiteral("Only resolvers can be compared side by side, "
                                              "not %1")
                                   .arg(each);
            return comparison;
        }
        if (!server.error.isEmpty()) {
            comparison.error = server.error;
            return comparison;
        }
        comparison.servers.append(server);
        comparison.texts.append(each);
    }
    if (comparison.servers.size() > MaxServers)
        comparison.error =
            QStringLiteral("At most %1 servers can be compared side by side").arg(MaxServers);
    return comparison;
}

std::optional<QList<std::uint16_t>> parseRecordTypes(const QString& text) {
    const QString name = text.trimmed();
    if (name.isEmpty() || name.compare(QLatin1String("Common"), Qt::CaseInsensitive) == 0)
        return QList<std::uint16_t>(std::begin(CommonTypes), std::end(CommonTypes));
    const QByteArray latin = name.toLatin1();
    const DnsLibrary* dns = DnsLibrary::get();
    if (!dns || name.contains(QLatin1Char(' ')) || latin.size() > 16)
        return std::nullopt;
    const ldns_rr_type type = dns->ldns_get_rr_type_by_name(latin.constData());
    // ldns reads TYPE0 and names it does not know as type 0.
    if (type == 0 || type > 65535)
        return std::nullopt;
    return QList<std::uint16_t>{std::uint16_t(type)};
}

QString recordTypeName(std::uint16_t type) {
    const DnsLibrary* dns = DnsLibrary::get();
    char* name = dns ? dns->ldns_rr_type2str(ldns_rr_type(type)) : nullptr;
    const QString text = name ? QString::fromLatin1(name) : QStringLiteral("TYPE%1").arg(type);
    free(name);
    return text;
}

QStringList offeredRecordTypes() {
    return {QStringLiteral("Common"), QStringLiteral("A"),    QStringLiteral("AAAA"),
            QStringLiteral("CNAME"),  QStringLiteral("MX"),   QStringLiteral("NS"),
            QStringLiteral("SOA"),    QStringLiteral("TXT"),  QStringLiteral("SRV"),
            QStringLiteral("CAA"),    QStringLiteral("PTR"),  QStringLiteral("DS"),
            QStringLiteral("DNSKEY"), QStringLiteral("TLSA"), QStringLiteral("HTTPS"),
            QStringLiteral("SVCB"),   QStringLiteral("NAPTR")};
}

QByteArray reverseName(const QByteArray& text) {
    // Only an address written out whole: "10" is a name, not the classic 0.0.0.10.
    const std::optional<platform::HostAddress> address = text.count('.') == 3 || text.contains(':')
                                                             ? platform::HostAddress::parse(text)
                                                             : std::nullopt;
    if (!address)
        return {};
    QByteArray name;
    if (address->family == AF_INET6) {
        static const char hex[] = "0123456789abcdef";
        for (int i = 15; i >= 0; --i) {
            const std::uint8_t byte = address->bytes[size_t(i)];
            name += hex[byte & 0x0F];
            name += '.';
            name += hex[byte >> 4];
            name += '.';
        }
        return name + "ip6.arpa.";
    }
    for (int i = 3; i >= 0; --i)
        name += QByteArray::number(address->bytes[size_t(i)]) + '.';
    return name + "in-addr.arpa.";
}

} // namespace net
