// SPDX-License-Identifier: MIT
#pragma once
// The DNS lookup command: a host's official name, aliases and addresses (or an address's name)
// from the system's resolver, looked up on a worker thread with a handle and message of its
// own, so it runs beside a finger or WhoIs call. DnsBusy lasts from the start until the user
// has closed the result or the error.

#include "platform/HostLookup.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace net {

// What the DNS info dialog shows: the official name, the aliases ("None" when there are none)
// and the first address in dotted form.
struct DNStransfer {
    QString HostName;
    QStringList Aliases;
    QString Address;
    QStringList Addresses = {}; // every address, in the resolver's order
};

// Where a look-up's result goes. The view calls DnsLookup::infoClosed() once the user has
// closed what it showed.
class DnsInfoView {
public:
    virtual ~DnsInfoView() = default;
    virtual void showDnsInfo(const DNStransfer& result) = 0;
    virtual void showDnsError(const QString& text) = 0;
    // A look-up that could not even start says why on the status bar.
    virtual void setStatusText(const QString& text) = 0;
};

class DnsLookup : public QObject {
    Q_OBJECT
public:
    explicit DnsLookup(DnsInfoView& view, QObject* parent = nullptr);

    void setResolver(platform::Resolver resolver) { m_lookups.setResolver(std::move(resolver)); }

    // Starts a look-up; nothing starts for an empty host or while DnsBusy.
    void LookupHost(const QByteArray& host);
    // Drops an outstanding look-up (its reply never arrives); false when there was none.
    bool cancel();
    void infoClosed() { setDnsBusy(false); }
    bool DnsBusy() const { return m_busy; }

signals:
    void stateChanged();

protected:
    bool event(QEvent* e) override;

private:
    void EvDnsReply(const platform::HostLookupEvent& reply);
    void setDnsBusy(bool busy);

    DnsInfoView& m_view;
    platform::AsyncHostLookup m_lookups;
    platform::HANDLE_T m_request = 0; // DnsRequest
    bool m_busy = false;
};

} // namespace net
