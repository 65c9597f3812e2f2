// SPDX-License-Identifier: MIT
#include "DnsRecordsQuery.h"
#include "DnsLibrary.h"
#include "net/engine/HostNames.h"
#include "net/engine/QueryEngine.h"
#include "net/engine/SocketErrorText.h"
#include "platform/SocketEvents.h"
#include "platform/WinsockErrors.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QUdpSocket>


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

DnsRecordsQuery::DnsRecordsQuery(QueryEngine& engine) : m_engine(engine), m_lookup(this) {
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(DeadlineMs);
    connect(&m_deadline, &QTimer::timeout, this, &DnsRecordsQuery::giveUp);
}

DnsRecordsQuery::~DnsRecordsQuery() {
    stop();
}

void DnsRecordsQuery::setSslConfiguration(const QSslConfiguration& configuration) {
    m_ssl = configuration;
}

void DnsRecordsQuery::start(const DnsRecordsRequest& request) {
    const QByteArray typed = request.name.trimmed();
    if (m_engine.Busy() || typed.isEmpty())
        return;
    m_dns = DnsLibrary::get();
    if (!m_dns) {
        m_engine.setStatus(QStringLiteral("DNS records need %1, which is not installed")
                               .arg(QString::fromLatin1(DnsLibrary::missing())));
        return;
    }
    m_request = request;
    // An address asks for its PTR record under the reverse name.
    QByteArray name = reverseName(typed);
    const bool address = !name.isEmpty();
    if (!address) {
        const AsciiName ascii = asciiHost(typed);
        if (!ascii.error.isEmpty()) {
            m_engine.setStatus(ascii.error);
            return;
        }
        name = ascii.name;
    }
    auto types = parseRecordTypes(request.type);
    // Common types of an address mean its name: the PTR record.
    const bool common = types && types->size() > 1;
    if (address && common)
        types = QList<std::uint16_t>{12};
    if (!types) {
        m_engine.setStatus(QStringLiteral("Not a record type: %1").arg(request.type));
        return;
    }
    m_server = DnsServer::parse(request.server);
    if (!m_server.error.isEmpty()) {
        m_engine.setStatus(m_server.error);
        return;
    }
    if (!m_engine.beginCall(this))
        return;
    m_types = *types;
    m_answers.clear();
    m_question = {};
    m_question.name = name;
    m_question.shownName = QString::fromUtf8(typed);
    m_question.typeText = address && common ? QStringLiteral("PTR") : request.type.trimmed();
    if (m_question.typeText.isEmpty())
        m_question.typeText = QStringLiteral("Common");
    m_question.server = m_server.describe();
    m_question.dnssecChecked = request.dnssec;
    m_clock.start();
    m_deadline.start();
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

bool DnsRecordsQuery::event(QEvent* e) {
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
        stop();
        m_engine.finishCall(SocketErrorText(error));
        return true;
    }
    resolveWith(reply.entry.addresses.first().text().toLatin1());
    return true;
}

void DnsRecordsQuery::resolveWith(const QByteArray& forwarder) {
    m_forwarder = forwarder;
    const QString error = configure(forwarder);
    if (!error.isEmpty()) {
        stop();
        m_engine.finishCall(error);
        return;
    }
    const QString name = QString::fromLatin1(m_question.name);
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
    for (const std::uint16_t type : m_types) {
        auto pending = std::make_unique<Pending>(Pending{this, type});
        const int rc = m_dns->ub_resolve_async(m_ctx, m_question.name.constData(), type, 1, pending.get(),
                                        &DnsRecordsQuery::answered, &pending->id);
        if (rc != 0) {
            pending->done = true;
            m_answers.append(
                {type, rc, 0, false, false, false, QString::fromUtf8(m_dns->ub_strerror(rc)), {}});
        }
        m_pending.push_back(std::move(pending));
    }
    m_notifier = new QSocketNotifier(m_dns->ub_fd(m_ctx), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DnsRecordsQuery::readAnswers);
    readAnswers(); // every type may have failed to start
}

