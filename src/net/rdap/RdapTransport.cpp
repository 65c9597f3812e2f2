// SPDX-License-Identifier: MIT
#include "RdapTransport.h"
#include "net/engine/SocketErrorText.h"
#include "platform/SocketEvents.h"
#include "platform/WinsockErrors.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace net {

namespace {

constexpr int LookupReply = platform::WM_HOSTRESOLVED;

QString hostHeader(const QUrl& url) {
    QString host = url.host(QUrl::FullyEncoded);
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    if (url.port() != -1 && url.port() != 443)
        host += QLatin1Char(':') + QString::number(url.port());
    return host;
}

} // namespace

RdapTransport::RdapTransport() : m_lookups(this) {}

RdapTransport::~RdapTransport() {
    cancel();
}

QNetworkAccessManager* RdapTransport::network() {
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    return m_network;
}

void RdapTransport::get(const QUrl& url, const QByteArray& accept, qint64 cap, bool publicOnly) {
    cancel();
    m_accept = accept;
    m_cap = cap;
    m_publicOnly = publicOnly;
    m_redirects.clear();
    ask(url);
}

void RdapTransport::cancel() {
    if (m_lookup != 0) {
        m_lookups.cancel(m_lookup);
        m_lookup = 0;
    }
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void RdapTransport::ask(const QUrl& url) {
    m_url = url;
    m_address.reset();
    if (url.scheme() != QLatin1String("https") || url.host().isEmpty()) {
        Answer refused;
        refused.url = url;
        refused.error = QStringLiteral("RDAP is asked only over HTTPS");
        done(refused);
        return;
    }
    if (const auto literal = platform::HostAddress::parse(url.host().toLatin1())) {
        connectTo(*literal);
        return;
    }
    m_lookup = m_lookups.getHostByName(LookupReply, url.host(QUrl::FullyEncoded).toLatin1());
}

bool RdapTransport::event(QEvent* e) {
    if (e->type() != QEvent::Type(LookupReply))
        return QObject::event(e);
    const auto& reply = static_cast<const platform::HostLookupEvent&>(*e);
    if (reply.wParam != m_lookup || m_lookup == 0)
        return true; // a look-up cancelled meanwhile
    m_lookup = 0;
    int error = platform::selectError(reply.lParam);
    if (error == 0 && reply.entry.addresses.isEmpty())
        error = platform::WSANO_DATA;
    if (error != 0) {
        Answer failed;
        failed.url = m_url;
        failed.error = SocketErrorText(error);
        done(failed);
        return true;
    }
    connectTo(reply.entry.addresses.first());
    return true;
}

void RdapTransport::connectTo(const platform::HostAddress& address) {
    m_address = address;
    if (m_publicOnly && !address.isPublic()) {
        Answer refused;
        refused.url = m_url;
        refused.address = address;
        refused.error = QStringLiteral("%1 is a loopback or private address (%2)")
                            .arg(m_url.host(), address.text());
        done(refused);
        return;
    }
    // The connection goes to the address judged; the certificate must carry the name.
    QUrl pinned = m_url;
    pinned.setHost(address.text());
    QNetworkRequest request(pinned);
    if (!m_ssl)
        m_ssl = QSslConfiguration::defaultConfiguration();
    request.setSslConfiguration(*m_ssl);
    request.setPeerVerifyName(m_url.host());
    request.setRawHeader("Host", hostHeader(m_url).toLatin1());
    request.setRawHeader("Accept", m_accept);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    m_body.clear();
    m_tooLarge = false;
    QNetworkReply* reply = network()->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        m_body += reply->read(std::max<qint64>(0, m_cap + 1 - m_body.size()));
        if (m_body.size() > m_cap) {
            m_tooLarge = true;
            reply->abort(); // no registry needs more
        }
    });
    connect(reply, &QNetworkReply::finished, this, &RdapTransport::finished);
}

void RdapTransport::finished() {
    QNetworkReply* reply = m_reply;
    if (!reply || sender() != reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    if (!m_tooLarge) // an aborted reply has nothing more to read
        m_body += reply->read(std::max<qint64>(0, m_cap + 1 - m_body.size()));
    Answer answer;
    answer.url = m_url;
    answer.address = m_address;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.tooLarge = m_tooLarge || m_body.size() > m_cap;
    const QUrl location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (answer.status >= 300 && answer.status < 400 && location.isValid() && !answer.tooLarge) {
        // Followed by hand, so the place it leads to is judged as the first was: from a public
        // address, never to a private one.
        if (m_address && m_address->isPublic())
            m_publicOnly = true;
        if (m_redirects.size() == MaxRedirects) {
            answer.redirects = m_redirects;
            answer.error = QStringLiteral("too many redirects");
            answer.status = 0;
            done(answer);
            return;
        }
        m_redirects.append({m_url, answer.status});
        ask(m_url.resolved(location));
        return;
    }
    if (answer.status == 0) {
        answer.certificate = reply->error() == QNetworkReply::SslHandshakeFailedError;
        answer.error = reply->errorString();
    }
    answer.body = m_tooLarge ? QByteArray() : std::move(m_body);
    answer.redirects = m_redirects;
    done(answer);
}

void RdapTransport::done(Answer answer) {
    m_body.clear();
    if (onDone)
        onDone(answer);
}

} // namespace net
