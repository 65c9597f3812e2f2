// SPDX-License-Identifier: MIT
#pragma once
// Several resolvers asked the same question side by side, each through a validating resolver
// of its own (see ValidatingResolver) set up for that server alone, all at once. A server whose
// answers say only that they failed is asked directly (see ServerProbe), so a refusal, a
// failure and silence are told apart.

#include "ServerAddressLookup.h"
#include "ServerProbe.h"
#include "ValidatingResolver.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace net {

struct LinedUpAnswers {
    QList<DnsAnswer> answers; // one a type asked
    qint64 elapsedMs = 0;
    QString problem;                    // why the server could not be asked
    std::optional<ProbeVerdict> probed; // what the server did when asked directly
};

class ResolverLineup : public QObject {
public:
    // How long a server asked directly has to answer.
    static constexpr int ServerProbeTimeoutMs = 3000;
    // A resolver that has not answered by then is asked directly instead, or given up.
    static constexpr int ResolverTimeoutMs = 8000;

    ResolverLineup();
    void setResolverTimeout(int ms) { m_deadline.setInterval(ms); }

    std::function<void(const QList<LinedUpAnswers>&)> onDone;

    // Asks every server for name's types; settings holds what all share (the system's files,
    // the DNSSEC switch, the anchors), addresses the servers' addresses where typed by name.
    void start(const ResolverSettings& settings, const QList<DnsServer>& servers,
               const QList<ServerAddress>& addresses, const QByteArray& name,
               const QList<std::uint16_t>& types);
    void stop();

private:
    void answered(qsizetype index);
    void probe(qsizetype index);
    void probed(qsizetype index, const ProbeVerdict& verdict);
    void timedOut();
    void finishIfDone();

    std::vector<std::unique_ptr<ValidatingResolver>> m_resolvers;
    std::vector<std::unique_ptr<ServerProbe>> m_probes;
    QList<ProbeTarget> m_targets; // one a server; its port 0 where it cannot be asked directly
    QList<std::uint16_t> m_types;
    QByteArray m_name;
    QList<LinedUpAnswers> m_results;
    QList<bool> m_done;
    QElapsedTimer m_clock;
    QTimer m_deadline;
};

} // namespace net
