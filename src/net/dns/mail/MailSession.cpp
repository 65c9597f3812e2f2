// SPDX-License-Identifier: MIT
#include "MailSession.h"
#include "DomainPolicies.h"
#include "MailText.h"
#include "platform/WinsockErrors.h"

#include <QUrl>

namespace net {

MailSession::MailSession(QueryEngine& engine) : DnsCall(engine, DeadlineMs) {
    m_resolver.onDone = [this] { answered(); };
    m_policy.onDone = [this](const RdapTransport::Answer& answer) { policyFetched(answer); };
}

MailSession::~MailSession() {
    stop();
}

void MailSession::start(const QByteArray& domain, const QString& shownDomain,
                        const QStringList& selectors, const ResolverSettings& settings,
                        const QString& serverText) {
    QList<QByteArray> selectorNames;
    for (const QString& selector : selectors) {
        const QByteArray name = selector.trimmed().toLatin1();
        if (name.isEmpty())
            continue;
        if (selector.trimmed().size() != name.size() || name.contains(' ') || name.endsWith('.') ||
            name.size() > 63 * 2) {
            m_engine.refuseStart(QStringLiteral("Not a DKIM selector: %1").arg(selector.trimmed()));
            return;
        }
        if (!selectorNames.contains(name.toLower()))
            selectorNames.append(name.toLower());
    }
    if (selectorNames.size() > MaxSelectors) {
        m_engine.refuseStart(
            QStringLiteral("At most %1 DKIM selectors are checked at once").arg(MaxSelectors));
        return;
    }
    if (!m_engine.beginCall(this))
        return;
    m_gathered = {};
    m_gathered.domain = mailName(domain);
    m_gathered.shownDomain = shownDomain;
    m_gathered.selectors = selectorNames;
    m_gathered.server = serverText;
    m_rounds = 0;
    m_pending = 0;
    m_written = false;
    m_probes.clear();
    // A private DNS server's answers may name private mail servers; the public DNS's may not.
    const auto serverAddress = platform::HostAddress::parse(
        settings.server.kind == DnsServer::Authoritative && !settings.rootServers.isEmpty()
            ? settings.rootServers.split(QLatin1Char('@')).first().toLatin1()
        : settings.address.isEmpty() ? settings.server.host
                                     : settings.address);
    m_privateAllowed =
        settings.server.kind != DnsServer::System && serverAddress && !serverAddress->isPublic();
    startClock();
    if (const QString problem = m_resolver.open(settings); !problem.isEmpty()) {
        end(problem);
        return;
    }
    askNext();
}

void MailSession::askNext() {
    const MailPlan plan = judgeMail(m_gathered);
    MailWanted wanted = plan.wanted;
    const qsizetype left = MaxLookups - m_gathered.lookups;
    if (!wanted.isEmpty() && (left <= 0 || m_rounds >= MaxRounds)) {
        m_gathered.lookupCapReached = true;
        wanted.clear();
    }
    if (wanted.size() > left) {
        m_gathered.lookupCapReached = true;
        wanted.resize(left);
    }
    if (wanted.isEmpty()) {
        talkToServers(plan);
        return;
    }
    ++m_rounds;
    m_asking = wanted;
    QList<ResolverQuestion> questions;
    for (const MailQuestion& question : wanted)
        questions.append({question.name, question.type});
    m_engine.setStatus(QStringLiteral("Reading %1 DNS record set(s) for %2 (%3 so far)")
                           .arg(wanted.size())
                           .arg(m_gathered.shownDomain)
                           .arg(m_gathered.lookups));
    m_resolver.ask(questions);
}

void MailSession::answered() {
    const QList<DnsAnswer>& answers = m_resolver.answers();
    for (qsizetype i = 0; i < answers.size() && i < m_asking.size(); ++i) {
        DnsAnswer answer = answers[i];
        answer.name = m_asking[i].name; // keyed as asked, whatever the resolver echoes
        answer.type = m_asking[i].type;
        m_gathered.answers.insert(answer);
    }
    m_gathered.lookups += m_asking.size();
    m_asking.clear();
    askNext();
}

bool MailSession::mayConnect(const QByteArray& address) const {
    const auto parsed = platform::HostAddress::parse(address);
    return parsed && (parsed->isPublic() || m_privateAllowed);
}

void MailSession::talkToServers(const MailPlan& plan) {
    for (qsizetype i = 0; i < plan.hosts.size(); ++i) {
        SmtpConversation refused;
        refused.host = plan.hosts[i];
        QString address;
        for (const QByteArray& candidate : plan.hostAddresses[i])
            if (mayConnect(candidate)) {
                address = QString::fromLatin1(candidate);
                break;
            }
        if (plan.hostAddresses[i].isEmpty()) {
            refused.refused = QStringLiteral("it has no address");
        } else if (address.isEmpty()) {
            refused.refused = QStringLiteral("%1 is a loopback or private address, and the DNS "
                                             "that named it is public")
                                  .arg(QString::fromLatin1(plan.hostAddresses[i].first()));
            refused.address = QString::fromLatin1(plan.hostAddresses[i].first());
        }
        m_gathered.servers.append(refused);
        if (address.isEmpty())
            continue;
        auto probe = std::make_unique<SmtpProbe>();
        if (m_ssl)
            probe->setSslConfiguration(*m_ssl);
        probe->setStepTimeout(m_stepTimeoutMs);
        probe->onDone = [this, i](const SmtpConversation& talk) { conversationEnded(i, talk); };
        ++m_pending;
        probe->start(plan.hosts[i], address);
        m_probes.push_back(std::move(probe));
    }
    if (plan.wantsPolicy) {
        const QByteArray host = "mta-sts." + m_gathered.domain.chopped(1);
        const QUrl url(
            QStringLiteral("https://%1/.well-known/mta-sts.txt").arg(QString::fromLatin1(host)));
        m_gathered.policy.asked = true;
        m_gathered.policy.url = url.toString();
        const QList<QByteArray> addresses = plan.policyAddresses;
        platform::Resolver resolver;
        // The policy's host is where the check's own resolver said, and nowhere else.
        resolver.byName = [host, addresses](const QByteArray& name) {
            platform::LookupAnswer answer;
            if (name.toLower() != host.toLower() || addresses.isEmpty()) {
                answer.error = platform::WSAHOST_NOT_FOUND;
                return answer;
            }
            answer.entry.officialName = name;
            for (const QByteArray& address : addresses)
                if (const auto parsed = platform::HostAddress::parse(address))
                    answer.entry.addresses.append(*parsed);
            return answer;
        };
        resolver.byAddress = [](const platform::HostAddress&) {
            platform::LookupAnswer answer;
            answer.error = platform::WSAHOST_NOT_FOUND;
            return answer;
        };
        m_policy.setResolver(resolver);
        if (m_ssl)
            m_policy.setSslConfiguration(*m_ssl);
        ++m_pending;
        m_policy.get(url, "text/plain", MaxPolicyBytes, !m_privateAllowed);
    }
    m_engine.setStatus(QStringLiteral("Talking to %1 mail server(s) of %2")
                           .arg(m_probes.size())
                           .arg(m_gathered.shownDomain));
    finishWhenDone();
}

void MailSession::conversationEnded(qsizetype index, const SmtpConversation& talk) {
    if (index < m_gathered.servers.size())
        m_gathered.servers[index] = talk;
    --m_pending;
    finishWhenDone();
}

void MailSession::policyFetched(const RdapTransport::Answer& answer) {
    PolicyFetch& policy = m_gathered.policy;
    policy.status = answer.status;
    policy.body = answer.body;
    policy.tooLarge = answer.tooLarge;
    policy.error = answer.error;
    if (!answer.redirects.isEmpty() && policy.error.isEmpty())
        policy.error = QStringLiteral("the server redirected (HTTP %1), and senders do not "
                                      "follow redirects")
                           .arg(answer.redirects.first().second);
    --m_pending;
    finishWhenDone();
}

void MailSession::finishWhenDone() {
    if (m_pending > 0 || m_written)
        return;
    m_written = true;
    m_engine.setStatus(QStringLiteral("Judging the mail of ") + m_gathered.shownDomain);
    m_gathered.elapsedMs = elapsedMs();
    writeOnWorker([](const MailGathered& gathered) { return judgeMail(gathered).report; },
                  m_gathered);
}

void MailSession::written(const MailReport& report) {
    m_engine.showText(mailText(report));
    if (Transcript* transcript = m_engine.view().transcript())
        transcript->record(QStringLiteral("mail"), mailJson(report));
    if (onReport)
        onReport(report);
    const MailSummaryLine* failed = nullptr;
    for (const MailSummaryLine& line : report.summary)
        if (line.verdict == MailVerdict::Fail && !failed)
            failed = &line;
    const QString status = failed ? QStringLiteral("%1: %2").arg(failed->question, failed->reason)
                                  : QStringLiteral("Mail checked");
    end(status, report.faults() ? Answer::Faults : Answer::Whole);
}

void MailSession::deadlineReached() {
    // What has come is judged; what has not is missing, and the report says the time ran out.
    stopWork();
    m_gathered.timedOut = true;
    for (SmtpConversation& talk : m_gathered.servers)
        if (talk.refused.isEmpty() && talk.error.isEmpty() && !talk.tlsStarted &&
            (talk.greeted || !talk.address.isEmpty() || talk.lines.isEmpty()))
            talk.error = QStringLiteral("The check's time ran out before the server was done");
    m_pending = 0;
    finishWhenDone();
}

QString MailSession::caption() const {
    return m_gathered.shownDomain + QStringLiteral(" mail");
}

void MailSession::stopWork() {
    m_resolver.stop();
    m_policy.cancel();
    for (const auto& probe : m_probes)
        probe->stop();
}

} // namespace net
