// SPDX-License-Identifier: MIT
#include "HostileDnsServer.h"

#include <QNetworkDatagram>
#include <QTcpSocket>

namespace {

// The question section's end: the name's labels, type and class.
qsizetype questionEnd(const QByteArray& query) {
    qsizetype at = 12;
    while (at < query.size() && query[at] != 0)
        at += 1 + quint8(query[at]);
    return std::min(at + 5, query.size());
}

// The message with one additional record: an OPT with an extended error and its text.
QByteArray withExtendedError(QByteArray out, char code, const QByteArray& text) {
    out[11] = 1;
    const QByteArray option =
        QByteArray::fromHex("000f00") + char(2 + text.size()) + char(0) + code + text;
    return out + QByteArray::fromHex("00002904d00000000000") + char(option.size()) + option;
}

} // namespace

HostileDnsServer::HostileDnsServer(Reply reply, const QHostAddress& address, quint16 port)
    : m_reply(reply) {
    m_udp.bind(address, port);
    m_other.bind(address, 0);
    if (reply != Reply::UdpOnly)
        m_tcp.listen(address, m_udp.localPort());
    connect(&m_udp, &QUdpSocket::readyRead, this, &HostileDnsServer::readUdp);
    connect(&m_tcp, &QTcpServer::newConnection, this, &HostileDnsServer::acceptTcp);
}

QByteArray HostileDnsServer::response(const QByteArray& query, int rcode, bool withAnswer) {
    QByteArray out = query.left(questionEnd(query)); // the header and the question
    out[2] = char(0x80 | (quint8(query[2]) & 0x01)); // QR, and RD as asked
    out[3] = char(0x80 | rcode);                     // RA
    const char counts[8] = {0, 1, 0, char(withAnswer ? 1 : 0), 0, 0, 0, 0};
    out.replace(4, 8, QByteArray(counts, 8));
    if (withAnswer) // the question's name by pointer, A, IN, TTL 3600, 192.0.2.1
        out += QByteArray::fromHex("c00c00010001 00000e10 0004 c0000201");
    return out;
}

void HostileDnsServer::readUdp() {
    while (m_udp.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp.receiveDatagram();
        const QByteArray query = datagram.data();
        if (query.size() < 12)
            continue;
        ++m_questions;
        m_lastQuestion = query;
        const auto send = [&](const QByteArray& bytes) {
            m_udp.writeDatagram(bytes, datagram.senderAddress(), quint16(datagram.senderPort()));
        };
        switch (m_reply) {
        case Reply::Answer:
        case Reply::UdpOnly: send(response(query, 0, true)); break;
        case Reply::TcpOnly: break;
        case Reply::Refused: send(response(query, 5, false)); break;
        case Reply::ServFail:
            send(withExtendedError(response(query, 2, false), 22, "upstream gone"));
            break;
        case Reply::RefusedEde: send(withExtendedError(response(query, 5, false), 18, "")); break;
        case Reply::WrongId: {
            QByteArray out = response(query, 0, true);
            out[1] = char(out[1] ^ 0x5A);
            send(out);
            break;
        }
        case Reply::WrongIdFirst: {
            QByteArray wrong = response(query, 5, false);
            wrong[0] = char(wrong[0] ^ 0x5A);
            send(wrong);
            send(response(query, 5, false));
            break;
        }
        case Reply::Short: send(query.left(5)); break;
        case Reply::OtherPort:
            m_other.writeDatagram(response(query, 0, true), datagram.senderAddress(),
                                  quint16(datagram.senderPort()));
            break;
        case Reply::Truncated: {
            QByteArray out = response(query, 0, false);
            out[2] = char(out[2] | 0x02);
            send(out);
            break;
        }
        case Reply::OtherName: {
            QByteArray out = response(query, 0, true);
            out[13] = char(out[13] ^ 0x01); // the first letter of the name, changed
            send(out);
            break;
        }
        case Reply::BadPointer: {
            QByteArray out = response(query, 0, true);
            out[out.size() - 15] = char(0xFF); // the owner's pointer: c0ff
            send(out);
            break;
        }
        case Reply::TwoOpt: {
            QByteArray out = withExtendedError(response(query, 0, true), 18, "");
            out[11] = 2;
            send(out + QByteArray::fromHex("00002904d00000000000 0006 000f 0002 0012"));
            break;
        }
        case Reply::TwoTsig: {
            const QByteArray tsig = QByteArray::fromHex(
                "00 00fa 00ff 00000000 0011 00 000000000000 012c 0000 1234 0000 0000");
            // Three counted: the library reads one record fewer after each TSIG, so two.
            QByteArray out = response(query, 0, true) + tsig + tsig + tsig;
            out[11] = 3;
            send(out);
            break;
        }
        case Reply::Silent: break;
        }
    }
}

void HostileDnsServer::acceptTcp() {
    while (QTcpSocket* socket = m_tcp.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        const auto answer = [this, socket] {
            if (socket->bytesAvailable() < 2)
                return;
            const QByteArray length = socket->peek(2);
            const int size = quint8(length[0]) << 8 | quint8(length[1]);
            if (socket->bytesAvailable() < 2 + size)
                return;
            socket->read(2);
            const QByteArray query = socket->read(size);
            ++m_questions;
            m_lastQuestion = query;
            if (m_reply == Reply::Silent)
                return;
            const QByteArray out =
                response(query, m_reply == Reply::Refused ? 5 : 0, m_reply != Reply::Refused);
            socket->write(QByteArray(1, char(out.size() >> 8)) + char(out.size() & 0xFF) + out);
        };
        connect(socket, &QTcpSocket::readyRead, socket, answer);
        answer(); // the question may have come before the connection was taken
    }
}
