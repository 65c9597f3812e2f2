// SPDX-License-Identifier: MIT
#include "RdapClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace net {

namespace {

QString serverOf(const QUrl& url) {
    return url.host().isEmpty() ? url.toString() : url.host();
}

QString kindName(RdapBootstrap::Kind kind) {
    switch (kind) {
    case RdapBootstrap::Domains: return QStringLiteral("domain");
    case RdapBootstrap::Ipv4:
    case RdapBootstrap::Ipv6: return QStringLiteral("address");
    case RdapBootstrap::AsNumbers: return QStringLiteral("AS number");
    }
    return {};
}

} // namespace

RdapClient::RdapClient(QObject* parent)
    : QObject(parent),
      m_cacheDirectory(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                       QStringLiteral("/vintrel")) {
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &RdapClient::timedOut);
    connect(&m_rendering, &QFutureWatcher<RdapText>::finished, this, [this] {
        if (m_rendering.isCanceled())
            return;
        const RdapText rendered = m_rendering.result();
        if (!rendered.error.isEmpty())
            fail(QStringLiteral("RDAP server %1: %2").arg(m_server, rendered.error));
        else if (onAnswer)
            onAnswer(rendered);
    });
}

RdapClient::~RdapClient() {
    cancel();
    m_rendering.waitForFinished();
}

QNetworkAccessManager* RdapClient::network() {
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    return m_network;
}

QString RdapClient::pathFor(const Query& query) {
    switch (query.kind) {
    case RdapBootstrap::Domains: return QStringLiteral("domain/") + QString::fromLatin1(query.text);
    case RdapBootstrap::Ipv4:
    case RdapBootstrap::Ipv6: return QStringLiteral("ip/") + QString::fromLatin1(query.text);
    case RdapBootstrap::AsNumbers:
        return QStringLiteral("autnum/") + QString::fromLatin1(query.text);
    }
    return {};
}

void RdapClient::lookUp(const Query& query, const QUrl& base) {
    cancel();
    m_query = query;
    if (base.isValid() && !base.isEmpty()) {
        queryAt(base);
        return;
    }
    const std::optional<RdapBootstrap::Cached> cached =
        RdapBootstrap::read(m_cacheDirectory, query.kind);
    if (cached && cached->fresh()) {
        useBootstrap(cached->json, false, cached->ageSeconds);
        return;
    }
    fetchBootstrap();
}

void RdapClient::fetch(const QUrl& url) {
    cancel();
    if (onStatus)
        onStatus(QStringLiteral("Asking RDAP server ") + serverOf(url));
    m_fetchingBootstrap = false;
    get(url, "application/rdap+json");
}

bool RdapClient::busy() const {
    return !m_reply.isNull() || m_rendering.isRunning();
}

void RdapClient::cancel() {
    m_deadline.stop();
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    if (m_rendering.isRunning())
        m_rendering.cancel(); // the text is dropped when it is ready
}

void RdapClient::get(const QUrl& url, const QByteArray& accept) {
    QNetworkRequest request(url);
    if (!m_ssl)
        m_ssl = QSslConfiguration::defaultConfiguration();
    request.setSslConfiguration(*m_ssl);
    request.setRawHeader("Accept", accept);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    m_body.clear();
    m_tooLarge = false;
    m_server = serverOf(url);
    QNetworkReply* reply = network()->get(request);
    m_reply = reply;
    if (m_deadline.interval() > 0)
        m_deadline.start();
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        const qint64 cap = m_fetchingBootstrap ? RdapBootstrap::MaxSize : m_maxAnswer;
        m_body += reply->read(std::max<qint64>(0, cap + 1 - m_body.size()));
        if (m_body.size() > cap) {
            m_tooLarge = true;
            reply->abort(); // no registry needs more
        }
    });
    connect(reply, &QNetworkReply::finished, this, &RdapClient::finished);
}

void RdapClient::fetchBootstrap() {
    const QUrl url = m_bootstrapFolder.resolved(QUrl(RdapBootstrap::remoteName(m_query.kind)));
    if (onStatus)
        onStatus(QStringLiteral("Fetching the RDAP server list from ") + serverOf(url));
    m_fetchingBootstrap = true;
    get(url, "application/json");
}

