// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <sys/socket.h>

namespace platform {

// One IPv4 or IPv6 address, its bytes in network order (the first four for IPv4).
struct HostAddress {
    int family = AF_INET;
    std::array<std::uint8_t, 16> bytes{};
    std::uint32_t scopeId = 0; // the interface of an IPv6 link-local address ("fe80::1%eth0")

    static HostAddress ipv4(std::uint32_t networkOrder);
    // A typed address: dotted IPv4 as the classic inet_addr reads it ("127.1" too), or an
    // IPv6 address, with or without its brackets, with its zone ("%eth0") where it has one.
    static std::optional<HostAddress> parse(const QByteArray& text);

    std::uint32_t ipv4NetworkOrder() const;
    // Dotted IPv4, or IPv6 in its usual short form with its zone.
    QString text() const;
    // Whether the address is on the public Internet: not loopback, private (RFC 1918, unique
    // local), link-local, unspecified, shared (RFC 6598), multicast or broadcast; an
    // IPv4-mapped IPv6 address counts as its IPv4 address.
    bool isPublic() const;
    // The socket address for a port in network byte order; length gets its size.
    sockaddr_storage socketAddress(std::uint16_t portNetworkOrder, socklen_t* length) const;
    bool operator==(const HostAddress&) const = default;
};

// What a host look-up found: the official name, its aliases, and its addresses in the
// resolver's order, without duplicates.
struct HostEntry {
    QByteArray officialName;
    QList<QByteArray> aliases;
    QList<HostAddress> addresses;
};

// The answer of a resolver: error 0 and an entry, or one of the codes 11001 to 11004.
struct LookupAnswer {
    int error = 0;
    HostEntry entry;
};

} // namespace platform
