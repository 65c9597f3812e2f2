// SPDX-License-Identifier: MIT
// The RDAP bootstrap files and the object tags file on any bytes: a file that is refused gives
// no server, a server given is always HTTPS with a host, and no more entries are skipped than
// the file holds. The first byte picks the registry, the second the key looked up.
#include "net/rdap/BootstrapFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const auto registry = net::RdapQuery::Registry(data[0] % net::RdapQuery::NoRegistry);
    static const char* const keys[] = {
        "example.com", "xn--bcher-kva.test", "192.0.2.1", "2001:db8::1", "64500", "ARIN", "",
        "com"};
    const QString key = QString::fromLatin1(keys[data[1] % std::size(keys)]);
    const QByteArray json(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    const bool taken = net::bootstrap::isBootstrap(registry, json);
    const net::bootstrap::Bases bases = net::bootstrap::basesFor(registry, json, key);
    if (!taken && (!bases.https.isEmpty() || bases.plainOnly))
        std::abort();
    for (const QUrl& base : bases.https)
        if (base.scheme() != QLatin1String("https") || base.host().isEmpty())
            std::abort();
    if (bases.plainOnly && !bases.https.isEmpty())
        std::abort();
    const qsizetype entries =
        QJsonDocument::fromJson(json).object().value(QStringLiteral("services")).toArray().size();
    if (bases.skipped < 0 || bases.skipped > entries)
        std::abort();
    return 0;
}
