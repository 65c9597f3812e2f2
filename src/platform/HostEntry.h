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

    static HostAddress ipv4(std::uint32_t networkOrder);
    // A typed address: dotted IPv4 as the classic inet_addr reads it ("127.1" too), or an
    // IPv6 address, with or without its brackets.
    static std::optional<HostAddress> parse(const QByteArray& text);

    std::uint32_t ipv4NetworkOrder() const;
    // Dotted IPv4, or IPv6 in its usual short form.
    QString text() const;
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
