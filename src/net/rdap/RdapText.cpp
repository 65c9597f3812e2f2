// SPDX-License-Identifier: MIT
#include "RdapText.h"
#include "RdapCard.h"
#include "RdapRenderer.h"

#include <QJsonDocument>

namespace net {

namespace rdap {

void Renderer::answer(const QJsonObject& object) {
    m_port43 = str(object, "port43");
    const QString kind = str(object, "objectClassName");
    if (object.contains(QStringLiteral("errorCode")))
        errorAnswer(object);
    else if (object.contains(QStringLiteral("domainSearchResults")) ||
             object.contains(QStringLiteral("entitySearchResults")) ||
             object.contains(QStringLiteral("nameserverSearchResults")))
        searchResults(object);
    else if (kind == QLatin1String("ip network") || object.contains(QStringLiteral("startAddress")))
        network(object);
    else if (kind == QLatin1String("autnum") || object.contains(QStringLiteral("startAutnum")))
        autnum(object);
    else if (kind == QLatin1String("entity") || object.contains(QStringLiteral("vcardArray")))
        entityAnswer(object);
    else if (kind == QLatin1String("nameserver"))
        nameserverAnswer(object);
    else
        domain(object);
    for (const QJsonValue& link : object.value(QStringLiteral("links")).toArray()) {
        const QJsonObject one = link.toObject();
        if (str(one, "rel") == QLatin1String("related") &&
            str(one, "type").startsWith(QLatin1String("application/rdap+json")))
            m_result.related.append(QUrl(str(one, "href")));
    }
    m_out.line(0, QStringLiteral("WhoIs server (port 43)"), m_port43);
}

void Renderer::domain(const QJsonObject& object) {
    const QString ldh = str(object, "ldhName");
    const QString unicode = str(object, "unicodeName");
    m_out.line(0, QStringLiteral("Domain"), ldh);
    if (unicode != ldh)
        m_out.line(0, QStringLiteral("Unicode name"), unicode);
    variants(object.value(QStringLiteral("variants")));
    basics(0, object);
    const QJsonArray servers = object.value(QStringLiteral("nameservers")).toArray();
    if (!servers.isEmpty())
        m_out.heading(0, QStringLiteral("Name servers"));
    for (const QJsonValue& server : servers)
        nameserver(1, server.toObject());
    secureDns(object.value(QStringLiteral("secureDNS")).toObject());
    // A reverse domain holds the network it names.
    const QJsonValue reverse = object.value(QStringLiteral("network"));
    if (reverse.isObject())
        networkBlocks(0, QJsonArray{reverse}, 0);
    QSet<QString> known{QStringLiteral("ldhName"), QStringLiteral("unicodeName"),
                        QStringLiteral("nameservers"), QStringLiteral("secureDNS")};
    if (object.value(QStringLiteral("variants")).isArray())
        known.insert(QStringLiteral("variants"));
    if (reverse.isObject())
        known.insert(QStringLiteral("network"));
    finish(0, object, known);
}

void Renderer::network(const QJsonObject& object) {
    m_out.line(0, QStringLiteral("Network"), range(object));
    networkBody(0, object, 0);
}

void Renderer::autnum(const QJsonObject& object) {
    m_out.line(0, QStringLiteral("AS number"), asRange(object));
    autnumBody(0, object, 0);
}

void Renderer::entityAnswer(const QJsonObject& object) {
    m_out.line(0, QStringLiteral("Entity"), str(object, "handle"));
    m_out.line(0, QStringLiteral("Roles"),
               strings(object.value(QStringLiteral("roles"))).join(QStringLiteral(", ")));
    writeCard(m_out, 0, object.value(QStringLiteral("vcardArray")));
    basics(0, object, false);
    events(0, object.value(QStringLiteral("asEventActor")), QStringLiteral(" (as actor)"));
    networkBlocks(0, object.value(QStringLiteral("networks")), 0);
    autnumBlocks(0, object.value(QStringLiteral("autnums")), 0);
    finish(0, object, {QStringLiteral("networks"), QStringLiteral("autnums")});
}

void Renderer::nameserverAnswer(const QJsonObject& object) {
    m_out.line(0, QStringLiteral("Name server"), str(object, "ldhName"));
    if (str(object, "unicodeName") != str(object, "ldhName"))
        m_out.line(0, QStringLiteral("Unicode name"), str(object, "unicodeName"));
    addresses(0, object);
    basics(0, object);
    finish(
        0, object,
        {QStringLiteral("ldhName"), QStringLiteral("unicodeName"), QStringLiteral("ipAddresses")});
}

// A name server within a domain answer: its name, then what the answer says of it.
void Renderer::nameserver(int indent, const QJsonObject& object) {
    m_out.text(indent, str(object, "ldhName"));
    if (str(object, "unicodeName") != str(object, "ldhName"))
        m_out.line(indent + 1, QStringLiteral("Unicode name"), str(object, "unicodeName"));
    addresses(indent + 1, object);
    basics(indent + 1, object);
    finish(
        indent + 1, object,
        {QStringLiteral("ldhName"), QStringLiteral("unicodeName"), QStringLiteral("ipAddresses")});
}

void Renderer::addresses(int indent, const QJsonObject& object) {
    const QJsonObject ip = object.value(QStringLiteral("ipAddresses")).toObject();
    QStringList all =
        strings(ip.value(QStringLiteral("v4"))) + strings(ip.value(QStringLiteral("v6")));
    m_out.line(indent, QStringLiteral("Addresses"), all.join(QStringLiteral(", ")));
    m_out.rest(indent, ip, {QStringLiteral("v4"), QStringLiteral("v6")}, 1);
}

void Renderer::secureDns(const QJsonObject& dns) {
    if (dns.isEmpty())
        return;
    const QJsonValue signedZone = dns.value(QStringLiteral("delegationSigned"));
    if (signedZone.isBool())
        m_out.line(0, QStringLiteral("DNSSEC"),
                   signedZone.toBool() ? QStringLiteral("signed delegation")
                                       : QStringLiteral("unsigned delegation"));
    const QJsonValue zoneSigned = dns.value(QStringLiteral("zoneSigned"));
    if (zoneSigned.isBool())
        m_out.line(1, QStringLiteral("Zone signed"),
                   zoneSigned.toBool() ? QStringLiteral("yes") : QStringLiteral("no"));
    const QString lifetime = str(dns, "maxSigLife");
    if (!lifetime.isEmpty())
        m_out.line(1, QStringLiteral("Longest signature life"), lifetime + QStringLiteral(" s"));
    // Each key with its own events (when it was added or rolled, say).
    for (const QJsonValue& value : dns.value(QStringLiteral("dsData")).toArray()) {
        const QJsonObject ds = value.toObject();
        m_out.line(1, QStringLiteral("DS"),
                   QStringList{str(ds, "keyTag"), str(ds, "algorithm"), str(ds, "digestType"),
                               str(ds, "digest")}
                       .join(QLatin1Char(' ')));
        events(2, ds.value(QStringLiteral("events")));
    }
    for (const QJsonValue& value : dns.value(QStringLiteral("keyData")).toArray()) {
        const QJsonObject key = value.toObject();
        m_out.line(1, QStringLiteral("DNSKEY"),
                   QStringList{str(key, "flags"), str(key, "protocol"), str(key, "algorithm"),
                               str(key, "publicKey")}
                       .join(QLatin1Char(' ')));
        events(2, key.value(QStringLiteral("events")));
    }
    QSet<QString> known{QStringLiteral("delegationSigned"), QStringLiteral("dsData"),
                        QStringLiteral("keyData")};
    if (zoneSigned.isBool())
        known.insert(QStringLiteral("zoneSigned"));
    if (!lifetime.isEmpty() && !dns.value(QStringLiteral("maxSigLife")).isObject() &&
        !dns.value(QStringLiteral("maxSigLife")).isArray())
        known.insert(QStringLiteral("maxSigLife"));
    m_out.rest(1, dns, known, 1);
}

void Renderer::searchResults(const QJsonObject& object) {
    struct Kind {
        const char* key;
        const char* title;
    };
    for (const Kind kind : {Kind{"domainSearchResults", "Domains found"},
                            Kind{"nameserverSearchResults", "Name servers found"},
                            Kind{"entitySearchResults", "Entities found"}}) {
        const QJsonArray results = object.value(QLatin1String(kind.key)).toArray();
        if (!object.contains(QLatin1String(kind.key)))
            continue;
        m_out.line(0, QString::fromLatin1(kind.title), QString::number(results.size()));
        for (const QJsonValue& value : results) {
            if (m_out.full())
                return;
            const QJsonObject found = value.toObject();
            QString name = str(found, "ldhName");
            if (name.isEmpty())
                name = cardName(found.value(QStringLiteral("vcardArray")));
            m_out.text(1, name.isEmpty() ? str(found, "handle") : name);
            m_out.line(2, QStringLiteral("Handle"), str(found, "handle"));
            m_out.line(2, QStringLiteral("Status"),
                       strings(found.value(QStringLiteral("status"))).join(QStringLiteral(", ")));
            m_out.line(2, QStringLiteral("Roles"),
                       strings(found.value(QStringLiteral("roles"))).join(QStringLiteral(", ")));
            for (const QJsonValue& contact : found.value(QStringLiteral("entities")).toArray()) {
                const QJsonObject entity = contact.toObject();
                const QString who = cardName(entity.value(QStringLiteral("vcardArray")));
                m_out.line(
                    2,
                    capitalised(
                        strings(entity.value(QStringLiteral("roles"))).join(QStringLiteral(", "))),
                    who.isEmpty() ? str(entity, "handle") : who);
            }
            links(2, found.value(QStringLiteral("links")));
        }
    }
    notes(0, object.value(QStringLiteral("notices")), QStringLiteral("Notice"));
    QSet<QString> known{QStringLiteral("domainSearchResults"),
                        QStringLiteral("nameserverSearchResults"),
                        QStringLiteral("entitySearchResults")};
    m_out.rest(0, object, knownOf(object, known), 1);
}

// An RDAP error object: the code, the title and the description, and all the same what the
// server said around it (its notices and links, its WhoIs server).
void Renderer::errorAnswer(const QJsonObject& object) {
    m_result.isErrorObject = true;
    m_out.line(0, QStringLiteral("Error"),
               RdapWriter::scalar(object.value(QStringLiteral("errorCode"))));
    m_out.line(0, QStringLiteral("Title"), str(object, "title"));
    const QStringList description = strings(object.value(QStringLiteral("description")));
    if (!description.isEmpty())
        m_out.heading(0, QStringLiteral("Description"));
    for (const QString& line : description)
        m_out.text(1, line);
    finish(0, object,
           {QStringLiteral("errorCode"), QStringLiteral("title"), QStringLiteral("description")});
}

} // namespace rdap

RdapText rdapToText(const QByteArray& json) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    RdapText result;
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        result.error = QStringLiteral("The RDAP answer is not valid JSON: ") +
                       (parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                     : QStringLiteral("no object"));
        return result;
    }
    RdapWriter out(RdapWriter::capacityFor(json.size()));
    rdap::Renderer(out, result).answer(document.object());
    result.text = out.take();
    return result;
}

} // namespace net
