// SPDX-License-Identifier: MIT
#include "MailLab.h"
#include "Nsd.h"

#include <QHostAddress>
#include <QSslCertificate>
#include <QTcpSocket>
#include <QTest>

namespace {

// Whether something listens at address port, tried for up to five seconds.
bool listening(const char* address, quint16 port) {
    for (int i = 0; i < 50; ++i) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress(QString::fromLatin1(address)), port);
        if (probe.waitForConnected(200))
            return true;
        QTest::qWait(100);
    }
    return false;
}

} // namespace

MailLab::MailLab() {
    QByteArray output;
    if (!runTool(m_dir.path(), QStringLiteral("python3"),
                 {QStringLiteral(VINTREL_TESTS_DIR "/mail_lab.py"), QStringLiteral("make"),
                  m_dir.path()},
                 &output, m_error)) {
        m_error = QStringLiteral("the lab could not be made: ") + m_error;
        return;
    }
    if (!startNsd(m_nsd, m_dir.path(), QStringLiteral("mail"),
                  QByteArray("  ip-address: ") + Dns + "@53\n",
                  {QStringLiteral(".:root.zone"), QStringLiteral("test.:test.zone")}, m_error))
        return;
    if (!startExim(QStringLiteral("tls")) || !startExim(QStringLiteral("plain")) ||
        !startPolicies())
        return;
    if (!m_silent.listen(QHostAddress(QStringLiteral("198.51.100.27")), 25)) {
        m_error = QStringLiteral("the silent server could not listen: ") + m_silent.errorString();
        return;
    }
    if (!m_babbler.listen(QHostAddress(QStringLiteral("198.51.100.28")), 25)) {
        m_error =
            QStringLiteral("the babbling server could not listen: ") + m_babbler.errorString();
        return;
    }
    QObject::connect(&m_babbler, &QTcpServer::newConnection, &m_babbler, [this] {
        while (QTcpSocket* client = m_babbler.nextPendingConnection())
            client->write(QByteArray("220-still greeting you\r\n").repeated(40000));
    });
    m_running = true;
}

MailLab::~MailLab() {
    for (const auto& server : m_servers) {
        server->kill();
        server->waitForFinished(3000);
    }
    stopNsd(m_nsd);
}

bool MailLab::startExim(const QString& name) {
    auto exim = std::make_unique<QProcess>();
    exim->setProcessChannelMode(QProcess::MergedChannels);
    exim->start(QStringLiteral("exim4"),
                {QStringLiteral("-C"), m_dir.filePath(QStringLiteral("exim-%1.conf").arg(name)),
                 QStringLiteral("-bdf")});
    const char* address = name == QLatin1String("tls") ? TlsServer : PlainServer;
    const bool up = exim->waitForStarted(5000) && listening(address, 25);
    if (!up)
        m_error = QStringLiteral("exim (%1) did not start: %2")
                      .arg(name, QString::fromLocal8Bit(exim->readAll()));
    m_servers.push_back(std::move(exim));
    return up;
}

bool MailLab::startPolicies() {
    auto web = std::make_unique<QProcess>();
    web->setProcessChannelMode(QProcess::MergedChannels);
    web->start(QStringLiteral("python3"), {QStringLiteral(VINTREL_TESTS_DIR "/mail_lab.py"),
                                           QStringLiteral("serve"), m_dir.path()});
    const bool up = web->waitForStarted(5000) && listening("198.51.100.44", 443);
    if (!up)
        m_error = QStringLiteral("the policy server did not start: ") +
                  QString::fromLocal8Bit(web->readAll());
    m_servers.push_back(std::move(web));
    return up;
}

QSslConfiguration MailLab::ssl() const {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(
        QSslCertificate::fromPath(m_dir.filePath(QStringLiteral("ca.pem"))));
    return configuration;
}
