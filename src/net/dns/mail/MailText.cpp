// SPDX-License-Identifier: MIT
#include "MailText.h"

#include <QJsonArray>

namespace net {

namespace {

constexpr qsizetype MaxShown = 600; // characters of one record or line from a server

QString escaped(const QByteArray& text, bool quoteMarks) {
    QString out;
    const qsizetype shown = std::min(text.size(), MaxShown);
    for (qsizetype i = 0; i < shown; ++i) {
        const auto b = std::uint8_t(text[i]);
        if (b == '\\' || (quoteMarks && b == '"'))
            out += QStringLiteral("\\") + QLatin1Char(char(b));
        else if (b >= 0x20 && b < 0x7F)
            out += QLatin1Char(char(b));
        else
            out += QStringLiteral("\\%1").arg(b, 3, 10, QLatin1Char('0'));
    }
    if (text.size() > shown)
        out += QStringLiteral("... (%1 bytes more)").arg(text.size() - shown);
    return out;
}

QJsonArray array(const QStringList& lines) {
    return QJsonArray::fromStringList(lines);
}

} // namespace

QString shownName(const QByteArray& name) {
    return name.size() > 1 && name.endsWith('.') ? escaped(name.chopped(1), false)
                                                 : escaped(name, false);
}

QString quotedText(const QByteArray& text) {
    return QLatin1Char('"') + escaped(text, true) + QLatin1Char('"');
}

QString safeLine(const QByteArray& text) {
    return escaped(text, false);
}

QString recordLine(const QByteArray& owner, const QString& type, const QString& data) {
    return QStringLiteral("%1 %2 %3").arg(escaped(owner, false), type, data);
}

QString mailText(const MailReport& report) {
    QString text =
        QStringLiteral("; Mail for %1, checked through %2\n").arg(report.domain, report.server);
    text += QStringLiteral("; %1 DNS look-up(s), %2 ms%3\n\n")
                .arg(report.lookups)
                .arg(report.elapsedMs)
                .arg(report.timedOut ? QStringLiteral("; the check's time ran out, so what "
                                                      "had not come is judged missing")
                                     : QString());
    qsizetype width = 0;
    for (const MailSummaryLine& line : report.summary)
        width = std::max(width, line.question.size());
    for (const MailSummaryLine& line : report.summary)
        text += QStringLiteral("%1  %2  %3\n")
                    .arg(line.question + QLatin1Char(':'), -int(width + 1))
                    .arg(verdictWord(line.verdict).toUpper(), -13)
                    .arg(line.reason);
    for (const MailCheck& check : report.checks) {
        text += QStringLiteral("\n%1: %2\n    %3\n")
                    .arg(check.name, verdictWord(check.verdict).toUpper(), check.reason);
        for (const QString& record : check.records)
            text += QStringLiteral("    ") + record + QLatin1Char('\n');
        for (const QString& detail : check.details)
            text += QStringLiteral("    ") + detail + QLatin1Char('\n');
    }
    return text;
}

QJsonObject mailJson(const MailReport& report) {
    QJsonArray summary;
    for (const MailSummaryLine& line : report.summary)
        summary.append(QJsonObject{{QStringLiteral("question"), line.question},
                                   {QStringLiteral("verdict"), verdictWord(line.verdict)},
                                   {QStringLiteral("reason"), line.reason}});
    QJsonArray checks;
    for (const MailCheck& check : report.checks)
        checks.append(QJsonObject{{QStringLiteral("check"), check.name},
                                  {QStringLiteral("verdict"), verdictWord(check.verdict)},
                                  {QStringLiteral("reason"), check.reason},
                                  {QStringLiteral("records"), array(check.records)},
                                  {QStringLiteral("details"), array(check.details)}});
    return {{QStringLiteral("domain"), report.domain},
            {QStringLiteral("server"), report.server},
            {QStringLiteral("summary"), summary},
            {QStringLiteral("checks"), checks},
            {QStringLiteral("lookups"), report.lookups},
            {QStringLiteral("elapsedMs"), report.elapsedMs},
            {QStringLiteral("timedOut"), report.timedOut}};
}

} // namespace net
