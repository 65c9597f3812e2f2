// SPDX-License-Identifier: MIT
#include "DirectQuery.h"
#include "net/dns/DnsLibrary.h"
#include "net/dns/message/DnsPacket.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QUdpSocket>

#include <utility>

namespace net {

namespace {

constexpr qsizetype HeaderSize = 12;
constexpr qsizetype MaxMessage = 65535;
constexpr int RetryMs = 1000;
// What this client takes over UDP (RFC 9715's size, which avoids fragments).
constexpr int UdpPayload = 1232;

// The end of the question section of a message that has one question: the name's labels,
// type and class. -1 when the message is too short or the name is not plain labels.
qsizetype questionEnd(const QByteArray& message) {
    qsizetype at = HeaderSize;
    while (at < message.size()) {
        const auto length = static_cast<unsigned char>(message[at]);
        if (length == 0)
            return at + 5 <= message.size() ? at + 5 : -1;
        if (length > 63)
            return -1; // a pointer or an extended label: no plain question
        at += 1 + length;
    }
    return -1;
}

QByteArray makeMessage(const DirectQuestion& question) {
    const DnsLibrary* dns = DnsLibrary::get();
    if (!dns)
        return {};
    ldns_pkt* packet = nullptr;
    const QByteArray name = question.name.isEmpty() ? QByteArray(".") : question.name;
    if (dns->ldns_pkt_query_new_frm_str(
            &packet, name.constData(), ldns_rr_type(question.type), LDNS_RR_CLASS_IN,
            question.recursionDesired ? LDNS_RD : 0) != LDNS_STATUS_OK ||
        !packet)
        return {};
    dns->ldns_pkt_set_id(packet, std::uint16_t(QRandomGenerator::system()->generate()));
    dns->ldns_pkt_set_edns_udp_size(packet, UdpPayload);
    dns->ldns_pkt_set_edns_do(packet, question.dnssecOk);
    uint8_t* wire = nullptr;
    size_t size = 0;
    QByteArray message;
    if (dns->ldns_pkt2wire(&wire, packet, &size) == LDNS_STATUS_OK)
        message = QByteArray(reinterpret_cast<const char*>(wire), qsizetype(size));
    free(wire);
    dns->ldns_pkt_free(packet);
    return message;
}

} // namespace

QString DirectQuery::whyNotAnAnswer(const QByteArray& message, const QByteArray& packet) {
    const qsizetype end = questionEnd(message);
    if (end < 0)
        return QStringLiteral("no question was asked");
    if (packet.size() < HeaderSize)
        return QStringLiteral("a message of %1 bytes, shorter than a DNS header")
            .arg(packet.size());
    if ((static_cast<unsigned char>(packet[2]) & 0x80) == 0)
        return QStringLiteral("a message that is not a response");
    if (packet[0] != message[0] || packet[1] != message[1])
        return QStringLiteral("an answer with another id");
    // One question, the one asked; names compare without regard to case (0x20 mixing).
    if (packet[4] != 0 || packet[5] != 1 || packet.size() < end)
        return QStringLiteral("an answer to another question");
    for (qsizetype i = HeaderSize; i < end; ++i) {
        const char a = message[i];
        const char b = packet[i];
        if (a != b && QChar::toLower(uchar(a)) != QChar::toLower(uchar(b)))
            return QStringLiteral("an answer to another question");
    }
    return {};
}

DirectQuery::DirectQuery(const platform::HostAddress& server, std::uint16_t port,
                         const DirectQuestion& question, QObject* parent)
    : QObject(parent), m_server(server), m_port(port), m_message(makeMessage(question)) {
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(DefaultTimeoutMs);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        // Messages came, none of them the answer: the server is named for what it sent.
        if (m_rejected.isEmpty())
            finish(DirectAnswer::TimedOut, {}, QString());
        else
            finish(DirectAnswer::Malformed, {}, m_rejected);
    });
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &DirectQuery::sendUdp);
}

DirectQuery::~DirectQuery() {
    onDone = nullptr;
}

void DirectQuery::start() {
    m_clock.start();
    if (m_message.isEmpty()) {
        // Reported from the event loop, as every other ending is.
        QTimer::singleShot(0, this, [this] {
            finish(DirectAnswer::Failed, {}, QStringLiteral("the question cannot be asked"));
        });
        return;
    }
    m_deadline.start();
    if (m_tcpOnly) {
        startTcp();
        return;
    }
    m_udp = new QUdpSocket(this);
    // A connected socket: the kernel hands over only what comes from the server asked.
    m_udp->connectToHost(QHostAddress(m_server.text()), m_port);
    connect(m_udp, &QUdpSocket::readyRead, this, &DirectQuery::readUdp);
    sendUdp();
    m_retry.start();
}

