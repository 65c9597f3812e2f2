// SPDX-License-Identifier: MIT
#include "TerminalView.h"
#include "TerminalText.h"

#include <QJsonArray>

#include <cerrno>
#include <limits>

namespace terminal {

namespace {

void write(std::FILE* file, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
}

} // namespace

TerminalView::TerminalView(std::FILE* out, std::FILE* err, JsonReport* report)
    : m_out(out), m_err(err), m_report(report) {
    // Text goes out as it comes and is not kept: a terminal takes any length.
    m_feed.setCapacity(std::numeric_limits<qsizetype>::max());
}

void TerminalView::setStatusText(const QString& text) {
    if (text.isEmpty() || text == m_lastStatus)
        return;
    m_lastStatus = text;
    if (m_outputError)
        return; // the run is over for its reader
    write(m_err, terminalText(text, LineEnds::Coded) + '\n');
    std::fflush(m_err);
}

void TerminalView::writeOut(const QByteArray& bytes) {
    if (m_outputError)
        return;
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out) != size_t(bytes.size()))
        outputFailed();
    else
        flushOut();
}

void TerminalView::flushOut() {
    if (m_outputError)
        return;
    errno = 0;
    if (std::fflush(m_out) != 0 || std::ferror(m_out))
        outputFailed();
}

void TerminalView::outputFailed() {
    m_outputError = errno != 0 ? errno : EIO;
    if (onOutputFailed)
        onOutputFailed();
}

void TerminalView::showText(const QString& text) {
    if (!m_report)
        writeOut(terminalText(text));
}

void TerminalView::callEnded(const net::CallOutcome& outcome) {
    if (m_outcome)
        return;
    m_outcome = outcome;
    setStatusText(outcome.status);
    if (onEnded)
        onEnded();
}

void TerminalView::showDnsInfo(const net::DNStransfer& result) {
    if (m_report) {
        m_report->setLookup(
            {{QStringLiteral("hostName"), result.HostName},
             {QStringLiteral("aliases"), QJsonArray::fromStringList(result.Aliases)},
             {QStringLiteral("address"), result.Address},
             {QStringLiteral("addresses"), QJsonArray::fromStringList(result.Addresses)}});
    } else {
        // As the DNS info dialog shows it.
        QString text =
            QStringLiteral("Host name: %1\nAliases: %2\nAddress: %3\n")
                .arg(result.HostName, result.Aliases.join(QStringLiteral(", ")), result.Address);
        for (const QString& address : result.Addresses)
            text += QStringLiteral("  ") + address + QLatin1Char('\n');
        writeOut(terminalText(text));
    }
    callEnded({net::Answer::Whole, QStringLiteral("Host found")});
}

void TerminalView::showDnsError(const QString& text) {
    callEnded({net::Answer::None, text});
}

} // namespace terminal
