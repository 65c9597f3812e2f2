// SPDX-License-Identifier: MIT
#include "JsonReport.h"
#include "TerminalText.h"
#include "view/ReplyText.h"

#include <QJsonDocument>

namespace terminal {

namespace {

QByteArray compact(const QJsonValue& value) {
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    // A lone value: written inside an array, then taken out of it.
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

void JsonReport::setOutcome(net::Answer answer, const QString& status) {
    m_outcome = {{QStringLiteral("answered"), answer != net::Answer::None},
                 {QStringLiteral("status"), status}};
    // Said only when true, so a whole answer's outcome reads as it always has.
    if (answer == net::Answer::Partial)
        m_outcome.insert(QStringLiteral("partial"), true);
    if (answer == net::Answer::Differs)
        m_outcome.insert(QStringLiteral("differ"), true);
}

void JsonReport::exchange(const net::TranscriptExchange& exchange) {
    view::ReplyText decoder; // the text as the window shows it
    QString text = decoder.convert(exchange.received);
    text += decoder.finish();
    QJsonObject json{{QStringLiteral("server"), QString::fromLatin1(exchange.host)},
                     {QStringLiteral("port"), exchange.port},
                     {QStringLiteral("request"), QString::fromUtf8(exchange.request)},
                     {QStringLiteral("received"), text},
                     {QStringLiteral("bytes"), qint64(exchange.received.size())},
                     {QStringLiteral("outcome"), exchange.outcome},
                     {QStringLiteral("status"), exchange.status}};
    if (exchange.address)
        json.insert(QStringLiteral("address"), exchange.address->text());
    if (exchange.cut)
        json.insert(QStringLiteral("cut"), true);
    m_exchanges.append(json);
}

void JsonReport::httpAnswer(const QString& kind, const QUrl& url, int status,
                            const QByteArray& body) {
    m_http.append({kind, url, status, body});
}

void JsonReport::record(const QString& name, const QJsonValue& value) {
    m_records.insert(name, value);
}

QByteArray JsonReport::document() const {
    // Written by hand at the top, so that a server's JSON goes in as a value, not as a string.
    QByteArray out = "{\"program\":\"Vintrel " VINTREL_VERSION "\",\"query\":" + compact(m_query);
    if (!m_exchanges.isEmpty())
        out += ",\"exchanges\":" + compact(m_exchanges);
    if (!m_http.isEmpty()) {
        out += ",\"http\":[";
        for (qsizetype i = 0; i < m_http.size(); ++i) {
            const Http& http = m_http[i];
            QJsonObject head{{QStringLiteral("kind"), http.kind},
                             {QStringLiteral("url"), http.url.toString()},
                             {QStringLiteral("status"), http.status}};
            QByteArray entry = compact(head);
            if (!http.body.isEmpty()) {
                // Written anew from what was read, never pasted as sent: a lenient read takes
                // bodies no strict reader would (raw control characters, a byte-order mark).
                QJsonParseError error{};
                const QJsonDocument parsed = QJsonDocument::fromJson(http.body, &error);
                const QByteArray answer = error.error == QJsonParseError::NoError
                                              ? parsed.toJson(QJsonDocument::Compact)
                                              : compact(QString::fromUtf8(http.body));
                entry.chop(1); // the closing brace
                entry += ",\"answer\":" + answer + '}';
            }
            out += (i ? "," : "") + entry;
        }
        out += ']';
    }
    for (auto record = m_records.begin(); record != m_records.end(); ++record)
        out += ",\"" + record.key().toUtf8() + "\":" + compact(record.value());
    if (!m_lookup.isEmpty())
        out += ",\"lookup\":" + compact(m_lookup);
    out += ",\"outcome\":" + compact(m_outcome) + "}\n";
    return safeJsonText(QString::fromUtf8(out)).toUtf8();
}

} // namespace terminal
