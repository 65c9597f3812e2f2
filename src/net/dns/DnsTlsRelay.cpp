// SPDX-License-Identifier: MIT
#include "DnsTlsRelay.h"

#include <QSslSocket>
#include <QTcpSocket>

namespace net {

namespace {

// The most a relayed connection holds back while the TLS handshake runs: a few queries.
constexpr qint64 MaxHeldBack = 64 * 1024;

} // namespace

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

void DnsTlsRelay::accept() {
    while (QTcpSocket* plain = m_server.nextPendingConnection()) {
        plain->setParent(this);
        auto* secure = new QSslSocket(plain);
        secure->setSslConfiguration(*m_ssl);
        secure->setPeerVerifyName(m_verifyName);
        const auto closeBoth = [plain] { plain->deleteLater(); };
        connect(plain, &QTcpSocket::readyRead, secure, [plain, secure] {
            if (secure->isEncrypted())
                secure->write(plain->readAll());
            else if (plain->bytesAvailable() > MaxHeldBack)
                plain->abort();
        });
        connect(secure, &QSslSocket::encrypted, plain,
                [plain, secure] { secure->write(plain->readAll()); });
        connect(secure, &QSslSocket::readyRead, plain,
                [plain, secure] { plain->write(secure->readAll()); });
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
