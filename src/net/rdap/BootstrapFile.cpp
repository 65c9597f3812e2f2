// SPDX-License-Identifier: MIT
#include "BootstrapFile.h"

#include "platform/HostEntry.h"
#include <algorithm>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace net::bootstrap {

namespace {

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

// How well an entry of the file matches the key: -1 for not at all, else the longer the
// better (a domain suffix's length, a prefix length, an AS range's narrowness).
qint64 matchLength(RdapQuery::Registry registry, const QString& entry, const QString& key) {
    switch (registry) {
    case RdapQuery::Dns: {
        const QString name = key.toLower();
        const QString label = entry.toLower();
        const bool matches =
            !label.isEmpty() && (name == label || name.endsWith(QLatin1Char('.') + label));
        return matches ? label.size() : -1;
    }
    case RdapQuery::Ipv4:
    case RdapQuery::Ipv6: {
        const auto address = platform::HostAddress::parse(key.toLatin1());
        if (!address || !inPrefix(*address, entry))
            return -1;
        return entry.mid(entry.indexOf(QLatin1Char('/')) + 1).toInt();
    }
    case RdapQuery::Asn: {
        bool ok = false;
        const qint64 number = key.toLongLong(&ok);
        const qsizetype dash = entry.indexOf(QLatin1Char('-'));
        bool lowOk = false;
        bool highOk = false;
        const qint64 low = entry.left(dash).toLongLong(&lowOk);
        const qint64 high = dash < 0 ? low : entry.mid(dash + 1).toLongLong(&highOk);
        if (!ok || !lowOk || (dash >= 0 && !highOk) || number < low || number > high)
            return -1;
        return (qint64(1) << 32) - (high - low); // the narrowest range wins
    }
    case RdapQuery::ObjectTags: return entry.compare(key, Qt::CaseInsensitive) == 0 ? 1 : -1;
    case RdapQuery::NoRegistry: break;
    }
    return -1;
}

} // namespace

QString remoteName(RdapQuery::Registry registry) {
    static const char* const names[] = {"dns.json", "ipv4.json",        "ipv6.json",
                                        "asn.json", "object-tags.json", ""};
    return QString::fromLatin1(names[registry]);
}

namespace {

// Whether one entry of "services" has the file's shape: lists of strings, enough of them.
bool wellFormed(RdapQuery::Registry registry, const QJsonValue& service) {
    // The object tags file puts the service providers' contacts before the tags and the URLs.
    const qsizetype parts = registry == RdapQuery::ObjectTags ? 3 : 2;
    if (!service.isArray() || service.toArray().size() < parts)
        return false;
    for (const QJsonValue& list : service.toArray()) {
        if (!list.isArray())
            return false;
        for (const QJsonValue& item : list.toArray())
            if (!item.isString())
                return false;
    }
    return true;
}

QJsonArray servicesOf(const QByteArray& json, bool* parsed = nullptr) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    const QJsonValue services = document.object().value(QStringLiteral("services"));
    if (parsed)
        *parsed =
            error.error == QJsonParseError::NoError && document.isObject() && services.isArray();
    return services.toArray();
}

} // namespace

bool isBootstrap(RdapQuery::Registry registry, const QByteArray& json) {
    bool parsed = false;
    const QJsonArray services = servicesOf(json, &parsed);
    // One entry another registry wrote wrongly spoils only itself: a file is refused only when
    // no entry at all has the file's shape.
    return parsed && std::any_of(services.begin(), services.end(), [registry](const QJsonValue& s) {
               return wellFormed(registry, s);
           });
}

Bases basesFor(RdapQuery::Registry registry, const QByteArray& json, const QString& key) {
    const QJsonArray services = servicesOf(json);
    const int keys = registry == RdapQuery::ObjectTags ? 1 : 0;
    Bases best;
    qint64 bestLength = -1;
    int skipped = 0;
    for (const QJsonValue& service : services) {
        if (!wellFormed(registry, service)) {
            ++skipped;
            continue;
        }
        const QJsonArray entry = service.toArray();
        for (const QJsonValue& candidate : entry.at(keys).toArray()) {
            const qint64 length = matchLength(registry, candidate.toString(), key);
            if (length <= bestLength)
                continue;
            Bases found;
            for (const QJsonValue& url : entry.at(keys + 1).toArray()) {
                const QUrl base(url.toString());
                if (base.scheme() == QLatin1String("https") && !base.host().isEmpty())
                    found.https.append(base);
                else
                    found.plainOnly = true;
            }
            found.plainOnly = found.plainOnly && found.https.isEmpty();
            best = found;
            bestLength = length;
        }
    }
    best.skipped = skipped;
    return best;
}

} // namespace net::bootstrap
