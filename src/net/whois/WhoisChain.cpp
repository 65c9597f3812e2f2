// SPDX-License-Identifier: MIT
#include "WhoisChain.h"

#include <algorithm>

namespace net {

WhoisChain::WhoisChain(const QByteArray& server, const QByteArray& query, bool followReferrals)
    : m_server(server), m_query(query), m_follow(followReferrals) {}

WhoisChain::Hop WhoisChain::first() {
    m_answer.clear();
    if (m_server.isEmpty()) {
        m_asked.append({RootRegistry});
        return {m_asked.last(), rootRegistryQuery(m_query), true};
    }
    m_asked.append({m_server});
    return {m_asked.last(), m_query, false};
}

void WhoisChain::addBytes(QByteArrayView bytes) {
    if (m_answer.size() < MaxScanned)
        m_answer += bytes.first(std::min(bytes.size(), MaxScanned - m_answer.size()));
}

WhoisChain::Next WhoisChain::next() {
    const bool fromRoot = atRoot();
    // Referral lines are ASCII: any decoding finds them, and a lone CR ends a line too.
    QString answer = QString::fromUtf8(m_answer);
    answer.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    ReferralScan scan = scanReferrals(answer, {fromRoot, m_query});
    m_answer.clear();
    Next next;
    next.notFollowed = std::move(scan.notFollowed);
    // The root registry's answer is only the way to the server; any other answer refers on
    // only when the user asked for referrals to be followed.
    m_noWhoisServer = fromRoot && !scan.referral;
    if (!scan.referral || (!fromRoot && !m_follow)) {
        if (!fromRoot && !m_follow)
            next.notFollowed.clear(); // referrals off: nothing is passed over
        return next;
    }
    const WhoisReferral& referral = *scan.referral;
    const QString where = referral.shown();
    const auto asked =
        std::any_of(m_asked.begin(), m_asked.end(), [&](const WhoisReferral& server) {
            return server.host.compare(referral.host, Qt::CaseInsensitive) == 0 &&
                   server.effectivePort() == referral.effectivePort();
        });
    if (m_query.contains(' '))
        next.notFollowed.append(where + QStringLiteral(" not followed: the query has options"));
    else if (asked)
        next.notFollowed.append(where + QStringLiteral(" not followed: asked already"));
    else if (m_asked.size() >= MaxHops)
        next.notFollowed.append(
            where + QStringLiteral(" not followed: %1 servers asked already").arg(MaxHops));
    else {
        m_asked.append(referral);
        next.hop = Hop{referral, m_query, true};
    }
    return next;
}

} // namespace net
