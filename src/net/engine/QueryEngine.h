// SPDX-License-Identifier: MIT
#pragma once
// The life cycle of one exchange, never blocking the window thread:
//   startExchange    service port, then an asynchronous host look-up   (state Resolving)
//   EvHostResolved   the Connector tries every address, 45 s timer       (state Connecting)
//   EvConnected      select read/write/close on the socket that answered
//   EvSocketEvent    FD_WRITE: send the request line;
//                    FD_READ: ReceiveBlock; FD_CLOSE: "Connection closed" (state Connected)
// Every ending returns to Idle. Replies and socket events that belong to an exchange that has
// already ended carry a handle that is no longer current and are dropped.
//
// Every call is a CallSession: it begins a call, runs one exchange at a time and hears how
// each ended; the engine keeps busy, status, caption and Cancel, hands the reply's bytes to
// the view as they come, and knows nothing of what the session does between exchanges.

#include "CallSession.h"
#include "Connector.h"
#include "DataNet.h"
#include "EngineView.h"
#include "platform/AsyncSocket.h"
#include "platform/HostLookup.h"
#include "platform/Services.h"

#include <QObject>
#include <QTimer>

#include <optional>
#include <vector>

namespace net {

class QueryEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int ConnectTimerPeriod = 45000;
    // One read takes what the socket holds up to this much, so a large reply costs few rounds
    // through the event loop; the socket layer still hands over at most 4 ms of reads at once.
    static constexpr int ReceiveBlockSize = 64 * 1024;

    explicit QueryEngine(EngineView& view, QObject* parent = nullptr);
    ~QueryEngine() override;

    void setServiceLookup(platform::ServiceLookup lookup) { m_services = std::move(lookup); }
    void setResolver(platform::Resolver resolver) { m_lookups.setResolver(std::move(resolver)); }
    void setConnectTimeout(int ms) { m_connectTimer.setInterval(ms); }
    // Sees each connection attempt start (tests read the order of attempts from it).
    void setAttemptObserver(std::function<void(const platform::HostAddress&, int)> observer) {
        m_connector.onAttempt = std::move(observer);
    }

    // Ends the call, whatever stage it is in: "Call canceled".
    void CancelCall();

    bool Busy() const { return m_busy; }
    // The bytes received in the exchange under way, or in the last one.
    quint64 BytesReceived() const { return m_bytesReceived; }
    const DataNet& Request() const { return m_request; }

    // For sessions. beginCall clears the window and shows the call running; false when a call
    // runs already. runExchange starts one exchange of the call; its end reaches the
    // session's exchangeEnded. finishCall ends the call, with a status text (none: the one
    // shown stays), a caption (none: the plain caption) and how much of an answer came.
    bool beginCall(CallSession* session);
    void runExchange(const Exchange& exchange);
    void finishCall(const std::optional<QString>& status = std::nullopt,
                    const QString& caption = QString(), Answer answer = Answer::None);
    void setStatus(const QString& text);
    // A query that cannot start: why, on the status bar and told to whoever listens (a screen
    // reader hears it as it hears a call's outcome).
    void refuseStart(const QString& why);
    // Adds text below what the call has shown.
    void showText(const QString& text) { m_view.appendText(text); }
    EngineView& view() { return m_view; }

signals:
    // Busy changed.
    void stateChanged();

protected:
    bool event(QEvent* e) override;

private:
    void EvHostResolved(const platform::HostLookupEvent& reply);
    void EvSocketEvent(platform::SOCKET socket, std::uint32_t lParam);
    void EvConnected(platform::SOCKET s, const platform::HostAddress& address);
    void EvConnectFailed(int error);
    void EvConnectTimer();
    void EvSilenceTimer();
    void EvTotalTimer();
    int ReceiveBlock(int* count);

    // How an exchange ended; the session hears of it.
    void exchangeFailed(int error, const QString& status);
    void endExchange(ExchangeResult::Outcome outcome, int error, const QString& status,
                     bool overran = false);
    void endCall();
    // Stops the running exchange: its timers, its host look-up and its socket.
    void stopExchange();
    void closeSocket();
    void setBusy(bool busy);

    EngineView& m_view;
    QString m_status; // the last status text the engine or its session set
    platform::ServiceLookup m_services = platform::getServicePort;
    platform::AsyncHostLookup m_lookups;
    QTimer m_connectTimer; // ConnectTimer
    QTimer m_silenceTimer; // an exchange that hears nothing for too long
    QTimer m_totalTimer;   // an exchange that goes on for too long

    DataNet m_request;
    quint64 m_bytesReceived = 0; // a reply may well pass 4 GiB
    QByteArray m_recorded;       // the reply, kept for a transcript only
    std::vector<char> m_receiveBuffer;
    platform::SOCKET m_socket = platform::INVALID_SOCKET;
    platform::HANDLE_T m_hostRequest = 0;
    std::uint16_t m_port = 0;                            // network order
    std::optional<platform::HostAddress> m_typedAddress; // the host, when it was an address
    std::optional<platform::HostAddress> m_connectedTo;
    bool m_nameTheAddress = false;
    Connector m_connector;
    CallSession* m_session = nullptr; // the session the running call belongs to
    bool m_busy = false;
};

} // namespace net
