// SPDX-License-Identifier: MIT
#pragma once
// Reading where a WhoIs answer sends a query next, and what the root registry is asked.
//
// An answer refers on with one of these lines (names matched without regard to case, blanks
// around them ignored):
//   refer: HOST                      a registry of registries (whois.iana.org) names the next
//   whois: HOST                      the root registry's record of a registry's own server;
//                                    in any other answer it is no referral (thick registries
//                                    put their web page there)
//   ReferralServer: whois://HOST[:PORT] | rwhois://HOST[:PORT]/ | HOST
//                                    an address registry refers on; of several, the last is
//                                    the most specific
//   Registrar WHOIS Server: HOST     a thin registry names the registrar that holds the record
//   Whois Server: HOST               the same in older thin answers, under the record of the
//                                    queried name ("Domain Name: ..."); records of other names
//                                    in the same answer are not ours
// A registrar is asked only when the answer holds no registrant or contact lines: a thick
// registry's complete record is not fetched twice.
//
// Only a plain host, whois:// or rwhois:// is a WhoIs server; a port only in ReferralServer, and
// never one that the Fetch standard lists as another protocol's ("bad ports": finger's 79,
// DNS's 53, SSH's 22, ...) unless it is the referral kind's own (43 for WhoIs, 4321 for
// RWhois). A value that is none of these (a web address, spaces, other characters) is refused
// and the refusal reported, so an answer cannot send the client anywhere but to a WhoIs server.

#include <QByteArray>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace net {

struct WhoisReferral {
    enum Kind { Whois, Rwhois };
    static constexpr std::uint16_t RwhoisPort = 4321;

    QByteArray host;        // a host name or an address, ASCII
    std::uint16_t port = 0; // 0: the kind's own (the whois service's, or 4321 for RWhois)
    Kind kind = Whois;
    bool operator==(const WhoisReferral&) const = default;

    // The port connected to; 0 for the whois service's, looked up as always.
    std::uint16_t effectivePort() const { return port ? port : kind == Rwhois ? RwhoisPort : 0; }
    // How the server is named to the user: the host, and the port unless it is the kind's own
    // ("rwhois.example.net:4322", "[2001:db8::1]:4322").
    QString shown() const;
};

// Whether the Fetch standard lists port as a port of another protocol.
bool isBadPort(std::uint16_t port);

struct ReferralContext {
    bool fromRoot = false; // the answer is the root registry's
    QByteArray query;      // the query sent, to find its own record in a thin answer
};

struct ReferralScan {
    // refer: first, then the last ReferralServer:, then the registrar, then whois:.
    std::optional<WhoisReferral> referral;
    // "X not followed: why", for every referral line refused.
    QStringList notFollowed;
};

ReferralScan scanReferrals(QStringView answer, const ReferralContext& context);

// What the root registry is asked for a query: a domain name's top-level domain, an address
// or an AS number as it stands.
QByteArray rootRegistryQuery(const QByteArray& query);

// What a query is, for the server chosen for it: an IP address, an AS number ("AS64500"), or a
// domain name (at least one dot, no blanks); anything else is none of them.
enum class QueryKind { Domain, Address, AsNumber, Other };
QueryKind queryKind(const QByteArray& query);

} // namespace net
