// SPDX-License-Identifier: MIT
#pragma once
// IANA's RDAP bootstrap files (RFC 9224), which name the RDAP servers of domains, IPv4 and IPv6
// networks and AS numbers, and the cache the program keeps of them. A file is taken, and
// cached, only when it parses as a bootstrap file ("services": [[[entries...], [urls...]],
// ...]); anything else (a captive portal's page, a cut file) is refused, and a good copy is
// never replaced by a bad one. The cache is the program's own: a link or other file swapped in
// under its name is never followed, read or written through.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace net {

class RdapBootstrap {
public:
    enum Kind { Domains, Ipv4, Ipv6, AsNumbers };

    static constexpr qint64 MaxSize = 4 * 1024 * 1024;
    static constexpr qint64 MaxAgeSeconds = 24 * 60 * 60; // then fetched anew
    // A cached copy that names no server for a query is fetched anew when older than this.
    static constexpr qint64 RecheckAgeSeconds = 60 * 60;

    // The file's name where IANA publishes it ("dns.json", ...) and in the cache
    // ("rdap-dns.json", ...).
    static QString remoteName(Kind kind);
    static QString fileName(Kind kind);

    static bool isBootstrap(const QByteArray& json);
    // The base URL the file gives for a query of its kind (a domain in ASCII, an address, an
    // AS number without "AS"): the longest matching entry, an https URL preferred. Empty when
    // the file names none.
    static QUrl baseFor(Kind kind, const QByteArray& json, const QByteArray& query);

    struct Cached {
        QByteArray json;
        qint64 ageSeconds = 0; // a file dated in the future counts as stale
        bool fresh() const { return ageSeconds >= 0 && ageSeconds < MaxAgeSeconds; }
    };
    // The cached file of a kind, when it is a regular file that parses as a bootstrap file.
    static std::optional<Cached> read(const QString& folder, Kind kind);
    // Keeps json in the cache (folder made with mode 0700, the file 0600), unless it is no
    // bootstrap file. false when it was not kept.
    static bool write(const QString& folder, Kind kind, const QByteArray& json);
};

} // namespace net
