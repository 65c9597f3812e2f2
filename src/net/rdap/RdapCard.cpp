// SPDX-License-Identifier: MIT
#include "RdapCard.h"

#include <QHash>
#include <QStringList>

namespace net {

namespace {

// The values of a property after its name, parameters and type, each piece a string.
QStringList pieces(const QJsonArray& property) {
    QStringList out;
    for (qsizetype i = 3; i < property.size(); ++i) {
        const QJsonValue part = property.at(i);
        if (part.isArray()) {
            for (const QJsonValue& piece : part.toArray()) {
                if (piece.isArray()) {
                    for (const QJsonValue& inner : piece.toArray())
                        out.append(RdapWriter::scalar(inner));
                } else {
                    out.append(RdapWriter::scalar(piece));
                }
            }
        } else {
            out.append(RdapWriter::scalar(part));
        }
    }
    out.removeAll(QString());
    return out;
}

// The type parameter of a property, lower case: a string or a list of strings.
QStringList types(const QJsonObject& parameters) {
    const QJsonValue type = parameters.value(QStringLiteral("type"));
    QStringList out;
    if (type.isArray())
        for (const QJsonValue& one : type.toArray())
            out.append(one.toString().toLower());
    else
        out = type.toString().toLower().split(QLatin1Char(','), Qt::SkipEmptyParts);
    return out;
}

QString phoneLabel(const QStringList& kinds) {
    if (kinds.contains(QLatin1String("fax")))
        return QStringLiteral("Fax");
    if (kinds.contains(QLatin1String("cell")))
        return QStringLiteral("Mobile");
    if (kinds.contains(QLatin1String("text")) && !kinds.contains(QLatin1String("voice")))
        return QStringLiteral("Text");
    return QStringLiteral("Phone");
}

// "tel:+1.5555550100;ext=12" reads "+1.5555550100 ext. 12".
QString phoneNumber(QString value) {
    if (value.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
        value = value.mid(4);
    const qsizetype extension = value.indexOf(QLatin1String(";ext="), 0, Qt::CaseInsensitive);
    if (extension >= 0)
        value = value.left(extension) + QStringLiteral(" ext. ") + value.mid(extension + 5);
    return value;
}

// The components of a structured value, each a string or a list of strings.
QStringList component(const QJsonArray& fields, int i) {
    const QJsonValue value = fields.at(i);
    QStringList parts;
    if (value.isArray())
        for (const QJsonValue& part : value.toArray())
            parts.append(RdapWriter::scalar(part));
    else
        parts.append(RdapWriter::scalar(value));
    parts.removeAll(QString());
    return parts;
}

// "n": [family, given, additional, prefixes, suffixes] reads as a person says it, given name
// first: "Dr. Jane Q. Doe Jr.".
QString personName(const QJsonArray& property) {
    const QJsonArray fields = property.at(3).toArray();
    if (fields.isEmpty())
        return pieces(property).join(QLatin1Char(' '));
    QStringList words;
    for (int i : {3, 1, 2, 0, 4})
        words += component(fields, i);
    return words.join(QLatin1Char(' '));
}

void writeAddress(RdapWriter& out, int indent, const QJsonArray& property) {
    const QJsonObject parameters = property.at(1).toObject();
    const QString label = parameters.value(QStringLiteral("label")).toString();
    if (!label.trimmed().isEmpty()) {
        out.heading(indent, QStringLiteral("Address"));
        for (QStringView line : QStringView(label).tokenize(u'\n', Qt::SkipEmptyParts))
            out.text(indent + 1, line.trimmed());
        return;
    }
    // [post office box, extended address, street, locality, region, postal code, country]
    const QJsonArray fields = property.at(3).toArray();
    const auto field = [&](int i) { return component(fields, i); };
    bool empty = true;
    for (int i = 0; i < 7; ++i)
        empty = empty && field(i).isEmpty();
    if (empty)
        return; // nothing to put under a heading
    out.heading(indent, QStringLiteral("Address"));
    for (int i : {0, 1, 2})
        for (const QString& line : field(i))
            out.text(indent + 1, line);
    QStringList town = field(3) + field(4) + field(5);
    out.text(indent + 1, town.join(QLatin1Char(' ')));
    for (const QString& line : field(6))
        out.text(indent + 1, line);
}

} // namespace

QString cardName(const QJsonValue& card) {
    for (const QJsonValue& value : card.toArray().at(1).toArray()) {
        const QJsonArray property = value.toArray();
        if (property.at(0).toString() == QLatin1String("fn"))
            return pieces(property).join(QLatin1Char(' '));
    }
    return {};
}

void writeCard(RdapWriter& out, int indent, const QJsonValue& card) {
    static const QHash<QString, QString> labels = {
        {QStringLiteral("fn"), QStringLiteral("Name")},
        {QStringLiteral("org"), QStringLiteral("Organisation")},
        {QStringLiteral("title"), QStringLiteral("Title")},
        {QStringLiteral("role"), QStringLiteral("Role")},
        {QStringLiteral("email"), QStringLiteral("E-mail")},
        {QStringLiteral("url"), QStringLiteral("Web")},
        {QStringLiteral("kind"), QStringLiteral("Kind")},
        {QStringLiteral("contact-uri"), QStringLiteral("Contact")},
        {QStringLiteral("lang"), QStringLiteral("Language")},
        {QStringLiteral("n"), QStringLiteral("Full name")},
        {QStringLiteral("geo"), QStringLiteral("Location")},
        {QStringLiteral("note"), QStringLiteral("Note")},
    };
    // The name first, as a person reads a card, whatever the order of its fields.
    QJsonArray properties;
    for (const bool names : {true, false})
        for (const QJsonValue& value : card.toArray().at(1).toArray())
            if ((RdapWriter::scalar(value.toArray().at(0)).toLower() == QLatin1String("fn")) ==
                names)
                properties.append(value);
    for (const QJsonValue& value : properties) {
        if (out.full())
            return;
        const QJsonArray property = value.toArray();
        const QString name = RdapWriter::scalar(property.at(0)).toLower();
        if (name.isEmpty() || name == QLatin1String("version"))
            continue;
        if (name == QLatin1String("adr")) {
            writeAddress(out, indent, property);
        } else if (name == QLatin1String("n")) {
            out.line(indent, labels.value(name), personName(property));
        } else if (name == QLatin1String("tel")) {
            const QString number = phoneNumber(pieces(property).join(QLatin1Char(' ')));
            out.line(indent, phoneLabel(types(property.at(1).toObject())), number);
        } else if (name == QLatin1String("email") && !types(property.at(1).toObject()).isEmpty()) {
            // Which address is for what: "work", "abuse", ...
            out.line(indent,
                     labels.value(name) + QStringLiteral(" (") +
                         types(property.at(1).toObject()).join(QStringLiteral(", ")) +
                         QLatin1Char(')'),
                     pieces(property).join(QStringLiteral(", ")));
        } else {
            out.line(indent, labels.value(name, name), pieces(property).join(QStringLiteral(", ")));
        }
    }
}

} // namespace net
