// SPDX-License-Identifier: MIT
#pragma once
// A bounded reader of a DNS message as it came off the wire (RFC 1035 section 4): the header's
// counts and flags, and each record's place in the message, with its rdata as raw bytes. The
// packet library parses records into fields; this reader keeps the bytes it cannot give back
// (a record type it reads wrongly, an empty rdata, an option in the OPT record). Every read is
// checked against the message's length, and a name is followed through at most a fixed number
// of compression pointers, so no message can make it loop or read past its end.

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace net {

struct WireRecord {
    qsizetype ownerOffset = 0; // where the owner name starts in the message
    std::uint16_t type = 0;
    std::uint16_t rrclass = 0;
    std::uint32_t ttl = 0;
    qsizetype rdataOffset = 0;
    qsizetype rdataLength = 0;
};

struct WireMessage {
    std::uint16_t id = 0;
    std::uint16_t flags = 0;
    int rcode = 0; // with the OPT record's extended bits
    QList<WireRecord> answer;
    QList<WireRecord> authority;
    QList<WireRecord> additional;
    // Extended DNS errors (RFC 8914) in the OPT record: "INFO-CODE (name): text".
    QStringList extendedErrors;
};

// The message's records, or nothing when it cannot be read whole.
std::optional<WireMessage> readWireMessage(const QByteArray& message);

// The end of the name that starts at offset (after its last label or its first pointer), or
// -1 when it runs past the message or is no name.
qsizetype skipName(const QByteArray& message, qsizetype offset);

// The name at offset in presentation form ("www.example.", "\\000.example."), following
// compression pointers; nothing when it is no valid name.
std::optional<QString> nameText(const QByteArray& message, qsizetype offset);

} // namespace net
