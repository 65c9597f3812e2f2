// SPDX-License-Identifier: MIT
#pragma once
// The addresses of DNS servers typed by name ("dns.example.net", "tls://dns.example.net"),
// looked up all at once off the window's thread; a server typed as an address, the system
// resolver and the root need none.

#include "net/dns/records/DnsRequest.h"
#include "platform/HostLookup.h"

#include <QObject>

#include <functional>

namespace net {

struct ServerAddress {
    QByteArray address; // empty where the server needs none, or none was found
    QString error;      // why none was found
};

class ServerAddressLookup : public QObject {
public:
    ServerAddressLookup();

    // One entry a server, in the order given.
    std::function<void(const QList<ServerAddress>&)> onDone;

    void setResolver(platform::Resolver resolver) { m_lookup.setResolver(std::move(resolver)); }
    void start(const QList<DnsServer>& servers);
    void stop();

protected:
    bool event(QEvent* e) override;

private:
    void finishIfDone();

    platform::AsyncHostLookup m_lookup;
    QList<platform::HANDLE_T> m_handles; // one a server; 0 when done or none needed
    QList<ServerAddress> m_addresses;
    bool m_running = false;
};

} // namespace net
