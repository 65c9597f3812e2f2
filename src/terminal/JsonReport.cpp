// SPDX-License-Identifier: MIT
#include "JsonReport.h"
#include "JsonText.h"
#include "TerminalText.h"

#include <QJsonDocument>
#include <QStringDecoder>

#include <functional>

namespace terminal {

namespace {

// JSON as QJsonDocument writes it, with the characters a terminal acts on escaped.
QByteArray safe(const QByteArray& json) {
    return safeJsonText(QString::fromUtf8(json)).toUtf8();
}

QByteArray compact(const QJsonValue& value) {
    if (value.isObject())
        return safe(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isArray())
        return safe(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    // A lone value: written inside an array, then taken out of it.
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return safe(array.mid(1, array.size() - 2));
}

// Bytes as members of json, so a reader gets them back exactly: name holds them as text when
// they are well-formed UTF-8 (a byte-order mark, CR and NUL kept as they came); otherwise name
// holds shown (the text as the window shows it) and name + "Base64" the bytes themselves.
void putBytes(QJsonObject& json, const QString& name, const QByteArray& bytes,
              const std::function<QString()>& shown) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        json.insert(name, text);
        return;
    }
    json.insert(name, shown());
    json.insert(name + QStringLiteral("Base64"), QString::fromLatin1(bytes.toBase64()));
}

// An exchange: its members, then what was received, by the rule of putBytes.
void appendExchange(QByteArray& out, const QJsonObject& head, const QByteArray& received) {
    out += compact(head);
    out.chop(1); // the closing brace
    out += ",\"received\":";
    if (received.isValidUtf8()) {
        appendUtf8AsJson(out, received);
    } else {
        appendWindowTextAsJson(out, received);
        out += ",\"receivedBase64\":";
        appendBase64AsJson(out, received);
    }
    out += '}';
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
    if (answer == net::Answer::Faults)
        m_outcome.insert(QStringLiteral("faults"), true);
}

void JsonReport::exchange(const net::TranscriptExchange& exchange) {
    QJsonObject json{{QStringLiteral("server"), QString::fromLatin1(exchange.host)},
                     {QStringLiteral("port"), exchange.port},
                     {QStringLiteral("bytes"), qint64(exchange.bytesReceived)},
                     {QStringLiteral("outcome"), exchange.outcome},
                     {QStringLiteral("status"), exchange.status}};
    putBytes(json, QStringLiteral("request"), exchange.request,
             [&] { return QString::fromUtf8(exchange.request); });
    if (exchange.address)
        json.insert(QStringLiteral("address"), exchange.address->text());
    if (quint64(exchange.received.size()) < exchange.bytesReceived) {
        json.insert(QStringLiteral("truncated"), true);
        ++m_truncated;
    }
    // What was received may be long: it is written into the document as it is made.
    m_exchanges.append({json, exchange.received});
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
    if (!m_exchanges.isEmpty()) {
        out += ",\"exchanges\":[";
        for (qsizetype i = 0; i < m_exchanges.size(); ++i) {
            if (i)
                out += ',';
            appendExchange(out, m_exchanges[i].head, m_exchanges[i].received);
        }
        out += ']';
    }
    if (!m_http.isEmpty()) {
        out += ",\"http\":[";
        for (qsizetype i = 0; i < m_http.size(); ++i) {
            const Http& http = m_http[i];
            QJsonObject head{{QStringLiteral("kind"), http.kind},
                             {QStringLiteral("url"), http.url.toString()},
                             {QStringLiteral("status"), http.status}};
            if (!http.body.isEmpty()) {
                head.insert(QStringLiteral("bytes"), http.body.size());
                putBytes(head, QStringLiteral("body"), http.body,
                         [&] { return QString::fromUtf8(http.body); });
            }
            QByteArray entry = compact(head);
            if (!http.body.isEmpty() && http.kind != QLatin1String("bootstrap")) {
                // Written anew from what was read, never pasted as sent: a lenient read takes
                // bodies no strict reader would (raw control characters, a byte-order mark).
                QJsonParseError error{};
                const QJsonDocument parsed = QJsonDocument::fromJson(http.body, &error);
                const QByteArray answer = error.error == QJsonParseError::NoError
                                              ? safe(parsed.toJson(QJsonDocument::Compact))
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
    return out;
}

} // namespace terminal
