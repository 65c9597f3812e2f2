// SPDX-License-Identifier: MIT
#include "Connector.h"
#include "platform/SocketEvents.h"
#include "platform/WinsockErrors.h"

#include <algorithm>

namespace net {

using namespace platform;

Connector::Connector() {
    m_delay.setSingleShot(true);
    m_delay.setInterval(AttemptDelayMs);
    connect(&m_delay, &QTimer::timeout, this, &Connector::startNext);
}

Connector::~Connector() {
    stop();
}

QList<HostAddress> Connector::interleaveFamilies(const QList<HostAddress>& addresses) {
    if (addresses.isEmpty())
        return {};
    const int first = addresses.first().family;
    QList<HostAddress> preferred;
    QList<HostAddress> other;
    for (const HostAddress& address : addresses)
        (address.family == first ? preferred : other).append(address);
    QList<HostAddress> order;
    order.reserve(addresses.size());
    for (qsizetype i = 0; i < std::max(preferred.size(), other.size()); ++i) {
        if (i < preferred.size())
            order.append(preferred[i]);
        if (i < other.size())
            order.append(other[i]);
    }
    return order;
}

void Connector::start(QList<HostAddress> addresses, std::uint16_t portNetworkOrder) {
    stop();
    m_addresses = interleaveFamilies(addresses);
    m_port = portNetworkOrder;
    m_next = 0;
    m_lastFailedIndex = -1;
    m_lastError = WSANO_DATA; // no address at all
    startNext();
}

void Connector::stop() {
    m_delay.stop();
    for (const Attempt& attempt : m_attempts)
        closesocket(attempt.socket);
    m_attempts.clear();
    m_next = m_addresses.size();
}

void Connector::startNext() {
    // An address that fails at once (no route, no such family) hands on to the next at once.
    while (m_next < m_addresses.size()) {
        const qsizetype index = m_next++;
        const HostAddress& address = m_addresses[index];
        const SOCKET s = socket(address.family);
        if (s == INVALID_SOCKET) {
            failedAt(index, WSAGetLastError());
            continue;
        }
        socklen_t length = 0;
        const sockaddr_storage target = address.socketAddress(m_port, &length);
        if (WSAAsyncSelect(s, this, WM_SOCKETEVENT, FD_CONNECT) == SOCKET_ERROR ||
            (platform::connect(s, reinterpret_cast<const sockaddr*>(&target), length) ==
                 SOCKET_ERROR &&
             WSAGetLastError() != WSAEWOULDBLOCK)) {
            const int error = WSAGetLastError();
            closesocket(s);
            failedAt(index, error);
            continue;
        }
        if (onAttempt)
            onAttempt(address, int(m_attempts.size()));
        m_attempts.push_back({s, index});
        if (m_next < m_addresses.size())
            m_delay.start();
        return;
    }
    finishIfAllFailed();
}

bool Connector::event(QEvent* e) {
    if (static_cast<int>(e->type()) != WM_SOCKETEVENT)
        return QObject::event(e);
    const auto& reply = static_cast<const AsyncReplyEvent&>(*e);
    const auto found = std::find_if(m_attempts.begin(), m_attempts.end(),
                                    [&](const Attempt& a) { return a.socket == reply.wParam; });
    if (found == m_attempts.end() || selectEvent(reply.lParam) != FD_CONNECT)
        return true; // an attempt already closed
    const Attempt attempt = *found;
    m_attempts.erase(found);
    if (const int error = selectError(reply.lParam); error != 0) {
        closesocket(attempt.socket);
        failedAt(attempt.index, error);
        if (m_next < m_addresses.size()) {
            m_delay.stop();
            startNext(); // a failure need not wait for the delay
        } else {
            finishIfAllFailed();
        }
        return true;
    }
    // The winner: the others are closed, and the socket goes to the caller.
    const HostAddress address = m_addresses[attempt.index];
    WSAAsyncSelect(attempt.socket, this, WM_SOCKETEVENT, 0);
    stop();
    if (onConnected)
        onConnected(attempt.socket, address);
    return true;
}

void Connector::failedAt(qsizetype index, int error) {
    if (index >= m_lastFailedIndex) {
        m_lastFailedIndex = index;
        m_lastError = error;
    }
}

void Connector::finishIfAllFailed() {
    if (!m_attempts.empty() || m_next < m_addresses.size())
        return;
    m_delay.stop();
    if (onFailed)
        onFailed(m_lastError);
}

} // namespace net
