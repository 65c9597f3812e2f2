// SPDX-License-Identifier: MIT
#include "ResolverLineup.h"

namespace net {

ResolverLineup::ResolverLineup() {
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(ResolverTimeoutMs);
    connect(&m_deadline, &QTimer::timeout, this, &ResolverLineup::timedOut);
}

void ResolverLineup::start(const ResolverSettings& settings, const QList<DnsServer>& servers,
                           const QList<ServerAddress>& addresses, const QByteArray& name,
                           const QList<std::uint16_t>& types) {
    stop();
    m_clock.start();
    m_deadline.start();
    m_name = name;
    m_types = types;
    m_results = QList<LinedUpAnswers>(servers.size());
    m_done = QList<bool>(servers.size(), false);
    m_targets = QList<ProbeTarget>(servers.size(), ProbeTarget{{}, 0, false});
    for (qsizetype i = 0; i < servers.size(); ++i) {
        auto resolver = std::make_unique<ValidatingResolver>();
        resolver->onDone = [this, i] { answered(i); };
        ResolverSettings each = settings;
        each.server = servers[i];
        each.address = i < addresses.size() ? addresses[i].address : QByteArray();
        const auto address = platform::HostAddress::parse(each.address);
        if (servers[i].kind == DnsServer::Forwarder && address)
            m_targets[i] = {*address, servers[i].effectivePort(), false};
        const QString error = i < addresses.size() && !addresses[i].error.isEmpty()
                                  ? addresses[i].error
                                  : resolver->start(each, name, types);
        if (!error.isEmpty()) {
            m_results[i].problem = error;
            m_done[i] = true;
        }
        m_resolvers.push_back(std::move(resolver));
    }
    // Every server may have failed to start: told from the event loop all the same.
    QMetaObject::invokeMethod(
        this, [this] { answered(-1); }, Qt::QueuedConnection);
}

void ResolverLineup::stop() {
    m_deadline.stop();
    // A resolver may be the one whose answer brought us here: deleted from the event loop.
    for (std::unique_ptr<ValidatingResolver>& resolver : m_resolvers) {
        resolver->stop();
        resolver.release()->deleteLater();
    }
    m_resolvers.clear();
    for (std::unique_ptr<ServerProbe>& probe : m_probes) {
        probe->stop();
        probe.release()->deleteLater();
    }
    m_probes.clear();
    m_done.clear();
}

void ResolverLineup::answered(qsizetype index) {
    if (index >= 0 && index < m_results.size() && !m_done[index]) {
        ValidatingResolver& resolver = *m_resolvers[size_t(index)];
        LinedUpAnswers& result = m_results[index];
        result.answers = resolver.answers();
        result.elapsedMs = m_clock.elapsed();
        if (resolver.relay() && !resolver.relay()->lastError().isEmpty())
            result.problem =
                QStringLiteral("DNS over TLS failed: ") + resolver.relay()->lastError();
        resolver.stop();
        if (result.problem.isEmpty() && m_targets[index].port != 0 &&
            saysOnlyThatItFailed(result.answers)) {
            probe(index);
            return;
        }
        m_done[index] = true;
    }
    finishIfDone();
}

void ResolverLineup::probe(qsizetype index) {
    auto probe = std::make_unique<ServerProbe>();
    probe->onDone = [this, index](const ProbeVerdict& verdict) { probed(index, verdict); };
    DirectQuestion question;
    question.name = m_name;
    question.type = m_types.isEmpty() ? 1 : m_types.first();
    probe->start({m_targets[index]}, question, ServerProbeTimeoutMs);
    m_probes.push_back(std::move(probe));
}

void ResolverLineup::timedOut() {
    // Those still resolving: asked directly where they can be, else given up.
    for (qsizetype index = 0; index < m_done.size(); ++index) {
        ValidatingResolver& resolver = *m_resolvers[size_t(index)];
        if (m_done[index] || !resolver.running())
            continue;
        resolver.stop();
        m_results[index].elapsedMs = m_clock.elapsed();
        if (m_targets[index].port != 0) {
            probe(index);
            continue;
        }
        m_results[index].probed = ProbeVerdict{ProbeVerdict::Silent, {}};
        m_done[index] = true;
    }
    finishIfDone();
}

void ResolverLineup::probed(qsizetype index, const ProbeVerdict& verdict) {
    if (index >= m_done.size() || m_done[index])
        return;
    m_results[index].probed = verdict;
    m_results[index].elapsedMs = m_clock.elapsed();
    m_done[index] = true;
    finishIfDone();
}

void ResolverLineup::finishIfDone() {
    if (m_done.isEmpty() || m_done.contains(false))
        return;
    m_done.clear(); // told once
    if (onDone)
        onDone(m_results);
}

} // namespace net
