// SPDX-License-Identifier: MIT
#include "RdapWriter.h"

#include <QLocale>

#include <cmath>

namespace net {

namespace {

// One line a piece: a line break inside a value turns into a blank.
void appendOneLine(QString& out, QStringView text) {
    const qsizetype start = out.size();
    out += text;
    for (qsizetype i = start; i < out.size(); ++i)
        if (out[i] == u'\n' || out[i] == u'\r')
            out[i] = u' ';
}

QStringView shortKey(QStringView key, QString& scratch) {
    if (key.size() <= RdapWriter::MaxKey)
        return key;
    scratch = key.first(RdapWriter::MaxKey).toString() + QChar(0x2026);
    return scratch;
}

} // namespace

QString RdapWriter::scalar(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::String: return value.toString();
    case QJsonValue::Double: {
        const double number = value.toDouble();
        if (std::trunc(number) == number && std::fabs(number) < 9007199254740992.0)
            return QString::number(qint64(number));
        return QString::number(number, 'g', QLocale::FloatingPointShortest);
    }
    case QJsonValue::Bool: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Null: return QStringLiteral("null");
    default: return {};
    }
}

bool RdapWriter::room(qsizetype needed) {
    if (m_full)
        return false;
    if (m_out.size() + needed <= m_capacity)
        return true;
    m_full = true;
    m_out += QStringLiteral("--- the rest of the answer is not shown: it would pass %1 "
                            "characters ---\n")
                 .arg(m_capacity);
    return false;
}

void RdapWriter::indentBy(int indent) {
    m_out += QString(2 * indent, u' ');
}

void RdapWriter::line(int indent, QStringView label, QStringView value) {
    if (value.isEmpty())
        return;
    QString scratch;
    const QStringView key = shortKey(label, scratch);
    if (!room(2 * indent + key.size() + value.size() + 3))
        return;
    indentBy(indent);
    appendOneLine(m_out, key);
    m_out += u": ";
    appendOneLine(m_out, value);
    m_out += u'\n';
}

void RdapWriter::heading(int indent, QStringView label) {
    QString scratch;
    const QStringView key = shortKey(label, scratch);
    if (!room(2 * indent + key.size() + 2))
        return;
    indentBy(indent);
    appendOneLine(m_out, key);
    m_out += u":\n";
}

void RdapWriter::text(int indent, QStringView value) {
    if (value.isEmpty() || !room(2 * indent + value.size() + 1))
        return;
    indentBy(indent);
    appendOneLine(m_out, value);
    m_out += u'\n';
}

void RdapWriter::rest(int indent, const QJsonObject& object, const QSet<QString>& known,
                      int depth) {
    for (auto it = object.begin(); it != object.end() && !m_full; ++it)
        if (!known.contains(it.key()))
            value(indent, it.key(), it.value(), depth);
}

void RdapWriter::value(int indent, const QString& key, const QJsonValue& item, int depth) {
    if (item.isObject()) {
        const QJsonObject object = item.toObject();
        if (object.isEmpty())
            return;
        if (depth >= MaxDepth) {
            line(indent, key, u"(nested too deep to show)");
            return;
        }
        heading(indent, key);
        rest(indent + 1, object, {}, depth + 1);
        return;
    }
    if (!item.isArray()) {
        line(indent, key, scalar(item));
        return;
    }
    const QJsonArray list = item.toArray();
    const bool scalars = std::all_of(list.begin(), list.end(), [](const QJsonValue& v) {
        return !v.isObject() && !v.isArray();
    });
    if (list.isEmpty())
        return;
    if (scalars && list.size() == 1) {
        line(indent, key, scalar(list.first()));
        return;
    }
    if (depth >= MaxDepth) {
        line(indent, key, u"(nested too deep to show)");
        return;
    }
    if (scalars) {
        heading(indent, key);
        for (const QJsonValue& element : list)
            text(indent + 1, scalar(element));
        return;
    }
    // A list of objects or lists: each element under the key, one after another.
    for (const QJsonValue& element : list) {
        if (m_full)
            return;
        if (element.isObject() && !element.toObject().isEmpty()) {
            heading(indent, key);
            rest(indent + 1, element.toObject(), {}, depth + 1);
        } else {
            value(indent, key, element, depth + 1);
        }
    }
}

} // namespace net
