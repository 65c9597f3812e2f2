// SPDX-License-Identifier: MIT
#pragma once
// One DNS question asked straight of one server, as dig asks it: over UDP (EDNS0, the DNSSEC
// OK bit), again over TCP when the answer comes back truncated; retried every second over UDP
// until its own time-out. Only an answer from the address and port asked, with the id sent and
// the question asked, is taken; anything else that arrives is dropped, and when nothing better
// came by the time-out the query ends Malformed, saying what was wrong with it (a short message,
// another id, another question), rather than as silence. The server is a peer not to be
// trusted: a TCP answer is read up to the 65,535 bytes a DNS message can have, and an answer
// the packet library cannot read is Malformed too.
//
// The query object is owned by whoever started it and must be destroyed with deleteLater()
// (see DirectQueryPtr), since it may end inside one of its sockets' signals. Its owner lets go
// of it by cancel(): from then on nothing of it is armed and nothing more is told.

#include "platform/HostEntry.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

class QTcpSocket;
class QUdpSocket;

namespace net {

struct DirectQuestion {
    QByteArray name; // ASCII, with or without the final dot
    std::uint16_t type = 1;
    bool recursionDesired = true;
    bool dnssecOk = true;
};

struct DirectAnswer {
    enum Outcome { Answered, TimedOut, Unreachable, Failed, Malformed };
    Outcome outcome = TimedOut;
    QByteArray packet; // Answered: the message as received
    QString error;     // Unreachable, Failed, Malformed: why
    qint64 elapsedMs = 0;
    bool overTcp = false;
};

class DirectQuery : public QObject {
public:
    static constexpr int DefaultTimeoutMs = 3000;

    DirectQuery(const platform::HostAddress& server, std::uint16_t port,
                const DirectQuestion& question, QObject* parent = nullptr);
    ~DirectQuery() override;

    void setTimeout(int ms) { m_deadline.setInterval(ms); }
    // Over TCP from the start (a relay that carries TCP only).
    void setTcpOnly(bool tcp) { m_tcpOnly = tcp; }
    // Called once, with the answer or why there is none; never after the query is destroyed.
    std::function<void(const DirectAnswer&)> onDone;

    void start();
    // Disarms the query at once: its sockets are closed and its timers stopped, and onDone is
    // never called again, whatever arrives later.
    void cancel();

    // The query as sent, for tests and the wire checks: the id is its first two bytes.
    const QByteArray& message() const { return m_message; }
    // Whether packet answers message: its id, the response flag and the question section.
    static bool answers(const QByteArray& message, const QByteArray& packet) {
        return whyNotAnAnswer(message, packet).isEmpty();
    }
    // What keeps packet from being the answer to message ("an answer with another id"); empty
    // when it is one.
    static QString whyNotAnAnswer(const QByteArray& message, const QByteArray& packet);

private:
    void sendUdp();
    void readUdp();
    void startTcp();
    void readTcp();
    void finish(DirectAnswer::Outcome outcome, const QByteArray& packet, const QString& error);
    // An answer to the question: Answered when it can be read, Malformed otherwise.
    void finishWith(const QByteArray& packet);
    void disarm();

    platform::HostAddress m_server;
    std::uint16_t m_port;
    QByteArray m_message;
    QUdpSocket* m_udp = nullptr;
    QTcpSocket* m_tcp = nullptr;
    QByteArray m_tcpBuffer;
    QString m_rejected; // why the last message that came was not the answer
    QTimer m_deadline;
    QTimer m_retry;
    QElapsedTimer m_clock;
    bool m_tcpOnly = false;
    bool m_usedTcp = false;
    bool m_done = false;
};

// Cancels a query at once and deletes it when control is back in the event loop, whatever
// signal it is inside.
struct CancelAndDeleteLater {
    void operator()(DirectQuery* query) const {
        query->cancel();
        query->deleteLater();
    }
};
using DirectQueryPtr = std::unique_ptr<DirectQuery, CancelAndDeleteLater>;

} // namespace net