QString DnsRecordsQuery::configure(const QByteArray& forwarder) {
    m_ctx = m_dns->ub_ctx_create();
    if (!m_ctx)
        return QStringLiteral("The DNS resolver could not be started");
    m_dns->ub_ctx_async(m_ctx, 1);
    // A forwarder or a lab's servers on this machine are asked like any other.
    m_dns->ub_ctx_set_option(m_ctx, "do-not-query-localhost:", "no");
    const QByteArray port = QByteArray::number(m_server.effectivePort());
    switch (m_server.kind) {
    case DnsServer::System:
        if (m_dns->ub_ctx_resolvconf(m_ctx, QFile::encodeName(m_resolvConf).constData()) != 0)
            return QStringLiteral("The system's resolvers could not be read from %1")
                .arg(m_resolvConf);
        m_dns->ub_ctx_hosts(m_ctx, QFile::encodeName(m_hosts).constData());
        break;
    case DnsServer::Authoritative:
        if (!m_rootServers.isEmpty())
            m_dns->ub_ctx_set_stub(m_ctx, ".", m_rootServers.toLatin1().constData(), 0);
        else if (QFileInfo(m_rootHints).isFile())
            m_dns->ub_ctx_set_option(m_ctx, "root-hints:", QFile::encodeName(m_rootHints).constData());
        break;
    case DnsServer::Forwarder:
        if (m_dns->ub_ctx_set_fwd(m_ctx, (forwarder + '@' + port).constData()) != 0)
            return QStringLiteral("Not a DNS server address: %1").arg(QString::fromUtf8(forwarder));
        break;
    case DnsServer::Tls:
        m_relay = std::make_unique<DnsTlsRelay>();
        if (m_ssl)
            m_relay->setSslConfiguration(*m_ssl);
        if (!m_relay->start(QString::fromLatin1(forwarder), m_server.effectivePort(),
                            QString::fromUtf8(m_server.tlsName)))
            return QStringLiteral("DNS over TLS could not be started");
        m_dns->ub_ctx_set_option(m_ctx, "tcp-upstream:", "yes");
        m_dns->ub_ctx_set_fwd(m_ctx, "127.0.0.1@" + QByteArray::number(m_relay->port()));
        break;
    }
    if (m_request.dnssec) {
        if (!m_rootAnchor.isEmpty() && QFileInfo(m_rootAnchor).isFile() &&
            m_dns->ub_ctx_add_ta_file(m_ctx, QFile::encodeName(m_rootAnchor).constData()) != 0)
            return QStringLiteral("The root trust anchor could not be read from %1")
                .arg(m_rootAnchor);
        for (const QString& file : m_request.trustAnchors)
            if (!QFileInfo(file).isFile() ||
                m_dns->ub_ctx_add_ta_file(m_ctx, QFile::encodeName(file).constData()) != 0)
                return QStringLiteral("The trust anchor file %1 could not be read").arg(file);
    }
    for (const QByteArray& zone : builtInLocalZones())
        m_dns->ub_ctx_zone_remove(m_ctx, zone.constData());
    return {};
}

void DnsRecordsQuery::answered(void* data, int error, ub_result* result) {
    auto* pending = static_cast<Pending*>(data);
    const DnsLibrary& dns = *pending->query->m_dns;
    pending->done = true;
    DnsAnswer answer;
    answer.type = pending->type;
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
    pending->query->m_answers.append(answer);
}

void DnsRecordsQuery::readAnswers() {
    if (!m_ctx)
        return;
    if (m_dns->ub_poll(m_ctx))
        m_dns->ub_process(m_ctx); // calls answered() for each answer that has come
    const bool all = std::all_of(m_pending.begin(), m_pending.end(),
                                 [](const std::unique_ptr<Pending>& p) { return p->done; });
    if (all)
        finish();
}

