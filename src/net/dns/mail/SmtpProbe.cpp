// SPDX-License-Identifier: MIT
#include "SmtpProbe.h"
#include "MailText.h"

#include <QHostAddress>
#include <QSslCipher>
#include <QSslSocket>

namespace net {

namespace {

QString protocolName(QSsl::SslProtocol protocol) {
    switch (protocol) {
    case QSsl::TlsV1_3: return QStringLiteral("TLS 1.3");
    case QSsl::TlsV1_2: return QStringLiteral("TLS 1.2");
    default: return QStringLiteral("TLS older than 1.2");
    }
}

QString certificateNames(const QSslCertificate& certificate, const QByteArray& host) {
    QStringList names = certificate.subjectAlternativeNames().values(QSsl::DnsEntry);
    if (names.isEmpty())
        names = certificate.subjectInfo(QSslCertificate::CommonName);
    // The name that matters first: the host's own, where the certificate carries it.
    const QString own = QString::fromLatin1(host.chopped(host.endsWith('.') ? 1 : 0));
    if (names.removeAll(own) > 0)
        names.prepend(own);
    QString text =
        names.isEmpty() ? QStringLiteral("no names") : names.mid(0, 3).join(QStringLiteral(", "));
    if (names.size() > 3)
        text += QStringLiteral(" and %1 other name(s)").arg(names.size() - 3);
    return QStringLiteral("%1, issued by %2, valid until %3")
        .arg(safeLine(text.toUtf8()), safeLine(certificate.issuerDisplayName().left(200).toUtf8()),
             certificate.expiryDate().toString(Qt::ISODate));
}

} // namespace

SmtpProbe::SmtpProbe() {
    m_step.setSingleShot(true);
    m_step.setInterval(StepTimeoutMs);
    connect(&m_step, &QTimer::timeout, this, [this] {
        failed(QStringLiteral("Timed out after %1 s waiting for the server")
                   .arg(m_step.interval() / 1000));
    });
}

SmtpProbe::~SmtpProbe() {
    stop();
}

void SmtpProbe::start(const QByteArray& host, const QString& address) {
    stop();
    m_talk = {};
    m_talk.host = host;
    m_talk.address = address;
    m_buffer.clear();
    m_reply.clear();
    m_received = 0;
    m_stage = Stage::Greeting;
    m_socket = new QSslSocket(this);
    if (m_ssl)
        m_socket->setSslConfiguration(*m_ssl);
    m_socket->setPeerVerifyName(QString::fromLatin1(host.chopped(host.endsWith('.') ? 1 : 0)));
    connect(m_socket, &QSslSocket::readyRead, this, [this] { readLines(); });
    connect(m_socket, &QSslSocket::encrypted, this, [this] { encrypted(); });
    connect(m_socket, &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
        // Recorded, not fatal: the report judges the certificate, DANE may vouch for it.
        for (const QSslError& error : errors)
            if (!m_talk.certificateProblems.contains(error.errorString()))
                m_talk.certificateProblems.append(error.errorString());
        m_socket->ignoreSslErrors();
    });
    connect(m_socket, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (m_stage == Stage::Handshake)
            m_talk.tlsError = m_socket->errorString();
        failed(m_socket->errorString());
    });
    keep(QStringLiteral("connecting to %1 port %2").arg(address).arg(Port));
    m_step.start();
    m_socket->connectToHost(QHostAddress(address), Port);
}

void SmtpProbe::stop() {
    m_step.stop();
    m_stage = Stage::Done;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
}

void SmtpProbe::keep(const QString& line) {
    if (m_talk.lines.size() < MaxLinesKept)
        m_talk.lines.append(line);
    else if (m_talk.lines.size() == MaxLinesKept)
        m_talk.lines.append(QStringLiteral("..."));
}

