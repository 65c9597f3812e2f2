// SPDX-License-Identifier: MIT
#include "RdapCard.h"
#include "RdapRenderer.h"

#include <QCryptographicHash>
#include <QJsonDocument>

#include <algorithm>

namespace net::rdap {

namespace {

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

// Members whose words come only from a list: anything else under their name is left to the
// fallback.
const QSet<QString>& listMembers() {
    static const QSet<QString> members = {
        QStringLiteral("status"),      QStringLiteral("events"),
        QStringLiteral("entities"),    QStringLiteral("remarks"),
        QStringLiteral("notices"),     QStringLiteral("links"),
        QStringLiteral("publicIds"),   QStringLiteral("redacted"),
        QStringLiteral("roles"),       QStringLiteral("asEventActor"),
        QStringLiteral("networks"),    QStringLiteral("autnums"),
        QStringLiteral("nameservers"), QStringLiteral("rdapConformance")};
    return members;
}

} // namespace

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

QSet<QString> Renderer::knownOf(const QJsonObject& object, QSet<QString> known) {
    known.unite(commonMembers());
    for (auto it = object.begin(); it != object.end(); ++it)
        if (listMembers().contains(it.key()) && !it.value().isArray())
            known.remove(it.key());
    return known;
}

// Handle, status, public identifiers and events, which every object may hold.
void Renderer::basics(int indent, const QJsonObject& object, bool withHandle) {
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
    events(indent, object.value(QStringLiteral("events")));
}

// Contacts, remarks, redactions, notices and links, then what has no words of its own.
void Renderer::finish(int indent, const QJsonObject& object, QSet<QString> known, int depth) {
    for (const QJsonValue& value : object.value(QStringLiteral("entities")).toArray())
        entity(indent, value.toObject(), depth);
    notes(indent, object.value(QStringLiteral("remarks")), QStringLiteral("Remark"));
    redacted(indent, object.value(QStringLiteral("redacted")));
    notes(indent, object.value(QStringLiteral("notices")), QStringLiteral("Notice"));
    links(indent, object.value(QStringLiteral("links")));
    m_out.rest(indent, object, knownOf(object, std::move(known)), depth);
}

void Renderer::events(int indent, const QJsonValue& list, const QString& suffix) {
    struct Event {
        QString date, action, actor;
    };
    QList<Event> all;
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject event = value.toObject();
        all.append({str(event, "eventDate"), str(event, "eventAction"), str(event, "eventActor")});
    }
    std::stable_sort(all.begin(), all.end(), [](const Event& a, const Event& b) {
        return !a.date.isEmpty() && (b.date.isEmpty() || a.date < b.date);
    });
    for (const Event& event : all)
        m_out.line(
            indent,
            capitalised(event.action.isEmpty() ? QStringLiteral("event") : event.action) + suffix,
            event.actor.isEmpty() ? event.date : event.date + QStringLiteral(" by ") + event.actor);
}

