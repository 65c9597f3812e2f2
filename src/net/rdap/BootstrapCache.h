// SPDX-License-Identifier: MIT
#pragma once
// The copies the program keeps of the RDAP bootstrap files, in a private folder of the user's
// cache ($XDG_CACHE_HOME/vintrel, mode 0700, each file 0600). Only a file that parses as a
// bootstrap file is kept or taken, so a good copy is never replaced by a bad one. The cache is
// the program's own: a link or other file swapped in under its name is never followed, read or
// written through, and a FIFO there cannot hold the program (see RegularFile, SafeSave).

#include "RdapQuery.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace net::bootstrap {

inline constexpr qint64 MaxAgeSeconds = 24 * 60 * 60; // then fetched anew
// A copy that names no server for a query is fetched anew when older than this.
inline constexpr qint64 RecheckAgeSeconds = 60 * 60;

// The file's name in the cache ("rdap-dns.json", ...).
QString cacheName(RdapQuery::Registry registry);

struct Cached {
    QByteArray json;
    qint64 ageSeconds = 0; // -1: dated in the future, which counts as stale
    bool fresh() const { return ageSeconds >= 0 && ageSeconds < MaxAgeSeconds; }
};
std::optional<Cached> readCached(const QString& folder, RdapQuery::Registry registry);
// Keeps json, unless it is no bootstrap file; false when it was not kept.
bool writeCached(const QString& folder, RdapQuery::Registry registry, const QByteArray& json);

} // namespace net::bootstrap
