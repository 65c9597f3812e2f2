// SPDX-License-Identifier: MIT
#include "TFingWnd.h"
#include "dialogs/DNS_Dialog.h"
#include "platform/MessageBox.h"
#include "resources/DialogTemplates.h"

#include <QApplication>

namespace view {

TFingWnd::TFingWnd(QWidget* parent) : TextView(parent), m_engine(*this) {
    // What a screen reader calls the window: it holds the answer of the last query.
    setAccessibleName(QStringLiteral("Answer"));
    connect(&m_engine, &net::QueryEngine::stateChanged, this, &TFingWnd::commandStateChanged);
    connect(&m_dnsLookup, &net::DnsLookup::stateChanged, this, &TFingWnd::commandStateChanged);
    m_whois.setRegistryLookup(&m_rdap);
    connect(this, &TextView::selectionChanged, this, &TFingWnd::commandStateChanged);
    connect(this, &TextView::modificationChanged, this, &TFingWnd::commandStateChanged);
}

void TFingWnd::Finger(const AddrInfo& info) {
    m_finger.Finger(info.address.toUtf8(), info.fullInfo);
}

void TFingWnd::Whois(const WhoisInfo& info) {
    m_whois.start(info.server.toUtf8(), info.query.toUtf8(),
                  {info.automatic, info.followReferrals});
}

void TFingWnd::LookupHost(const QString& host) {
    m_dnsLookup.LookupHost(host.toUtf8());
}

void TFingWnd::CancelCall() {
    m_dnsLookup.cancel();
    m_engine.CancelCall();
}

void TFingWnd::setResolver(const platform::Resolver& resolver) {
    m_engine.setResolver(resolver);
    m_dnsLookup.setResolver(resolver);
    m_records.setResolver(resolver);
    m_rdap.setResolver(resolver);
}

bool TFingWnd::CloseGuard() {
    if (!Busy())
        return true;
    QApplication::beep();
    const auto answer = platform::messageBox(
        window(), QStringLiteral("Close Connection?"), QStringLiteral("Warning: socket in use"),
        QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return false;
    // The call may have ended while the question was open; cancelling then changes nothing.
    if (Busy())
        CancelCall();
    return true;
}

void TFingWnd::clearCommand() {
    clear();
    if (m_frame)
        m_frame->SetCaptionSuffix(QString());
}

void TFingWnd::selectAllText() {
    selectAll();
}

void TFingWnd::setStatusText(const QString& text) {
    if (m_frame)
        m_frame->SetStatusText(text);
}

void TFingWnd::setCallIdle(bool idle) {
    if (m_frame)
        m_frame->SetCallIdle(idle);
}

void TFingWnd::callEnded(const net::CallOutcome& outcome) {
    if (!m_frame)
        return;
    // The outcome, and for an answer its size: what a listener cannot glance at.
    qsizetype lines = lineCount();
    if (lines > 0 && buffer().size() > 0 && buffer().at(buffer().size() - 1) == u'\n')
        --lines; // the line after the last line end holds nothing
    if (!outcome.answered() || buffer().size() == 0)
        m_frame->Announce(outcome.status);
    else
        m_frame->Announce(QStringLiteral("%1, %2 line%3")
                              .arg(outcome.status)
                              .arg(lines)
                              .arg(lines == 1 ? QString() : QStringLiteral("s")));
}

void TFingWnd::startRefused(const QString& why) {
    // Said as a call's outcome is: no message box comes, and the status bar alone is silent.
    if (m_frame)
        m_frame->Announce(why);
}

void TFingWnd::setCaptionSuffix(const QString& suffix) {
    if (m_frame)
        m_frame->SetCaptionSuffix(suffix);
}

void TFingWnd::clearText() {
    clearCommand();
    m_feed.restart();
}

void TFingWnd::refreshCaret() {
    // The caret follows the modified flag by itself; nothing is left to refresh.
}

void TFingWnd::setWaitCursor(bool wait) {
    // The arrow comes back at every ending of a call.
    viewport()->setCursor(wait ? Qt::WaitCursor : Qt::ArrowCursor);
}

void TFingWnd::showDnsInfo(const net::DNStransfer& result) {
    // Shown without a nested event loop: the window stays blocked for input while the dialog is
    // open, and a running call goes on filling the text.
    auto* dialog = new dialogs::DNS_Dialog(window(), res::DLG_DNSINFO, result);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this] { m_dnsLookup.infoClosed(); });
    dialog->open();
}

void TFingWnd::showDnsError(const QString& text) {
    QMessageBox* box = platform::openMessageBox(this, text, QStringLiteral("DNS lookup error"),
                                                QMessageBox::Critical);
    connect(box, &QDialog::finished, this, [this] { m_dnsLookup.infoClosed(); });
}

} // namespace view
