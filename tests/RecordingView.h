// SPDX-License-Identifier: MIT
#pragma once
// A stand-in window for the query engine and the DNS look-up that records everything they show.

#include "net/dns/lookup/DnsLookup.h"
#include "net/engine/EngineView.h"
#include "net/engine/QueryEngine.h"
#include "net/engine/Transcript.h"
#include "view/ReplyFeed.h"

#include <QJsonObject>
#include <QStringList>

struct RecordingView : net::EngineView, net::DnsInfoView, view::ReplyFeed::Output {
    QStringList statuses;
    QString text;
    QString caption;
    QList<bool> idleCalls;
    bool waitCursor = false;
    int clears = 0;
    QList<net::CallOutcome> outcomes;
    QList<net::DNStransfer> dnsResults;
    QStringList dnsErrors;
    net::DnsLookup* dnsLookup = nullptr;
    bool closeDnsInfoAtOnce = true;
    // Reply bytes become text and counts as they do in the window.
    view::ReplyFeed feed{*this};

    QString status() const { return statuses.isEmpty() ? QString() : statuses.last(); }

    void setStatusText(const QString& t) override { statuses.append(t); }
    void setCallIdle(bool idle) override { idleCalls.append(idle); }
    void setCaptionSuffix(const QString& suffix) override { caption = suffix; }
    void clearText() override {
        text.clear();
        caption.clear();
        ++clears;
        feed.restart();
    }
    void appendText(const QString& t) override { feed.add(t); }
    void replyStarted() override { feed.startReply(); }
    void replyReceived(QByteArrayView bytes) override { feed.receive(bytes); }
    void replyEnded() override { feed.endReply(); }
    void showText(const QString& t) override { text += t; }
    void showCount(const QString& status) override { statuses.append(status); }
    void refreshCaret() override {}
    void setWaitCursor(bool wait) override { waitCursor = wait; }
    void callEnded(const net::CallOutcome& outcome) override { outcomes.append(outcome); }
    void showDnsInfo(const net::DNStransfer& result) override {
        dnsResults.append(result);
        if (closeDnsInfoAtOnce && dnsLookup)
            dnsLookup->infoClosed();
    }
    void showDnsError(const QString& t) override {
        dnsErrors.append(t);
        if (closeDnsInfoAtOnce && dnsLookup)
            dnsLookup->infoClosed();
    }
};

// A window that keeps a record, as a script's run does.
struct RecordingTranscriptView : RecordingView, net::Transcript {
    QJsonObject records;
    net::Transcript* transcript() override { return this; }
    void exchange(const net::TranscriptExchange&) override {}
    void httpAnswer(const QString&, const QUrl&, int, const QByteArray&) override {}
    void record(const QString& name, const QJsonValue& value) override {
        records.insert(name, value);
    }
};