void SmtpProbe::readLines() {
    const QByteArray data = m_socket->readAll();
    m_received += data.size();
    if (m_stage == Stage::Handshake || m_stage == Stage::Done)
        return;
    if (m_received > MaxReceived) {
        failed(QStringLiteral("The server sent more than %1 KiB").arg(MaxReceived / 1024));
        return;
    }
    m_buffer += data;
    qsizetype end;
    while (m_stage != Stage::Done && (end = m_buffer.indexOf('\n')) >= 0) {
        QByteArray line = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        keep(QStringLiteral("S: ") + safeLine(line));
        bool number = false;
        const int code = line.left(3).toInt(&number);
        if (line.size() < 3 || !number) {
            failed(QStringLiteral("The server's line is no SMTP reply: ") +
                   safeLine(line.left(80)));
            return;
        }
        m_reply.append(line.mid(4));
        if (line.size() > 3 && line[3] == '-')
            continue; // more lines of the same reply follow
        const QList<QByteArray> lines = m_reply;
        m_reply.clear();
        reply(code, lines);
    }
    if (m_buffer.size() > MaxLine)
        failed(QStringLiteral("The server sent a line longer than %1 bytes").arg(MaxLine));
}

void SmtpProbe::reply(int code, const QList<QByteArray>& lines) {
    switch (m_stage) {
    case Stage::Greeting: {
        if (code != 220) {
            failed(QStringLiteral("The server greeted with %1 rather than 220").arg(code));
            return;
        }
        m_talk.greeted = true;
        m_talk.banner = safeLine(lines.first());
        // An address literal: it names this client truthfully without giving away its name.
        const QHostAddress local = m_socket->localAddress();
        const QString literal = local.protocol() == QAbstractSocket::IPv6Protocol
                                    ? QStringLiteral("[IPv6:%1]").arg(local.toString())
                                    : QStringLiteral("[%1]").arg(local.toString());
        m_stage = Stage::Ehlo;
        send("EHLO " + literal.toLatin1());
        return;
    }
    case Stage::Ehlo:
        if (code != 250) {
            failed(QStringLiteral("The server refused EHLO with %1").arg(code));
            return;
        }
        for (const QByteArray& line : lines)
            if (line.trimmed().split(' ').first().toUpper() == "STARTTLS")
                m_talk.startTlsOffered = true;
        if (!m_talk.startTlsOffered) {
            send("QUIT");
            finish();
            return;
        }
        m_stage = Stage::StartTls;
        send("STARTTLS");
        return;
    case Stage::StartTls:
        if (code != 220) {
            m_talk.tlsError = QStringLiteral("the server answered STARTTLS with %1").arg(code);
            failed(m_talk.tlsError);
            return;
        }
        m_stage = Stage::Handshake;
        m_step.start();
        m_socket->startClientEncryption();
        return;
    case Stage::Handshake:
    case Stage::Done: return;
    }
}

void SmtpProbe::send(const QByteArray& command) {
    keep(QStringLiteral("C: ") + QString::fromLatin1(command));
    m_socket->write(command + "\r\n");
    m_step.start();
}

void SmtpProbe::encrypted() {
    m_talk.tlsStarted = true;
    m_talk.tlsVersion = protocolName(m_socket->sessionCipher().protocol());
    for (const QSslCertificate& certificate : m_socket->peerCertificateChain())
        m_talk.chain.append(certificate.toDer());
    if (!m_socket->peerCertificate().isNull())
        m_talk.subject = certificateNames(m_socket->peerCertificate(), m_talk.host);
    keep(QStringLiteral("TLS started: %1").arg(m_talk.tlsVersion));
    send("QUIT"); // no mail is sent
    m_socket->flush();
    finish();
}

void SmtpProbe::failed(const QString& why) {
    if (m_stage == Stage::Done)
        return;
    m_talk.error = why;
    keep(QStringLiteral("ended: ") + why);
    finish();
}

void SmtpProbe::finish() {
    if (m_stage == Stage::Done && !m_socket)
        return;
    const SmtpConversation talk = m_talk;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->disconnectFromHost();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    m_step.stop();
    m_stage = Stage::Done;
    if (onDone)
        onDone(talk);
}

} // namespace net
