// SPDX-License-Identifier: MIT
#pragma once
// The system services database (/etc/services): the port of a named service.

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// The port in network byte order, or nothing when the database has no such service.
using ServiceLookup = std::function<std::optional<std::uint16_t>(const QByteArray& service,
                                                                 const QByteArray& protocol)>;

// getservbyname_r on the system database.
std::optional<std::uint16_t> getServicePort(const QByteArray& service, const QByteArray& protocol);

} // namespace platform
