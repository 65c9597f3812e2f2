// SPDX-License-Identifier: MIT
#include "DnsLookup.h"
#include "net/engine/HostNames.h"
#include "net/engine/SocketErrorText.h"
#include "platform/SocketEvents.h"
#include "platform/WinsockErrors.h"

namespace net {

using namespace platform;

DnsLookup::DnsLookup(DnsInfoView& view, QObject* parent)
    : QObject(parent), m_view(view), m_lookups(this) {}

void DnsLookup::LookupHost(const QByteArray& host) {
    if (m_busy || host.isEmpty())
        return;
    const AsciiName ascii = asciiHost(host);
    setDnsBusy(true); // until the result or the error is closed
    if (!ascii.error.isEmpty()) {
        m_view.showDnsError(ascii.error);
        return;
    }
    const std::optional<HostAddress> typed = HostAddress::parse(ascii.name);
    m_request = typed ? m_lookups.getHostByAddr(WM_DNSREPLY, *typed)
                      : m_lookups.getHostByName(WM_DNSREPLY, ascii.name, true);
    if (m_request == 0) {
        m_view.setStatusText(SocketErrorText(WSAGetLastError()));
        setDnsBusy(false);
    }
}

bool DnsLookup::cancel() {
    if (m_request == 0)
        return false;
    m_lookups.cancel(m_request);
    m_request = 0;
    setDnsBusy(false);
    return true;
}

bool DnsLookup::event(QEvent* e) {
    if (static_cast<int>(e->type()) != WM_DNSREPLY)
        return QObject::event(e);
    EvDnsReply(static_cast<const HostLookupEvent&>(*e));
    return true;
}

void DnsLookup::EvDnsReply(const HostLookupEvent& reply) {
    if (reply.wParam != m_request || m_request == 0)
        return; // the reply of a cancelled look-up
    m_request = 0;
    int error = selectError(reply.lParam);
    if (error == 0 && reply.entry.addresses.isEmpty())
        error = WSANO_DATA;
    if (error != 0) {
        m_view.showDnsError(SocketErrorText(error)); // DnsBusy ends when the box is closed
        return;
    }
    DNStransfer result;
    // A name with international labels shows in both forms.
    result.HostName = QString::fromUtf8(reply.entry.officialName);
    const QString unicode = unicodeHost(reply.entry.officialName);
    if (unicode != result.HostName)
        result.HostName += QStringLiteral(" (") + unicode + QLatin1Char(')');
    result.Address = reply.entry.addresses.first().text();
    for (const HostAddress& address : reply.entry.addresses)
        result.Addresses.append(address.text());
    for (const QByteArray& alias : reply.entry.aliases)
        result.Aliases.append(QString::fromUtf8(alias));
    if (result.Aliases.isEmpty())
        result.Aliases.append(QStringLiteral("None"));
    m_view.showDnsInfo(result);
}

void DnsLookup::setDnsBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit stateChanged();
}

} // namespace net
