// SPDX-License-Identifier: MIT
#pragma once
// One mail server asked on port 25 what a sender would learn, without sending mail: the
// greeting, EHLO and its extensions, STARTTLS and the TLS handshake (its version and the
// certificates shown, the certificate's problems recorded rather than fatal, since a sender
// that uses DANE judges it by its TLSA records), then QUIT. Each step has a time-out, each line
// and the whole conversation a cap, and the server's text is kept as escaped text. It ends
// exactly once, through onDone, unless stopped first.

#include "MailModel.h"

#include <QObject>
#include <QSslConfiguration>
#include <QTimer>

#include <functional>
#include <optional>

class QSslSocket;

namespace net {

class SmtpProbe : public QObject {
public:
    static constexpr std::uint16_t Port = 25;
    static constexpr int StepTimeoutMs = 10000;
    static constexpr qsizetype MaxLine = 1000;          // RFC 5321's limit, with room
    static constexpr qsizetype MaxReceived = 64 * 1024; // the whole conversation
    static constexpr qsizetype MaxLinesKept = 40;

    SmtpProbe();
    ~SmtpProbe() override;

    std::function<void(const SmtpConversation&)> onDone;

    void setSslConfiguration(const QSslConfiguration& configuration) { m_ssl = configuration; }
    void setStepTimeout(int ms) { m_step.setInterval(ms); }
    void start(const QByteArray& host, const QString& address);
    void stop();

private:
    enum class Stage { Greeting, Ehlo, StartTls, Handshake, Done };

    void readLines();
    void reply(int code, const QList<QByteArray>& lines);
    void send(const QByteArray& command);
    void encrypted();
    void failed(const QString& why);
    void finish();
    void keep(const QString& line);

    QSslSocket* m_socket = nullptr;
    std::optional<QSslConfiguration> m_ssl;
    QTimer m_step;
    Stage m_stage = Stage::Done;
    SmtpConversation m_talk;
    QByteArray m_buffer;
    QList<QByteArray> m_reply; // the lines of a reply still coming
    qsizetype m_received = 0;
};

} // namespace net
