// SPDX-License-Identifier: MIT
#pragma once
// The DNS records command's query: a validating resolver (libunbound) asked for every record
// type at once, its answers shown in the output window as an administrator reads them (see
// DnsRecordsText). It runs as a call of the query engine (busy, status, Cancel call, the
// caption "NAME TYPE" at the end) but never blocks the window: the library resolves on a
// thread of its own and its answers arrive on a file descriptor watched by the event loop.
//
// The server is the system's resolvers (/etc/resolv.conf), the zone's own servers found from
// the root ("Authoritative", as a propagation check needs), or one typed, over UDP and TCP or
// over TLS. DNSSEC is checked against the root's trust anchor (Debian's dns-root-data) and any
// anchors the user adds; the library's own answers for special-use names (test., invalid.,
// onion., the private address ranges) are turned off, so such a zone in a lab can be asked.
// A validating resolver reports every upstream failure as SERVFAIL; when a typed server's
// answers all failed so, one plain query asks it directly, so a server that refuses says so.

#include "net/engine/CallSession.h"
#include "DnsRecordsText.h"
#include "DnsRequest.h"
#include "DnsTlsRelay.h"
#include "platform/HostLookup.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSslConfiguration>

#include <optional>
#include <QTimer>

#include <memory>
#include <vector>

class QSocketNotifier;
class QUdpSocket;
struct ub_ctx;
struct ub_result;

namespace net {

class QueryEngine;
struct DnsLibrary;

class DnsRecordsQuery : public QObject, public CallSession {
public:
    // A query that has no answer by then is given up.
    static constexpr int DeadlineMs = 20000;

    explicit DnsRecordsQuery(QueryEngine& engine);
    ~DnsRecordsQuery() override;

    // Where the system's files are; tests point them at their own.
    void setRootAnchorFile(const QString& file) { m_rootAnchor = file; }
    void setResolvConf(const QString& file) { m_resolvConf = file; }
    void setHostsFile(const QString& file) { m_hosts = file; }
    // Root servers to start from ("127.0.0.1" or "IP@port") instead of the real root's.
    void setRootServers(const QString& servers) { m_rootServers = servers; }
    void setDeadline(int ms) { m_deadline.setInterval(ms); }
    void setSslConfiguration(const QSslConfiguration& configuration);
    void setResolver(platform::Resolver resolver) { m_lookup.setResolver(std::move(resolver)); }

    // Starts the query; nothing starts while a call runs. A name that cannot be asked, a type
    // or server that cannot be read says why on the status bar and starts nothing.
    void start(const DnsRecordsRequest& request);

protected:
    bool event(QEvent* e) override;

private:
    struct Pending {
        DnsRecordsQuery* query;
        std::uint16_t type;
        int id = 0;
        bool done = false;
    };

    void exchangeEnded(const ExchangeResult&) override {}
    void cancelled() override;

    void resolveWith(const QByteArray& forwarder);
    QString configure(const QByteArray& forwarder);
    void readAnswers();
    static void answered(void* data, int error, ub_result* result);
    void finish();
    void probeServerFailure();
    void report();
    void giveUp();
    void stop();

    QueryEngine& m_engine;
    const DnsLibrary* m_dns = nullptr; // opened by the first query
    platform::AsyncHostLookup m_lookup;
    QString m_rootAnchor = QStringLiteral("/usr/share/dns/root.key");
    QString m_rootHints = QStringLiteral("/usr/share/dns/root.hints");
    QString m_resolvConf = QStringLiteral("/etc/resolv.conf");
    QString m_hosts = QStringLiteral("/etc/hosts");
    QString m_rootServers;
    std::unique_ptr<DnsTlsRelay> m_relay;
    // Set by tests only: the TLS stack is loaded on the first DNS-over-TLS query, not at start.
    std::optional<QSslConfiguration> m_ssl;

    DnsRecordsRequest m_request;
    DnsServer m_server;
    QByteArray m_forwarder; // the typed server's address
    DnsQuestion m_question;
    QList<std::uint16_t> m_types;
    platform::HANDLE_T m_serverLookup = 0;
    ub_ctx* m_ctx = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    std::vector<std::unique_ptr<Pending>> m_pending;
    QList<DnsAnswer> m_answers;
    QElapsedTimer m_clock;
    QTimer m_deadline;
    QUdpSocket* m_probe = nullptr;
};

} // namespace net
