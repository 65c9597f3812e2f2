// SPDX-License-Identifier: MIT
#include "RdapText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace net {

namespace {

constexpr int MaxDepth = 6; // entities within entities; deeper ones are shown flat

QString scalar(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::String: return value.toString();
    case QJsonValue::Double: return QString::number(value.toDouble(), 'g', 17);
    case QJsonValue::Bool: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Null: return QStringLiteral("null");
    default:
        return QString::fromUtf8(QJsonDocument(value.isArray() ? QJsonDocument(value.toArray())
                                                               : QJsonDocument(value.toObject()))
                                     .toJson(QJsonDocument::Compact));
    }
}

// One line a string: no line break inside a value can make up lines of its own.
QString oneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

class Writer {
public:
    QString out;

    void line(int indent, const QString& label, const QString& value) {
        if (value.isEmpty())
            return;
        out += QString(indent * 2, QLatin1Char(' ')) + oneLine(label) + QStringLiteral(": ") +
               oneLine(value) + QLatin1Char('\n');
    }

    // Every member not in known, as key: value lines, nested keys joined with dots.
    void rest(int indent, const QJsonObject& object, const QSet<QString>& known,
              const QString& prefix = QString()) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (known.contains(it.key()))
                continue;
            const QString key = prefix.isEmpty() ? it.key() : prefix + QLatin1Char('.') + it.key();
            if (it->isObject() && prefix.count(QLatin1Char('.')) < MaxDepth)
                rest(indent, it->toObject(), {}, key);
            else if (it->isArray() && !it->toArray().isEmpty() &&
                     std::all_of(
                         it->toArray().begin(), it->toArray().end(),
                         [](const QJsonValue& v) { return !v.isObject() && !v.isArray(); })) {
                QStringList items;
                for (const QJsonValue& item : it->toArray())
                    items.append(scalar(item));
                line(indent, key, items.join(QStringLiteral(", ")));
            } else {
                line(indent, key, scalar(*it));
            }
        }
    }

    void events(int indent, const QJsonArray& list) {
        static const QHash<QString, QString> names = {
            {QStringLiteral("registration"), QStringLiteral("Registration")},
            {QStringLiteral("expiration"), QStringLiteral("Expiration")},
            {QStringLiteral("last changed"), QStringLiteral("Last changed")},
            {QStringLiteral("last update of RDAP database"), QStringLiteral("Database updated")},
        };
        for (const QJsonValue& value : list) {
            const QJsonObject event = value.toObject();
            const QString action = event.value(QStringLiteral("eventAction")).toString();
            line(indent, names.value(action, action),
                 event.value(QStringLiteral("eventDate")).toString());
        }
    }

    // The fields of a jCard (RFC 7095): ["vcard", [[name, params, type, value...], ...]].
    void vcard(int indent, const QJsonValue& card) {
        const QJsonArray properties = card.toArray().at(1).toArray();
        static const QHash<QString, QString> labels = {
            {QStringLiteral("fn"), QStringLiteral("Name")},
            {QStringLiteral("org"), QStringLiteral("Organisation")},
            {QStringLiteral("email"), QStringLiteral("E-mail")},
            {QStringLiteral("tel"), QStringLiteral("Phone")},
            {QStringLiteral("adr"), QStringLiteral("Address")},
            {QStringLiteral("kind"), QStringLiteral("Kind")},
        };
        for (const QJsonValue& value : properties) {
            const QJsonArray property = value.toArray();
            const QString name = property.at(0).toString();
            if (name == QLatin1String("version"))
                continue;
            QStringList parts;
            const QJsonObject parameters = property.at(1).toObject();
            if (name == QLatin1String("adr") && parameters.contains(QStringLiteral("label")))
                parts.append(scalar(parameters.value(QStringLiteral("label"))));
            for (qsizetype i = 3; i < property.size() && parts.isEmpty(); ++i) {
                const QJsonValue part = property.at(i);
                if (part.isArray()) {
                    for (const QJsonValue& piece : part.toArray()) {
                        const QString text = piece.isArray() ? scalar(piece) : piece.toString();
                        if (!text.isEmpty())
                            parts.append(text);
                    }
                } else if (!scalar(part).isEmpty()) {
                    parts.append(scalar(part));
                }
            }
            line(indent, labels.value(name, name), parts.join(QStringLiteral(", ")));
        }
    }

    void entity(int indent, const QJsonObject& object, int depth) {
        QStringList roles;
        for (const QJsonValue& role : object.value(QStringLiteral("roles")).toArray())
            roles.append(role.toString());
        QString title =
            roles.isEmpty() ? QStringLiteral("Entity") : roles.join(QStringLiteral(", "));
        if (!title.isEmpty())
            title[0] = title[0].toUpper();
        out += QString(indent * 2, QLatin1Char(' ')) + oneLine(title) + QStringLiteral(":\n");
        line(indent + 1, QStringLiteral("Handle"),
             object.value(QStringLiteral("handle")).toString());
        if (object.contains(QStringLiteral("vcardArray")))
            vcard(indent + 1, object.value(QStringLiteral("vcardArray")));
        events(indent + 1, object.value(QStringLiteral("events")).toArray());
        QSet<QString> known = {QStringLiteral("roles"),           QStringLiteral("handle"),
                               QStringLiteral("vcardArray"),      QStringLiteral("events"),
                               QStringLiteral("objectClassName"), QStringLiteral("links")};
        if (depth < MaxDepth) {
            known.insert(QStringLiteral("entities"));
            for (const QJsonValue& inner : object.value(QStringLiteral("entities")).toArray())
                entity(indent + 1, inner.toObject(), depth + 1);
        }
        rest(indent + 1, object, known);
    }

    void notices(const QJsonArray& list, const QString& label) {
        for (const QJsonValue& value : list) {
            const QJsonObject notice = value.toObject();
            QStringList description;
            for (const QJsonValue& text : notice.value(QStringLiteral("description")).toArray())
                description.append(oneLine(text.toString()));
            const QString title = notice.value(QStringLiteral("title")).toString();
            line(0,
                 title.isEmpty() ? label : label + QStringLiteral(" (") + title + QLatin1Char(')'),
                 description.join(QLatin1Char(' ')));
        }
    }
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
    Writer w;
    if (object.contains(QStringLiteral("errorCode"))) {
        result.isErrorObject = true;
        w.line(0, QStringLiteral("Error"), scalar(object.value(QStringLiteral("errorCode"))));
        w.line(0, QStringLiteral("Title"), object.value(QStringLiteral("title")).toString());
        QStringList description;
        for (const QJsonValue& text : object.value(QStringLiteral("description")).toArray())
            description.append(text.toString());
        w.line(0, QStringLiteral("Description"), description.join(QLatin1Char(' ')));
        result.text = w.out;
        return result;
    }
    const QString ldh = object.value(QStringLiteral("ldhName")).toString();
    const QString unicode = object.value(QStringLiteral("unicodeName")).toString();
    w.line(0, QStringLiteral("Domain"), ldh);
    if (unicode != ldh)
        w.line(0, QStringLiteral("Unicode name"), unicode);
    w.line(0, QStringLiteral("Handle"), object.value(QStringLiteral("handle")).toString());
    QStringList status;
    for (const QJsonValue& value : object.value(QStringLiteral("status")).toArray())
        status.append(value.toString());
    w.line(0, QStringLiteral("Status"), status.join(QStringLiteral(", ")));
    w.events(0, object.value(QStringLiteral("events")).toArray());
    for (const QJsonValue& value : object.value(QStringLiteral("nameservers")).toArray())
        w.line(0, QStringLiteral("Name server"),
               value.toObject().value(QStringLiteral("ldhName")).toString());
    for (const QJsonValue& value : object.value(QStringLiteral("entities")).toArray())
        w.entity(0, value.toObject(), 1);
    w.notices(object.value(QStringLiteral("remarks")).toArray(), QStringLiteral("Remark"));
    w.notices(object.value(QStringLiteral("notices")).toArray(), QStringLiteral("Notice"));
    w.rest(0, object,
           {QStringLiteral("ldhName"), QStringLiteral("unicodeName"), QStringLiteral("handle"),
            QStringLiteral("status"), QStringLiteral("events"), QStringLiteral("nameservers"),
            QStringLiteral("entities"), QStringLiteral("remarks"), QStringLiteral("notices"),
            QStringLiteral("objectClassName"), QStringLiteral("links"),
            QStringLiteral("rdapConformance")});
    result.text = w.out;
    return result;
}

} // namespace net
