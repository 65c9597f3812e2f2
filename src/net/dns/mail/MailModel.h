// SPDX-License-Identifier: MIT
#pragma once
// What a mail check gathers (the DNS answers it read, the policy file it fetched, what each
// mail server said on port 25) and what it makes of them: one verdict per check, with its
// reason and the records it read, and three summary lines at the top.

#include "net/dns/message/DnsAnswer.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace net {

// The DNS answers of a check, each under its name and type; what was asked and not yet
// answered is missing.
class MailAnswers {
public:
    const DnsAnswer* find(const QByteArray& name, std::uint16_t type) const;
    // The answer, or null with the question added to wanted when it has not come.
    const DnsAnswer* need(const QByteArray& name, std::uint16_t type,
                          QList<struct MailQuestion>& wanted) const;
    void insert(const DnsAnswer& answer);
    qsizetype size() const { return m_answers.size(); }

private:
    QHash<QByteArray, DnsAnswer> m_answers;
};

// A name a check wants to read next; collected while the checks are judged from what has
// come so far, so the look-ups follow the records (an include of SPF, a host of an MX).
struct MailQuestion {
    QByteArray name; // mailName form
    std::uint16_t type = 16;
    bool operator==(const MailQuestion&) const = default;
};
using MailWanted = QList<MailQuestion>;

// What one mail server said on port 25.
struct SmtpConversation {
    QByteArray host;      // the MX host
    QString address;      // the address connected to
    QString refused;      // why it was not connected to (no address, not a public one, the cap)
    QString error;        // why the conversation ended early (refused, timed out, closed)
    QStringList lines;    // what was said, both ways ("S: 220 ...", "C: EHLO ...")
    QString banner;       // the greeting's first line
    bool greeted = false; // a 220 greeting came
    bool startTlsOffered = false;
    bool tlsStarted = false;
    QString tlsVersion;              // "TLS 1.3"
    QString tlsError;                // why the handshake failed
    QStringList certificateProblems; // the checks the certificate failed, in words
    QList<QByteArray> chain;         // the certificates shown, DER, the server's own first
    QString subject;                 // the server's certificate's names, for the report
};

// The MTA-STS policy file, as fetched.
struct PolicyFetch {
    bool asked = false;
    int status = 0; // HTTP
    QByteArray body;
    bool tooLarge = false;
    QString error; // why no HTTP answer came
    QString url;
};

struct MailGathered {
    QByteArray domain; // ASCII, mailName form
    QString shownDomain;
    QList<QByteArray> selectors;
    QString server; // the DNS server asked, described
    MailAnswers answers;
    qsizetype lookups = 0;
    bool lookupCapReached = false;
    bool timedOut = false;
    QList<SmtpConversation> servers;
    PolicyFetch policy;
    qint64 elapsedMs = 0;
};

enum class MailVerdict { Pass, Warning, Fail, NotPublished };
QString verdictWord(MailVerdict verdict); // "pass", "warning", "fail", "not published"

struct MailCheck {
    QString name; // "MX", "SPF", "DMARC", "DKIM sel", "MTA-STS", "TLS-RPT", "Server HOST"
    MailVerdict verdict = MailVerdict::NotPublished;
    QString reason;      // one sentence
    QStringList records; // the records read, as zone-file-like lines
    QStringList details; // counts, ranges, what was said on port 25

    void judge(MailVerdict judged, const QString& why) {
        verdict = judged;
        reason = why;
    }
};

struct MailSummaryLine {
    QString question; // "Receives mail", ...
    MailVerdict verdict = MailVerdict::Fail;
    QString reason;
};

struct MailReport {
    QString domain;
    QString server;
    QList<MailSummaryLine> summary;
    QList<MailCheck> checks;
    qsizetype lookups = 0;
    qint64 elapsedMs = 0;
    bool timedOut = false;
    bool faults() const;
};

} // namespace net
