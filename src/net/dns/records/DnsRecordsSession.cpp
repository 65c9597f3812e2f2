// SPDX-License-Identifier: MIT
#include "DnsRecordsSession.h"
#include "net/dns/DnsLibrary.h"
#include "net/dns/message/DnsJson.h"
#include "net/dns/message/DnsWire.h"
#include "net/engine/HostNames.h"
#include "net/engine/QueryEngine.h"
#include "net/engine/SocketErrorText.h"
#include "platform/RegularFile.h"
#include "platform/SocketEvents.h"
#include "platform/WinsockErrors.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace net {

namespace {

// The name servers a resolv.conf names, on port 53.
QList<ProbeTarget> resolvConfServers(const QString& path) {
    QList<ProbeTarget> servers;
    const platform::RegularFile file = platform::readRegularFile(path, 64 * 1024);
    for (const QByteArray& line : file.bytes.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 2 && words[0] == "nameserver")
            if (const auto address = platform::HostAddress::parse(words[1]))
                servers.append({*address, 53, false});
    }
    return servers;
}

// Why a type text names no type: a type the library knows by no name is asked by number.
QString typeProblem(const QString& type) {
    const QString text = type.trimmed();
    const bool looksLikeName =
        !text.isEmpty() && text[0].isLetter() && std::all_of(text.begin(), text.end(), [](QChar c) {
            return c.isLetterOrNumber() || c == u'-';
        });
    if (looksLikeName)
        return QStringLiteral("Not a record type this program knows: %1 (ask for it by its "
                              "number, as TYPEnnn)")
            .arg(text);
    return QStringLiteral("Not a record type: %1").arg(text);
}

} // namespace

DnsRecordsSession::DnsRecordsSession(QueryEngine& engine)
    : DnsCall(engine, DeadlineMs), m_lookup(this), m_comparison(engine), m_chain(engine),
      m_mail(engine) {
    m_resolver.onDone = [this] { answersCame(); };
    m_probe.onDone = [this](const ProbeVerdict& verdict) { probed(verdict); };
}

DnsRecordsSession::~DnsRecordsSession() {
    stop();
}

void DnsRecordsSession::start(const DnsRecordsRequest& request) {
    const QByteArray typed = request.name.trimmed();
    if (m_engine.Busy() || typed.isEmpty())
        return;
    if (!DnsLibrary::get()) {
        m_engine.refuseStart(QStringLiteral("DNS records need %1, which is not installed")
                                 .arg(QString::fromLatin1(DnsLibrary::missing())));
        return;
    }
    m_request = request;
    // The root is a name too; an address asks for its PTR record under the reverse name.
    QByteArray name = typed == "." ? typed : reverseName(typed);
    const bool address = !name.isEmpty() && name != ".";
    if (request.mail && (address || name == ".")) {
        m_engine.refuseStart(QStringLiteral("A mail check needs a domain name"));
        return;
    }
    if (name.isEmpty()) {
        const AsciiName ascii = asciiHost(typed);
        if (!ascii.error.isEmpty()) {
            m_engine.refuseStart(ascii.error);
            return;
        }
        name = ascii.name;
    }
    auto types = parseRecordTypes(request.type);
    if (!types) {
        m_engine.refuseStart(typeProblem(request.type));
        return;
    }
    // Common types of an address mean its name: the PTR record.
    const bool common = types->size() > 1;
    if (address && common)
        types = QList<std::uint16_t>{12};
    DnsQuestion question;
    question.name = name;
    question.shownName = oneLineName(QString::fromUtf8(typed));
    question.typeText = address && common ? QStringLiteral("PTR") : request.type.trimmed();
    if (question.typeText.isEmpty())
        question.typeText = QStringLiteral("Common");
    question.server = request.server;
    question.dnssecChecked = request.dnssec;
    question.anchors = anchors();
    const DnsComparison comparison = DnsComparison::of(request.server);
    if (comparison.kind != DnsComparison::None && request.mail) {
        m_engine.refuseStart(QStringLiteral("A mail check asks one DNS server, not several"));
        return;
    }
    if (comparison.kind != DnsComparison::None) {
        compare(comparison, question, *types);
        return;
    }
    m_server = DnsServer::parse(request.server);
    if (!m_server.error.isEmpty()) {
        m_engine.refuseStart(m_server.error);
        return;
    }
    if (request.chain) {
        chain(question, *types);
        return;
    }
    if (request.mail) {
        ResolverSettings mailSettings = settings();
        mailSettings.server = m_server;
        m_mail.start(question.name, question.shownName, request.selectors, mailSettings,
                     m_server.describe());
        return;
    }
    if (!m_engine.beginCall(this))
        return;
    m_types = *types;
    m_answers.clear();
    m_problem.clear();
    m_probingLate = false;
    m_serverAddress.clear();
    m_question = question;
    m_question.server = m_server.describe();
    startClock();
    const bool named = (m_server.kind == DnsServer::Forwarder || m_server.kind == DnsServer::Tls) &&
                       !platform::HostAddress::parse(m_server.host);
    if (named) {
        // The server was typed by name: its address first, without blocking the window.
        m_engine.setStatus(QStringLiteral("Resolving address ") + QString::fromUtf8(m_server.host));
        m_serverLookup = m_lookup.getHostByName(platform::WM_HOSTRESOLVED, m_server.host);
        return;
    }
    resolveWith(m_server.host);
}

