// SPDX-License-Identifier: MIT
// The direct question's reply check on any bytes: a reply is taken only when it is a response
// with the id sent and the one question asked (names compared without regard to case), and
// reading it never leaves the bytes received. The first two bytes are the id sent.
#include "net/dns/asking/DirectQuery.h"

#include <QChar>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // The question a client sends: id, RD, one question for wWw.Example.COM A IN.
    QByteArray message = QByteArray::fromHex("0000 0100 0001 0000 0000 0000") +
                         QByteArray("\x03wWw\x07"
                                    "Example\x03"
                                    "COM",
                                    16) +
                         QByteArray::fromHex("00 0001 0001");
    message[0] = char(data[0]);
    message[1] = char(data[1]);
    const QByteArray packet(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    if (!net::DirectQuery::answers(message, packet))
        return 0;
    if (packet.size() < message.size() || packet.left(2) != message.left(2) ||
        !(quint8(packet[2]) & 0x80) || packet[4] != 0 || packet[5] != 1)
        std::abort();
    if (packet.mid(12, message.size() - 12).toLower() != message.mid(12).toLower())
        std::abort();
    return 0;
}
