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

#include "DnsRecordsText.h"
#include "DnsRequest.h"
#include "DnsTlsRelay.h"

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

class ValidatingResolver : public QObject {
public:
    ValidatingResolver();
    ~ValidatingResolver() override;

    // Every type has its answer, in the order asked.
    std::function<void()> onDone;

    // Starts asking; why not, when the set-up failed (nothing runs then).
    QString start(const ResolverSettings& settings, const QByteArray& name,
                  const QList<std::uint16_t>& types);
    const QList<DnsAnswer>& answers() const { return m_answers; }
    // The relay of a query over TLS, while it runs.
    const DnsTlsRelay* relay() const { return m_relay.get(); }
    void stop();

private:
    struct Pending {
        ValidatingResolver* resolver;
        std::uint16_t type;
        int id = 0;
        bool done = false;
    };

    QString configure(const ResolverSettings& settings);
    void readAnswers();
    static void answered(void* data, int error, ub_result* result);

    const DnsLibrary* m_dns;
    ub_ctx* m_ctx = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    std::unique_ptr<DnsTlsRelay> m_relay;
    std::vector<std::unique_ptr<Pending>> m_pending;
    QList<std::uint16_t> m_types;
    QList<DnsAnswer> m_answers;
};

} // namespace net
