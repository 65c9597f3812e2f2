// SPDX-License-Identifier: MIT
#include "RdapClient.h"
#include "RdapText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QStandardPaths>

namespace net {

namespace {

constexpr qint64 BootstrapMaxAge = 24 * 60 * 60; // seconds
constexpr qint64 MaxBootstrap = 4 * 1024 * 1024;

QString serverOf(const QUrl& url) {
    return url.host().isEmpty() ? url.toString() : url.host();
}

} // namespace

RdapClient::RdapClient(QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)),
      m_cacheDirectory(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                       QStringLiteral("/vintrel")) {}

RdapClient::~RdapClient() {
    cancel();
}

QString RdapClient::cachePath() const {
    return m_cacheDirectory + QStringLiteral("/rdap-dns.json");
}

void RdapClient::lookUp(const QByteArray& domain, const QUrl& base) {
    cancel();
    m_domain = domain;
    if (base.isValid() && !base.isEmpty()) {
        queryAt(base);
        return;
    }
    const QFileInfo cached(cachePath());
    if (cached.isFile() &&
        cached.lastModified().secsTo(QDateTime::currentDateTime()) < BootstrapMaxAge) {
        QFile file(cachePath());
        if (file.open(QIODevice::ReadOnly)) {
            bootstrapDone(file.read(MaxBootstrap));
            return;
        }
    }
    fetchBootstrap();
}

bool RdapClient::busy() const {
    return !m_reply.isNull();
}

void RdapClient::cancel() {
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

QNetworkReply* RdapClient::get(const QUrl& url, const QByteArray& accept) {
    QNetworkRequest request(url);
    request.setSslConfiguration(m_ssl);
    request.setRawHeader("Accept", accept);
    request.setTransferTimeout(TimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    m_body.clear();
    m_server = serverOf(url);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        const qint64 cap = m_fetchingBootstrap ? MaxBootstrap : m_maxAnswer;
        m_body += reply->read(std::max<qint64>(0, cap - m_body.size()));
        if (m_body.size() >= cap && reply->bytesAvailable() > 0)
            reply->abort(); // the rest would not fit the window
    });
    connect(reply, &QNetworkReply::finished, this, &RdapClient::finished);
    return reply;
}

void RdapClient::fetchBootstrap() {
    if (onStatus)
        onStatus(QStringLiteral("Fetching the RDAP server list from ") + serverOf(m_bootstrapUrl));
    m_fetchingBootstrap = true;
    m_reply = get(m_bootstrapUrl, "application/json");
}

void RdapClient::bootstrapDone(const QByteArray& json) {
    const QUrl base = baseFor(json, m_domain);
    if (base.isEmpty()) {
        if (onFailed)
            onFailed(QStringLiteral("No RDAP server is known for ") +
                     QString::fromLatin1(m_domain));
        return;
    }
    queryAt(base);
}

void RdapClient::queryAt(const QUrl& base) {
    QString path = base.toString();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    const QUrl url(path + QStringLiteral("domain/") + QString::fromLatin1(m_domain));
    if (onStatus)
        onStatus(QStringLiteral("Asking RDAP server ") + serverOf(url));
    m_fetchingBootstrap = false;
    m_reply = get(url, "application/rdap+json");
}

void RdapClient::finished() {
    QNetworkReply* reply = m_reply;
    if (!reply || sender() != reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    m_body += reply->readAll().left(std::max<qint64>(0, m_maxAnswer - m_body.size()));
    const QString server = serverOf(reply->url());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool bootstrap = m_fetchingBootstrap;
    m_fetchingBootstrap = false;
    const auto fail = [this](const QString& message) {
        if (onFailed)
            onFailed(message);
    };

    if (bootstrap) {
        if (reply->error() == QNetworkReply::NoError && status == 200) {
            QDir().mkpath(m_cacheDirectory);
            QSaveFile cache(cachePath());
            if (cache.open(QIODevice::WriteOnly) && cache.write(m_body) == m_body.size())
                cache.commit();
            bootstrapDone(m_body);
            return;
        }
        QFile stale(cachePath()); // better an old list than none
        if (stale.open(QIODevice::ReadOnly)) {
            bootstrapDone(stale.read(MaxBootstrap));
            return;
        }
        fail(QStringLiteral("The RDAP server list could not be fetched from %1: %2")
                 .arg(server, reply->errorString()));
        return;
    }

    if (status == 0) { // no HTTP answer: a connection, certificate or time-out failure
        const QString why = reply->error() == QNetworkReply::SslHandshakeFailedError
                                ? QStringLiteral("certificate error: ")
                                : QString();
        fail(QStringLiteral("RDAP server %1: %2%3").arg(server, why, reply->errorString()));
        return;
    }
    const RdapText rendered = rdapToText(m_body);
    if (status != 200) {
        QString reason;
        if (status == 404)
            reason = QStringLiteral("not found");
        else if (status == 429)
            reason = QStringLiteral("too many requests, try again later");
        else if (status >= 500)
            reason = QStringLiteral("server error");
        else
            reason = QStringLiteral("refused");
        fail(QStringLiteral("RDAP server %1: %2 (HTTP %3)").arg(server, reason).arg(status));
        if (rendered.errorCode != 0 && onText)
            onText(rendered.text); // the server's own words, when it gave an error object
        return;
    }
    if (!rendered.error.isEmpty()) {
        fail(QStringLiteral("RDAP server %1: %2").arg(server, rendered.error));
        return;
    }
    if (onText)
        onText(rendered.text);
}

QUrl RdapClient::baseFor(const QByteArray& bootstrapJson, const QByteArray& domain) {
    const QJsonArray services =
        QJsonDocument::fromJson(bootstrapJson).object().value(QStringLiteral("services")).toArray();
    const QString name = QString::fromLatin1(domain).toLower();
    QUrl best;
    qsizetype bestLength = -1;
    for (const QJsonValue& service : services) {
        const QJsonArray entry = service.toArray();
        for (const QJsonValue& suffix : entry.at(0).toArray()) {
            const QString label = suffix.toString().toLower();
            const bool matches =
                !label.isEmpty() && (name == label || name.endsWith(QLatin1Char('.') + label));
            if (!matches || label.size() <= bestLength)
                continue;
            QUrl chosen;
            for (const QJsonValue& url : entry.at(1).toArray()) {
                const QUrl candidate(url.toString());
                if (candidate.scheme() == QLatin1String("https") || chosen.isEmpty())
                    chosen = candidate;
            }
            if (chosen.isValid() && !chosen.isEmpty()) {
                best = chosen;
                bestLength = label.size();
            }
        }
    }
    return best;
}

} // namespace net
