// SPDX-License-Identifier: MIT
#include "SpfCheck.h"
#include "MailRecords.h"
#include "MailText.h"

#include <QHostAddress>

#include <cmath>

namespace net {

namespace {

constexpr int MaxLookupTerms = 10; // RFC 7208 section 4.6.4
constexpr int MaxVoidLookups = 2;
constexpr qsizetype MaxTerms = 200; // per record: no real record comes near
constexpr qsizetype RangesShown = 12;

bool isSpf(const QByteArray& text) {
    return text.size() >= 6 && text.first(6).toLower() == "v=spf1" &&
           (text.size() == 6 || text[6] == ' ');
}

struct Walk {
    Walk(const MailAnswers& read, MailWanted& toRead, MailCheck& judged)
        : answers(read), wanted(toRead), check(judged) {}

    const MailAnswers& answers;
    MailWanted& wanted;
    MailCheck& check;
    int lookupTerms = 0;
    int voids = 0;
    QString error = {};     // the permanent error that ends the walk
    QString overLimit = {}; // the term that passed a limit
    bool incomplete = false;
    bool ptr = false;
    bool macros = false;
    QList<QString> ranges4;
    QList<QString> ranges6;
    double addresses4 = 0;
    QStringList hostTerms; // a: and mx: terms, whose addresses are not looked up here
    QChar topAll;          // the qualifier of the all that decides ('\0': none)
    bool redirected = false;

