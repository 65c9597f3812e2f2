// SPDX-License-Identifier: MIT
#pragma once
// The validating resolver library (libunbound) set up for one query and asked for several
// record types at once. It resolves on a thread of its own and its answers arrive on a file
// descriptor the event loop watches, so the window never waits.
//
// The set-up: the servers asked (the system's from resolv.conf and its hosts file, the zone's
// own found from the root, a typed server, or one over TLS through DnsTlsRelay), the trust
// anchors DNSSEC is checked against, and the special-use zones the library would otherwise
// answer itself (test., invalid., onion., the private address ranges) removed, so such a
// zone in a lab can be asked.

#include "DnsTlsRelay.h"
#include "net/dns/message/DnsAnswer.h"
#include "net/dns/records/DnsRequest.h"

#include <QObject>
#include <QSslConfiguration>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
struct ub_ctx;
struct ub_result;

namespace net {

struct DnsLibrary;

struct ResolverSettings {
    DnsServer server;
    QByteArray address; // a typed server's address, when it was typed by name
    bool dnssec = true;
    QStringList anchors; // files of DS or DNSKEY records
    QString resolvConf;
    QString hosts;
    QString rootHints;
    QString rootServers; // "IP" or "IP@port": where "the root" is, instead of the real one
    std::optional<QSslConfiguration> ssl;
};

struct ResolverQuestion {
    QByteArray name; // ASCII
    std::uint16_t type = 1;
};

class ValidatingResolver : public QObject {
public:
    ValidatingResolver();
    ~ValidatingResolver() override;

    // Every question has its answer, in the order asked.
    std::function<void()> onDone;

    // Starts asking for the types of one name; why not, when the set-up failed (nothing runs
    // then).
    QString start(const ResolverSettings& settings, const QByteArray& name,
                  const QList<std::uint16_t>& types);
    // Sets the resolver up without asking; why not, when that failed. Questions asked after
    // share what the resolver has learnt.
    QString open(const ResolverSettings& settings);
    // Asks every question at once, on the resolver opened; onDone follows, also when the
    // resolver is not open (each answer then says why).
    void ask(const QList<ResolverQuestion>& questions);
    const QList<DnsAnswer>& answers() const { return m_answers; }
    // Whether a round of questions is waiting for its answers.
    bool running() const { return m_asking; }
    // The relay of a query over TLS, while it runs.
    const DnsTlsRelay* relay() const { return m_relay.get(); }
    void stop();

private:
    struct Pending {
        ValidatingResolver* resolver;
        qsizetype index; // where its answer goes
        int id = 0;
        bool done = false;
    };

    QString configure(const ResolverSettings& settings);
    void readAnswers();
    static void answered(void* data, int error, ub_result* result);

    const DnsLibrary* m_dns = nullptr; // loaded by the first question, not before
    ub_ctx* m_ctx = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    std::unique_ptr<DnsTlsRelay> m_relay;
    std::vector<std::unique_ptr<Pending>> m_pending;
    bool m_asking = false; // a round of questions has not been told yet
    QList<DnsAnswer> m_answers;
};

} // namespace net