void DirectQuery::sendUdp() {
    if (m_udp && !m_done)
        m_udp->write(m_message);
}

void DirectQuery::readUdp() {
    // A connected datagram socket that is readable with nothing to read holds the error an
    // ICMP message brought (port or host unreachable), which Qt drops unreported.
    if (m_udp && !m_udp->hasPendingDatagrams()) {
        finish(DirectAnswer::Unreachable, {}, QStringLiteral("port unreachable"));
        return;
    }
    while (m_udp && !m_done && m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp->receiveDatagram(MaxMessage);
        const QByteArray packet = datagram.data();
        const QString why = whyNotAnAnswer(m_message, packet);
        if (!why.isEmpty()) {
            m_rejected = why; // not the answer to this question: another one may still come
            continue;
        }
        if (static_cast<unsigned char>(packet[2]) & 0x02) { // truncated: ask again over TCP
            m_retry.stop();
            m_udp->disconnect(this);
            m_udp->deleteLater();
            m_udp = nullptr;
            startTcp();
            return;
        }
        finishWith(packet);
    }
}

void DirectQuery::startTcp() {
    m_usedTcp = true;
    m_tcp = new QTcpSocket(this);
    m_tcp->setReadBufferSize(MaxMessage + 2);
    connect(m_tcp, &QTcpSocket::connected, this, [this] {
        const auto size = std::uint16_t(m_message.size());
        QByteArray framed(1, char(size >> 8));
        framed += char(size & 0xFF);
        m_tcp->write(framed + m_message);
    });
    connect(m_tcp, &QTcpSocket::readyRead, this, &DirectQuery::readTcp);
    connect(m_tcp, &QTcpSocket::errorOccurred, this, [this] {
        if (m_tcp->error() == QAbstractSocket::RemoteHostClosedError)
            finish(DirectAnswer::Failed, {}, QStringLiteral("the server closed the connection"));
        else if (m_tcp->error() == QAbstractSocket::ConnectionRefusedError)
            finish(DirectAnswer::Unreachable, {}, QStringLiteral("connection refused"));
        else
            finish(DirectAnswer::Unreachable, {}, m_tcp->errorString());
    });
    m_tcp->connectToHost(QHostAddress(m_server.text()), m_port);
}

void DirectQuery::readTcp() {
    if (!m_tcp || m_done)
        return;
    m_tcpBuffer += m_tcp->read(MaxMessage + 2 - m_tcpBuffer.size());
    if (m_tcpBuffer.size() < 2)
        return;
    const qsizetype length = qsizetype(static_cast<unsigned char>(m_tcpBuffer[0])) << 8 |
                             static_cast<unsigned char>(m_tcpBuffer[1]);
    if (m_tcpBuffer.size() < 2 + length)
        return;
    const QByteArray packet = m_tcpBuffer.mid(2, length);
    const QString why = whyNotAnAnswer(m_message, packet);
    if (!why.isEmpty()) {
        finish(DirectAnswer::Malformed, {}, why + QStringLiteral(" over TCP"));
        return;
    }
    finishWith(packet);
}

void DirectQuery::finishWith(const QByteArray& packet) {
    const QString problem = dnsPacketProblem(packet);
    if (problem.isEmpty())
        finish(DirectAnswer::Answered, packet, QString());
    else
        finish(DirectAnswer::Malformed, packet, problem);
}

void DirectQuery::cancel() {
    onDone = nullptr;
    disarm();
}

void DirectQuery::disarm() {
    m_done = true;
    m_deadline.stop();
    m_retry.stop();
    for (QAbstractSocket* socket :
         {static_cast<QAbstractSocket*>(m_udp), static_cast<QAbstractSocket*>(m_tcp)})
        if (socket) {
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater(); // it may be the one whose signal brought us here
        }
    m_udp = nullptr;
    m_tcp = nullptr;
}

void DirectQuery::finish(DirectAnswer::Outcome outcome, const QByteArray& packet,
                         const QString& error) {
    if (m_done)
        return;
    disarm();
    DirectAnswer answer;
    answer.outcome = outcome;
    answer.packet = packet;
    answer.error = error;
    answer.elapsedMs = m_clock.elapsed();
    answer.overTcp = m_usedTcp;
    // The owner may let go of this query from inside the call, which clears onDone: the call
    // runs on a copy of its own.
    const std::function<void(const DirectAnswer&)> done = std::exchange(onDone, nullptr);
    if (done)
        done(answer);
}

} // namespace net
