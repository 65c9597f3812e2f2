// SPDX-License-Identifier: MIT
#pragma once
// The servers one WhoIs query goes to. With the automatic choice the root registry
// (whois.iana.org) is asked first, about the query's top-level domain, address or AS number,
// and the query goes to the server it names. With referrals followed, an answer that refers on
// (see WhoisReferral.h) sends the query to the next server, and its answer is appended. Never
// more than MaxHops servers in all, never one already asked, and only a query without spaces
// is referred on (a query with options is meant for the server it was typed for).

#include "WhoisReferral.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace net {

class WhoisChain {
public:
    static constexpr int MaxHops = 4;
    static constexpr const char* RootRegistry = "whois.iana.org";

    struct Hop {
        QByteArray server;
        std::uint16_t port = 0; // 0: the whois service's port
        QByteArray query;       // the request line without its CR LF
    };

    // server empty: the automatic choice.
    WhoisChain(const QByteArray& server, const QByteArray& query, bool followReferrals);

    Hop first();
    // The answer of the hop under way, as it arrives (only the first MiB is looked at).
    void addText(QStringView text);
    // Where the query goes after the answer just completed; nothing when the chain ends.
    std::optional<Hop> next();

    const QByteArray& lastServer() const { return m_asked.last(); }
    // The automatic choice found no WhoIs server: the root registry named none.
    bool noWhoisServer() const { return m_noWhoisServer; }
    bool automatic() const { return m_server.isEmpty(); }
    const QByteArray& query() const { return m_query; }

private:
    static constexpr qsizetype MaxScanned = 1024 * 1024;

    QByteArray m_server;
    QByteArray m_query;
    bool m_follow;
    QList<QByteArray> m_asked;
    QString m_answer;
    bool m_noWhoisServer = false;
};

} // namespace net
