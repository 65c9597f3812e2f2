// SPDX-License-Identifier: MIT
#pragma once
// The DNS records command's query: a validating resolver asked for every record type at once
// (see ValidatingResolver), its answers written into the output window as an administrator
// reads them (see DnsRecordsText). It runs as a call of the query engine (busy, status, Cancel
// call, the caption "NAME TYPE" however it ends) but never blocks the window: the library
// resolves on a thread of its own, and the answers are written out on a worker thread.
//
// Each outcome is said as what it is: when every answer failed the way a resolver reports any
// upstream failure, the server is asked directly (ServerProbe), so a refusal reads REFUSED, a
// silent server "Timed out", a message that is no answer "Malformed answer" with what was wrong,
// a server that cannot be reached or a TLS connection that failed says why, and a server's own
// reason for a failure is shown. SERVFAIL is said only where a server sent it. DNSSEC is
// checked against the root's trust anchor, or, for a whole run, the anchors given on the
// command line instead; anchors stored with the dialog are added to either.
//
// A request whose server is "Every authoritative server" or a list of servers compares them
// instead (see ComparisonSession); a request for the chain of trust finds and checks it
// (see ChainSession), and a request for a domain's mail checks it end to end (see MailSession).

#include "DnsRequest.h"
#include "net/dns/DnsCall.h"
#include "net/dns/asking/ServerProbe.h"
#include "net/dns/asking/ValidatingResolver.h"
#include "net/dns/chain/ChainSession.h"
#include "net/dns/compare/ComparisonSession.h"
#include "net/dns/mail/MailSession.h"
#include "net/dns/message/DnsRecordsText.h"
#include "platform/HostLookup.h"

#include <QSslConfiguration>

#include <optional>

namespace net {

class DnsRecordsSession : public DnsCall<DnsReport> {
public:
    // A query that has no answer by then is given up.
    static constexpr int DeadlineMs = 20000;
    // How long each server asked directly has to answer.
    static constexpr int ProbeTimeoutMs = 3000;
    // How long a server is asked directly when the resolver is still at work at the deadline.
    static constexpr int LateProbeTimeoutMs = 1500;

    explicit DnsRecordsSession(QueryEngine& engine);
    ~DnsRecordsSession() override;

    // Where the system's files are; tests point them at their own.
    void setRootAnchorFile(const QString& file) { m_rootAnchor = file; }
    void setResolvConf(const QString& file) { m_resolvConf = file; }
    void setHostsFile(const QString& file) { m_hosts = file; }
    // Root servers to start from ("127.0.0.1" or "IP@port") instead of the real root's.
    void setRootServers(const QString& servers) { m_rootServers = servers; }
    void setSslConfiguration(const QSslConfiguration& configuration) { m_ssl = configuration; }
    void setResolver(platform::Resolver resolver) {
        m_lookup.setResolver(resolver);
        m_comparison.setResolver(std::move(resolver));
    }
    // Anchors that stand in for the root's in every query from now on (the command line's).
    void setRunTrustAnchors(const QStringList& files) { m_runAnchors = files; }

    // Starts the query; nothing starts while a call runs. A name that cannot be asked, a type
    // or server that cannot be read says why on the status bar and starts nothing.
    void start(const DnsRecordsRequest& request);

    ComparisonSession& comparison() { return m_comparison; }
    ChainSession& chain() { return m_chain; }
    MailSession& mail() { return m_mail; }

protected:
    bool event(QEvent* e) override;

private:
    void stopWork() override;
    void deadlineReached() override;
    void written(const DnsReport& formatted) override;
    QString caption() const override;

    void compare(const DnsComparison& comparison, const DnsQuestion& question,
                 const QList<std::uint16_t>& types);
    void chain(DnsQuestion question, QList<std::uint16_t> types);
    void resolveWith(const QByteArray& address);
    // What every resolver of a query shares: the system's files, DNSSEC and its anchors.
    ResolverSettings settings() const;
    QStringList anchors() const;
    void answersCame();
    QList<ProbeTarget> probeTargets() const;
    void probed(const ProbeVerdict& verdict);
    void report(QList<DnsAnswer> answers);
    void timedOut();
    // Ends a query no server answered: kind names how ("timed out", "malformed", "transport"),
    // line says it in the window.
    void failed(const QString& kind, const QString& line, const QString& status);
    // The relay's reason a DNS-over-TLS connection failed, as said in the window.
    QString tlsFailure() const;

    platform::AsyncHostLookup m_lookup;
    QString m_rootAnchor = QStringLiteral("/usr/share/dns/root.key");
    QString m_rootHints = QStringLiteral("/usr/share/dns/root.hints");
    QString m_resolvConf = QStringLiteral("/etc/resolv.conf");
    QString m_hosts = QStringLiteral("/etc/hosts");
    QString m_rootServers;
    QStringList m_runAnchors;
    // Set by tests only: the TLS stack is loaded on the first DNS-over-TLS query, not at start.
    std::optional<QSslConfiguration> m_ssl;

    DnsRecordsRequest m_request;
    DnsServer m_server;
    QByteArray m_serverAddress; // the typed server's address
    DnsQuestion m_question;
    QList<std::uint16_t> m_types;
    platform::HANDLE_T m_serverLookup = 0;
    ValidatingResolver m_resolver;
    ServerProbe m_probe;
    QList<DnsAnswer> m_answers;
    QString m_problem;
    bool m_probingLate = false; // the server asked directly after the deadline
    ComparisonSession m_comparison;
    ChainSession m_chain;
    MailSession m_mail;
};

} // namespace net
