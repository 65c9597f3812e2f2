// SPDX-License-Identifier: MIT
#pragma once
// A server on 127.0.0.1 for the network tests. It reads one request line (up to CR LF), then
// plays its script: the reply in chunks, then a close, a reset or silence.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

class LoopbackServer : public QObject {
    Q_OBJECT
public:
    enum class Ending { Close, Reset, StaySilent };

    struct Script {
        QList<QByteArray> chunks;     // sent in order
        int pauseBetweenChunksMs = 0; // lets each chunk arrive on its own
        Ending ending = Ending::Close;
    };

    // Listens on 127.0.0.1, or on the address given (::1 for IPv6), on a free port.
    explicit LoopbackServer(Script script, const QHostAddress& at = QHostAddress::LocalHost,
                            quint16 port = 0, QObject* parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    // The port in network byte order, as the services database gives it.
    quint16 portNetworkOrder() const;

    QList<QByteArray> requests() const { return m_requests; }
    int connections() const { return m_connections; }

private:
    void accept();
    void play(QTcpSocket* socket, int chunk);

    Script m_script;
    QTcpServer m_server;
    QList<QByteArray> m_requests;
    int m_connections = 0;
};

// A port on 127.0.0.1 where nothing listens.
quint16 closedPortNetworkOrder();
