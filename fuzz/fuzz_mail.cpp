// SPDX-License-Identifier: MIT
// The mail check judged on hostile records: every question the checks ask is answered from
// the input, round after round as the session would (at most its rounds and look-ups), and the
// MTA-STS policy file is the input's too. Whatever they hold, judging ends, the text and the
// JSON stay within a small multiple of what came, and the JSON passes a strict reader.
// Input: chunks, each after a two-byte big-endian length. A TXT question takes the next chunk
// as one TXT record (its strings cut at 255 bytes); an MX or TLSA question takes the next
// chunk as a whole DNS message, as it came off the wire; an address question gets 192.0.2.1.
// The last chunk left is the policy file.
#include "net/dns/mail/DomainPolicies.h"
#include "net/dns/mail/MailJudge.h"
#include "net/dns/mail/MailRecords.h"
#include "net/dns/mail/MailText.h"

#include <QJsonDocument>

#include "StrictJson.h"

#include <cstdlib>

namespace {

QByteArray wireName(const QByteArray& name) {
    QByteArray wire;
    for (const QByteArray& label : name.split('.'))
        if (!label.isEmpty() && label.size() < 64)
            wire += char(label.size()) + label;
    return wire + '\0';
}

// A response holding one record of type at name with rdata.
QByteArray message(const QByteArray& name, std::uint16_t type, const QByteArray& rdata) {
    QByteArray m("\0\0\x81\x80\0\0\0\x01\0\0\0\0", 12);
    m += wireName(name);
    m += char(type >> 8);
    m += char(type & 0xFF);
    m += QByteArray("\0\x01\0\0\x0e\x10", 6);
    const auto length = std::uint16_t(std::min<qsizetype>(rdata.size(), 65000));
    m += char(length >> 8);
    m += char(length & 0xFF);
    return m + rdata.left(length);
}

QByteArray txtData(const QByteArray& text) {
    QByteArray rdata;
    for (qsizetype at = 0; at < text.size() || rdata.isEmpty(); at += 255) {
        const QByteArray part = text.mid(at, 255);
        rdata += char(part.size()) + part;
        if (part.isEmpty())
            break;
    }
    return rdata;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QList<QByteArray> chunks;
    size_t at = 0;
    while (at + 2 <= size) {
        const size_t length = size_t(data[at] << 8 | data[at + 1]);
        at += 2;
        const size_t taken = std::min(length, size - at);
        chunks.append(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(taken)));
        at += taken;
    }
    qsizetype next = 0;
    const auto take = [&]() { return next < chunks.size() ? chunks[next++] : QByteArray(); };
    net::MailGathered gathered;
    gathered.domain = "example.test.";
    gathered.shownDomain = QStringLiteral("example.test");
    gathered.selectors = {"s1"};
    qsizetype lookups = 0;
    for (int round = 0; round < 12; ++round) {
        const net::MailWanted wanted = net::judgeMail(gathered).wanted;
        if (wanted.isEmpty() || lookups >= 80)
            break;
        for (const net::MailQuestion& question : wanted) {
            net::DnsAnswer answer;
            answer.name = question.name;
            answer.type = question.type;
            if (question.type == net::mailrecords::Txt)
                answer.packet = message(question.name, question.type, txtData(take()));
            else if (question.type == net::mailrecords::A)
                answer.packet =
                    message(question.name, question.type, QByteArray("\xc0\0\x02\x01", 4));
            else if (question.type == net::mailrecords::Aaaa)
                answer.packet = message(question.name, 6, {}); // no AAAA: an empty answer
            else
                answer.packet = take();
            answer.secure = answer.packet.size() % 2 == 0;
            gathered.answers.insert(answer);
            ++lookups;
        }
    }
    gathered.lookups = lookups;
    gathered.policy.asked = true;
    gathered.policy.status = 200;
    gathered.policy.body = take().left(net::MaxPolicyBytes);
    const net::MailReport report = net::judgeMail(gathered).report;
    const qsizetype capacity = 16 * qsizetype(size) + 64 * 1024;
    if (net::mailText(report).size() > capacity)
        std::abort();
    const QByteArray json = QJsonDocument(net::mailJson(report)).toJson(QJsonDocument::Compact);
    if (json.size() > 3 * capacity || !strictJsonAccepts(json))
        std::abort();
    return 0;
}
