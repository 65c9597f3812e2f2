// SPDX-License-Identifier: MIT
#pragma once
// The servers one WhoIs query goes to. With the automatic choice the root registry
// (whois.iana.org) is asked first, about the query's top-level domain, address or AS number,
// and the query goes to the server it names. With referrals followed, an answer that refers on
// (see WhoisReferral.h) sends the query to the next server, and its answer is appended. Never
// more than MaxHops servers in all, never one already asked (the same host on another port is
// another server), and only a query without spaces is referred on (a query with options is
// meant for the server it was typed for).

#include "WhoisReferral.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace net {

class WhoisChain {
public:
    static constexpr int MaxHops = 4;
    static constexpr const char* RootRegistry = "whois.iana.org";

    struct Hop {
        WhoisReferral server;         // as typed or as the referral named it
        QByteArray query;             // the request line without its CR LF
        bool chosenByProgram = false; // the root registry or a referral, not a typed server
    };
    struct Next {
        std::optional<Hop> hop;  // where the query goes now; nothing: the chain ends
        QStringList notFollowed; // "X not followed: why", for each referral passed over
    };

    // server empty: the automatic choice.
    WhoisChain(const QByteArray& server, const QByteArray& query, bool followReferrals);

    Hop first();
    // The answer of the hop under way, as it arrives (only the first MiB is looked at).
    void addBytes(QByteArrayView bytes);
    // Where the query goes after the answer just completed.
    Next next();

    // The server of the hop under way, as it is named to the user.
    QString currentServer() const { return m_asked.last().shown(); }
    // The hop under way is the root registry.
    bool atRoot() const { return automatic() && m_asked.size() == 1; }
    // The automatic choice found no WhoIs server: the root registry named none.
    bool noWhoisServer() const { return m_noWhoisServer; }
    bool automatic() const { return m_server.isEmpty(); }
    const QByteArray& query() const { return m_query; }

private:
    static constexpr qsizetype MaxScanned = 1024 * 1024;

    QByteArray m_server;
    QByteArray m_query;
    bool m_follow;
    QList<WhoisReferral> m_asked; // as named
    QByteArray m_answer;
    bool m_noWhoisServer = false;
};

} // namespace net
