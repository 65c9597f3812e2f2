// SPDX-License-Identifier: MIT
#pragma once
// SVCB and HTTPS rdata (RFC 9460) in presentation form, as dig writes it: the priority, the
// target, then each parameter by its name (mandatory, alpn, no-default-alpn, port, ipv4hint,
// ech, ipv6hint, dohpath, ohttp, keyNNNNN), value lists with commas and backslashes escaped
// and then quoted as a character string, so that a reader that follows RFC 9460 gets the same
// wire data back. The packet library's own printer loses those escapes.

#include <QByteArray>
#include <QString>

#include <optional>

namespace net {

// The rdata at [offset, offset + length) of message; nothing when it is malformed (a
// parameter that overruns, a value of the wrong length), and the caller shows it in the
// generic form instead.
std::optional<QString> svcbText(const QByteArray& message, qsizetype offset, qsizetype length);

// A character string in quotes, with '"' and '\' escaped and every byte outside printable
// ASCII as \DDD.
QString quotedCharacterString(const QByteArray& bytes);

} // namespace net
