// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace net {

// The request record of one call: what to look up and connect to, and the one line to send.
struct DataNet {
    QByteArray Service;     // "finger" or "whois", for the services database
    QByteArray Protocol;    // always "tcp"
    QByteArray Host;        // host name or address, in its ASCII form
    QByteArray RequestLine; // the exact bytes sent after connecting, ending in CR LF
    QByteArray QueryText;   // shown in the caption after a normal close
};

// A request as it was typed, made ready for the wire; error says why it cannot be (an invalid
// international host name), and then the record is empty.
struct BuiltRequest {
    DataNet request;
    QString error;
};

} // namespace net
