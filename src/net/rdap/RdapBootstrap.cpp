// SPDX-License-Identifier: MIT
#include "RdapBootstrap.h"
#include "platform/HostEntry.h"
#include "platform/RegularFile.h"
#include "platform/SafeSave.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <sys/stat.h>

namespace net {

namespace {

QJsonArray servicesOf(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object().value(QStringLiteral("services")).toArray();
}

// Whether address lies in the prefix "network/length".
bool inPrefix(const platform::HostAddress& address, const QString& prefix) {
    const qsizetype slash = prefix.indexOf(QLatin1Char('/'));
    const auto network = platform::HostAddress::parse(prefix.left(slash).toLatin1());
    bool ok = slash > 0;
    const int length = ok ? prefix.mid(slash + 1).toInt(&ok) : 0;
    const int bits = address.family == AF_INET6 ? 128 : 32;
    if (!ok || !network || network->family != address.family || length < 0 || length > bits)
        return false;
    for (int bit = 0; bit < length; ++bit) {
        const int mask = 0x80 >> (bit % 8);
        if ((network->bytes[size_t(bit / 8)] & mask) != (address.bytes[size_t(bit / 8)] & mask))
            return false;
    }
    return true;
}

// How well an entry of the file matches the query: -1 for not at all, else the longer the
// better (a domain suffix's length, a prefix length, an AS range's narrowness).
qint64 matchLength(RdapBootstrap::Kind kind, const QString& entry, const QByteArray& query) {
    switch (kind) {
    case RdapBootstrap::Domains: {
        const QString name = QString::fromLatin1(query).toLower();
        const QString label = entry.toLower();
        const bool matches =
            !label.isEmpty() && (name == label || name.endsWith(QLatin1Char('.') + label));
        return matches ? label.size() : -1;
    }
    case RdapBootstrap::Ipv4:
    case RdapBootstrap::Ipv6: {
        const auto address = platform::HostAddress::parse(query);
        if (!address || !inPrefix(*address, entry))
            return -1;
        return entry.mid(entry.indexOf(QLatin1Char('/')) + 1).toInt();
    }
    case RdapBootstrap::AsNumbers: {
        bool ok = false;
        const qint64 number = query.toLongLong(&ok);
        const qsizetype dash = entry.indexOf(QLatin1Char('-'));
        bool lowOk = false;
        bool highOk = false;
        const qint64 low = entry.left(dash).toLongLong(&lowOk);
        const qint64 high = dash < 0 ? low : entry.mid(dash + 1).toLongLong(&highOk);
        if (!ok || !lowOk || (dash >= 0 && !highOk) || number < low || number > high)
            return -1;
        return (qint64(1) << 32) - (high - low); // the narrowest range wins
    }
    }
    return -1;
}

} // namespace

QString RdapBootstrap::remoteName(Kind kind) {
    static const char* const names[] = {"dns.json", "ipv4.json", "ipv6.json", "asn.json"};
    return QString::fromLatin1(names[kind]);
}

QString RdapBootstrap::fileName(Kind kind) {
    return QStringLiteral("rdap-") + remoteName(kind);
}

bool RdapBootstrap::isBootstrap(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonValue services = document.object().value(QStringLiteral("services"));
    if (!services.isArray() || services.toArray().isEmpty())
        return false;
    for (const QJsonValue& service : services.toArray()) {
        const QJsonArray pair = service.toArray();
        if (pair.size() < 2 || !pair.at(0).isArray() || !pair.at(1).isArray())
            return false;
        for (const QJsonArray& list : {pair.at(0).toArray(), pair.at(1).toArray()})
            for (const QJsonValue& item : list)
                if (!item.isString())
                    return false;
    }
    return true;
}

QUrl RdapBootstrap::baseFor(Kind kind, const QByteArray& json, const QByteArray& query) {
    QUrl best;
    qint64 bestLength = -1;
    for (const QJsonValue& service : servicesOf(json)) {
        const QJsonArray entry = service.toArray();
        for (const QJsonValue& key : entry.at(0).toArray()) {
            const qint64 length = matchLength(kind, key.toString(), query);
            if (length <= bestLength)
                continue;
            QUrl chosen;
            for (const QJsonValue& url : entry.at(1).toArray()) {
                const QUrl candidate(url.toString());
                if (candidate.scheme() == QLatin1String("https") || chosen.isEmpty())
                    chosen = candidate;
            }
            if (chosen.isValid() && !chosen.isEmpty()) {
                best = chosen;
                bestLength = length;
            }
        }
    }
    return best;
}

std::optional<RdapBootstrap::Cached> RdapBootstrap::read(const QString& folder, Kind kind) {
    const platform::RegularFile file = platform::readRegularFile(
        folder + QLatin1Char('/') + fileName(kind), MaxSize, platform::LinkPolicy::ReplaceLinks);
    if (!file.ok() || !isBootstrap(file.bytes))
        return std::nullopt;
    Cached cached;
    cached.json = file.bytes;
    cached.ageSeconds = (QDateTime::currentMSecsSinceEpoch() - file.modified) / 1000;
    if (file.modified > QDateTime::currentMSecsSinceEpoch() + 60 * 1000)
        cached.ageSeconds = -1; // dated in the future: stale
    return cached;
}

bool RdapBootstrap::write(const QString& folder, Kind kind, const QByteArray& json) {
    if (!isBootstrap(json))
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
    return platform::saveWholeFile(folder + QLatin1Char('/') + fileName(kind), json, options) ==
           platform::SaveOutcome::Saved;
}

} // namespace net
