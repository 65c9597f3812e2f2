// SPDX-License-Identifier: MIT
#pragma once
// Several servers' answers to one question weighed against each other: every authoritative
// server of a zone (with the zone's SOA values, its delegation at the parent, the glue and
// each server's signatures), or several resolvers side by side. Servers whose answers agree
// form a group; the largest is the reference and every other group is marked with what it
// lacks and what it has beyond. The result is written as text for the window (see
// comparisonText) and as JSON for scripts (see comparisonJson), both kept within a bound of
// the answers' size, on a worker thread.

#include "ComparedAnswer.h"
#include "DelegationFaults.h"
#include "SignatureCheck.h"
#include "ZoneServers.h"
#include "net/dns/records/DnsRequest.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace net {

// One server as it was asked.
struct ComparedServer {
    QString server;              // "ns1.example.com.", or a resolver as described
    QString address;             // the address asked; empty for none
    bool glueOnly = false;       // only the parent's glue gives this address
    QList<DirectAnswer> answers; // every authoritative server: one per type asked
    DirectAnswer soa;            // every authoritative server: the zone's SOA
    DirectAnswer soaOverTcp;     // and the same question over TCP
    QList<DnsAnswer> resolved;   // side by side: one per type
    qint64 elapsedMs = -1;       // side by side: how long the resolver took
    // Set where the outcome is known without reading answers: no address, over the most asked,
    // not set up, or what a server asked directly after its resolver failed did.
    std::optional<ComparedAnswer::Outcome> knownOutcome;
    QString why;
    bool asked() const {
        return !knownOutcome || (*knownOutcome != ComparedAnswer::NoAddress &&
                                 *knownOutcome != ComparedAnswer::NotAsked);
    }
};

struct ComparisonInput {
    DnsComparison::Kind kind = DnsComparison::EveryAuthoritative;
    DnsQuestion question;
    QList<std::uint16_t> types;
    ZoneServers zone;     // every authoritative server
    QString foundThrough; // the resolver the zone was found through, described
    QList<ComparedServer> servers;
    qint64 now = 0; // seconds since 1970, for the signatures' validity
};

struct AnswerGroup {
    QList<qsizetype> members;
    ComparedAnswer::Outcome outcome = ComparedAnswer::Answer;
    QList<ComparedRecord> records;
    QList<ComparedRecord> missing; // in the reference group, not in this one
    QList<ComparedRecord> extra;   // in this one, not in the reference group
};

// One SOA field and the values the servers gave it.
struct FieldSpread {
    QString field; // "serial", "MNAME", ...
    QList<QPair<QString, QList<qsizetype>>> values;
};

struct GlueCheck {
    QString name;
    QStringList glue;
    QStringList zone;
    QString zoneProblem; // why the zone gives no address
    bool agrees = false;
};

struct ComparisonFindings {
    QList<ComparedAnswer> answers; // one a server
    QList<qsizetype> groupOf;      // one a server: its group, -1 when it gave no answer
    QList<AnswerGroup> groups;     // the largest first: the reference
    QList<std::optional<SoaValues>> soa;
    QList<bool> olderSerial;      // one a server
    QList<FieldSpread> soaFields; // every field, those that differ marked by their values
    bool signedZone = false;
    QList<std::optional<SignatureVerdict>> signatures; // one a server
    QStringList onlyAtParent;
    QStringList onlyInZone;
    QList<GlueCheck> glue;
    QList<DelegationFault> faults; // every authoritative server: how the zone is set up wrong
    // One a server: what it does over one transport only ("not over TCP: connection refused",
    // "over TCP only"), empty when UDP and TCP agree.
    QStringList transport;
    QStringList differences; // what the summary names
    qsizetype differing = 0; // servers that differ from the reference in any way
    qsizetype answering = 0; // servers that gave an answer to compare
};

ComparisonFindings weighAnswers(const ComparisonInput& input);

struct ComparisonReport {
    QString text;
    QString status;
    bool answered = false; // some server answered
    bool agree = false;
    QJsonObject json;
};

// RFC 1982: whether serial a is older than b (serials wrap around at 2^32).
bool olderSerial(std::uint32_t a, std::uint32_t b);

// Weighs the answers and writes them; json only when asked (it embeds every message).
ComparisonReport compareServers(const ComparisonInput& input, bool withJson);

QString comparisonText(const ComparisonInput& input, const ComparisonFindings& findings);
// The outcome in one sentence, as the status bar and the text's summary line give it: "All 26
// addresses agree", "3 of 4 servers differ", "The addresses agree; the zone's set-up differs".
QString comparisonSummary(const ComparisonInput& input, const ComparisonFindings& findings);
// Its parts: whether the servers agree, and "; the delegation has 2 faults" (empty for none).
QString comparisonAgreement(const ComparisonInput& input, const ComparisonFindings& findings);
QString faultSummary(const ComparisonFindings& findings);
QJsonObject comparisonJson(const ComparisonInput& input, const ComparisonFindings& findings);

} // namespace net