void Renderer::entity(int indent, const QJsonObject& object, int depth) {
    const QStringList roles = strings(object.value(QStringLiteral("roles")));
    m_out.heading(indent, capitalised(roles.isEmpty() ? QStringLiteral("contact")
                                                      : roles.join(QStringLiteral(", "))));
    m_out.line(indent + 1, QStringLiteral("Handle"), str(object, "handle"));
    // The same contact under every name server is written out once and named after.
    const QByteArray key = QCryptographicHash::hash(
        QJsonDocument(object).toJson(QJsonDocument::Compact), QCryptographicHash::Sha1);
    if (m_cardsShown.contains(key)) {
        const QString name = cardName(object.value(QStringLiteral("vcardArray")));
        if (name.isEmpty())
            m_out.text(indent + 1, QStringLiteral("(as above)"));
        else
            m_out.line(indent + 1, QStringLiteral("Name"), name + QStringLiteral(" (as above)"));
        return;
    }
    m_cardsShown.insert(key);
    writeCard(m_out, indent + 1, object.value(QStringLiteral("vcardArray")));
    basics(indent + 1, object, false);
    events(indent + 1, object.value(QStringLiteral("asEventActor")), QStringLiteral(" (as actor)"));
    port43(indent + 1, object);
    networkBlocks(indent + 1, object.value(QStringLiteral("networks")), depth + 1);
    autnumBlocks(indent + 1, object.value(QStringLiteral("autnums")), depth + 1);
    if (depth < RdapWriter::MaxDepth)
        for (const QJsonValue& inner : object.value(QStringLiteral("entities")).toArray())
            entity(indent + 1, inner.toObject(), depth + 1);
    notes(indent + 1, object.value(QStringLiteral("remarks")), QStringLiteral("Remark"));
    redacted(indent + 1, object.value(QStringLiteral("redacted")));
    notes(indent + 1, object.value(QStringLiteral("notices")), QStringLiteral("Notice"));
    links(indent + 1, object.value(QStringLiteral("links")));
    QSet<QString> known = knownOf(object, {QStringLiteral("networks"), QStringLiteral("autnums")});
    if (depth >= RdapWriter::MaxDepth)
        known.remove(QStringLiteral("entities"));
    m_out.rest(indent + 1, object, known, depth + 1);
}

// A contact's own WhoIs server, where it differs from the answer's.
void Renderer::port43(int indent, const QJsonObject& object) {
    const QString own = str(object, "port43");
    if (own != m_port43)
        m_out.line(indent, QStringLiteral("WhoIs server (port 43)"), own);
}

// Remarks and notices: the title and the type, each description line on its own, then the
// links. Anything but a list is left to the fallback (false).
bool Renderer::notes(int indent, const QJsonValue& list, const QString& label) {
    if (!list.isArray())
        return false;
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject note = value.toObject();
        const QString title = str(note, "title");
        const QString type = str(note, "type");
        const QString named =
            type.isEmpty() ? label : label + QStringLiteral(" (") + type + QLatin1Char(')');
        if (title.isEmpty())
            m_out.heading(indent, named);
        else
            m_out.line(indent, named, title);
        for (const QString& line : strings(note.value(QStringLiteral("description"))))
            for (QStringView part : QStringView(line).tokenize(u'\n', Qt::SkipEmptyParts))
                m_out.text(indent + 1, part.trimmed());
        links(indent + 1, note.value(QStringLiteral("links")));
    }
    return true;
}

bool Renderer::links(int indent, const QJsonValue& list) {
    if (!list.isArray())
        return false;
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject link = value.toObject();
        const QString rel = str(link, "rel");
        const QString title = str(link, "title");
        QString href = str(link, "href");
        if (!title.isEmpty())
            href += QStringLiteral(" (") + title + QLatin1Char(')');
        m_out.line(indent,
                   rel.isEmpty() ? QStringLiteral("Link")
                                 : QStringLiteral("Link (") + rel + QLatin1Char(')'),
                   href);
    }
    return true;
}

