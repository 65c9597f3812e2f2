// SPDX-License-Identifier: MIT
#include "ServerAddressLookup.h"
#include "net/engine/SocketErrorText.h"
#include "platform/SocketEvents.h"
#include "platform/WinsockErrors.h"

#include <algorithm>

namespace net {

ServerAddressLookup::ServerAddressLookup() : m_lookup(this) {}

void ServerAddressLookup::start(const QList<DnsServer>& servers) {
    stop();
    m_running = true;
    m_addresses = QList<ServerAddress>(servers.size());
    m_handles = QList<platform::HANDLE_T>(servers.size(), 0);
    for (qsizetype i = 0; i < servers.size(); ++i) {
        const DnsServer& server = servers[i];
        const bool named = (server.kind == DnsServer::Forwarder || server.kind == DnsServer::Tls) &&
                           !platform::HostAddress::parse(server.host);
        if (named)
            m_handles[i] = m_lookup.getHostByName(platform::WM_HOSTRESOLVED, server.host);
        else
            m_addresses[i].address = server.host;
    }
    // Told from the event loop also when nothing needed looking up.
    QMetaObject::invokeMethod(this, &ServerAddressLookup::finishIfDone, Qt::QueuedConnection);
}

void ServerAddressLookup::stop() {
    for (const platform::HANDLE_T handle : m_handles)
        if (handle != 0)
            m_lookup.cancel(handle);
    m_handles.clear();
    m_running = false;
}

bool ServerAddressLookup::event(QEvent* e) {
    if (e->type() != QEvent::Type(platform::WM_HOSTRESOLVED))
        return QObject::event(e);
    const auto& reply = static_cast<const platform::HostLookupEvent&>(*e);
    const qsizetype index = m_handles.indexOf(reply.wParam);
    if (index < 0 || reply.wParam == 0)
        return true; // a look-up of a search that has ended
    m_handles[index] = 0;
    int error = platform::selectError(reply.lParam);
    if (error == 0 && reply.entry.addresses.isEmpty())
        error = platform::WSANO_DATA;
    if (error != 0)
        m_addresses[index].error = SocketErrorText(error);
    else
        m_addresses[index].address = reply.entry.addresses.first().text().toLatin1();
    finishIfDone();
    return true;
}

void ServerAddressLookup::finishIfDone() {
    if (!m_running ||
        std::any_of(m_handles.begin(), m_handles.end(), [](platform::HANDLE_T h) { return h; }))
        return;
    m_running = false;
    if (onDone)
        onDone(m_addresses);
}

} // namespace net