    // Walks the record at domain; path holds the domains above it. Returns the record's own
    // all qualifier ('\0' when it has none).
    QChar walk(const QByteArray& domain, QList<QByteArray> path, bool top);
    bool countLookup(const QString& term, const QByteArray& where);
    void addRange(const QString& value, bool six, QChar qualifier, const QByteArray& where);
};

bool Walk::countLookup(const QString& term, const QByteArray& where) {
    if (++lookupTerms <= MaxLookupTerms)
        return true;
    if (overLimit.isEmpty())
        overLimit = QStringLiteral("%1 in %2 is look-up %3, past the limit of %4")
                        .arg(term, shownName(where))
                        .arg(lookupTerms)
                        .arg(MaxLookupTerms);
    return false;
}

void Walk::addRange(const QString& value, bool six, QChar qualifier, const QByteArray& where) {
    const QString text = value.contains(QLatin1Char('/'))
                             ? value
                             : value + (six ? QStringLiteral("/128") : QStringLiteral("/32"));
    const auto [address, prefix] = QHostAddress::parseSubnet(text);
    const bool family =
        address.protocol() == (six ? QAbstractSocket::IPv6Protocol : QAbstractSocket::IPv4Protocol);
    if (address.isNull() || prefix < 0 || !family) {
        if (error.isEmpty())
            error = QStringLiteral("%1 in %2 is not an address range")
                        .arg((six ? QStringLiteral("ip6:") : QStringLiteral("ip4:")) + value,
                             shownName(where));
        return;
    }
    if (qualifier != QLatin1Char('+'))
        return; // only the ranges that pass are "allowed"
    if (six) {
        ranges6.append(text);
    } else {
        ranges4.append(text);
        addresses4 += std::ldexp(1.0, 32 - prefix);
    }
}

QChar Walk::walk(const QByteArray& domain, QList<QByteArray> path, bool top) {
    const DnsAnswer* answer = answers.find(domain, mailrecords::Txt);
    if (!answer) {
        if (!wanted.contains(MailQuestion{domain, mailrecords::Txt}))
            wanted.append({domain, mailrecords::Txt});
        incomplete = true;
        return {};
    }
    if (const QString failed = mailrecords::failure(*answer); !failed.isEmpty()) {
        if (error.isEmpty())
            error = QStringLiteral("the TXT records of %1 could not be read: %2")
                        .arg(shownName(domain), failed);
        return {};
    }
    QList<QByteArray> records;
    for (const QByteArray& text : mailrecords::txt(*answer))
        if (isSpf(text))
            records.append(text);
    if (!top && mailrecords::isEmpty(*answer, mailrecords::Txt) && ++voids > MaxVoidLookups &&
        overLimit.isEmpty())
        overLimit = QStringLiteral("%1 is void look-up %2, past the limit of %3")
                        .arg(shownName(domain))
                        .arg(voids)
                        .arg(MaxVoidLookups);
    if (records.isEmpty()) {
        if (!top && error.isEmpty())
            error = QStringLiteral("%1 has no SPF record for the terms that name it")
                        .arg(shownName(domain));
        return {};
    }
    for (const QByteArray& record : records)
        check.records.append(recordLine(domain, QStringLiteral("TXT"), quotedText(record)));
    if (records.size() > 1) {
        if (error.isEmpty())
            error = QStringLiteral("%1 has %2 SPF records; a receiver takes none of them")
                        .arg(shownName(domain))
                        .arg(records.size());
        return {};
    }
    path.append(domain);
    const QList<QByteArray> terms = records.first().simplified().split(' ');
    if (terms.size() > MaxTerms) {
        error = QStringLiteral("the record of %1 has more than %2 terms")
                    .arg(shownName(domain))
                    .arg(MaxTerms);
        return {};
    }
    QChar all;
    QByteArray redirect;
    for (qsizetype i = 1; i < terms.size() && error.isEmpty(); ++i) {
        const QString term = QString::fromLatin1(terms[i]);
        if (const qsizetype equals = term.indexOf(QLatin1Char('='));
            equals > 0 && !term.left(equals).contains(QLatin1Char(':'))) {
            const QString name = term.left(equals).toLower();
            if (name == QLatin1String("redirect"))
                redirect = terms[i].mid(equals + 1);
            continue; // exp= and unknown modifiers change nothing a check can see
        }
        QChar qualifier = QLatin1Char('+');
        QString body = term;
        if (QStringLiteral("+-~?").contains(body.front())) {
            qualifier = body.front();
            body.remove(0, 1);
        }
        const qsizetype colon = body.indexOf(QLatin1Char(':'));
        const qsizetype slash = body.indexOf(QLatin1Char('/'));
        const qsizetype end = colon >= 0 ? colon : slash >= 0 ? slash : body.size();
        const QString mechanism = body.left(end).toLower();
        const QString value = colon >= 0 ? body.mid(colon + 1) : QString();
        if (mechanism == QLatin1String("all")) {
            all = qualifier;
        } else if (mechanism == QLatin1String("include")) {
            if (value.isEmpty()) {
                error = QStringLiteral("include with no domain in %1").arg(shownName(domain));
            } else if (countLookup(term, domain)) {
                const QByteArray target = mailName(value.toLatin1());
                if (value.contains(QLatin1Char('%')))
                    macros = true; // names built per message are not followed
                else if (path.contains(target))
                    error = QStringLiteral("%1 includes %2 again: a loop")
                                .arg(shownName(domain), shownName(target));
                else
                    walk(target, path, false);
            }
        } else if (mechanism == QLatin1String("a") || mechanism == QLatin1String("mx") ||
                   mechanism == QLatin1String("ptr") || mechanism == QLatin1String("exists")) {
            if (mechanism == QLatin1String("exists") && value.isEmpty())
                error = QStringLiteral("exists with no domain in %1").arg(shownName(domain));
            countLookup(term, domain);
            if (mechanism == QLatin1String("ptr"))
                ptr = true;
            else if (mechanism != QLatin1String("exists") && qualifier == QLatin1Char('+'))
                hostTerms.append(term);
        } else if (mechanism == QLatin1String("ip4") || mechanism == QLatin1String("ip6")) {
            addRange(value, mechanism == QLatin1String("ip6"), qualifier, domain);
        } else {
            error = QStringLiteral("%1 in %2 is no SPF term").arg(term, shownName(domain));
        }
    }
    if (!redirect.isEmpty() && all.isNull() && error.isEmpty() &&
        countLookup(QStringLiteral("redirect=") + QString::fromLatin1(redirect), domain)) {
        const QByteArray target = mailName(redirect);
        if (path.contains(target))
            error = QStringLiteral("%1 redirects to %2 again: a loop")
                        .arg(shownName(domain), shownName(target));
        else if (!redirect.contains('%')) {
            redirected = redirected || top;
            all = walk(target, path, false); // the target's all decides in its place
        }
    }
    return all;
}

QString rangesSummary(const Walk& walk) {
    QStringList parts;
    if (!walk.ranges4.isEmpty())
        parts.append(QStringLiteral("%1 IPv4 range(s), %2 address(es)")
                         .arg(walk.ranges4.size())
                         .arg(QString::number(walk.addresses4, 'f', 0)));
    if (!walk.ranges6.isEmpty())
        parts.append(QStringLiteral("%1 IPv6 range(s)").arg(walk.ranges6.size()));
    if (!walk.hostTerms.isEmpty())
        parts.append(
            QStringLiteral("the addresses of %1").arg(walk.hostTerms.join(QLatin1Char(' '))));
    return parts.isEmpty() ? QStringLiteral("Allows no address by range")
                           : QStringLiteral("Allows ") + parts.join(QStringLiteral("; "));
}

} // namespace

SpfJudgement checkSpf(const QByteArray& domain, const MailAnswers& answers, MailWanted& wanted) {
    SpfJudgement result;
    MailCheck& check = result.check;
    check.name = QStringLiteral("SPF");
    Walk walk(answers, wanted, check);
    const DnsAnswer* top = answers.find(domain, mailrecords::Txt);
    walk.topAll = walk.walk(domain, {}, true);
    check.details.append(QStringLiteral("DNS look-ups: %1 of %2; void look-ups: %3 of %4")
                             .arg(std::min(walk.lookupTerms, MaxLookupTerms + 1))
                             .arg(MaxLookupTerms)
                             .arg(walk.voids)
                             .arg(MaxVoidLookups));
    check.details.append(rangesSummary(walk));
    for (qsizetype i = 0; i < walk.ranges4.size() + walk.ranges6.size() && i < RangesShown; ++i)
        check.details.append(QStringLiteral("  ") + (i < walk.ranges4.size()
                                                         ? walk.ranges4[i]
                                                         : walk.ranges6[i - walk.ranges4.size()]));
    if (walk.ranges4.size() + walk.ranges6.size() > RangesShown)
        check.details.append(QStringLiteral("  and %1 more")
                                 .arg(walk.ranges4.size() + walk.ranges6.size() - RangesShown));
    if (walk.incomplete && walk.error.isEmpty() && walk.overLimit.isEmpty()) {
        check.judge(MailVerdict::Warning,
                    QStringLiteral("Not every record of the SPF tree could be "
                                   "read in time"));
        return result;
    }
    if (!walk.error.isEmpty()) {
        check.judge(MailVerdict::Fail, QStringLiteral("Permanent error: ") + walk.error);
        return result;
    }
    if (!walk.overLimit.isEmpty()) {
        check.judge(MailVerdict::Fail, QStringLiteral("Permanent error: ") + walk.overLimit);
        return result;
    }
    if (top && check.records.isEmpty()) {
        check.judge(MailVerdict::NotPublished,
                    QStringLiteral("%1 publishes no SPF record").arg(shownName(domain)));
        return result;
    }
    const QChar all = walk.topAll;
    if (all == QLatin1Char('+')) {
        check.judge(MailVerdict::Fail,
                    QStringLiteral("+all lets every server on the Internet send as "
                                   "this domain"));
        return result;
    }
    result.usable = true;
    if (all == QLatin1Char('?'))
        check.judge(MailVerdict::Warning, QStringLiteral("?all says nothing about other servers; "
                                                         "their mail is neutral"));
    else if (all.isNull())
        check.judge(MailVerdict::Warning,
                    QStringLiteral("The record ends without an all term; other "
                                   "servers' mail is neutral"));
    else if (walk.ptr)
        check.judge(MailVerdict::Warning,
                    QStringLiteral("The record uses ptr, which receivers are "
                                   "asked not to rely on (RFC 7208 section 5.5)"));
    else if (walk.macros)
        check.judge(MailVerdict::Warning,
                    QStringLiteral("Some terms use macros, which name a domain "
                                   "per message and were not followed"));
    else
        check.judge(MailVerdict::Pass,
                    QStringLiteral("One valid record; other servers get %1")
                        .arg(all == QLatin1Char('-') ? QStringLiteral("fail (-all)")
                                                     : QStringLiteral("softfail (~all)")));
    return result;
}

} // namespace net
