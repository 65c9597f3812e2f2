// SPDX-License-Identifier: MIT
#include "DnsTlsRelay.h"
#include "platform/LocalPeer.h"

#include <QSslSocket>
#include <QTcpSocket>

namespace net {

DnsTlsRelay::DnsTlsRelay(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &DnsTlsRelay::accept);
}

bool DnsTlsRelay::start(const QString& host, quint16 port, const QString& verifyName) {
    m_host = host;
    m_port = port;
    m_verifyName = verifyName;
    if (!m_ssl)
        m_ssl = QSslConfiguration::defaultConfiguration();
    return m_server.isListening() || m_server.listen(QHostAddress::LocalHost, 0);
}

namespace {

// What a socket holds to be sent: a TLS socket holds it twice over, as plain bytes not yet
// encrypted and as encrypted bytes the kernel has not taken yet.
qint64 waitingToGo(const QTcpSocket* socket) {
    const auto* secure = qobject_cast<const QSslSocket*>(socket);
    return socket->bytesToWrite() + (secure ? secure->encryptedBytesToWrite() : 0);
}

} // namespace

void DnsTlsRelay::pass(QTcpSocket* from, QTcpSocket* to) {
    // What the receiving side has not taken yet stays with the sender, whose read buffer is as
    // small as MaxHeld, so the kernel holds the rest and slows the sender down.
    const qint64 room = MaxHeld - waitingToGo(to);
    if (room > 0) {
        const qint64 written = to->write(from->read(room));
        if (written > 0)
            (qobject_cast<QSslSocket*>(to) ? m_toServer : m_fromServer) += written;
    }
    m_mostHeld = std::max(m_mostHeld, waitingToGo(to) + from->bytesAvailable());
}

void DnsTlsRelay::accept() {
    while (QTcpSocket* plain = m_server.nextPendingConnection()) {
        plain->setParent(this);
        // The library connects from 127.0.0.1; a peer on any other address (127.0.0.2 is
        // loopback too, and may be bound with the port of one of our own connections) is not
        // this process.
        const QHostAddress loopback(QHostAddress::LocalHost);
        const bool ours = plain->peerAddress() == loopback && plain->localAddress() == loopback &&
                          platform::isOwnConnection({loopback.toIPv4Address(), port()},
                                                    {loopback.toIPv4Address(), plain->peerPort()});
        if (!ours) {
            ++m_refused;
            plain->abort();
            plain->deleteLater();
            continue;
        }
        // Read no more than the relay may hold; what waits in the kernel waits there.
        plain->setReadBufferSize(MaxHeld);
        auto* secure = new QSslSocket(plain);
        secure->setReadBufferSize(MaxHeld);
        secure->setSslConfiguration(*m_ssl);
        secure->setPeerVerifyName(m_verifyName);
        const auto closeBoth = [plain] { plain->deleteLater(); };
        // Until the handshake is done the library's queries wait in the plain socket.
        connect(plain, &QTcpSocket::readyRead, secure, [this, plain, secure] {
            if (secure->isEncrypted())
                pass(plain, secure);
        });
        connect(secure, &QSslSocket::encrypted, plain,
                [this, plain, secure] { pass(plain, secure); });
        connect(secure, &QSslSocket::readyRead, plain,
                [this, plain, secure] { pass(secure, plain); });
        // Once a side has taken what it was given, more may follow.
        connect(plain, &QTcpSocket::bytesWritten, secure, [this, plain, secure] {
            if (secure->bytesAvailable() > 0)
                pass(secure, plain);
        });
        connect(secure, &QSslSocket::encryptedBytesWritten, plain, [this, plain, secure] {
            if (secure->isEncrypted() && plain->bytesAvailable() > 0)
                pass(plain, secure);
        });
        connect(secure, &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
            m_lastError = errors.isEmpty() ? QStringLiteral("certificate error")
                                           : QStringLiteral("certificate error: ") +
                                                 errors.first().errorString();
        });
        connect(secure, &QSslSocket::errorOccurred, this, [this, secure, closeBoth] {
            if (m_lastError.isEmpty() || !m_lastError.startsWith(QLatin1String("certificate")))
                m_lastError = secure->errorString();
            closeBoth();
        });
        connect(secure, &QSslSocket::disconnected, plain, closeBoth);
        connect(plain, &QTcpSocket::disconnected, plain, closeBoth);
        secure->connectToHostEncrypted(m_host, m_port);
    }
}

} // namespace net
