// SPDX-License-Identifier: MIT
#include "WhoisSession.h"
#include "net/engine/HostNames.h"
#include "net/engine/QueryEngine.h"
#include "net/engine/WhoisRequest.h"

namespace net {

namespace {

std::optional<RdapClient::Query> rdapQueryFor(const QByteArray& query) {
    const QByteArray name = query.trimmed();
    switch (queryKind(name)) {
    case QueryKind::Domain: {
        const AsciiName ascii = asciiHost(name);
        if (!ascii.error.isEmpty())
            return std::nullopt;
        return RdapClient::Query{RdapBootstrap::Domains, ascii.name};
    }
    case QueryKind::Address:
        return RdapClient::Query{name.contains(':') ? RdapBootstrap::Ipv6 : RdapBootstrap::Ipv4,
                                 name};
    case QueryKind::AsNumber: return RdapClient::Query{RdapBootstrap::AsNumbers, name.mid(2)};
    case QueryKind::Other: break;
    }
    return std::nullopt;
}

// Whether a host named in a URL is this machine or its network: "localhost" or a loopback,
// private or link-local address written out.
bool isPrivateHost(const QString& name) {
    const QString host = name.toLower();
    if (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost")))
        return true;
    const auto address = platform::HostAddress::parse(host.toLatin1());
    return address && !address->isPublic();
}

// Whether an RDAP link may be followed: HTTPS only, and never from the public side to this
// machine or its network.
bool mayFollow(const QUrl& url, bool fromPrivateSide) {
    if (url.scheme() != QLatin1String("https") || url.host().isEmpty())
        return false;
    return fromPrivateSide || !isPrivateHost(url.host());
}

} // namespace

WhoisSession::WhoisSession(QueryEngine& engine) : m_engine(engine) {
    m_rdap.setDeadline(m_hopTimeout);
    m_rdap.onStatus = [this](const QString& status) { m_engine.setStatus(status); };
    m_rdap.onAnswer = [this](const RdapText& answer) { rdapAnswered(answer); };
    m_rdap.onFailed = [this](const QString& message, const QString& text) {
        rdapFailed(message, text);
    };
}

void WhoisSession::setHopTimeout(int ms) {
    m_hopTimeout = ms;
    m_rdap.setDeadline(ms);
}

QByteArray WhoisSession::queryAsSent(const QByteArray& query) {
    if (queryKind(query) != QueryKind::Domain)
        return query;
    const AsciiName ascii = asciiHost(query.trimmed());
    return ascii.error.isEmpty() && isValidHostName(ascii.name) ? ascii.name : query;
}

void WhoisSession::start(const QByteArray& server, const QByteArray& query, WhoisMode mode) {
    if (m_engine.Busy() || (server.isEmpty() && !mode.automatic))
        return;
    m_hops = 0;
    m_startedPrivate = false;
    m_rdapReferred = false;
    m_follow = mode.followReferrals;
    m_lastAnswered.clear();
    m_rdapServer.clear();
    m_rdap.setTranscript(m_engine.view().transcript());
    if (!mode.automatic && server.startsWith("http://")) {
        m_engine.setStatus(QStringLiteral("RDAP is asked only over HTTPS: ") +
                           QString::fromUtf8(server));
        return;
    }
    if (!mode.automatic && server.startsWith("https://")) {
        // A server typed as an RDAP base URL is asked over RDAP.
        const std::optional<RdapClient::Query> rdapQuery = rdapQueryFor(query);
        if (!rdapQuery) {
            m_engine.setStatus(QStringLiteral("RDAP answers only for a domain name, an address "
                                              "or an AS number"));
            return;
        }
        if (m_engine.beginCall(this))
            startRdap(*rdapQuery, QUrl(QString::fromUtf8(server)));
        return;
    }
    if (!mode.automatic && !mode.followReferrals) {
        m_plain.Whois(server, query); // the bytes as typed, to the server typed
        return;
    }
    if (!server.isEmpty()) {
        const AsciiName ascii = asciiHost(server);
        if (!ascii.error.isEmpty()) {
            m_engine.setStatus(ascii.error);
            return;
        }
    }
    m_chain.emplace(mode.automatic ? QByteArray() : server, queryAsSent(query),
                    mode.followReferrals);
    if (m_engine.beginCall(this))
        runHop(m_chain->first());
}

void WhoisSession::runHop(const WhoisChain::Hop& hop) {
    Exchange exchange;
    exchange.request = whoisRequest(hop.server, hop.query).request;
    exchange.port = hop.port;
    exchange.silenceTimeoutMs = hop.chosenByProgram ? m_hopTimeout : 0;
    // A referral may not lead from the public Internet to this machine or its network.
    m_publicOnly = m_hops > 0 && !m_startedPrivate;
    ++m_hops;
    m_engine.runExchange(exchange);
}

void WhoisSession::received(QByteArrayView bytes) {
    if (m_chain)
        m_chain->addBytes(bytes);
}

void WhoisSession::filterAddresses(QList<platform::HostAddress>& addresses) {
    if (m_publicOnly)
        addresses.removeIf([](const platform::HostAddress& address) { return !address.isPublic(); });
}

void WhoisSession::exchangeEnded(const ExchangeResult& result) {
    if (!m_chain)
        return;
    if (m_hops == 1 && result.address)
        m_startedPrivate = !result.address->isPublic();
    const QString server = QString::fromUtf8(m_chain->currentServer());
    switch (result.outcome) {
    case ExchangeResult::Closed: {
        m_lastAnswered = server;
        const WhoisChain::Next next = m_chain->next();
        for (const QString& passed : next.notFollowed)
            line(QStringLiteral("referral to ") + passed);
        if (next.hop) {
            // The next server's answer follows, under a line that says where it comes from.
            line(QStringLiteral("referral to ") + QString::fromLatin1(next.hop->server));
            runHop(*next.hop);
            return;
        }
        if (m_chain->noWhoisServer() && fallBackToRdap())
            return; // the registry has no WhoIs: RDAP answers instead
        finish(QStringLiteral("Connection closed"), m_lastAnswered, true);
        return;
    }
    case ExchangeResult::AddressRefused:
        line(QStringLiteral("referral to %1 not followed: it is a loopback or private address")
                 .arg(server));
        finish(QStringLiteral("Connection closed"), m_lastAnswered, true);
        return;
    case ExchangeResult::Failed:
    case ExchangeResult::TimedOut: hopFailed(result); return;
    }
}

void WhoisSession::hopFailed(const ExchangeResult& result) {
    const QString server = QString::fromUtf8(m_chain->currentServer());
    const bool root = m_chain->atRoot();
    // Earlier answers stay; a line says which server failed and why.
    if (m_hops > 1 || root || m_chain->automatic())
        line((root ? QStringLiteral("the root registry %1 could not be reached: %2")
                   : QStringLiteral("%1 could not be asked: %2"))
                 .arg(server, result.status));
    // The server the automatic choice found does not resolve, refuses or stays silent: the
    // registry may answer over RDAP only.
    if (m_chain->automatic() && fallBackToRdap())
        return;
    finish(result.status, m_lastAnswered, false);
}

bool WhoisSession::fallBackToRdap() {
    const std::optional<RdapClient::Query> query = rdapQueryFor(m_chain->query());
    if (!query)
        return false;
    line(QStringLiteral("RDAP"));
    m_chain.reset();
    startRdap(*query, QUrl());
    return true;
}

void WhoisSession::startRdap(const RdapClient::Query& query, const QUrl& base) {
    m_chain.reset();
    m_rdap.lookUp(query, base);
}

void WhoisSession::rdapAnswered(const RdapText& answer) {
    m_engine.showText(answer.text);
    if (m_rdapServer.isEmpty())
        m_rdapServer = m_rdap.server();
    // A registry's answer holds its own part; the registrar's record is one link away.
    if (m_follow && !m_rdapReferred) {
        const bool privateSide = m_startedPrivate || isPrivateHost(m_rdap.server());
        for (const QUrl& link : answer.related) {
            if (!mayFollow(link, privateSide)) {
                line(QStringLiteral("RDAP referral to %1 not followed: %2")
                         .arg(link.toString(), link.scheme() == QLatin1String("https")
                                                   ? QStringLiteral("a loopback or private address")
                                                   : QStringLiteral("not HTTPS")));
                continue;
            }
            m_rdapReferred = true;
            line(QStringLiteral("RDAP referral to ") + link.host());
            m_rdap.fetch(link);
            return;
        }
    }
    finish(QStringLiteral("RDAP answer received"), m_rdapServer, true);
}

void WhoisSession::rdapFailed(const QString& message, const QString& text) {
    if (!text.isEmpty())
        m_engine.showText(text); // the server's own words
    finish(message, m_rdapServer.isEmpty() ? m_lastAnswered : m_rdapServer, false);
}

void WhoisSession::line(const QString& text) {
    m_engine.showText(QStringLiteral("\n--- ") + text + QStringLiteral(" ---\n"));
}

void WhoisSession::finish(const QString& status, const QString& caption, bool answered) {
    m_chain.reset();
    m_engine.finishCall(status, caption, answered);
}

void WhoisSession::cancelled() {
    m_chain.reset();
    m_rdap.cancel();
}

} // namespace net
