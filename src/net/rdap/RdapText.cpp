// SPDX-License-Identifier: MIT
#include "RdapText.h"
#include "RdapCard.h"
#include "RdapWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace net {

namespace {

QString str(const QJsonObject& object, const char* key) {
    return RdapWriter::scalar(object.value(QLatin1String(key)));
}

QStringList strings(const QJsonValue& list) {
    QStringList out;
    for (const QJsonValue& item : list.toArray())
        out.append(RdapWriter::scalar(item));
    out.removeAll(QString());
    return out;
}

QString capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// Members every object may hold, which the renderer shows in its own words.
const QSet<QString>& commonMembers() {
    static const QSet<QString> members = {QStringLiteral("objectClassName"),
                                          QStringLiteral("handle"),
                                          QStringLiteral("status"),
                                          QStringLiteral("events"),
                                          QStringLiteral("entities"),
                                          QStringLiteral("remarks"),
                                          QStringLiteral("notices"),
                                          QStringLiteral("links"),
                                          QStringLiteral("port43"),
                                          QStringLiteral("rdapConformance"),
                                          QStringLiteral("lang"),
                                          QStringLiteral("publicIds"),
                                          QStringLiteral("redacted"),
                                          QStringLiteral("vcardArray"),
                                          QStringLiteral("roles"),
                                          QStringLiteral("asEventActor")};
    return members;
}

class Renderer {
public:
    Renderer(RdapWriter& out, RdapText& result) : m_out(out), m_result(result) {}

