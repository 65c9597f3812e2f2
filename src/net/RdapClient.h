// SPDX-License-Identifier: MIT
#pragma once
// Asks RDAP (RFC 7480 series) about a domain over HTTPS: the base URL of the domain's registry
// comes from IANA's bootstrap file (RFC 9224), fetched only when needed and kept for 24 hours
// under the cache folder (an older copy serves when a fresh one cannot be had), or is given.
// The answer, capped at a size, is shown as readable text; HTTP errors and RDAP error objects
// come back as a clear message with the code and the server. Certificates are checked against
// the system's authorities (tests add their own); an invalid one ends the request. A request
// that takes longer than the time-out is given up.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace net {

class RdapClient : public QObject {
public:
    static constexpr int TimeoutMs = 45000;
    static constexpr qint64 DefaultMaxAnswer = qint64(64) * 1024 * 1024;

    explicit RdapClient(QObject* parent = nullptr);
    ~RdapClient() override;

    void setSslConfiguration(const QSslConfiguration& configuration) { m_ssl = configuration; }
    void setBootstrapUrl(const QUrl& url) { m_bootstrapUrl = url; }
    void setCacheDirectory(const QString& directory) { m_cacheDirectory = directory; }
    void setMaxAnswer(qint64 bytes) { m_maxAnswer = bytes; }

    // Each request ends in exactly one of onText and onFailed, unless it is cancelled.
    std::function<void(const QString& status)> onStatus;
    std::function<void(const QString& text)> onText;
    std::function<void(const QString& message)> onFailed;

    // Looks the domain (ASCII form) up at base, or at its registry's base from the bootstrap.
    void lookUp(const QByteArray& domain, const QUrl& base = QUrl());
    void cancel();
    bool busy() const;
    // The host of the last request made: the bootstrap's or the RDAP server's.
    const QString& server() const { return m_server; }

    // The base URL the bootstrap file gives for domain: the longest matching suffix, an https
    // URL preferred. Empty when the file names none.
    static QUrl baseFor(const QByteArray& bootstrapJson, const QByteArray& domain);

private:
    void fetchBootstrap();
    void bootstrapDone(const QByteArray& json);
    void queryAt(const QUrl& base);
    QNetworkReply* get(const QUrl& url, const QByteArray& accept);
    void finished();
    QString cachePath() const;

    QNetworkAccessManager* m_network;
    QSslConfiguration m_ssl = QSslConfiguration::defaultConfiguration();
    QUrl m_bootstrapUrl{QStringLiteral("https://data.iana.org/rdap/dns.json")};
    QString m_cacheDirectory;
    qint64 m_maxAnswer = DefaultMaxAnswer;

    QByteArray m_domain;
    QPointer<QNetworkReply> m_reply;
    bool m_fetchingBootstrap = false;
    QByteArray m_body;
    QString m_server;
};

} // namespace net
