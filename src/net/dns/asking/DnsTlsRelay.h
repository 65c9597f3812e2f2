// SPDX-License-Identifier: MIT
#pragma once
// DNS over TLS (RFC 7858) for the resolver library, whose Debian build has no TLS of its own:
// the library asks over plain TCP at a port on 127.0.0.1 that only this relay listens on, and
// the relay carries each connection's bytes unchanged over TLS to the server (DNS over TCP and
// over TLS frame their messages alike). The server's certificate is checked against the
// system's authorities and the name given (tls://9.9.9.9#dns.quad9.net); a connection that
// fails the check is closed, so no answer from an unchecked server reaches the resolver.
//
// Any local user can connect to a loopback port, so each connection is checked to come from
// this process (see LocalPeer) and is closed at once otherwise. Neither side can make the relay
// hold more than a few times MaxHeld bytes: what the other side has not taken yet is left to
// wait in the kernel, which slows the sender down.

#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <optional>

namespace net {

class DnsTlsRelay : public QObject {
public:
    // A few DNS messages of the largest size.
    static constexpr qint64 MaxHeld = 256 * 1024;

    explicit DnsTlsRelay(QObject* parent = nullptr);

    void setSslConfiguration(const QSslConfiguration& configuration) { m_ssl = configuration; }
    // Listens on 127.0.0.1; false when it cannot.
    bool start(const QString& host, quint16 port, const QString& verifyName);
    quint16 port() const { return m_server.serverPort(); }
    // Why the last connection to the server failed (a certificate error, a refusal).
    const QString& lastError() const { return m_lastError; }
    // Whether questions went over TLS to the server and it sent nothing back: a silent server,
    // not a failing one.
    bool leftUnanswered() const { return m_toServer > 0 && m_fromServer == 0; }
    // Connections refused because they came from another process.
    int refusedConnections() const { return m_refused; }
    // The most bytes the relay held for one connection at a time.
    qint64 mostHeld() const { return m_mostHeld; }

private:
    void accept();
    // Passes what to can take of from's bytes.
    void pass(QTcpSocket* from, QTcpSocket* to);

    QTcpServer m_server;
    std::optional<QSslConfiguration> m_ssl; // the system's, unless a test sets one
    QString m_host;
    quint16 m_port = 853;
    QString m_verifyName;
    QString m_lastError;
    int m_refused = 0;
    qint64 m_mostHeld = 0;
    qint64 m_toServer = 0;   // bytes of questions passed to the server
    qint64 m_fromServer = 0; // bytes of answers passed back
};

} // namespace net
