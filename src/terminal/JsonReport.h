// SPDX-License-Identifier: MIT
#pragma once
// The one JSON document a terminal run with --json prints: the query, each exchange of a
// finger or WhoIs call (server, address, port, the request as sent, the bytes received, how it
// ended), each HTTP request of RDAP (redirects and the server list included) with its body, the
// DNS messages in RFC 8427's names with their validation verdicts, or a DNS look-up's result,
// and the outcome. Bytes a server sent read back exactly: as text when they are UTF-8, else in
// base64 beside the text the window shows. A server's JSON is also read and written anew as a
// value; what is no JSON is kept as a string. No control character reaches the output
// unescaped.

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
    // How many exchanges' replies were longer than a record keeps.
    int truncatedExchanges() const { return m_truncated; }

private:
    struct Http {
        QString kind;
        QUrl url;
        int status = 0;
        QByteArray body;
    };

    struct Exchange {
        QJsonObject head; // every member but what was received
        QByteArray received;
    };

    int m_truncated = 0;
    QJsonObject m_query;
    QList<Exchange> m_exchanges;
    QList<Http> m_http;
    QJsonObject m_records;
    QJsonObject m_lookup;
    QJsonObject m_outcome;
};

} // namespace terminal
