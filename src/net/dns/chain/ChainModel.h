// SPDX-License-Identifier: MIT
#pragma once
// A chain of trust as checked: from the trust anchor down each zone cut to the answer, every
// key, DS record and signature with the state of the link it makes, and the verdict with the
// first link that broke. The text, the JSON and the picture are all drawn from this.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace net {

// The state of one link, from good to broken. Insecure is no fault: a proven absence of DS
// records (or DS records of algorithms no validator here supports) ends the chain.
enum class LinkState {
    Valid,
    Insecure,
    Expired,
    NotYetValid,
    DigestMismatch,
    DoesNotVerify,
    Unsupported,
    Revoked,
    Missing,
};

// "valid", "expired", "digest mismatch", ...
QString linkStateText(LinkState state);
// The mark that goes with the word, so a state reads without colour: "✓", "✗", "!", "–".
QString linkStateMark(LinkState state);
inline bool linkBroken(LinkState state) {
    return state != LinkState::Valid && state != LinkState::Insecure;
}

struct ChainKey {
    std::uint16_t tag = 0;
    std::uint8_t algorithm = 0;
    std::uint16_t flags = 0;
    int bits = 0;
    bool matchedByDs = false; // a DS record (or the anchor) vouches for it
    bool ksk() const { return (flags & 0x0001) != 0; }
    bool revoked() const { return (flags & 0x0080) != 0; }
    // "KSK", "ZSK", "KSK, revoked"
    QString role() const;
};

struct ChainDs {
    std::uint16_t tag = 0;
    std::uint8_t algorithm = 0;
    std::uint8_t digestType = 0;
    LinkState state = LinkState::Missing;
    QString detail; // why the state, in words
    int key = -1;   // the key of the zone it names, when there is one
};

struct ChainSignature {
    QString covers; // "DNSKEY of lab.", "A of www.good.lab."
    std::uint16_t signerTag = 0;
    std::uint8_t algorithm = 0;
    qint64 inception = 0; // seconds since 1970, UTC
    qint64 expiration = 0;
    LinkState state = LinkState::Missing;
    QString detail;
    int key = -1; // the signing key, in the zone that signs
};

// A record set the chain rests on (the DS set, the answer, a denial) with its signatures.
struct ChainRecordSet {
    QString name; // "DS of good.lab.", "A of www.good.lab.", "NSEC3 of ..."
    QStringList records;
    QList<ChainSignature> signatures;
    LinkState state = LinkState::Missing; // the best of its signatures
};

struct ChainZone {
    QString name;                 // "lab."
    QString server;               // the address asked for its keys
    bool anchored = false;        // the trust anchor names it
    QList<ChainDs> ds;            // from the parent, or the anchor
    QList<ChainRecordSet> dsSets; // the DS set as signed by the parent, or its denial
    QList<ChainKey> keys;
    QList<ChainSignature> keySignatures;    // over the DNSKEY set
    QString problem;                        // a server that did not answer, in words
    LinkState dsLink = LinkState::Missing;  // the parent vouches for this zone
    LinkState keyLink = LinkState::Missing; // a vouched-for key signs the DNSKEY set
    bool insecure = false;                  // the chain ends above it
    bool checked = false;                   // the chain reached it (did not break or end above it)
};

struct ChainReport {
    enum Verdict { Secure, Insecure, Bogus, Indeterminate };
    QString name; // as asked, ASCII with the final dot
    QString type;
    QList<ChainZone> zones; // the anchored zone first
    QString answerZone;
    int rcode = 0;
    QList<ChainRecordSet> answer; // the answer's sets, or the denial that proves there is none
    QString answerProblem;
    bool answerChecked = false; // the chain reached the answer
    Verdict verdict = Indeterminate;
    // The first broken link in one sentence, or why the chain is secure or insecure.
    QString reason;
    // Where it broke: the zone's index and which link ("ds", "dnskey", "answer"); -1 when
    // nothing broke.
    int brokenZone = -1;
    QString brokenLink;
    // The validating resolver's own verdict on the same question.
    QString resolverVerdict;
    QString resolverReason;
    qint64 checkedAt = 0;
    qint64 elapsedMs = 0;
};

QString verdictText(ChainReport::Verdict verdict);

} // namespace net