void RdapClient::useBootstrap(const QByteArray& json, bool fetchedNow, qint64 ageSeconds) {
    const QUrl base = RdapBootstrap::baseFor(m_query.kind, json, m_query.text);
    if (!base.isEmpty()) {
        queryAt(base);
        return;
    }
    // A registry added since the copy was made is found in a fresh one.
    if (!fetchedNow && (ageSeconds < 0 || ageSeconds > RdapBootstrap::RecheckAgeSeconds)) {
        fetchBootstrap();
        return;
    }
    fail(QStringLiteral("No RDAP server is known for the %1 %2")
             .arg(kindName(m_query.kind), QString::fromLatin1(m_query.text)));
}

void RdapClient::queryAt(const QUrl& base) {
    QString path = base.toString();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    const QUrl url(path + pathFor(m_query));
    if (onStatus)
        onStatus(QStringLiteral("Asking RDAP server ") + serverOf(url));
    m_fetchingBootstrap = false;
    get(url, "application/rdap+json");
}

void RdapClient::timedOut() {
    if (!m_reply)
        return;
    const QString server = m_server;
    cancel();
    fail(QStringLiteral("RDAP server %1: Timed out").arg(server));
}

void RdapClient::fail(const QString& message, const QString& text) {
    if (onFailed)
        onFailed(message, text);
}

void RdapClient::finished() {
    QNetworkReply* reply = m_reply;
    if (!reply || sender() != reply)
        return;
    m_reply = nullptr;
    m_deadline.stop();
    reply->deleteLater();
    const qint64 cap = m_fetchingBootstrap ? RdapBootstrap::MaxSize : m_maxAnswer;
    m_body += reply->read(std::max<qint64>(0, cap + 1 - m_body.size()));
    m_tooLarge = m_tooLarge || m_body.size() > cap;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_transcript)
        m_transcript->httpAnswer(m_fetchingBootstrap ? QStringLiteral("bootstrap")
                                                     : QStringLiteral("rdap"),
                                 reply->url(), status, m_fetchingBootstrap ? QByteArray() : m_body);
    if (m_fetchingBootstrap)
        bootstrapFinished(reply, status);
    else
        answerFinished(reply, status);
}

void RdapClient::bootstrapFinished(QNetworkReply* reply, int status) {
    m_fetchingBootstrap = false;
    const bool fetched = reply->error() == QNetworkReply::NoError && status == 200 && !m_tooLarge;
    if (fetched && RdapBootstrap::isBootstrap(m_body)) {
        RdapBootstrap::write(m_cacheDirectory, m_query.kind, m_body);
        useBootstrap(m_body, true, 0);
        return;
    }
    // Better an older list than none; a page that is no list never replaces it.
    if (const auto stale = RdapBootstrap::read(m_cacheDirectory, m_query.kind)) {
        useBootstrap(stale->json, true, stale->ageSeconds);
        return;
    }
    const QString why = m_tooLarge ? QStringLiteral("the file is too large")
                        : fetched  ? QStringLiteral("what came back is no RDAP server list")
                                   : reply->errorString();
    fail(QStringLiteral("The RDAP server list could not be fetched from %1: %2")
             .arg(serverOf(reply->url()), why));
}

void RdapClient::answerFinished(QNetworkReply* reply, int status) {
    const QString server = serverOf(reply->url());
    if (m_tooLarge) {
        fail(QStringLiteral("RDAP server %1: the answer is too large (over %2 MiB)")
                 .arg(server)
                 .arg(m_maxAnswer / (1024 * 1024)));
        return;
    }
    if (status == 0) { // no HTTP answer: a connection or certificate failure
        const QString why = reply->error() == QNetworkReply::SslHandshakeFailedError
                                ? QStringLiteral("certificate error: ")
                                : QString();
        fail(QStringLiteral("RDAP server %1: %2%3").arg(server, why, reply->errorString()));
        return;
    }
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
        // The server's own words, when it gave an error object (small: rendered here).
        const RdapText rendered = rdapToText(m_body.left(64 * 1024));
        fail(QStringLiteral("RDAP server %1: %2 (HTTP %3)").arg(server, reason).arg(status),
             rendered.isErrorObject ? rendered.text : QString());
        return;
    }
    m_rendering.setFuture(QtConcurrent::run(rdapToText, m_body));
}

} // namespace net