void DnsRecordsQuery::finish() {
    m_question.elapsedMs = m_clock.elapsed();
    std::stable_sort(m_answers.begin(), m_answers.end(),
                     [this](const DnsAnswer& a, const DnsAnswer& b) {
                         return m_types.indexOf(a.type) < m_types.indexOf(b.type);
                     });
    const bool allFailed = std::all_of(m_answers.begin(), m_answers.end(), [](const DnsAnswer& a) {
        return a.error == 0 && a.rcode == LDNS_RCODE_SERVFAIL && !a.bogus;
    });
    if (allFailed && m_server.kind == DnsServer::Forwarder && !m_forwarder.isEmpty()) {
        probeServerFailure();
        return;
    }
    report();
}

void DnsRecordsQuery::probeServerFailure() {
    // One query of the first type, straight to the server, for its own response code.
    ldns_pkt* query = nullptr;
    m_dns->ldns_pkt_query_new_frm_str(&query, m_question.name.constData(), ldns_rr_type(m_types.first()),
                               LDNS_RR_CLASS_IN, LDNS_RD);
    uint8_t* wire = nullptr;
    size_t size = 0;
    if (!query || m_dns->ldns_pkt2wire(&wire, query, &size) != LDNS_STATUS_OK) {
        m_dns->ldns_pkt_free(query);
        report();
        return;
    }
    const QByteArray datagram(reinterpret_cast<const char*>(wire), qsizetype(size));
    free(wire);
    m_dns->ldns_pkt_free(query);
    // The resolver library's thread is done; only the probe is left to wait for.
    delete m_notifier;
    m_notifier = nullptr;
    m_probe = new QUdpSocket(this);
    connect(m_probe, &QUdpSocket::readyRead, this, [this] {
        const QByteArray reply = m_probe->receiveDatagram(64 * 1024).data();
        ldns_pkt* packet = nullptr;
        if (m_dns->ldns_wire2pkt(&packet, reinterpret_cast<const uint8_t*>(reply.constData()),
                          size_t(reply.size())) == LDNS_STATUS_OK &&
            m_dns->ldns_pkt_get_rcode(packet) == LDNS_RCODE_REFUSED)
            for (DnsAnswer& answer : m_answers)
                answer.rcode = LDNS_RCODE_REFUSED;
        m_dns->ldns_pkt_free(packet);
        report();
    });
    m_probe->writeDatagram(datagram, QHostAddress(QString::fromLatin1(m_forwarder)),
                           m_server.effectivePort());
    m_deadline.start(2000); // the probe's answer, or the report as it is
}

void DnsRecordsQuery::report() {
    const QString relayError = m_relay ? m_relay->lastError() : QString();
    stop();
    DnsReport report = formatDnsRecords(m_question, m_answers);
    if (report.records == 0 && !relayError.isEmpty())
        report.status = QStringLiteral("DNS over TLS to %1 failed: %2")
                            .arg(QString::fromUtf8(m_server.host), relayError);
    m_engine.showText(report.text);
    m_engine.finishCall(report.status,
                        m_question.shownName + QLatin1Char(' ') + m_question.typeText);
}

void DnsRecordsQuery::giveUp() {
    if (m_probe) {
        report(); // the probe went unanswered: the answers as they are
        return;
    }
    stop();
    QString text =
        QStringLiteral(
            "; Question: %1 %2\n; Server: %3\n; Timed out: no answer within %4 seconds\n")
            .arg(m_question.shownName, m_question.typeText, m_question.server)
            .arg(m_deadline.interval() / 1000.0);
    m_engine.showText(text);
    m_engine.finishCall(SocketErrorText(platform::WSAETIMEDOUT));
}

void DnsRecordsQuery::stop() {
    m_deadline.stop();
    delete m_probe;
    m_probe = nullptr;
    if (m_serverLookup != 0) {
        m_lookup.cancel(m_serverLookup);
        m_serverLookup = 0;
    }
    delete m_notifier;
    m_notifier = nullptr;
    if (m_ctx) {
        for (const std::unique_ptr<Pending>& pending : m_pending)
            if (!pending->done)
                m_dns->ub_cancel(m_ctx, pending->id);
        m_dns->ub_ctx_delete(m_ctx);
        m_ctx = nullptr;
    }
    m_pending.clear();
    m_relay.reset();
}

void DnsRecordsQuery::cancelled() {
    stop();
}

} // namespace net
