// SPDX-License-Identifier: MIT
// The chain of trust checked on hostile answers: each zone's keys message, its parent's DS
// message, and the answer. Whatever they hold, the check ends, the text and the JSON stay within
// a small multiple of what came, the JSON passes a strict reader, and the picture is well-formed
// XML of bounded size whose texts are never markup.
// Input: the first byte picks how many zones (1 to 3: ".", "lab.", "good.lab."), then each
// zone's keys message and DS message and last the answer, each after a two-byte big-endian
// length. The anchor is the root key of the seed corpus's lab.
#include "net/dns/chain/ChainCheck.h"
#include "net/dns/chain/ChainPicture.h"
#include "net/dns/chain/ChainText.h"

#include <QJsonDocument>
#include <QXmlStreamReader>

#include "StrictJson.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    static const QByteArray names[] = {".", "lab.", "good.lab."};
    const int zones = 1 + data[0] % 3;
    QList<QByteArray> packets;
    size_t at = 1;
    while (at + 2 <= size && packets.size() < 2 * zones + 1) {
        const size_t length = size_t(data[at] << 8 | data[at + 1]);
        at += 2;
        const size_t taken = std::min(length, size - at);
        packets.append(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(taken)));
        at += taken;
    }
    while (packets.size() < 2 * zones + 1)
        packets.append(QByteArray());
    net::ChainAnswers answers;
    answers.name = "www.good.lab.";
    answers.typeText = QStringLiteral("A");
    answers.now = 1797724800; // inside the seed lab's signatures (2026-12-10 to 2027-01-07)
    answers.anchors = {QStringLiteral(
        ". IN DS 5136 13 2 ef292bb488a1cbb9c20d3fa5cdb32fe51619fc320c7192c1705245b02ebf2bd8")};
    qsizetype bytes = 0;
    for (int z = 0; z < zones; ++z) {
        net::ChainZoneAnswers zone;
        zone.name = names[z];
        zone.server = QStringLiteral("192.0.2.1");
        zone.keys = packets[2 * z];
        zone.ds = packets[2 * z + 1];
        bytes += zone.keys.size() + zone.ds.size();
        answers.zones.append(zone);
    }
    answers.answer = packets[2 * zones];
    bytes += answers.answer.size();
    const net::ChainReport report = net::checkChain(answers);
    const qsizetype capacity = 16 * bytes + 64 * 1024;
    if (net::chainText(report).size() > capacity)
        std::abort();
    const QByteArray json = QJsonDocument(net::chainJson(report)).toJson(QJsonDocument::Compact);
    if (json.size() > 3 * capacity || !strictJsonAccepts(json))
        std::abort();
    const QByteArray svg = net::chainSvg(report);
    if (svg.size() > 4 * capacity)
        std::abort();
    QXmlStreamReader xml(svg);
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        std::abort();
    return 0;
}
