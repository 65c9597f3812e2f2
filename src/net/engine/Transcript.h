// SPDX-License-Identifier: MIT
#pragma once
// What a call did, exchange by exchange, for a front end that keeps a record of it (the JSON a
// script reads): each request line and what came back, each HTTP answer as the server sent it,
// and what a room has to add in JSON of its own (DNS messages). A window keeps no record; the
// rooms record only where a front end asks for it (EngineView::transcript()).

#include "platform/HostEntry.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QUrl>

#include <optional>

namespace net {

struct TranscriptExchange {
    QByteArray host;                              // as asked, in its ASCII form
    std::optional<platform::HostAddress> address; // the address that answered, once connected
    std::uint16_t port = 0;
    QByteArray request;        // the bytes sent
    QByteArray received;       // the bytes that came back, up to MaxReceived
    quint64 bytesReceived = 0; // how many came back, all told
    QString outcome;           // "closed", "failed", "timed out", "refused"
    QString status;            // the status text of its end
};

class Transcript {
public:
    // The most of one exchange's reply a record keeps, as the window holds at most so much.
    static constexpr qsizetype MaxReceived = qsizetype(64) * 1024 * 1024;

    virtual ~Transcript() = default;
    virtual void exchange(const TranscriptExchange& exchange) = 0;
    // An HTTP answer, its body exactly as the server sent it (capped as the client caps it;
    // empty for a redirect); what it was asked for ("rdap", "bootstrap" for a file of servers).
    virtual void httpAnswer(const QString& kind, const QUrl& url, int status,
                            const QByteArray& body) = 0;
    // A room's own record: name is the member it goes under ("dns").
    virtual void record(const QString& name, const QJsonValue& value) = 0;
};

} // namespace net