void DnsRecordsSession::compare(const DnsComparison& comparison, const DnsQuestion& question,
                                const QList<std::uint16_t>& types) {
    const DnsServer through = DnsServer::parse(m_request.foundThrough);
    if (!through.error.isEmpty()) {
        m_engine.refuseStart(through.error);
        return;
    }
    m_comparison.start(comparison, question, types, settings(), through);
}

void DnsRecordsSession::chain(DnsQuestion question, QList<std::uint16_t> types) {
    if (types.size() != 1) { // the common types: the chain of the address record
        types = {1};
        question.typeText = QStringLiteral("A");
    }
    m_request.dnssec = true; // a chain of trust is DNSSEC, whatever the switch says
    ResolverSettings chainSettings = settings();
    chainSettings.server = m_server;
    m_chain.start(question, types.first(), chainSettings);
}

ResolverSettings DnsRecordsSession::settings() const {
    ResolverSettings settings;
    settings.dnssec = m_request.dnssec;
    settings.anchors = anchors();
    settings.resolvConf = m_resolvConf;
    settings.hosts = m_hosts;
    settings.rootHints = m_rootHints;
    settings.rootServers = m_rootServers;
    settings.ssl = m_ssl;
    return settings;
}

QStringList DnsRecordsSession::anchors() const {
    if (!m_request.dnssec)
        return {};
    QStringList files = m_runAnchors;
    if (files.isEmpty() && !m_rootAnchor.isEmpty() && QFileInfo(m_rootAnchor).isFile())
        files.append(m_rootAnchor);
    for (const QString& file : m_request.trustAnchors)
        if (!file.isEmpty() && !files.contains(file))
            files.append(file);
    return files;
}

bool DnsRecordsSession::event(QEvent* e) {
    if (e->type() != QEvent::Type(platform::WM_HOSTRESOLVED))
        return QObject::event(e);
    const auto& reply = static_cast<const platform::HostLookupEvent&>(*e);
    if (reply.wParam != m_serverLookup || m_serverLookup == 0)
        return true; // the look-up of a query that has ended
    m_serverLookup = 0;
    int error = platform::selectError(reply.lParam);
    if (error == 0 && reply.entry.addresses.isEmpty())
        error = platform::WSANO_DATA;
    if (error != 0) {
        end(SocketErrorText(error));
        return true;
    }
    resolveWith(reply.entry.addresses.first().text().toLatin1());
    return true;
}

