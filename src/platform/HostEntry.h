// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace platform {

// What a host look-up found: the official name, its aliases, and its IPv4 addresses in
// network byte order, without duplicates.
struct HostEntry {
    QByteArray officialName;
    QList<QByteArray> aliases;
    QList<std::uint32_t> addresses;
};

// The answer of a resolver: error 0 and an entry, or one of the codes 11001 to 11004.
struct LookupAnswer {
    int error = 0;
    HostEntry entry;
};

} // namespace platform
