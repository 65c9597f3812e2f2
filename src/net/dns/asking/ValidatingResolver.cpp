// SPDX-License-Identifier: MIT
#include "ValidatingResolver.h"
#include "net/dns/DnsLibrary.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>

namespace net {

namespace {

// The zones libunbound answers itself unless told otherwise (RFC 6761 and RFC 6303 names and
// the private address ranges' reverse zones). A DNS tool asks the server about them instead.
QList<QByteArray> builtInLocalZones() {
    QList<QByteArray> zones = {"localhost.",
                               "test.",
                               "invalid.",
                               "onion.",
                               "home.arpa.",
                               "resolver.arpa.",
                               "service.arpa.",
                               "0.in-addr.arpa.",
                               "10.in-addr.arpa.",
                               "127.in-addr.arpa.",
                               "254.169.in-addr.arpa.",
                               "168.192.in-addr.arpa.",
                               "2.0.192.in-addr.arpa.",
                               "100.51.198.in-addr.arpa.",
                               "113.0.203.in-addr.arpa.",
                               "255.255.255.255.in-addr.arpa.",
                               "d.f.ip6.arpa.",
                               "8.e.f.ip6.arpa.",
                               "9.e.f.ip6.arpa.",
                               "a.e.f.ip6.arpa.",
                               "b.e.f.ip6.arpa.",
                               "8.b.d.0.1.0.0.2.ip6.arpa."};
    zones.append(QByteArray("0.").repeated(32) + "ip6.arpa.");
    zones.append("1." + QByteArray("0.").repeated(31) + "ip6.arpa.");
    for (int i = 16; i <= 31; ++i)
        zones.append(QByteArray::number(i) + ".172.in-addr.arpa.");
    for (int i = 64; i <= 127; ++i)
        zones.append(QByteArray::number(i) + ".100.in-addr.arpa.");
    return zones;
}

} // namespace

ValidatingResolver::ValidatingResolver() = default;

ValidatingResolver::~ValidatingResolver() {
    stop();
}

QString ValidatingResolver::start(const ResolverSettings& settings, const QByteArray& name,
                                  const QList<std::uint16_t>& types) {
    const QString error = open(settings);
    if (!error.isEmpty())
        return error;
    QList<ResolverQuestion> questions;
    for (const std::uint16_t type : types)
        questions.append({name, type});
    ask(questions);
    return {};
}

QString ValidatingResolver::open(const ResolverSettings& settings) {
    stop();
    m_dns = DnsLibrary::get();
    if (!m_dns)
        return QStringLiteral("DNS records need %1, which is not installed")
            .arg(QString::fromLatin1(DnsLibrary::missing()));
    const QString error = configure(settings);
    if (!error.isEmpty()) {
        stop();
        return error;
    }
    m_notifier = new QSocketNotifier(m_dns->ub_fd(m_ctx), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ValidatingResolver::readAnswers);
    return {};
}

void ValidatingResolver::ask(const QList<ResolverQuestion>& questions) {
    if (m_ctx)
        for (const std::unique_ptr<Pending>& pending : m_pending)
            if (!pending->done)
                m_dns->ub_cancel(m_ctx, pending->id);
    m_pending.clear();
    m_asking = true;
    m_answers = QList<DnsAnswer>(questions.size());
    for (qsizetype i = 0; i < questions.size(); ++i) {
        DnsAnswer& answer = m_answers[i];
        answer.name = questions[i].name;
        answer.type = questions[i].type;
        auto pending = std::make_unique<Pending>(Pending{this, i});
        const int rc = m_ctx ? m_dns->ub_resolve_async(m_ctx, questions[i].name.constData(),
                                                       questions[i].type, 1, pending.get(),
                                                       &ValidatingResolver::answered, &pending->id)
                             : UB_INITFAIL;
        if (rc != 0) {
            pending->done = true;
            answer.error = rc;
            answer.whyBogus = m_dns ? QString::fromUtf8(m_dns->ub_strerror(rc)) : QString();
        }
        m_pending.push_back(std::move(pending));
    }
    // Every question may have failed to start: tell from the event loop, as for any answer.
    QMetaObject::invokeMethod(this, &ValidatingResolver::readAnswers, Qt::QueuedConnection);
}

QString ValidatingResolver::configure(const ResolverSettings& settings) {
    m_ctx = m_dns->ub_ctx_create();
    if (!m_ctx)
        return QStringLiteral("The DNS resolver could not be started");
    m_dns->ub_ctx_async(m_ctx, 1);
    // A forwarder or a lab's servers on this machine are asked like any other.
    m_dns->ub_ctx_set_option(m_ctx, "do-not-query-localhost:", "no");
    const DnsServer& server = settings.server;
    const QByteArray port = QByteArray::number(server.effectivePort());
    const QByteArray address = settings.address.isEmpty() ? server.host : settings.address;
    switch (server.kind) {
    case DnsServer::System:
        if (m_dns->ub_ctx_resolvconf(m_ctx, QFile::encodeName(settings.resolvConf).constData()) !=
            0)
            return QStringLiteral("The system's resolvers could not be read from %1")
                .arg(settings.resolvConf);
        m_dns->ub_ctx_hosts(m_ctx, QFile::encodeName(settings.hosts).constData());
        break;
    case DnsServer::Authoritative:
        if (!settings.rootServers.isEmpty())
            m_dns->ub_ctx_set_stub(m_ctx, ".", settings.rootServers.toLatin1().constData(), 0);
        else if (QFileInfo(settings.rootHints).isFile())
            m_dns->ub_ctx_set_option(
                m_ctx, "root-hints:", QFile::encodeName(settings.rootHints).constData());
        break;
    case DnsServer::Forwarder:
        if (m_dns->ub_ctx_set_fwd(m_ctx, (address + '@' + port).constData()) != 0)
            return QStringLiteral("Not a DNS server address: %1").arg(QString::fromUtf8(address));
        break;
    case DnsServer::Tls:
        m_relay = std::make_unique<DnsTlsRelay>();
        if (settings.ssl)
            m_relay->setSslConfiguration(*settings.ssl);
        if (!m_relay->start(QString::fromLatin1(address), server.effectivePort(),
                            QString::fromUtf8(server.tlsName)))
            return QStringLiteral("DNS over TLS could not be started");
        m_dns->ub_ctx_set_option(m_ctx, "tcp-upstream:", "yes");
        m_dns->ub_ctx_set_fwd(m_ctx, "127.0.0.1@" + QByteArray::number(m_relay->port()));
        break;
    }
    if (settings.dnssec)
        for (const QString& file : settings.anchors)
            if (!QFileInfo(file).isFile() ||
                m_dns->ub_ctx_add_ta_file(m_ctx, QFile::encodeName(file).constData()) != 0)
                return QStringLiteral("The trust anchor file %1 could not be read").arg(file);
    for (const QByteArray& zone : builtInLocalZones())
        m_dns->ub_ctx_zone_remove(m_ctx, zone.constData());
    return {};
}

void ValidatingResolver::answered(void* data, int error, ub_result* result) {
    auto* pending = static_cast<Pending*>(data);
    const DnsLibrary& dns = *pending->resolver->m_dns;
    pending->done = true;
    DnsAnswer& answer = pending->resolver->m_answers[pending->index];
    answer.error = error;
    if (error != 0) {
        answer.whyBogus = QString::fromUtf8(dns.ub_strerror(error));
    } else if (result) {
        answer.rcode = result->rcode;
        answer.nxdomain = result->nxdomain != 0;
        answer.secure = result->secure != 0;
        answer.bogus = result->bogus != 0;
        if (result->why_bogus)
            answer.whyBogus = QString::fromUtf8(result->why_bogus);
        if (result->answer_packet && result->answer_len > 0)
            answer.packet =
                QByteArray(static_cast<const char*>(result->answer_packet), result->answer_len);
    }
    if (result)
        dns.ub_resolve_free(result);
}

void ValidatingResolver::readAnswers() {
    if (m_ctx && m_dns->ub_poll(m_ctx))
        m_dns->ub_process(m_ctx); // calls answered() for each answer that has come
    const bool all = std::all_of(m_pending.begin(), m_pending.end(),
                                 [](const std::unique_ptr<Pending>& p) { return p->done; });
    if (!all || !m_asking)
        return;
    m_asking = false; // each round is told once
    m_pending.clear();
    if (onDone)
        onDone(); // may stop the resolver: nothing of it is touched after this
}

void ValidatingResolver::stop() {
    if (m_notifier) {
        // It may be the notifier whose signal brought us here.
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_ctx) {
        for (const std::unique_ptr<Pending>& pending : m_pending)
            if (!pending->done)
                m_dns->ub_cancel(m_ctx, pending->id);
        m_dns->ub_ctx_delete(m_ctx);
        m_ctx = nullptr;
    }
    m_pending.clear();
    m_asking = false;
    m_relay.reset();
}

} // namespace net
