// SPDX-License-Identifier: MIT
#pragma once
// The lines an RDAP answer becomes, written with a bound: the text never grows past a small
// multiple of the answer (a line then says the rest is not shown), a key is shown at most
// MaxKey characters long, no value can break a line apart, and nesting deeper than MaxDepth is
// named rather than followed. Members the renderer has no words for are shown here as
// indented "key: value" lines, one value a line, never as JSON text.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QString>
#include <QStringView>

namespace net {

class RdapWriter {
public:
    static constexpr qsizetype MaxKey = 64;
    static constexpr int MaxDepth = 8;

    // The most characters written for an answer of answerBytes bytes.
    static qsizetype capacityFor(qsizetype answerBytes) { return 4 * answerBytes + 64 * 1024; }

    explicit RdapWriter(qsizetype capacity) : m_capacity(capacity) {}

    // "label: value"; nothing for an empty value.
    void line(int indent, QStringView label, QStringView value);
    // "label:", a heading for the lines below it.
    void heading(int indent, QStringView label);
    // A line of its own (a notice's description, an address line).
    void text(int indent, QStringView value);
    // Every member of object not in known, as indented key: value lines.
    void rest(int indent, const QJsonObject& object, const QSet<QString>& known, int depth);
    void value(int indent, const QString& key, const QJsonValue& value, int depth);

    bool full() const { return m_full; }
    QString take() { return std::move(m_out); }

    // A JSON scalar as text: numbers as the answer wrote them (integers without a fraction),
    // true/false/null as words.
    static QString scalar(const QJsonValue& value);

private:
    bool room(qsizetype needed);
    void indentBy(int indent);

    QString m_out;
    qsizetype m_capacity;
    bool m_full = false;
};

} // namespace net
