// SPDX-License-Identifier: MIT
#include "DelegationFaults.h"

#include <QHostAddress>
#include <QSet>

namespace net {

namespace {

// Whether name (lower case, with its final dot) is zone or a name below it.
bool isInside(const QByteArray& name, const QByteArray& zone) {
    return zone == "." || name == zone || name.endsWith('.' + zone);
}

QString text(const QByteArray& name) {
    return QString::fromLatin1(name);
}

QString namesText(const QStringList& names) {
    if (names.size() < 2)
        return names.join(QString());
    return names.first(names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           names.last();
}

// The network of each address of one family: an IPv4 /24 or an IPv6 /48, as text.
QSet<QString> networks(const ZoneServers& zone, int family) {
    QSet<QString> found;
    for (const NameServerAddresses& server : zone.servers)
        for (const QList<platform::HostAddress>* list : {&server.addresses, &server.glue})
            for (const platform::HostAddress& address : *list) {
                if (address.family != family)
                    continue;
                const QHostAddress host(address.text());
                if (family == AF_INET) {
                    found.insert(QHostAddress(host.toIPv4Address() & 0xFFFFFF00u).toString() +
                                 QStringLiteral("/24"));
                } else {
                    Q_IPV6ADDR bytes = host.toIPv6Address();
                    std::fill(std::begin(bytes.c) + 6, std::end(bytes.c), 0);
                    found.insert(QHostAddress(bytes).toString() + QStringLiteral("/48"));
                }
            }
    return found;
}

} // namespace

QList<DelegationFault> delegationFaults(const ZoneServers& zone) {
    QList<DelegationFault> faults;
    QStringList names;
    QStringList aliases;
    QStringList withoutGlue;
    QStringList glueOutside;
    for (const NameServerAddresses& server : zone.servers) {
        if (!server.inZone && !server.atParent)
            continue;
        names.append(text(server.name));
        if (!server.aliasOf.isEmpty())
            aliases.append(
                QStringLiteral("%1 (of %2)").arg(text(server.name), text(server.aliasOf)));
        if (!zone.delegationSeen || !server.atParent)
            continue;
        const bool inside = isInside(server.name, zone.zone);
        if (inside && server.glue.isEmpty())
            withoutGlue.append(text(server.name));
        // Glue for a sibling (a name elsewhere in the parent's zone) may be given; glue for a
        // name outside the parent's zone is nothing the parent can vouch for.
        if (!inside && !isInside(server.name, zone.parent) && !server.glue.isEmpty())
            glueOutside.append(text(server.name));
    }
    if (!aliases.isEmpty())
        faults.append({QStringLiteral("a name server is an alias"),
                       QStringLiteral("%1 %2 an alias (CNAME): a name server's name must have "
                                      "address records of its own, not an alias (RFC 2181 "
                                      "§10.3)")
                           .arg(namesText(aliases), aliases.size() == 1 ? u"is" : u"are"),
                       aliases});
    if (!withoutGlue.isEmpty())
        faults.append({QStringLiteral("glue missing at the parent"),
                       QStringLiteral("%1 %2 inside %3, but the parent gives no glue for %4: "
                                      "it cannot be reached from the delegation alone "
                                      "(RFC 9471)")
                           .arg(namesText(withoutGlue), withoutGlue.size() == 1 ? u"is" : u"are",
                                text(zone.zone), withoutGlue.size() == 1 ? u"it" : u"them"),
                       withoutGlue});
    if (!glueOutside.isEmpty())
        faults.append({QStringLiteral("glue outside the zone"),
                       QStringLiteral("the parent gives glue for %1, outside %2 and outside "
                                      "its own zone %3: nothing it can vouch for, and "
                                      "resolvers must not trust it (RFC 9471)")
                           .arg(namesText(glueOutside), text(zone.zone), text(zone.parent)),
                       glueOutside});
    if (names.size() == 1)
        faults.append({QStringLiteral("one name server"),
                       QStringLiteral("%1 is the only name server: a single point of failure "
                                      "(RFC 1034 §4.1 asks for at least two)")
                           .arg(names.first()),
                       names});
    const QSet<QString> v4 = networks(zone, AF_INET);
    const QSet<QString> v6 = networks(zone, AF_INET6);
    if (names.size() > 1 && v4.size() + v6.size() == 1)
        faults.append({QStringLiteral("one network"),
                       QStringLiteral("every address of the name servers is in %1: one network "
                                      "is a single point of failure (RFC 2182 §3.1)")
                           .arg(*(v4.isEmpty() ? v6 : v4).begin()),
                       names});
    return faults;
}

} // namespace net
