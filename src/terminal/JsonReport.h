// SPDX-License-Identifier: MIT
#pragma once
// The one JSON document a terminal run with --json prints: the query, each exchange of a
// finger or WhoIs call (server, address, port, the request as sent, the text received, how it
// ended), each HTTP answer of RDAP (the hop list), the DNS
// messages in RFC 8427's names with their validation verdicts, or a DNS look-up's result, and
// the outcome. A server's JSON is read and written anew as a value; what is no JSON is kept as
// a string. No control character reaches the output unescaped.

#include "net/engine/EngineView.h"
#include "net/engine/Transcript.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>

namespace terminal {

class JsonReport : public net::Transcript {
public:
    void setQuery(const QJsonObject& query) { m_query = query; }
    void setLookup(const QJsonObject& lookup) { m_lookup = lookup; }
    void setOutcome(net::Answer answer, const QString& status);

    // Transcript
    void exchange(const net::TranscriptExchange& exchange) override;
    void httpAnswer(const QString& kind, const QUrl& url, int status,
                    const QByteArray& body) override;
    void record(const QString& name, const QJsonValue& value) override;

    // The document, as UTF-8 text ending in a line end.
    QByteArray document() const;

private:
    struct Http {
        QString kind;
        QUrl url;
        int status = 0;
        QByteArray body;
    };

    QJsonObject m_query;
    QJsonArray m_exchanges;
    QList<Http> m_http;
    QJsonObject m_records;
    QJsonObject m_lookup;
    QJsonObject m_outcome;
};

} // namespace terminal
