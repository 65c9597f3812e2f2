// SPDX-License-Identifier: MIT
#pragma once
// The chain of trust checked from what the servers said: each zone's DNSKEY answer from its own
// server, the DS answer from its parent's, the answer to the question from the last zone's, and
// the trust anchors. Every link is checked with the packet library (key tags, digests,
// signatures at the time given) and given a state; the first that breaks is named in one
// sentence. The messages come from servers and are not trusted: each is read once, its records
// taken where the message's layout puts them, and a message that cannot be read is a missing
// link, never a valid one.

#include "ChainModel.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace net {

struct ChainZoneAnswers {
    QByteArray name;     // "lab.", ASCII with the final dot
    QString server;      // the address its keys were asked of
    QByteArray keys;     // the zone's answer to DNSKEY
    QString keysProblem; // why there is none
    QByteArray ds;       // the parent's answer to DS (none for the root)
    QString dsProblem;
};

struct ChainAnswers {
    QByteArray name; // ASCII with the final dot
    std::uint16_t type = 1;
    QString typeText;
    QList<ChainZoneAnswers> zones; // the root first
    QByteArray answer;
    QString answerProblem;
    QStringList anchors; // the trust anchors' records, one zone-file line each
    qint64 now = 0;      // seconds since 1970
};

ChainReport checkChain(const ChainAnswers& answers);

// The DS and DNSKEY lines of trust anchor files (what a validator reads: zone-file lines,
// comments after ";"); why not, when a file cannot be read.
QString readAnchorLines(const QStringList& files, QStringList& lines);

} // namespace net
