// SPDX-License-Identifier: MIT
#pragma once
// IANA's RDAP bootstrap files (RFC 9224), which name the RDAP servers of domains, IPv4 and IPv6
// networks and AS numbers, and the object tags file (RFC 8521), which names those of tagged
// entity handles. A file is taken only when it parses as such a file ("services":
// [[[entries...], [urls...]], ...], with the service providers' contacts first in the object
// tags file); anything else (a captive portal's page, a cut file) is refused. An entry of
// another shape is skipped, and counted, while the others serve. RDAP is asked
// only over HTTPS: a base URL of plain HTTP is never chosen.

#include "RdapQuery.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

namespace net {

namespace bootstrap {

inline constexpr qint64 MaxSize = 4 * 1024 * 1024;

// The file's name where IANA publishes it ("dns.json", "object-tags.json", ...).
QString remoteName(RdapQuery::Registry registry);

bool isBootstrap(RdapQuery::Registry registry, const QByteArray& json);

// The base URLs the file gives for a key of its registry (a domain name in ASCII, an address,
// an AS number without "AS", a tag): those of the longest matching entry, HTTPS only. plainOnly
// tells when a matching entry named only plain-HTTP servers.
struct Bases {
    QList<QUrl> https;
    bool plainOnly = false;
    int skipped = 0; // entries of the file that are not of its shape
};
Bases basesFor(RdapQuery::Registry registry, const QByteArray& json, const QString& key);

} // namespace bootstrap

} // namespace net
