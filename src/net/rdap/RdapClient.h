// SPDX-License-Identifier: MIT
#pragma once
// Asks RDAP (RFC 7480 series) over HTTPS about a domain, an IP address or an AS number: the
// base URL of the registry comes from IANA's bootstrap files (see RdapBootstrap), fetched only
// when needed and cached, or is given. The answer, capped at MaxAnswer, is turned into readable
// text on a worker thread, so a large or deeply nested answer never holds the window; HTTP
// errors and RDAP error objects come back as a clear message with the code and the server.
// Certificates are checked against the system's authorities (tests add their own); an invalid
// one ends the request. Each request has one deadline for its whole exchange, however slowly
// the server drips its bytes. The network stack is made on first use, so a program that never
// asks RDAP never loads TLS.

#include "RdapBootstrap.h"
#include "RdapText.h"
#include "net/engine/Transcript.h"

#include <QByteArray>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace net {

class RdapClient : public QObject {
public:
    // No registry's answer needs more; a larger one is refused as too large.
    static constexpr qint64 MaxAnswer = 4 * 1024 * 1024;

    struct Query {
        RdapBootstrap::Kind kind = RdapBootstrap::Domains;
        QByteArray text; // a domain in ASCII, an address, an AS number without "AS"
    };

    explicit RdapClient(QObject* parent = nullptr);
    ~RdapClient() override;

    void setSslConfiguration(const QSslConfiguration& configuration) { m_ssl = configuration; }
    // Where the bootstrap files are fetched from: the folder of dns.json, ipv4.json, ...
    void setBootstrapFolder(const QUrl& folder) { m_bootstrapFolder = folder; }
    void setCacheDirectory(const QString& directory) { m_cacheDirectory = directory; }
    void setMaxAnswer(qint64 bytes) { m_maxAnswer = bytes; }
    // Where each HTTP answer is recorded, when a front end keeps a record.
    void setTranscript(Transcript* transcript) { m_transcript = transcript; }
    // The time each request may take in all, set by the client's owner; 0: no limit.
    void setDeadline(int ms) { m_deadline.setInterval(ms); }

    // Each request ends in exactly one of onAnswer and onFailed, unless it is cancelled.
    std::function<void(const QString& status)> onStatus;
    std::function<void(const RdapText& answer)> onAnswer;
    // text: the server's own words (an RDAP error object), when it gave some.
    std::function<void(const QString& message, const QString& text)> onFailed;

    // Asks about query at base, or at its registry's base from the bootstrap file.
    void lookUp(const Query& query, const QUrl& base = QUrl());
    // Asks for an RDAP object at url as it stands (a link one answer gave to another).
    void fetch(const QUrl& url);
    void cancel();
    bool busy() const;
    // The host of the last request made: the bootstrap's or the RDAP server's.
    const QString& server() const { return m_server; }

    static QString pathFor(const Query& query);

private:
    void fetchBootstrap();
    void useBootstrap(const QByteArray& json, bool fetchedNow, qint64 ageSeconds);
    void queryAt(const QUrl& base);
    void get(const QUrl& url, const QByteArray& accept);
    void finished();
    void bootstrapFinished(QNetworkReply* reply, int status);
    void answerFinished(QNetworkReply* reply, int status);
    void timedOut();
    void fail(const QString& message, const QString& text = QString());
    QNetworkAccessManager* network();

    QNetworkAccessManager* m_network = nullptr;
    std::optional<QSslConfiguration> m_ssl;
    QUrl m_bootstrapFolder{QStringLiteral("https://data.iana.org/rdap/")};
    QString m_cacheDirectory;
    qint64 m_maxAnswer = MaxAnswer;
    QTimer m_deadline;

    Query m_query;
    QPointer<QNetworkReply> m_reply;
    bool m_fetchingBootstrap = false;
    bool m_tooLarge = false;
    QByteArray m_body;
    QString m_server;
    QFutureWatcher<RdapText> m_rendering;
    Transcript* m_transcript = nullptr;
};

} // namespace net