// RFC 9537: which fields the server left out or changed, and why.
void Renderer::redacted(int indent, const QJsonValue& list) {
    const QJsonArray entries = list.toArray();
    if (entries.isEmpty())
        return;
    m_out.heading(indent, QStringLiteral("Redacted"));
    for (const QJsonValue& value : entries) {
        const QJsonObject entry = value.toObject();
        const QJsonObject name = entry.value(QStringLiteral("name")).toObject();
        QString field = str(name, "type");
        if (field.isEmpty())
            field = str(name, "description");
        const QString method = str(entry, "method");
        QString how = method == QLatin1String("emptyValue")         ? QStringLiteral("emptied")
                      : method == QLatin1String("partialValue")     ? QStringLiteral("partly shown")
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

QString Renderer::range(const QJsonObject& network) {
    QStringList cidrs;
    for (const QJsonValue& value : network.value(QStringLiteral("cidr0_cidrs")).toArray()) {
        const QJsonObject cidr = value.toObject();
        const QString prefix = str(cidr, "v4prefix") + str(cidr, "v6prefix");
        cidrs.append(prefix + QLatin1Char('/') + str(cidr, "length"));
    }
    QString text =
        str(network, "startAddress") + QStringLiteral(" - ") + str(network, "endAddress");
    if (!cidrs.isEmpty())
        text += QStringLiteral(" (") + cidrs.join(QStringLiteral(", ")) + QLatin1Char(')');
    return text;
}

QString Renderer::asRange(const QJsonObject& as) {
    const QString start = str(as, "startAutnum");
    const QString end = str(as, "endAutnum");
    return end.isEmpty() || end == start ? QStringLiteral("AS") + start
                                         : QStringLiteral("AS%1 - AS%2").arg(start, end);
}

// What a network holds after its range, at the answer's top or inside another object.
void Renderer::networkBody(int indent, const QJsonObject& network, int depth) {
    m_out.line(indent, QStringLiteral("Name"), str(network, "name"));
    m_out.line(indent, QStringLiteral("Type"), str(network, "type"));
    m_out.line(indent, QStringLiteral("Country"), str(network, "country"));
    m_out.line(indent, QStringLiteral("Parent"), str(network, "parentHandle"));
    m_out.line(indent, QStringLiteral("IP version"), str(network, "ipVersion"));
    basics(indent, network);
    QSet<QString> known{QStringLiteral("startAddress"), QStringLiteral("endAddress"),
                        QStringLiteral("cidr0_cidrs"),  QStringLiteral("name"),
                        QStringLiteral("type"),         QStringLiteral("country"),
                        QStringLiteral("parentHandle"), QStringLiteral("ipVersion")};
    if (depth < RdapWriter::MaxDepth)
        finish(indent, network, std::move(known), depth);
}

void Renderer::autnumBody(int indent, const QJsonObject& as, int depth) {
    m_out.line(indent, QStringLiteral("Name"), str(as, "name"));
    m_out.line(indent, QStringLiteral("Type"), str(as, "type"));
    m_out.line(indent, QStringLiteral("Country"), str(as, "country"));
    basics(indent, as);
    QSet<QString> known{QStringLiteral("startAutnum"), QStringLiteral("endAutnum"),
                        QStringLiteral("name"), QStringLiteral("type"), QStringLiteral("country")};
    if (depth < RdapWriter::MaxDepth)
        finish(indent, as, std::move(known), depth);
}

void Renderer::networkBlocks(int indent, const QJsonValue& list, int depth) {
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject network = value.toObject();
        m_out.line(indent, QStringLiteral("Network"), range(network));
        networkBody(indent + 1, network, depth + 1);
    }
}

void Renderer::autnumBlocks(int indent, const QJsonValue& list, int depth) {
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject as = value.toObject();
        m_out.line(indent, QStringLiteral("AS number"), asRange(as));
        autnumBody(indent + 1, as, depth + 1);
    }
}

// A domain's variants (RFC 9083): the names, with how they relate and the IDN table.
void Renderer::variants(const QJsonValue& list) {
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject variant = value.toObject();
        QStringList names;
        for (const QJsonValue& name : variant.value(QStringLiteral("variantNames")).toArray()) {
            const QJsonObject one = name.toObject();
            const QString ldh = str(one, "ldhName");
            const QString unicode = str(one, "unicodeName");
            names.append(unicode.isEmpty() || unicode == ldh
                             ? ldh
                             : ldh + QStringLiteral(" (") + unicode + QLatin1Char(')'));
        }
        const QStringList relations = strings(variant.value(QStringLiteral("relation")));
        m_out.line(0,
                   relations.isEmpty()
                       ? QStringLiteral("Variant")
                       : QStringLiteral("Variant (") + relations.join(QStringLiteral(", ")) +
                             QLatin1Char(')'),
                   names.join(QStringLiteral(", ")));
        m_out.line(1, QStringLiteral("IDN table"), str(variant, "idnTable"));
    }
}

} // namespace net::rdap
