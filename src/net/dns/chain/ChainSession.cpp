// SPDX-License-Identifier: MIT
#include "ChainSession.h"
#include "ChainText.h"
#include "net/dns/message/DnsPacket.h"
#include "net/dns/message/DnsRecordsText.h"
#include "net/engine/SocketErrorText.h"
#include "platform/WinsockErrors.h"

#include <QDateTime>

#include <cmath>

namespace net {

namespace {

// The name and every name above it, the root first: "www.lab." gives ".", "lab.", "www.lab.".
QList<QByteArray> suffixesOf(const QByteArray& name) {
    QList<QByteArray> suffixes{QByteArrayLiteral(".")};
    if (name == ".")
        return suffixes;
    const QList<QByteArray> labels = name.chopped(name.endsWith('.') ? 1 : 0).split('.');
    for (qsizetype i = labels.size() - 1; i >= 0; --i) {
        QList<QByteArray> tail = labels.mid(i);
        suffixes.append(tail.join('.') + '.');
    }
    return suffixes;
}

// The data of the records of type in an answer's answer section whose owner is owner, as
// presentation text (a name for NS, an address for A and AAAA).
QList<QByteArray> answerData(const QByteArray& packet, const QByteArray& owner,
                             std::uint16_t type) {
    QList<QByteArray> data;
    for (const SectionRecord& record : sectionRecords(packet)) {
        if (record.type != type)
            continue;
        const QStringList fields = record.line.split(QLatin1Char('\t'));
        if (fields.size() < 5 ||
            fields.first().compare(QString::fromLatin1(owner), Qt::CaseInsensitive) != 0)
            continue;
        data.append(fields[4].section(QLatin1Char(' '), 0, 0).toLatin1());
    }
    return data;
}

QString directProblem(const DirectAnswer& answer, const QString& server) {
    switch (answer.outcome) {
    case DirectAnswer::Answered: {
        const std::optional<WireMessage> wire = readWireMessage(answer.packet);
        if (wire && wire->rcode != 0 && wire->rcode != 3)
            return QStringLiteral("%1 answered %2").arg(server, rcodeName(wire->rcode));
        return {};
    }
    case DirectAnswer::TimedOut: return QStringLiteral("%1 timed out").arg(server);
    default: return QStringLiteral("%1: %2").arg(server, answer.error);
    }
}

QString resolverVerdict(const DnsAnswer& answer, QString& reason) {
    if (answer.bogus) {
        reason = shortBogusReason(answer.whyBogus);
        return QStringLiteral("bogus");
    }
    if (answer.error != 0 || (answer.rcode != 0 && answer.rcode != 3)) {
        reason = answer.error != 0 ? answer.whyBogus : rcodeName(answer.rcode);
        return QStringLiteral("no answer");
    }
    return answer.secure ? QStringLiteral("secure") : QStringLiteral("insecure");
}

} // namespace

ChainSession::ChainSession(QueryEngine& engine) : DnsCall(engine, DeadlineMs) {
    m_finder.onDone = [this] {
        if (m_step == Step::Cuts)
            cutsFound();
        else
            addressesFound();
    };
    m_validator.onDone = [this] { validated(); };
    m_batch.onDone = [this] { answersCame(); };
}

ChainSession::~ChainSession() {
    stop();
}

void ChainSession::start(const DnsQuestion& question, std::uint16_t type,
                         const ResolverSettings& settings) {
    QStringList anchors;
    if (const QString problem = readAnchorLines(settings.anchors, anchors); !problem.isEmpty()) {
        m_engine.refuseStart(problem);
        return;
    }
    const QList<QByteArray> suffixes = suffixesOf(question.name);
    if (suffixes.size() > MaxSuffixes) {
        m_engine.refuseStart(
            QStringLiteral("%1 has too many labels for a chain of trust").arg(question.shownName));
        return;
    }
    if (!m_engine.beginCall(this))
        return;
    m_question = question;
    m_type = type;
    m_settings = settings;
    m_suffixes = suffixes;
    m_zones.clear();
    m_nameServers.clear();
    m_serverNames.clear();
    m_zoneServer.clear();
    m_zonePort.clear();
    m_answers = {};
    m_answers.name = question.name;
    m_answers.type = type;
    m_answers.typeText = question.typeText;
    m_answers.anchors = anchors;
    m_verdict = {};
    m_validated = false;
    m_asked = false;
    m_step = Step::Cuts;
    startClock();
    m_engine.setStatus(QStringLiteral("Finding the zones of ") + question.shownName);
    ResolverSettings finding = settings;
    finding.dnssec = false;
    finding.anchors.clear();
    if (const QString problem = m_finder.open(finding); !problem.isEmpty()) {
        end(problem);
        return;
    }
    QList<ResolverQuestion> questions;
    for (const QByteArray& suffix : m_suffixes)
        questions.append({suffix, 2});
    m_finder.ask(questions);
    if (const QString problem = m_validator.start(settings, question.name, {type});
        !problem.isEmpty()) {
        m_verdict.whyBogus = problem;
        m_verdict.error = -1;
        m_validated = true;
    }
}

void ChainSession::cutsFound() {
    const QList<DnsAnswer>& answers = m_finder.answers();
    for (qsizetype i = 0; i < answers.size() && i < m_suffixes.size(); ++i) {
        const QList<QByteArray> servers = answerData(answers[i].packet, m_suffixes[i], 2);
        if (servers.isEmpty() && i > 0)
            continue; // no cut here
        m_zones.append(m_suffixes[i]);
        m_nameServers.append(servers.mid(0, ServersPerZone));
        for (const QByteArray& server : m_nameServers.last())
            if (!m_serverNames.contains(server.toLower()))
                m_serverNames.append(server.toLower());
    }
    m_step = Step::Addresses;
    m_engine.setStatus(QStringLiteral("Finding the name servers of %1 zones").arg(m_zones.size()));
    QList<ResolverQuestion> questions;
    for (const QByteArray& server : m_serverNames) {
        questions.append({server, 1});
        questions.append({server, 28});
    }
    m_finder.ask(questions);
}

void ChainSession::addressesFound() {
    const QList<DnsAnswer>& answers = m_finder.answers();
    const auto addressOf = [&](const QByteArray& server) -> QByteArray {
        const qsizetype at = m_serverNames.indexOf(server.toLower());
        for (qsizetype i = 2 * at; at >= 0 && i < 2 * at + 2 && i < answers.size(); ++i)
            for (const QByteArray& address : answerData(answers[i].packet, server, i % 2 ? 28 : 1))
                if (platform::HostAddress::parse(address))
                    return address;
        return {};
    };
    // The root of a lab (or of a typed root) is where the settings say.
    const bool labRoot =
        m_settings.server.kind == DnsServer::Authoritative && !m_settings.rootServers.isEmpty();
    for (qsizetype z = 0; z < m_zones.size(); ++z) {
        QByteArray address;
        std::uint16_t port = 53;
        if (z == 0 && labRoot) {
            const QStringList parts = m_settings.rootServers.split(QLatin1Char('@'));
            address = parts.first().toLatin1();
            if (parts.size() > 1)
                port = std::uint16_t(parts[1].toUShort());
        }
        for (qsizetype n = 0; address.isEmpty() && n < m_nameServers[z].size(); ++n)
            address = addressOf(m_nameServers[z][n]);
        m_zoneServer.append(QString::fromLatin1(address));
        m_zonePort.append(port);
    }
    m_step = Step::Records;
    QList<BatchJob> jobs;
    const auto ask = [&](qsizetype zone, const QByteArray& name, std::uint16_t type) {
        const auto address = platform::HostAddress::parse(m_zoneServer[zone].toLatin1());
        if (!address)
            return -1;
        BatchJob job;
        job.address = *address;
        job.port = m_zonePort[zone];
        job.question = {name, type, false, true};
        jobs.append(job);
        return int(jobs.size()) - 1;
    };
    QList<int> keyJobs;
    QList<int> dsJobs;
    for (qsizetype z = 0; z < m_zones.size(); ++z) {
        keyJobs.append(ask(z, m_zones[z], 48));
        dsJobs.append(z > 0 ? ask(z - 1, m_zones[z], 43) : -1);
    }
    const int answerJob = m_zones.isEmpty() ? -1 : ask(m_zones.size() - 1, m_question.name, m_type);
    m_keyJobs = keyJobs;
    m_dsJobs = dsJobs;
    m_answerJob = answerJob;
    m_engine.setStatus(QStringLiteral("Asking %1 zones' servers for their keys and DS records")
                           .arg(m_zones.size()));
    m_batch.start(jobs, AnswerTimeoutMs);
}

void ChainSession::answersCame() {
    const QList<DirectAnswer>& answers = m_batch.answers();
    const auto take = [&](int job, qsizetype zone, QByteArray& packet, QString& problem) {
        const QString server =
            zone >= 0 && zone < m_zoneServer.size() ? m_zoneServer[zone] : QString();
        if (job < 0 || job >= answers.size()) {
            problem = QStringLiteral("no address was found for its name servers");
            return;
        }
        problem = directProblem(answers[job], server);
        if (problem.isEmpty())
            packet = answers[job].packet;
    };
    for (qsizetype z = 0; z < m_zones.size(); ++z) {
        ChainZoneAnswers zone;
        zone.name = m_zones[z];
        zone.server = m_zoneServer[z];
        take(m_keyJobs[z], z, zone.keys, zone.keysProblem);
        if (z > 0)
            take(m_dsJobs[z], z - 1, zone.ds, zone.dsProblem);
        m_answers.zones.append(zone);
    }
    take(m_answerJob, m_zones.size() - 1, m_answers.answer, m_answers.answerProblem);
    m_asked = true;
    checkWhenDone();
}

void ChainSession::validated() {
    if (!m_validator.answers().isEmpty())
        m_verdict = m_validator.answers().first();
    m_validated = true;
    checkWhenDone();
}

void ChainSession::checkWhenDone() {
    if (!m_asked || !m_validated)
        return;
    m_engine.setStatus(QStringLiteral("Checking the chain of trust"));
    m_answers.now = QDateTime::currentSecsSinceEpoch();
    writeOnWorker(checkChain, m_answers);
}

void ChainSession::written(const ChainReport& checked) {
    ChainReport report = checked;
    report.resolverVerdict = resolverVerdict(m_verdict, report.resolverReason);
    report.elapsedMs = elapsedMs();
    m_engine.showText(chainText(report));
    if (Transcript* transcript = m_engine.view().transcript())
        transcript->record(QStringLiteral("chain"), chainJson(report));
    if (onReport)
        onReport(report);
    const bool answered =
        report.verdict == ChainReport::Secure || report.verdict == ChainReport::Insecure;
    end(report.reason, answered ? Answer::Whole : Answer::None);
}

void ChainSession::deadlineReached() {
    const qint64 seconds = std::lround(double(elapsedMs()) / 1000.0);
    m_engine.showText(QStringLiteral("; Chain of trust for %1 %2\n; Timed out after %3 s while "
                                     "the servers were asked\n")
                          .arg(m_question.shownName, m_question.typeText)
                          .arg(seconds));
    end(SocketErrorText(platform::WSAETIMEDOUT));
}

QString ChainSession::caption() const {
    return m_question.shownName + QLatin1Char(' ') + m_question.typeText + QStringLiteral(" chain");
}

void ChainSession::stopWork() {
    m_finder.stop();
    m_validator.stop();
    m_batch.stop();
}

} // namespace net
