// SPDX-License-Identifier: MIT
#pragma once
// What a DNS records query asks: a name (or an address, whose PTR record is asked for), the
// record types, the server and whether DNSSEC is checked, read from what the user typed.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace net {

struct DnsRecordsRequest {
    QByteArray name; // as typed, UTF-8
    QString type;    // "Common", "MX", "TYPE65", ...
    // "System resolver", "Authoritative", a server as typed, "Every authoritative server"
    // (the zone's servers compared), or several servers separated by commas (compared side
    // by side)
    QString server;
    bool dnssec = true;
    QStringList trustAnchors; // files of DS or DNSKEY records, for private and test zones
    // Every authoritative server: the resolver the zone and its servers are found through
    // (empty: the system resolver).
    QString foundThrough = {};
    // The chain of trust of the name and one type, drawn and checked link by link, instead of
    // the records.
    bool chain = false;
    // The domain's mail checked end to end instead of the records, with these DKIM selectors.
    bool mail = false;
    QStringList selectors = {};
};

// The server a query goes to.
struct DnsServer {
    enum Kind { System, Authoritative, Forwarder, Tls };
    static inline const QString SystemText = QStringLiteral("System resolver");
    static inline const QString AuthoritativeText = QStringLiteral("Authoritative");
    static inline const QString EveryText = QStringLiteral("Every authoritative server");

    Kind kind = System;
    QByteArray host;        // Forwarder, Tls: an address or a host name, ASCII
    std::uint16_t port = 0; // 0: 53, or 853 over TLS
    QByteArray tlsName;     // Tls: the name the certificate must carry (the host by default)
    QString error;          // why the text names no server

    // "System resolver", "Authoritative", "9.9.9.9", "2620:fe::fe", "[2620:fe::fe]",
    // "host@5353", "tls://9.9.9.9#dns.quad9.net", "tls://host@8853".
    static DnsServer parse(const QString& text);
    std::uint16_t effectivePort() const { return port ? port : (kind == Tls ? 853 : 53); }
    // For the header of the answer: "the system resolver", "9.9.9.9 port 53", ...
    QString describe() const;
};

// What a request compares: nothing, every authoritative server of the name's zone, or the
// servers a list names ("9.9.9.9, tls://1.1.1.1, System resolver"), side by side.
struct DnsComparison {
    enum Kind { None, EveryAuthoritative, SideBySide };
    static constexpr qsizetype MaxServers = 16; // side by side
    Kind kind = None;
    QList<DnsServer> servers; // SideBySide
    QStringList texts;        // each server as typed
    QString error;            // why the list cannot be asked

    static DnsComparison of(const QString& serverText);
};

// The record types a type text asks for: "Common" (A, AAAA, CNAME, MX, NS, SOA, TXT and CAA,
// since ANY is no longer answered in full, RFC 8482), a type's name, or "TYPE" and its number.
// Nothing when the text names no type.
std::optional<QList<std::uint16_t>> parseRecordTypes(const QString& text);
QString recordTypeName(std::uint16_t type);

// The types the dialog offers, Common first.
QStringList offeredRecordTypes();

// The name PTR records of an address are found under ("1.2.0.192.in-addr.arpa.",
// nibbles under "ip6.arpa."); empty when text is no address.
QByteArray reverseName(const QByteArray& text);

} // namespace net
