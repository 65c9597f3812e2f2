// SPDX-License-Identifier: MIT
#include "BootstrapCache.h"
#include "BootstrapFile.h"
#include "platform/RegularFile.h"
#include "platform/SafeSave.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace net::bootstrap {

QString cacheName(RdapQuery::Registry registry) {
    return QStringLiteral("rdap-") + remoteName(registry);
}

std::optional<Cached> readCached(const QString& folder, RdapQuery::Registry registry) {
    const platform::RegularFile file =
        platform::readRegularFile(folder + QLatin1Char('/') + cacheName(registry), MaxSize,
                                  platform::LinkPolicy::ReplaceLinks);
    if (!file.ok() || !isBootstrap(registry, file.bytes))
        return std::nullopt;
    Cached cached;
    cached.json = file.bytes;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    cached.ageSeconds = (now - file.modified) / 1000;
    if (file.modified > now + 60 * 1000)
        cached.ageSeconds = -1; // dated in the future: stale
    return cached;
}

bool writeCached(const QString& folder, RdapQuery::Registry registry, const QByteArray& json) {
    if (!isBootstrap(registry, json))
        return false;
    // The cache home may not exist yet; the program's own folder in it is private.
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    if (slash > 0)
        QDir().mkpath(folder.left(slash));
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    platform::SaveOptions options;
    options.links = platform::LinkPolicy::ReplaceLinks;
    options.newFileMode = 0600;
    return platform::saveWholeFile(folder + QLatin1Char('/') + cacheName(registry), json,
                                   options) == platform::SaveOutcome::Saved;
}

} // namespace net::bootstrap
