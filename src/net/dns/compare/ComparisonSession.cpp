// SPDX-License-Identifier: MIT
#include "ComparisonSession.h"
#include "net/engine/HostNames.h"
#include "net/engine/QueryEngine.h"
#include "net/engine/SocketErrorText.h"
#include "platform/WinsockErrors.h"

#include <QDateTime>

#include <cmath>
#include <iterator>

namespace net {

namespace {
constexpr std::uint16_t TypeSoa = 6;
}

ComparisonSession::ComparisonSession(QueryEngine& engine) : DnsCall(engine, DeadlineMs) {
    m_addresses.onDone = [this](const QList<ServerAddress>& found) { addressesFound(found); };
    m_finder.onStatus = [this](const QString& text) { m_engine.setStatus(text); };
    m_finder.onDone = [this](const ZoneServers& zone) { zoneFound(zone); };
    m_batch.onProgress = [this](qsizetype done, qsizetype all) {
        m_engine.setStatus(QStringLiteral("%1 of %2 answers in").arg(done).arg(all));
    };
    m_batch.onDone = [this] { serversAnswered(); };
    m_lineup.onDone = [this](const QList<LinedUpAnswers>& results) { resolversAnswered(results); };
}

ComparisonSession::~ComparisonSession() {
    stop();
}

void ComparisonSession::start(const DnsComparison& comparison, const DnsQuestion& question,
                              const QList<std::uint16_t>& types, const ResolverSettings& settings,
                              const DnsServer& foundThrough) {
    if (m_engine.Busy())
        return;
    if (!comparison.error.isEmpty()) {
        m_engine.refuseStart(comparison.error);
        return;
    }
    if (!m_engine.beginCall(this))
        return;
    m_comparison = comparison;
    m_settings = settings;
    m_foundThrough = foundThrough;
    m_input = {};
    m_input.kind = comparison.kind;
    m_input.question = question;
    m_input.types = types;
    m_input.now = QDateTime::currentSecsSinceEpoch();
    m_jobServer.clear();
    startClock();
    if (comparison.kind == DnsComparison::EveryAuthoritative) {
        m_input.foundThrough = foundThrough.describe();
        m_addresses.start({foundThrough});
    } else {
        m_engine.setStatus(QStringLiteral("Asking %1 servers about %2")
                               .arg(comparison.servers.size())
                               .arg(oneLineName(QString::fromLatin1(question.name))));
        m_addresses.start(comparison.servers);
    }
}

void ComparisonSession::addressesFound(const QList<ServerAddress>& addresses) {
    if (m_comparison.kind == DnsComparison::SideBySide) {
        m_lineup.start(m_settings, m_comparison.servers, addresses, m_input.question.name,
                       m_input.types);
        return;
    }
    if (!addresses.first().error.isEmpty()) {
        end(QStringLiteral("%1: %2").arg(QString::fromUtf8(m_foundThrough.host),
                                         addresses.first().error));
        return;
    }
    ResolverSettings finding = m_settings;
    finding.server = m_foundThrough;
    finding.address = addresses.first().address;
    const QString error = m_finder.find(finding, m_input.question.name);
    if (!error.isEmpty())
        end(error);
}

void ComparisonSession::zoneFound(const ZoneServers& zone) {
    if (!zone.error.isEmpty()) {
        m_engine.showText(QStringLiteral("; Comparison: %1 %2 at every authoritative server\n"
                                         "; Zone found through: %3\n; %4\n")
                              .arg(m_input.question.shownName, m_input.question.typeText,
                                   m_input.foundThrough, zone.error));
        end(zone.error);
        return;
    }
    m_input.zone = zone;
    QList<BatchJob> jobs;
    QList<ComparedServer>& rows = m_input.servers;
    for (const NameServerAddresses& server : zone.servers) {
        const QString name = QString::fromLatin1(server.name);
        QList<platform::HostAddress> all = server.addresses;
        for (const platform::HostAddress& glue : server.glue)
            if (!all.contains(glue))
                all.append(glue);
        if (all.isEmpty()) {
            ComparedServer row;
            row.server = name;
            row.knownOutcome = ComparedAnswer::NoAddress;
            row.why = server.problem;
            rows.append(row);
        }
        for (const platform::HostAddress& address : all) {
            ComparedServer row;
            row.server = name;
            row.address = address.text();
            row.glueOnly = !server.addresses.contains(address);
            if (jobs.size() >= MaxAddresses * (m_input.types.size() + 2)) {
                row.knownOutcome = ComparedAnswer::NotAsked;
                row.why = QStringLiteral("at most %1 addresses are asked").arg(MaxAddresses);
                rows.append(row);
                continue;
            }
            // Each type asked, then the zone's SOA, over UDP and again over TCP (which every
            // server must answer too, RFC 7766); no recursion: the server's own data.
            const bool dnssec = m_input.question.dnssecChecked;
            for (const std::uint16_t type : m_input.types)
                jobs.append({address, 53, {m_input.question.name, type, false, dnssec}});
            jobs.append({address, 53, {zone.zone, TypeSoa, false, dnssec}});
            jobs.append({address, 53, {zone.zone, TypeSoa, false, dnssec}, true});
            for (qsizetype i = 0; i < m_input.types.size() + 2; ++i)
                m_jobServer.append(rows.size());
            rows.append(row);
        }
    }
    m_engine.setStatus(QStringLiteral("Asking %1 addresses of the name servers of %2")
                           .arg(jobs.size() / (m_input.types.size() + 2))
                           .arg(QString::fromLatin1(zone.zone)));
    m_batch.start(jobs, m_answerTimeoutMs);
}

void ComparisonSession::serversAnswered() {
    const QList<DirectAnswer>& answers = m_batch.answers();
    for (qsizetype job = 0; job < answers.size() && job < m_jobServer.size(); ++job) {
        ComparedServer& row = m_input.servers[m_jobServer[job]];
        // The last two questions of each row are the SOA, over UDP and over TCP.
        const auto lastOfRow = [&](qsizetype at) {
            return at + 1 == m_jobServer.size() || m_jobServer[at + 1] != m_jobServer[at];
        };
        if (lastOfRow(job))
            row.soaOverTcp = answers[job];
        else if (lastOfRow(job + 1))
            row.soa = answers[job];
        else
            row.answers.append(answers[job]);
    }
    report();
}

void ComparisonSession::resolversAnswered(const QList<LinedUpAnswers>& results) {
    for (qsizetype i = 0; i < results.size() && i < m_comparison.servers.size(); ++i) {
        ComparedServer row;
        row.server = m_comparison.servers[i].describe();
        row.resolved = results[i].answers;
        row.elapsedMs = results[i].elapsedMs;
        if (!results[i].problem.isEmpty()) {
            row.knownOutcome = ComparedAnswer::Failed;
            row.why = results[i].problem;
        }
        if (const std::optional<ProbeVerdict>& probed = results[i].probed) {
            // What the server did when asked directly, where its resolver only failed.
            static const ComparedAnswer::Outcome outcomes[] = {
                ComparedAnswer::Refused,       ComparedAnswer::ServerFailure,
                ComparedAnswer::ServerFailure, ComparedAnswer::TimedOut,
                ComparedAnswer::Unreachable,   ComparedAnswer::Malformed};
            static_assert(std::size(outcomes) == ProbeVerdict::Malformed + 1);
            row.knownOutcome = outcomes[probed->kind];
            row.why = probed->kind == ProbeVerdict::Answered
                          ? QStringLiteral("asked directly, the server answers; the resolver "
                                           "could not use its answer")
                          : probed->reasons.join(QStringLiteral("; "));
        }
        m_input.servers.append(row);
    }
    report();
}

void ComparisonSession::report() {
    m_input.question.elapsedMs = elapsedMs();
    const bool json = m_engine.view().transcript() != nullptr;
    m_engine.setStatus(QStringLiteral("Comparing the answers"));
    // Weighed and written on a worker thread: 64 servers' answers never hold the window.
    writeOnWorker(compareServers, m_input, json);
}

void ComparisonSession::written(const ComparisonReport& report) {
    m_engine.showText(report.text);
    if (Transcript* transcript = m_engine.view().transcript())
        transcript->record(QStringLiteral("comparison"), report.json);
    end(report.status, !report.answered ? Answer::None
                       : report.agree   ? Answer::Whole
                                        : Answer::Differs);
}

void ComparisonSession::deadlineReached() {
    if (writing())
        return; // the answers are being written out
    const qint64 seconds = std::lround(double(elapsedMs()) / 1000.0);
    m_engine.showText(QStringLiteral("; Comparison: %1 %2\n; Timed out: no comparison after %3 s\n")
                          .arg(m_input.question.shownName, m_input.question.typeText)
                          .arg(seconds));
    end(SocketErrorText(platform::WSAETIMEDOUT), Answer::None);
}

void ComparisonSession::stopWork() {
    m_addresses.stop();
    m_finder.stop();
    m_batch.stop();
    m_lineup.stop();
}

QString ComparisonSession::caption() const {
    return m_input.question.shownName + QLatin1Char(' ') + m_input.question.typeText;
}

} // namespace net
