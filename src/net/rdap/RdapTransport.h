// SPDX-License-Identifier: MIT
#pragma once
// One RDAP request over HTTPS, to the address this program chose. The host of every URL (the
// first, and each redirect's) is looked up by the program's own resolver and the connection
// goes to the address found, with the certificate checked against the host's name: a request
// that may only reach the public Internet (publicOnly) is refused when that address is
// loopback, private, link-local or unspecified, whatever the name looks like. Redirects are
// followed by hand, at most five, each judged as the first was, and never to plain HTTP. The
// body is read up to a cap; beyond it the answer is "too large".
//
// The network stack is made on first use, so a program that never asks RDAP never loads TLS.

#include "platform/HostLookup.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace net {

class RdapTransport : public QObject {
public:
    static constexpr int MaxRedirects = 5;

    struct Answer {
        int status = 0;  // the HTTP status; 0: no HTTP answer
        QByteArray body; // up to the cap
        bool tooLarge = false;
        QString error;                                // why there is no HTTP answer
        bool certificate = false;                     // the error is the certificate's
        QUrl url;                                     // the URL last asked, after redirects
        QList<std::pair<QUrl, int>> redirects;        // each redirect on the way, its status
        std::optional<platform::HostAddress> address; // the address connected to
        QString server() const { return url.host(); }
    };

    RdapTransport();
    ~RdapTransport() override;

    void setResolver(platform::Resolver resolver) { m_lookups.setResolver(std::move(resolver)); }
    void setSslConfiguration(const QSslConfiguration& configuration) { m_ssl = configuration; }

    // Called once per get() that is not cancelled.
    std::function<void(const Answer&)> onDone;

    void get(const QUrl& url, const QByteArray& accept, qint64 cap, bool publicOnly);
    void cancel();
    bool busy() const { return m_lookup != 0 || !m_reply.isNull(); }

protected:
    bool event(QEvent* e) override;

private:
    void ask(const QUrl& url);
    void connectTo(const platform::HostAddress& address);
    void finished();
    void done(Answer answer);
    QNetworkAccessManager* network();

    platform::AsyncHostLookup m_lookups;
    QNetworkAccessManager* m_network = nullptr;
    std::optional<QSslConfiguration> m_ssl;
    QPointer<QNetworkReply> m_reply;
    platform::HANDLE_T m_lookup = 0;
    QUrl m_url; // as asked, before the host is replaced by its address
    QByteArray m_accept;
    qint64 m_cap = 0;
    bool m_publicOnly = false;
    QList<std::pair<QUrl, int>> m_redirects;
    std::optional<platform::HostAddress> m_address;
    QByteArray m_body;
    bool m_tooLarge = false;
};

} // namespace net
