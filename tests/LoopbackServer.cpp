// SPDX-License-Identifier: MIT
#include "LoopbackServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <sys/socket.h>

LoopbackServer::LoopbackServer(Script script, const QHostAddress& at, quint16 port, QObject* parent)
    : QObject(parent), m_script(std::move(script)) {
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackServer::accept);
    if (!m_server.listen(at, port))
        qFatal("cannot listen on %s", qPrintable(at.toString()));
}

quint16 LoopbackServer::portNetworkOrder() const {
    return htons(port());
}

void LoopbackServer::accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_connections;
        socket->setParent(this);
        auto* received = new QByteArray;
        connect(socket, &QObject::destroyed, [received] { delete received; });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
            const bool complete = received->contains("\r\n");
            *received += socket->readAll();
            if (complete || !received->contains("\r\n"))
                return;
            m_requests.append(*received);
            play(socket, 0);
        });
    }
}

void LoopbackServer::play(QTcpSocket* socket, int chunk) {
    if (chunk < m_script.chunks.size()) {
        socket->write(m_script.chunks[chunk]);
        socket->flush();
        if (m_script.pauseBetweenChunksMs > 0)
            QTimer::singleShot(m_script.pauseBetweenChunksMs, socket,
                               [this, socket, chunk] { play(socket, chunk + 1); });
        else
            play(socket, chunk + 1);
        return;
    }
    switch (m_script.ending) {
    case Ending::Close:
        socket->disconnectFromHost(); // after everything written has gone out
        break;
    case Ending::Reset: {
        const linger hard{1, 0};
        ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                     sizeof hard);
        socket->abort();
        break;
    }
    case Ending::StaySilent: break;
    }
}

quint16 closedPortNetworkOrder() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return htons(port);
}
