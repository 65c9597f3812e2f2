// SPDX-License-Identifier: MIT
#pragma once
// Asynchronous host look-ups. Each request runs the resolver on a worker thread of a bounded
// pool (joined when the program ends) and posts exactly one HostLookupEvent to the receiver,
// unless it was cancelled first. The window thread never waits for a look-up: a cancelled
// request, or one still running when its AsyncHostLookup is destroyed, finishes on its own and
// delivers nothing.

#include "HostEntry.h"
#include "SocketEvents.h"

#include <QObject>

#include <functional>
#include <memory>

namespace platform {

// The resolver in use; tests put their own in its place.
struct Resolver {
    std::function<LookupAnswer(const QByteArray& name)> byName;
    std::function<LookupAnswer(const HostAddress& address)> byAddress;
    // Asked only where aliases are shown (the DNS lookup command); may be empty.
    std::function<QList<QByteArray>(const QByteArray& name)> aliases;

    // getaddrinfo (every IPv4 and IPv6 address), gethostbyaddr_r (IPv4 and IPv6) and
    // gethostbyname_r for the aliases, which getaddrinfo does not report.
    static Resolver system();
};

class AsyncHostLookup {
public:
    // As many look-ups as run at once; more wait their turn.
    static constexpr int MaxThreads = 20;

    explicit AsyncHostLookup(QObject* receiver, Resolver resolver = Resolver::system());
    ~AsyncHostLookup();
    AsyncHostLookup(const AsyncHostLookup&) = delete;
    AsyncHostLookup& operator=(const AsyncHostLookup&) = delete;

    void setResolver(Resolver resolver) { m_resolver = std::move(resolver); }

    // Start a look-up whose reply is posted as an event of type message. Returns a non-zero
    // handle, never reused while the program runs.
    HANDLE_T getHostByName(int message, const QByteArray& name, bool withAliases = false);
    HANDLE_T getHostByAddr(int message, const HostAddress& address);

    // After this the request delivers nothing. False when it was not outstanding.
    bool cancel(HANDLE_T handle);

private:
    struct Shared;
    HANDLE_T start(int message, std::function<LookupAnswer()> work);

    std::shared_ptr<Shared> m_shared;
    Resolver m_resolver;
};

} // namespace platform
