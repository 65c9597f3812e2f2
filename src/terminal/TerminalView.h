// SPDX-License-Identifier: MIT
#pragma once
// A terminal in the window's place: the answer goes to standard output as the window would
// show it (decoded block by block, within the window's capacity, every control character as
// its code), the stages and the outcome to standard error, a line each (the running byte count
// aside). With a JSON report the answer's text is left out: the report carries the exchanges.

#include "JsonReport.h"
#include "net/dns/lookup/DnsLookup.h"
#include "net/engine/EngineView.h"
#include "view/ReplyFeed.h"

#include <cstdio>
#include <functional>
#include <optional>

namespace terminal {

class TerminalView : public net::EngineView, public net::DnsInfoView, view::ReplyFeed::Output {
public:
    TerminalView(std::FILE* out, std::FILE* err, JsonReport* report);

    // Called once the call or the look-up is over.
    std::function<void()> onEnded;
    // Called once, when standard output first fails to take what is written (its reader went
    // away, the disk is full); nothing more is written to either stream after it.
    std::function<void()> onOutputFailed;

    // Writes to standard output as it comes (a reader sees each block at once); the first
    // failure's errno, 0 while none.
    void writeOut(const QByteArray& bytes);
    void flushOut();
    int outputError() const { return m_outputError; }

    const std::optional<net::CallOutcome>& outcome() const { return m_outcome; }
    // The last status text: why nothing started, when nothing did.
    const QString& lastStatus() const { return m_lastStatus; }

    // EngineView
    void setStatusText(const QString& text) override;
    void setCallIdle(bool) override {}
    void setCaptionSuffix(const QString&) override {}
    void clearText() override { m_feed.restart(); }
    void appendText(const QString& text) override { m_feed.add(text); }
    void replyStarted() override { m_feed.startReply(); }
    void replyReceived(QByteArrayView bytes) override { m_feed.receive(bytes); }
    void replyEnded() override { m_feed.endReply(); }
    void refreshCaret() override {}
    void setWaitCursor(bool) override {}
    void callEnded(const net::CallOutcome& outcome) override;
    net::Transcript* transcript() override { return m_report; }

    // DnsInfoView
    void showDnsInfo(const net::DNStransfer& result) override;
    void showDnsError(const QString& text) override;

private:
    // ReplyFeed::Output
    void showText(const QString& text) override;
    void showCount(const QString&) override {}

    std::FILE* m_out;
    std::FILE* m_err;
    JsonReport* m_report;
    view::ReplyFeed m_feed{*this};
    void outputFailed();

    QString m_lastStatus;
    int m_outputError = 0;
    std::optional<net::CallOutcome> m_outcome;
};

} // namespace terminal
