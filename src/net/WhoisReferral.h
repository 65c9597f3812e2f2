// SPDX-License-Identifier: MIT
#pragma once
// Reading where a WhoIs answer sends a query next, and what the root registry is asked.
//
// An answer refers on with one of these lines (names matched without regard to case, blanks
// around them ignored):
//   refer: HOST                      the root registry (whois.iana.org) names the registry
//   whois: HOST                      the root registry's record of a registry's own server
//   Registrar WHOIS Server: HOST     a thin registry names the registrar that holds the record
//   ReferralServer: whois://HOST[:PORT] | rwhois://HOST:PORT/ | HOST
//                                    an address registry refers on; of several, the last is
//                                    the most specific
// A value that is no host name or address (spaces, other characters, too long) is ignored, so
// an answer cannot send the client anywhere but to a plain host and port.

#include <QByteArray>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace net {

struct WhoisReferral {
    QByteArray host;        // a host name or an address, ASCII
    std::uint16_t port = 0; // 0: the whois service's own port
    bool operator==(const WhoisReferral&) const = default;
};

// The referral an answer carries: refer: first, then the last ReferralServer:, then
// Registrar WHOIS Server:, then whois:.
std::optional<WhoisReferral> findReferral(QStringView answer);

// What the root registry is asked for a query: a domain name's top-level domain, an address
// or an AS number as it stands.
QByteArray rootRegistryQuery(const QByteArray& query);

} // namespace net
