// SPDX-License-Identifier: MIT
#pragma once
// The connecting stage of a call, in the manner of RFC 8305 ("Happy Eyeballs"): the host's
// addresses are tried in the resolver's order with the families interleaved (the first
// address's family, then the other, then the first again: section 4), the next one when the
// one before fails or has not answered within 250 ms, so a dead first address costs a quarter of a
// second instead of the whole time-out. The first connection that succeeds is handed over and the
// others are closed; when every address has failed, the error of the last address tried is
// reported. The caller's own timer bounds the whole stage.

#include "platform/AsyncSocket.h"
#include "platform/HostEntry.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

namespace net {

class Connector : public QObject {
public:
    static constexpr int AttemptDelayMs = 250;

    Connector();
    ~Connector() override;

    // Called once per start: with the connected socket, which the callee then owns and selects
    // for its own events, or with the error that ended the last attempt.
    std::function<void(platform::SOCKET, const platform::HostAddress&)> onConnected;
    std::function<void(int error)> onFailed;
    // Each attempt as it starts, with how many earlier attempts are still waiting.
    std::function<void(const platform::HostAddress&, int stillPending)> onAttempt;

    // The addresses in the order they are tried.
    static QList<platform::HostAddress>
    interleaveFamilies(const QList<platform::HostAddress>& addresses);

    void start(QList<platform::HostAddress> addresses, std::uint16_t portNetworkOrder);
    // Closes every attempt; nothing is reported afterwards.
    void stop();

protected:
    bool event(QEvent* e) override;

private:
    struct Attempt {
        platform::SOCKET socket;
        qsizetype index; // in m_addresses
    };
    void startNext();
    void failedAt(qsizetype index, int error);
    void finishIfAllFailed();

    QList<platform::HostAddress> m_addresses;
    std::uint16_t m_port = 0;
    qsizetype m_next = 0;
    std::vector<Attempt> m_attempts;
    QTimer m_delay;
    qsizetype m_lastFailedIndex = -1;
    int m_lastError = 0;
};

} // namespace net
