// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

namespace net {

// The request record of one call: what to look up and connect to, and the one line to send.
struct DataNet {
    QByteArray Service;     // "finger" or "whois", for the services database
    QByteArray Protocol;    // always "tcp"
    QByteArray Host;        // host name or dotted IPv4 address, as typed
    QByteArray RequestLine; // the exact bytes sent after connecting, ending in CR LF
    QByteArray QueryText;   // shown in the caption after a normal close
};

// A finger address "user@host" or "host": split at the last "@" (never the first character);
// "/W " goes before the user part when fullInfo is exactly 1.
DataNet fingerRequest(const QByteArray& address, int fullInfo);

DataNet whoisRequest(const QByteArray& server, const QByteArray& query);

} // namespace net
