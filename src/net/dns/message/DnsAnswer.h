// SPDX-License-Identifier: MIT
#pragma once
// What every part of DNS records shares: a question as asked, and the answer a resolver gave
// for one record type of it.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace net {

// What the resolver gave for one record type.
struct DnsAnswer {
    QByteArray name; // as asked, ASCII
    std::uint16_t type = 0;
    int error = 0; // the resolver library's error; 0 when it answered
    int rcode = 0;
    bool nxdomain = false;
    bool secure = false;
    bool bogus = false;
    QString whyBogus;
    QString reason;             // why the answer failed, where known
    QStringList extendedErrors; // the server's (RFC 8914), when it was asked directly
    QByteArray packet;          // the answer in wire form
};

struct DnsQuestion {
    QByteArray name;   // ASCII, as sent
    QString shownName; // as typed, for the header
    QString typeText;  // "Common", "MX", ...
    QString server;    // DnsServer::describe()
    bool dnssecChecked = true;
    QStringList anchors; // the trust anchor files the verdict rests on
    qint64 elapsedMs = 0;
};

} // namespace net
