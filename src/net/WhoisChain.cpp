// SPDX-License-Identifier: MIT
#include "WhoisChain.h"

namespace net {

WhoisChain::WhoisChain(const QByteArray& server, const QByteArray& query, bool followReferrals)
    : m_server(server), m_query(query), m_follow(followReferrals) {}

WhoisChain::Hop WhoisChain::first() {
    m_answer.clear();
    if (m_server.isEmpty()) {
        m_asked.append(RootRegistry);
        return {RootRegistry, 0, rootRegistryQuery(m_query)};
    }
    m_asked.append(m_server.toLower());
    return {m_server, 0, m_query};
}

void WhoisChain::addText(QStringView text) {
    if (m_answer.size() < MaxScanned)
        m_answer += text.first(std::min(text.size(), MaxScanned - m_answer.size()));
}

std::optional<WhoisChain::Hop> WhoisChain::next() {
    const std::optional<WhoisReferral> referral = findReferral(m_answer);
    m_answer.clear();
    // The root registry's answer is only the way to the server; any other answer refers on
    // only when the user asked for referrals to be followed.
    const bool fromRoot = m_server.isEmpty() && m_asked.size() == 1;
    m_noWhoisServer = fromRoot && !referral;
    if (!referral || (!fromRoot && !m_follow) || m_asked.size() >= MaxHops ||
        m_query.contains(' ') || m_asked.contains(referral->host))
        return std::nullopt;
    m_asked.append(referral->host);
    return Hop{referral->host, referral->port, m_query};
}

} // namespace net
