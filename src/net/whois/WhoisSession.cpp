// SPDX-License-Identifier: MIT
#include "WhoisSession.h"
#include "net/engine/HostNames.h"
#include "net/engine/QueryEngine.h"
#include "net/engine/WhoisRequest.h"

namespace net {

namespace {

// What RDAP is asked when the WhoIs chain falls back to it: a domain in its ASCII form, an
// address or an AS number; nothing for anything else.
std::optional<QByteArray> rdapFallbackQuery(const QByteArray& query) {
    const QByteArray name = query.trimmed();
    switch (queryKind(name)) {
    case QueryKind::Domain:
    case QueryKind::Address:
    case QueryKind::AsNumber: return name;
    case QueryKind::Other: break;
    }
    return std::nullopt;
}

} // namespace

WhoisSession::WhoisSession(QueryEngine& engine) : m_engine(engine) {}

void WhoisSession::setRegistryLookup(RegistryLookup* registry) {
    m_registry = registry;
    if (!registry)
        return;
    registry->onStatus = [this](const QString& status) { m_engine.setStatus(status); };
    registry->onAnswer = [this](const RegistryLookup::Answer& answer) { rdapAnswered(answer); };
    registry->onFailed = [this](const QString& message, const QString& text) {
        rdapFailed(message, text);
    };
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
    m_sideKnown = false;
    m_startedPrivate = false;
    m_rdapReferred = false;
    m_follow = mode.followReferrals;
    m_lastAnswered.clear();
    m_rdapServer.clear();
    if (m_registry)
        m_registry->setTranscript(m_engine.view().transcript());
    if (!mode.automatic && server.startsWith("http://")) {
        m_engine.refuseStart(QStringLiteral("RDAP is asked only over HTTPS: ") +
                             QString::fromUtf8(server));
        return;
    }
    // A server typed as an RDAP base URL, or a query meant for RDAP alone, is asked over RDAP.
    const bool rdapServer = !mode.automatic && server.startsWith("https://");
    const bool rdapQuery = mode.automatic && m_registry && m_registry->isOwnQuery(query);
    if (rdapServer || rdapQuery) {
        const QString why = m_registry ? m_registry->whyNot(query, rdapServer)
                                       : QStringLiteral("RDAP cannot be asked here");
        if (!why.isEmpty()) {
            m_engine.refuseStart(why);
            return;
        }
        if (m_engine.beginCall(this))
            askRdap(query, rdapServer ? QUrl(QString::fromUtf8(server)) : QUrl());
        return;
    }
    if (!mode.automatic && !mode.followReferrals) {
        m_plain.Whois(server, query); // the bytes as typed, to the server typed
        return;
    }
    if (!server.isEmpty()) {
        const AsciiName ascii = asciiHost(server);
        if (!ascii.error.isEmpty()) {
            m_engine.refuseStart(ascii.error);
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
    exchange.request = whoisRequest(hop.server.host, hop.query).request;
    exchange.request.QueryText = hop.server.shown().toUtf8();
    exchange.port = hop.server.effectivePort();
    exchange.silenceTimeoutMs = hop.chosenByProgram ? m_hopTimeout : 0;
    exchange.totalTimeoutMs = hop.chosenByProgram ? m_hopLimit : 0;
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
        addresses.removeIf(
            [](const platform::HostAddress& address) { return !address.isPublic(); });
}

void WhoisSession::exchangeEnded(const ExchangeResult& result) {
    if (!m_chain)
        return;
    if (m_hops == 1 && result.address) {
        m_sideKnown = true;
        m_startedPrivate = !result.address->isPublic();
    }
    const QString server = m_chain->currentServer();
    switch (result.outcome) {
    case ExchangeResult::Closed: {
        m_lastAnswered = server;
        const WhoisChain::Next next = m_chain->next();
        for (const QString& passed : next.notFollowed)
            line(QStringLiteral("referral to ") + passed);
        if (next.hop) {
            // The next server's answer follows, under a line that says where it comes from.
            line(QStringLiteral("referral to ") + next.hop->server.shown());
            runHop(*next.hop);
            return;
        }
        if (m_chain->noWhoisServer() && fallBackToRdap())
            return; // the registry has no WhoIs: RDAP answers instead
        finish(QStringLiteral("Connection closed"), m_lastAnswered, Answer::Whole);
        return;
    }
    case ExchangeResult::AddressRefused:
        line(QStringLiteral("referral to %1 not followed: it is a loopback or private address")
                 .arg(server));
        finish(QStringLiteral("Connection closed"), m_lastAnswered, Answer::Whole);
        return;
    case ExchangeResult::Failed:
    case ExchangeResult::TimedOut: hopFailed(result); return;
    }
}

void WhoisSession::hopFailed(const ExchangeResult& result) {
    const QString server = m_chain->currentServer();
    const bool root = m_chain->atRoot();
    // Earlier answers stay; a line says which server failed and why.
    const QString why =
        result.overran
            ? QStringLiteral("still sending after %1 s, given up").arg(m_hopLimit / 1000.0)
            : result.status;
    if (m_hops > 1 || root || m_chain->automatic())
        line((root ? QStringLiteral("the root registry %1 could not be reached: %2")
                   : QStringLiteral("%1 could not be asked: %2"))
                 .arg(server, why));
    // The server the automatic choice found does not resolve, refuses or stays silent: the
    // registry may answer over RDAP only.
    if (m_chain->automatic() && fallBackToRdap())
        return;
    // An earlier server's answer, or what this one sent before it broke, is part of one.
    finish(result.status, m_lastAnswered,
           !m_lastAnswered.isEmpty() || result.bytes > 0 ? Answer::Partial : Answer::None);
}

bool WhoisSession::fallBackToRdap() {
    const std::optional<QByteArray> query = rdapFallbackQuery(m_chain->query());
    if (!m_registry || !query)
        return false;
    line(QStringLiteral("RDAP"));
    m_chain.reset();
    askRdap(*query, QUrl());
    return true;
}

void WhoisSession::askRdap(const QByteArray& query, const QUrl& base) {
    m_chain.reset();
    m_referredTo.clear();
    // A chain that began on the public Internet stays there.
    m_registry->lookUp(query, base, m_sideKnown && !m_startedPrivate);
}

void WhoisSession::rdapAnswered(const RegistryLookup::Answer& answer) {
    m_engine.showText(answer.text);
    if (m_rdapServer.isEmpty())
        m_rdapServer = answer.server;
    // A registry's answer holds its own part; the registrar's record is one link away.
    if (m_follow && !m_rdapReferred) {
        // The side the query began on: the first WhoIs server's address, else the RDAP
        // server's own.
        const bool privateSide = m_sideKnown ? m_startedPrivate : !answer.fromPublicAddress;
        for (const QUrl& link : answer.related) {
            if (link.scheme() != QLatin1String("https") || link.host().isEmpty()) {
                line(QStringLiteral("RDAP referral to %1 not followed: not HTTPS")
                         .arg(link.toString()));
                continue;
            }
            m_rdapReferred = true;
            m_referredTo = link.host();
            line(QStringLiteral("RDAP referral to ") + link.host());
            // Judged by the address it leads to, not by how its name looks.
            m_registry->fetch(link, !privateSide);
            return;
        }
    }
    finish(QStringLiteral("RDAP answer received"), m_rdapServer, Answer::Whole);
}

void WhoisSession::rdapFailed(const QString& message, const QString& text) {
    if (!text.isEmpty())
        m_engine.showText(text); // the server's own words
    if (!m_referredTo.isEmpty()) {
        // The registry answered; only the link it gave failed.
        line(QStringLiteral("%1 could not be asked: %2").arg(m_referredTo, message));
        finish(QStringLiteral("RDAP answer received"), m_rdapServer, Answer::Partial);
        return;
    }
    // Said in the text too, where Save As and a screen reader find it.
    line(QStringLiteral("RDAP could not be asked: ") + message);
    finish(message, m_rdapServer.isEmpty() ? m_lastAnswered : m_rdapServer,
           m_lastAnswered.isEmpty() ? Answer::None : Answer::Partial);
}

void WhoisSession::line(const QString& text) {
    m_engine.showText(QStringLiteral("\n--- ") + text + QStringLiteral(" ---\n"));
}

void WhoisSession::finish(const QString& status, const QString& caption, Answer answer) {
    m_chain.reset();
    m_referredTo.clear();
    m_engine.finishCall(status, caption, answer);
}

void WhoisSession::cancelled() {
    m_chain.reset();
    if (m_registry)
        m_registry->cancel();
}

} // namespace net