    void answer(const QJsonObject& object) {
        m_port43 = str(object, "port43");
        const QString kind = str(object, "objectClassName");
        if (object.contains(QStringLiteral("domainSearchResults")) ||
            object.contains(QStringLiteral("entitySearchResults")) ||
            object.contains(QStringLiteral("nameserverSearchResults")))
            searchResults(object);
        else if (kind == QLatin1String("ip network") ||
                 object.contains(QStringLiteral("startAddress")))
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

private:
    void domain(const QJsonObject& object) {
        const QString ldh = str(object, "ldhName");
        const QString unicode = str(object, "unicodeName");
        m_out.line(0, QStringLiteral("Domain"), ldh);
        if (unicode != ldh)
            m_out.line(0, QStringLiteral("Unicode name"), unicode);
        basics(0, object);
        const QJsonArray servers = object.value(QStringLiteral("nameservers")).toArray();
        if (!servers.isEmpty())
            m_out.heading(0, QStringLiteral("Name servers"));
        for (const QJsonValue& server : servers)
            nameserver(1, server.toObject());
        secureDns(object.value(QStringLiteral("secureDNS")).toObject());
        finish(0, object,
               {QStringLiteral("ldhName"), QStringLiteral("unicodeName"),
                QStringLiteral("nameservers"), QStringLiteral("secureDNS")});
    }

    void network(const QJsonObject& object) {
        QStringList cidrs;
        for (const QJsonValue& value : object.value(QStringLiteral("cidr0_cidrs")).toArray()) {
            const QJsonObject cidr = value.toObject();
            const QString prefix = str(cidr, "v4prefix") + str(cidr, "v6prefix");
            cidrs.append(prefix + QLatin1Char('/') + str(cidr, "length"));
        }
        QString range =
            str(object, "startAddress") + QStringLiteral(" - ") + str(object, "endAddress");
        if (!cidrs.isEmpty())
            range += QStringLiteral(" (") + cidrs.join(QStringLiteral(", ")) + QLatin1Char(')');
        m_out.line(0, QStringLiteral("Network"), range);
        m_out.line(0, QStringLiteral("Name"), str(object, "name"));
        m_out.line(0, QStringLiteral("Type"), str(object, "type"));
        m_out.line(0, QStringLiteral("Country"), str(object, "country"));
        m_out.line(0, QStringLiteral("Parent"), str(object, "parentHandle"));
        m_out.line(0, QStringLiteral("IP version"), str(object, "ipVersion"));
        basics(0, object);
        finish(0, object,
               {QStringLiteral("startAddress"), QStringLiteral("endAddress"),
                QStringLiteral("cidr0_cidrs"), QStringLiteral("name"), QStringLiteral("type"),
                QStringLiteral("country"), QStringLiteral("parentHandle"),
                QStringLiteral("ipVersion")});
    }

    void autnum(const QJsonObject& object) {
        const QString start = str(object, "startAutnum");
        const QString end = str(object, "endAutnum");
        m_out.line(0, QStringLiteral("AS number"),
                   end.isEmpty() || end == start ? QStringLiteral("AS") + start
                                                 : QStringLiteral("AS%1 - AS%2").arg(start, end));
        m_out.line(0, QStringLiteral("Name"), str(object, "name"));
        m_out.line(0, QStringLiteral("Type"), str(object, "type"));
        m_out.line(0, QStringLiteral("Country"), str(object, "country"));
        basics(0, object);
        finish(0, object,
               {QStringLiteral("startAutnum"), QStringLiteral("endAutnum"), QStringLiteral("name"),
                QStringLiteral("type"), QStringLiteral("country")});
    }

    void entityAnswer(const QJsonObject& object) {
        m_out.line(0, QStringLiteral("Entity"), str(object, "handle"));
        m_out.line(0, QStringLiteral("Roles"),
                   strings(object.value(QStringLiteral("roles"))).join(QStringLiteral(", ")));
        writeCard(m_out, 0, object.value(QStringLiteral("vcardArray")));
        basics(0, object, false);
        const QJsonArray networks = object.value(QStringLiteral("networks")).toArray();
        if (!networks.isEmpty())
            m_out.heading(0, QStringLiteral("Networks"));
        for (const QJsonValue& value : networks) {
            const QJsonObject net = value.toObject();
            m_out.text(1, str(net, "startAddress") + QStringLiteral(" - ") +
                              str(net, "endAddress") + QStringLiteral(" (") + str(net, "name") +
                              QStringLiteral(", ") + str(net, "handle") + QLatin1Char(')'));
        }
        const QJsonArray autnums = object.value(QStringLiteral("autnums")).toArray();
        if (!autnums.isEmpty())
            m_out.heading(0, QStringLiteral("AS numbers"));
        for (const QJsonValue& value : autnums) {
            const QJsonObject as = value.toObject();
            m_out.text(1, QStringLiteral("AS") + str(as, "startAutnum") + QStringLiteral(" (") +
                              str(as, "name") + QStringLiteral(", ") + str(as, "handle") +
                              QLatin1Char(')'));
        }
        finish(0, object, {QStringLiteral("networks"), QStringLiteral("autnums")});
    }

    void nameserverAnswer(const QJsonObject& object) {
        m_out.line(0, QStringLiteral("Name server"), str(object, "ldhName"));
        if (str(object, "unicodeName") != str(object, "ldhName"))
            m_out.line(0, QStringLiteral("Unicode name"), str(object, "unicodeName"));
        addresses(0, object);
        basics(0, object);
        finish(0, object,
               {QStringLiteral("ldhName"), QStringLiteral("unicodeName"),
                QStringLiteral("ipAddresses")});
    }

    // A name server within a domain answer: its name, then what the answer says of it.
    void nameserver(int indent, const QJsonObject& object) {
        m_out.text(indent, str(object, "ldhName"));
        if (str(object, "unicodeName") != str(object, "ldhName"))
            m_out.line(indent + 1, QStringLiteral("Unicode name"), str(object, "unicodeName"));
        addresses(indent + 1, object);
        basics(indent + 1, object);
        finish(indent + 1, object,
               {QStringLiteral("ldhName"), QStringLiteral("unicodeName"),
                QStringLiteral("ipAddresses")});
    }

    void addresses(int indent, const QJsonObject& object) {
        const QJsonObject ip = object.value(QStringLiteral("ipAddresses")).toObject();
        QStringList all =
            strings(ip.value(QStringLiteral("v4"))) + strings(ip.value(QStringLiteral("v6")));
        m_out.line(indent, QStringLiteral("Addresses"), all.join(QStringLiteral(", ")));
        m_out.rest(indent, ip, {QStringLiteral("v4"), QStringLiteral("v6")}, 1);
    }

    void secureDns(const QJsonObject& dns) {
        if (dns.isEmpty())
            return;
        const QJsonValue signedZone = dns.value(QStringLiteral("delegationSigned"));
        if (signedZone.isBool())
            m_out.line(0, QStringLiteral("DNSSEC"),
                       signedZone.toBool() ? QStringLiteral("signed delegation")
                                           : QStringLiteral("unsigned delegation"));
        for (const QJsonValue& value : dns.value(QStringLiteral("dsData")).toArray()) {
            const QJsonObject ds = value.toObject();
            m_out.line(1, QStringLiteral("DS"),
                       QStringList{str(ds, "keyTag"), str(ds, "algorithm"), str(ds, "digestType"),
                                   str(ds, "digest")}
                           .join(QLatin1Char(' ')));
        }
        for (const QJsonValue& value : dns.value(QStringLiteral("keyData")).toArray()) {
            const QJsonObject key = value.toObject();
            m_out.line(1, QStringLiteral("DNSKEY"),
                       QStringList{str(key, "flags"), str(key, "protocol"), str(key, "algorithm"),
                                   str(key, "publicKey")}
                           .join(QLatin1Char(' ')));
        }
        m_out.rest(1, dns,
                   {QStringLiteral("delegationSigned"), QStringLiteral("dsData"),
                    QStringLiteral("keyData")},
                   1);
    }

    // Handle, status, public identifiers and events, which every object may hold.
    void basics(int indent, const QJsonObject& object, bool withHandle = true) {
        if (withHandle)
            m_out.line(indent, QStringLiteral("Handle"), str(object, "handle"));
        m_out.line(indent, QStringLiteral("Status"),
                   strings(object.value(QStringLiteral("status"))).join(QStringLiteral(", ")));
        for (const QJsonValue& value : object.value(QStringLiteral("publicIds")).toArray()) {
            const QJsonObject id = value.toObject();
            m_out.line(indent,
                       str(id, "type").isEmpty() ? QStringLiteral("Public ID") : str(id, "type"),
                       str(id, "identifier"));
        }
        events(indent, object.value(QStringLiteral("events")).toArray());
    }

    // Contacts, remarks, redactions, notices and links, then what has no words of its own.
    void finish(int indent, const QJsonObject& object, QSet<QString> known) {
        for (const QJsonValue& value : object.value(QStringLiteral("entities")).toArray())
            entity(indent, value.toObject(), 1);
        notes(indent, object.value(QStringLiteral("remarks")).toArray(), QStringLiteral("Remark"));
        redacted(indent, object.value(QStringLiteral("redacted")).toArray());
        notes(indent, object.value(QStringLiteral("notices")).toArray(), QStringLiteral("Notice"));
        links(indent, object.value(QStringLiteral("links")).toArray());
        known.unite(commonMembers());
        m_out.rest(indent, object, known, 1);
    }

    void events(int indent, const QJsonArray& list) {
        struct Event {
            QString date, action, actor;
        };
        QList<Event> all;
        for (const QJsonValue& value : list) {
            const QJsonObject event = value.toObject();
            all.append(
                {str(event, "eventDate"), str(event, "eventAction"), str(event, "eventActor")});
        }
        std::stable_sort(all.begin(), all.end(), [](const Event& a, const Event& b) {
            return !a.date.isEmpty() && (b.date.isEmpty() || a.date < b.date);
        });
        for (const Event& event : all)
            m_out.line(indent,
                       capitalised(event.action.isEmpty() ? QStringLiteral("event") : event.action),
                       event.actor.isEmpty() ? event.date
                                             : event.date + QStringLiteral(" by ") + event.actor);
    }

    void entity(int indent, const QJsonObject& object, int depth) {
        const QStringList roles = strings(object.value(QStringLiteral("roles")));
        m_out.heading(indent, capitalised(roles.isEmpty() ? QStringLiteral("contact")
                                                          : roles.join(QStringLiteral(", "))));
        m_out.line(indent + 1, QStringLiteral("Handle"), str(object, "handle"));
        writeCard(m_out, indent + 1, object.value(QStringLiteral("vcardArray")));
        basics(indent + 1, object, false);
        if (depth < RdapWriter::MaxDepth)
            for (const QJsonValue& inner : object.value(QStringLiteral("entities")).toArray())
                entity(indent + 1, inner.toObject(), depth + 1);
        notes(indent + 1, object.value(QStringLiteral("remarks")).toArray(),
              QStringLiteral("Remark"));
        redacted(indent + 1, object.value(QStringLiteral("redacted")).toArray());
        notes(indent + 1, object.value(QStringLiteral("notices")).toArray(),
              QStringLiteral("Notice"));
        links(indent + 1, object.value(QStringLiteral("links")).toArray());
        QSet<QString> known = commonMembers();
        if (depth >= RdapWriter::MaxDepth)
            known.remove(QStringLiteral("entities"));
        m_out.rest(indent + 1, object, known, depth + 1);
    }

    // Remarks and notices: the title, each description line on its own, then the links.
    void notes(int indent, const QJsonArray& list, const QString& label) {
        for (const QJsonValue& value : list) {
            const QJsonObject note = value.toObject();
            const QString title = str(note, "title");
            if (title.isEmpty())
                m_out.heading(indent, label);
            else
                m_out.line(indent, label, title);
            for (const QString& line : strings(note.value(QStringLiteral("description"))))
                for (QStringView part : QStringView(line).tokenize(u'\n', Qt::SkipEmptyParts))
                    m_out.text(indent + 1, part.trimmed());
            links(indent + 1, note.value(QStringLiteral("links")).toArray());
        }
    }

    void links(int indent, const QJsonArray& list) {
        for (const QJsonValue& value : list) {
            const QJsonObject link = value.toObject();
            const QString rel = str(link, "rel");
            const QString href = str(link, "href");
            m_out.line(indent,
                       rel.isEmpty() ? QStringLiteral("Link")
                                     : QStringLiteral("Link (") + rel + QLatin1Char(')'),
                       href);
        }
    }

    // RFC 9537: which fields the server left out or changed, and why.
    void redacted(int indent, const QJsonArray& list) {
        if (list.isEmpty())
            return;
        m_out.heading(indent, QStringLiteral("Redacted"));
        for (const QJsonValue& value : list) {
            const QJsonObject entry = value.toObject();
            const QJsonObject name = entry.value(QStringLiteral("name")).toObject();
            QString field = str(name, "type");
            if (field.isEmpty())
                field = str(name, "description");
            const QString method = str(entry, "method");
            QString how = method == QLatin1String("emptyValue")     ? QStringLiteral("emptied")
                          : method == QLatin1String("partialValue") ? QStringLiteral("partly shown")
                          : method == QLatin1String("replacementValue") ? QStringLiteral("replaced")
                                                                        : QStringLiteral("removed");
            const QJsonObject reason = entry.value(QStringLiteral("reason")).toObject();
            QString why = str(reason, "type");
            if (why.isEmpty())
                why = str(reason, "description");
            if (!why.isEmpty())
                how += QStringLiteral(" (") + why + QLatin1Char(')');
            m_out.line(indent + 1, field.isEmpty() ? QStringLiteral("A field") : field, how);
        }
    }

    void searchResults(const QJsonObject& object) {
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
                m_out.line(
                    2, QStringLiteral("Status"),
                    strings(found.value(QStringLiteral("status"))).join(QStringLiteral(", ")));
                m_out.line(
                    2, QStringLiteral("Roles"),
                    strings(found.value(QStringLiteral("roles"))).join(QStringLiteral(", ")));
                for (const QJsonValue& contact :
                     found.value(QStringLiteral("entities")).toArray()) {
                    const QJsonObject entity = contact.toObject();
                    const QString who = cardName(entity.value(QStringLiteral("vcardArray")));
                    m_out.line(2,
                               capitalised(strings(entity.value(QStringLiteral("roles")))
                                               .join(QStringLiteral(", "))),
                               who.isEmpty() ? str(entity, "handle") : who);
                }
            }
        }
        notes(0, object.value(QStringLiteral("notices")).toArray(), QStringLiteral("Notice"));
        QSet<QString> known = commonMembers();
        known.unite({QStringLiteral("domainSearchResults"),
                     QStringLiteral("nameserverSearchResults"),
                     QStringLiteral("entitySearchResults")});
        m_out.rest(0, object, known, 1);
    }

    RdapWriter& m_out;
    RdapText& m_result;
    QString m_port43;
};

} // namespace

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
    const QJsonObject object = document.object();
    RdapWriter out(RdapWriter::capacityFor(json.size()));
    if (object.contains(QStringLiteral("errorCode"))) {
        result.isErrorObject = true;
        out.line(0, QStringLiteral("Error"),
                 RdapWriter::scalar(object.value(QStringLiteral("errorCode"))));
        out.line(0, QStringLiteral("Title"), str(object, "title"));
        const QStringList description = strings(object.value(QStringLiteral("description")));
        if (!description.isEmpty())
            out.heading(0, QStringLiteral("Description"));
        for (const QString& line : description)
            out.text(1, line);
        result.text = out.take();
        return result;
    }
    Renderer(out, result).answer(object);
    result.text = out.take();
    return result;
}

} // namespace net