void DnsRecordsSession::resolveWith(const QByteArray& address) {
    m_serverAddress = address;
    ResolverSettings resolver = settings();
    resolver.server = m_server;
    resolver.address = address;
    const QString error = m_resolver.start(resolver, m_question.name, m_types);
    if (!error.isEmpty()) {
        end(error);
        return;
    }
    const QString name = oneLineName(QString::fromLatin1(m_question.name));
    switch (m_server.kind) {
    case DnsServer::System:
        m_engine.setStatus(QStringLiteral("Asking the system resolver about ") + name);
        break;
    case DnsServer::Authoritative:
        m_engine.setStatus(QStringLiteral("Resolving ") + name + QStringLiteral(" from the root"));
        break;
    default:
        m_engine.setStatus(QStringLiteral("Asking ") + QString::fromUtf8(m_server.host) +
                           QStringLiteral(" about ") + name);
        break;
    }
}

void DnsRecordsSession::answersCame() {
    m_answers = m_resolver.answers();
    bool tlsSilent = false;
    if (const DnsTlsRelay* relay = m_resolver.relay()) {
        m_problem = relay->lastError();
        tlsSilent = relay->leftUnanswered();
    }
    m_resolver.stop();
    // A resolver says SERVFAIL for whatever went wrong on the way; only a server's own word is
    // reported as its answer.
    const bool onlyFailed = saysOnlyThatItFailed(m_answers);
    if (onlyFailed && !m_problem.isEmpty()) {
        const QString problem = tlsFailure();
        failed(QStringLiteral("transport"), problem, problem);
        return;
    }
    if (onlyFailed && tlsSilent) {
        timedOut();
        return;
    }
    const QList<ProbeTarget> targets = probeTargets();
    if (onlyFailed && !targets.isEmpty()) {
        DirectQuestion question;
        question.name = m_question.name;
        question.type = m_types.first();
        question.recursionDesired = true;
        m_probe.start(targets, question, ProbeTimeoutMs);
        return;
    }
    report(m_answers);
}

QList<ProbeTarget> DnsRecordsSession::probeTargets() const {
    switch (m_server.kind) {
    case DnsServer::System: return resolvConfServers(m_resolvConf);
    case DnsServer::Forwarder:
        if (const auto address = platform::HostAddress::parse(m_serverAddress))
            return {{*address, m_server.effectivePort(), false}};
        return {};
    case DnsServer::Authoritative:
    case DnsServer::Tls: break; // many servers, or a connection the relay already reported on
    }
    return {};
}

void DnsRecordsSession::probed(const ProbeVerdict& verdict) {
    if (m_probingLate && verdict.kind == ProbeVerdict::Answered) {
        timedOut(); // it answers, but not in time for the resolver
        return;
    }
    switch (verdict.kind) {
    case ProbeVerdict::Silent: timedOut(); return;
    case ProbeVerdict::Unreachable: {
        const QString problem = QStringLiteral("%1 could not be reached: %2")
                                    .arg(m_question.server, verdict.reasons.join(u", "));
        failed(QStringLiteral("transport"), problem, problem);
        return;
    }
    case ProbeVerdict::Malformed: {
        const QString what = verdict.reasons.join(QStringLiteral("; "));
        failed(QStringLiteral("malformed"),
               QStringLiteral("Malformed answer from %1: %2").arg(m_question.server, what),
               QStringLiteral("Malformed answer: ") + what);
        return;
    }
    case ProbeVerdict::Refused:
        for (DnsAnswer& answer : m_answers)
            answer.rcode = LDNS_RCODE_REFUSED;
        break;
    case ProbeVerdict::ServerFailure: break;
    case ProbeVerdict::Answered: {
        // The failure is the resolver's own: the server answers when asked directly.
        QString line = QStringLiteral("No usable answer: asked directly, %1 answers, but the "
                                      "resolver could not use its answer")
                           .arg(m_question.server);
        if (!verdict.reasons.isEmpty())
            line += QStringLiteral(" (the server says %1)").arg(verdict.reasons.join(u"; "));
        failed(QStringLiteral("resolver"), line,
               QStringLiteral("The resolver could not use the server's answer"));
        return;
    }
    }
    // What is left is the server's own refusal or failure: its reasons are extended errors.
    for (DnsAnswer& answer : m_answers)
        answer.extendedErrors = verdict.reasons;
    report(m_answers);
}

