// SPDX-License-Identifier: MIT
#pragma once
// The output window: a read-only, unwrapped text that shows everything a query returns, with
// the query engine behind it. Received text always goes to the end of the text; the user's
// selection stays, and the view follows the end only while the user has not scrolled away.
// The text side is TextView; this class adds the engine's operations and reports.

#include "app/RequestRecords.h"
#include "net/dns/lookup/DnsLookup.h"
#include "net/dns/records/DnsRecordsSession.h"
#include "net/engine/PlainCall.h"
#include "net/engine/QueryEngine.h"
#include "net/rdap/RdapLookup.h"
#include "net/whois/WhoisSession.h"
#include "view/FrameOps.h"
#include "view/ReplyFeed.h"
#include "view/TextView.h"

namespace view {

class TFingWnd : public TextView,
                 public net::EngineView,
                 public net::DnsInfoView,
                 private ReplyFeed::Output {
    Q_OBJECT
public:
    explicit TFingWnd(QWidget* parent = nullptr);

    void setFrame(FrameOps* frame) { m_frame = frame; }
    net::QueryEngine& engine() { return m_engine; }
    net::WhoisSession& whois() { return m_whois; }
    net::RdapLookup& rdap() { return m_rdap; }
    net::DnsRecordsSession& dnsRecords() { return m_records; }

    void Finger(const AddrInfo& info);
    void Whois(const WhoisInfo& info);
    void LookupHost(const QString& host);
    void DnsRecords(const net::DnsRecordsRequest& request) { m_records.start(request); }
    // Ends whatever is outstanding: the call and the DNS look-up.
    void CancelCall();
    bool Busy() const { return m_engine.Busy(); }
    bool DnsBusy() const { return m_dnsLookup.DnsBusy(); }
    // Where every look-up of this window resolves names (tests give their own).
    void setResolver(const platform::Resolver& resolver);

    // Asks before closing while a call runs; false keeps the window and the call.
    bool CloseGuard();

    // The most text one call may put in the window.
    void setCapacity(qsizetype characters) { m_feed.setCapacity(characters); }

    // The window holds received text (the edit control's modified flag).
    bool holdsText() const { return isModified(); }

    // The Clear command: empty text, plain caption, no caret.
    void clearCommand();
    void selectAllText();
    // Select All, in the menu and the view's own context menu alike: text and no call.
    bool selectAllAllowed() const override { return holdsText() && !Busy(); }

    // EngineView
    void setStatusText(const QString& text) override;
    void setCallIdle(bool idle) override;
    void setCaptionSuffix(const QString& suffix) override;
    void clearText() override;
    void appendText(const QString& text) override { m_feed.add(text); }
    void replyStarted() override { m_feed.startReply(); }
    void replyReceived(QByteArrayView bytes) override { m_feed.receive(bytes); }
    void replyEnded() override { m_feed.endReply(); }
    void refreshCaret() override;
    void setWaitCursor(bool wait) override;
    void callEnded(const net::CallOutcome& outcome) override;
    void startRefused(const QString& why) override;

    // DnsInfoView
    void showDnsInfo(const net::DNStransfer& result) override;
    void showDnsError(const QString& text) override;

signals:
    // Something the command enablers read has changed: Busy, DnsBusy, text or selection.
    void commandStateChanged();

private:
    // ReplyFeed::Output
    void showText(const QString& text) override { append(text); }
    void showLatin1Text(QLatin1StringView text) override { appendLatin1(text); }
    void showCount(const QString& status) override { setStatusText(status); }

    FrameOps* m_frame = nullptr;
    ReplyFeed m_feed{*this};
    net::QueryEngine m_engine;
    net::DnsLookup m_dnsLookup{*this};
    net::PlainCall m_finger{m_engine};
    net::RdapLookup m_rdap;
    net::WhoisSession m_whois{m_engine};
    net::DnsRecordsSession m_records{m_engine};
};

} // namespace view
