// SPDX-License-Identifier: MIT
#pragma once
// A DNS server on a loopback address that answers every question by a script, for the replies
// a well-behaved server never sends: a wrong id, a short packet, an answer from another port,
// a truncated answer (then the whole one over TCP), REFUSED, SERVFAIL with an extended error,
// a compression pointer out of the message.

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QUdpSocket>

class HostileDnsServer : public QObject {
public:
    enum class Reply {
        Answer,       // NOERROR with one A record, 192.0.2.1
        Refused,      // REFUSED
        ServFail,     // SERVFAIL with extended error 22 and a text
        RefusedEde,   // REFUSED with extended error 18 (Prohibited)
        WrongId,      // an answer whose id is not the one asked
        WrongIdFirst, // a REFUSED with a wrong id, then the right REFUSED
        Short,        // five bytes
        OtherPort,    // the answer, from another port
        Truncated,    // TC over UDP; the answer over TCP
        OtherName,    // an answer with the id asked, to a question about another name
        BadPointer,   // an answer whose record's owner points past the end of the message
        TwoOpt,       // the answer with two OPT records
        TwoTsig,      // the answer with TSIG records, two of which a reader meets
        UdpOnly,      // the answer over UDP; TCP refused
        TcpOnly,      // nothing over UDP; the answer over TCP
        Silent,       // nothing
    };

    // Listens on address (port 0: a free one) over UDP and TCP.
    HostileDnsServer(Reply reply, const QHostAddress& address = QHostAddress::LocalHost,
                     quint16 port = 0);

    bool listening() const { return m_udp.state() == QAbstractSocket::BoundState; }
    quint16 port() const { return m_udp.localPort(); }
    int questions() const { return m_questions; }
    // The flags byte (RD) of the last question asked.
    QByteArray lastQuestion() const { return m_lastQuestion; }

    // The response to query with rcode, and one A record when withAnswer.
    static QByteArray response(const QByteArray& query, int rcode, bool withAnswer);

private:
    void readUdp();
    void acceptTcp();

    Reply m_reply;
    QUdpSocket m_udp;
    QUdpSocket m_other;
    QTcpServer m_tcp;
    int m_questions = 0;
    QByteArray m_lastQuestion;
};