void DnsRecordsSession::report(QList<DnsAnswer> answers) {
    stopDeadline();
    m_question.elapsedMs = elapsedMs();
    if (!m_problem.isEmpty())
        m_problem = tlsFailure();
    // Written out on a worker thread: an answer of thousands of records never holds the window.
    writeOnWorker(formatDnsRecords, m_question, std::move(answers));
}

void DnsRecordsSession::written(const DnsReport& formatted) {
    DnsReport report = formatted;
    if (!m_problem.isEmpty() && report.records == 0) {
        // A connection that failed is said in the window too, where it stays.
        report.text += QStringLiteral("; %1\n").arg(m_problem);
        report.status = m_problem;
    }
    m_engine.showText(report.text);
    if (Transcript* transcript = m_engine.view().transcript())
        transcript->record(QStringLiteral("dns"), dnsJson(m_question, m_answers, report));
    end(report.status, report.answered ? Answer::Whole : Answer::None);
}

void DnsRecordsSession::deadlineReached() {
    if (m_probe.running())
        return; // the server asked directly: it has a time-out of its own
    // A resolver still at work may be retrying a server that sends what is no answer: asked
    // directly for a moment, the server shows whether it is silent or sends something else.
    const QList<ProbeTarget> targets = probeTargets();
    if (m_resolver.running() && !targets.isEmpty()) {
        m_resolver.stop();
        m_probingLate = true;
        m_answers.clear();
        for (const std::uint16_t type : m_types) {
            DnsAnswer answer; // what a resolver would have said, had it given up
            answer.name = m_question.name;
            answer.type = type;
            answer.rcode = LDNS_RCODE_SERVFAIL;
            m_answers.append(answer);
        }
        DirectQuestion question;
        question.name = m_question.name;
        question.type = m_types.first();
        m_probe.start(targets, question, LateProbeTimeoutMs);
        return;
    }
    timedOut();
}

void DnsRecordsSession::timedOut() {
    if (writing())
        return; // the answer is being written out
    const qint64 seconds = std::lround(double(elapsedMs()) / 1000.0);
    failed(QStringLiteral("timed out"),
           QStringLiteral("Timed out: no answer from %1 after %2 s")
               .arg(m_question.server)
               .arg(seconds),
           SocketErrorText(platform::WSAETIMEDOUT));
}

void DnsRecordsSession::failed(const QString& kind, const QString& line, const QString& status) {
    m_question.elapsedMs = elapsedMs();
    m_engine.showText(dnsFailureText(m_question, line));
    if (Transcript* transcript = m_engine.view().transcript()) {
        DnsReport report;
        report.status = status;
        QJsonObject json = dnsJson(m_question, {}, report);
        json.insert(QStringLiteral("failure"),
                    QJsonObject{{QStringLiteral("kind"), kind}, {QStringLiteral("reason"), line}});
        transcript->record(QStringLiteral("dns"), json);
    }
    end(status);
}

QString DnsRecordsSession::tlsFailure() const {
    return QStringLiteral("DNS over TLS to %1 failed: %2")
        .arg(QString::fromUtf8(m_server.host), m_problem);
}

QString DnsRecordsSession::caption() const {
    return m_question.shownName + QLatin1Char(' ') + m_question.typeText;
}

void DnsRecordsSession::stopWork() {
    if (m_serverLookup != 0) {
        m_lookup.cancel(m_serverLookup);
        m_serverLookup = 0;
    }
    m_resolver.stop();
    m_probe.stop();
}

} // namespace net
