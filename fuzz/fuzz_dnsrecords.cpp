// SPDX-License-Identifier: MIT
// The DNS records formatter on hostile answer packets: ldns parses them, and the layout must not
// crash or grow without bound (the text stays within a fixed multiple of the packets' bytes).
// Input: packets, each after a two-byte big-endian length; the first byte of each picks the
// type it answers and whether the resolver called it secure or bogus.
#include "net/dns/message/DnsRecordsText.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QList<net::DnsAnswer> answers;
    size_t at = 0;
    while (at + 3 <= size && answers.size() < 8) {
        const size_t length = size_t(data[at] << 8 | data[at + 1]);
        const uint8_t flags = data[at + 2];
        at += 3;
        const size_t taken = std::min(length, size - at);
        net::DnsAnswer answer;
        answer.type = std::uint16_t(1 + flags % 64);
        answer.rcode = flags >> 6;
        answer.secure = flags & 0x40;
        answer.bogus = flags & 0x80;
        answer.whyBogus =
            answer.bogus ? QStringLiteral("validation failure <x. A IN>: why") : QString();
        answer.packet = QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(taken));
        answers.append(answer);
        at += taken;
    }
    net::DnsQuestion question;
    question.name = "example.org.";
    question.shownName = QStringLiteral("example.org");
    question.typeText = QStringLiteral("Common");
    const net::DnsReport report = net::formatDnsRecords(question, answers);
    // A record of a dozen bytes can print a name of 255 through a compression pointer; the
    // text stays within its capacity all the same (the header and the last line aside).
    if (report.text.size() > net::dnsTextCapacity(qsizetype(size)) + 8192)
        std::abort();
    if (report.records < 0 || report.status.isEmpty())
        std::abort();
    return 0;
}
