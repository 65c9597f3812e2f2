// SPDX-License-Identifier: MIT
#include "QueryEngine.h"
#include "SocketErrorText.h"
#include "platform/WinsockErrors.h"

#include <arpa/inet.h>
#include <utility>

namespace net {

using namespace platform;

namespace {

QString hostText(const QByteArray& host) {
    return QString::fromUtf8(host);
}

} // namespace

QueryEngine::QueryEngine(EngineView& view, QObject* parent)
    : QObject(parent), m_view(view), m_lookups(this) {
    m_connector.onConnected = [this](SOCKET s, const HostAddress& address) {
        EvConnected(s, address);
    };
    m_connector.onFailed = [this](int error) { EvConnectFailed(error); };
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(ConnectTimerPeriod);
    connect(&m_connectTimer, &QTimer::timeout, this, &QueryEngine::EvConnectTimer);
    m_silenceTimer.setSingleShot(true);
    connect(&m_silenceTimer, &QTimer::timeout, this, &QueryEngine::EvSilenceTimer);
    m_totalTimer.setSingleShot(true);
    connect(&m_totalTimer, &QTimer::timeout, this, &QueryEngine::EvTotalTimer);
}

QueryEngine::~QueryEngine() {
    if (m_socket != INVALID_SOCKET)
        closesocket(m_socket);
}

void QueryEngine::setStatus(const QString& text) {
    m_status = text;
    m_view.setStatusText(text);
}

void QueryEngine::refuseStart(const QString& why) {
    setStatus(why);
    m_view.startRefused(why);
}

bool QueryEngine::beginCall(CallSession* session) {
    if (m_busy)
        return false;
    m_view.clearText();
    m_session = session;
    setBusy(true);
    m_view.setWaitCursor(true);
    setStatus(QString());
    m_view.setCallIdle(false);
    return true;
}

void QueryEngine::finishCall(const std::optional<QString>& status, const QString& caption,
                             Answer answer) {
    endCall();
    if (status)
        setStatus(*status);
    if (!caption.isEmpty())
        m_view.setCaptionSuffix(caption);
    m_view.refreshCaret();
    m_view.callEnded({answer, m_status});
}

void QueryEngine::runExchange(const Exchange& exchange) {
    m_silenceTimer.setInterval(exchange.silenceTimeoutMs);
    if (exchange.totalTimeoutMs > 0)
        m_totalTimer.start(exchange.totalTimeoutMs);
    m_bytesReceived = 0;
    m_recorded.clear();
    m_request = exchange.request;
    m_connectedTo.reset();
    m_view.replyStarted();
    setStatus(QStringLiteral("Getting service port"));

    auto port = m_services(m_request.Service, m_request.Protocol);
    if (exchange.port != 0)
        port = htons(exchange.port); // a referral named its own port
    if (!port) {
        // The classic service look-up reports a missing service as "no data".
        exchangeFailed(WSANO_DATA, SocketErrorText(WSANO_DATA));
        return;
    }
    m_port = *port;

    m_typedAddress = HostAddress::parse(m_request.Host);
    if (!m_typedAddress) {
        setStatus(QStringLiteral("Resolving address ") + hostText(m_request.Host));
        m_hostRequest = m_lookups.getHostByName(WM_HOSTRESOLVED, m_request.Host);
    } else {
        // A typed address is looked up in reverse first; the call then goes to the address
        // the host entry gives, or to the typed one when it has no name.
        setStatus(QStringLiteral("Looking up address ") + hostText(m_request.Host));
        m_hostRequest = m_lookups.getHostByAddr(WM_HOSTRESOLVED, *m_typedAddress);
    }
    if (m_hostRequest == 0) {
        const int error = WSAGetLastError();
        exchangeFailed(error, SocketErrorText(error));
    }
}

bool QueryEngine::event(QEvent* e) {
    switch (static_cast<int>(e->type())) {
    case WM_HOSTRESOLVED: EvHostResolved(static_cast<const HostLookupEvent&>(*e)); return true;
    case WM_SOCKETEVENT: {
        const auto& reply = static_cast<const AsyncReplyEvent&>(*e);
        EvSocketEvent(reply.wParam, reply.lParam);
        return true;
    }
    default: return QObject::event(e);
    }
}

void QueryEngine::EvHostResolved(const HostLookupEvent& reply) {
    if (reply.wParam != m_hostRequest || m_hostRequest == 0)
        return; // the reply of a call that has ended
    m_hostRequest = 0;

    int error = selectError(reply.lParam);
    QList<HostAddress> addresses = reply.entry.addresses;
    if (error == 0 && addresses.isEmpty())
        error = WSANO_DATA;
    if (error != 0 && m_typedAddress) {
        // An address needs no name to be connected to.
        error = 0;
        addresses = {*m_typedAddress};
    }
    if (error != 0) {
        exchangeFailed(error, SocketErrorText(error));
        return;
    }
    if (m_typedAddress && m_typedAddress->scopeId != 0)
        addresses = {*m_typedAddress}; // the zone typed is the one to use
    if (m_session)
        m_session->filterAddresses(addresses);
    if (addresses.isEmpty()) {
        endExchange(ExchangeResult::AddressRefused, 0, QString());
        return;
    }
    // One IPv4 address is named as the user typed it; where there is a choice, the status
    // says which address answered.
    m_nameTheAddress = addresses.size() > 1 || addresses.first().family != AF_INET;
    m_connectTimer.start();
    setStatus(QStringLiteral("Connecting to host ") + hostText(m_request.Host));
    m_connector.start(addresses, m_port);
}

void QueryEngine::EvConnected(SOCKET s, const HostAddress& address) {
    m_socket = s;
    m_connectedTo = address;
    m_connectTimer.stop();
    if (m_silenceTimer.interval() > 0)
        m_silenceTimer.start();
    setStatus(QStringLiteral("Connected to host ") +
              (m_nameTheAddress ? address.text() : hostText(m_request.Host)));
    if (WSAAsyncSelect(m_socket, this, WM_SOCKETEVENT, FD_READ | FD_WRITE | FD_CLOSE) ==
        SOCKET_ERROR) {
        exchangeFailed(WSAGetLastError(), QStringLiteral("Could not do async select"));
        return;
    }
    m_view.refreshCaret();
}

void QueryEngine::EvConnectFailed(int error) {
    // A refused connection or an unreachable network, for every address.
    exchangeFailed(error, SocketErrorText(error));
    m_view.refreshCaret();
}

void QueryEngine::EvSocketEvent(SOCKET s, std::uint32_t lParam) {
    if (s != m_socket || s == INVALID_SOCKET)
        return; // an event of a socket that has been closed

    if (const int error = selectError(lParam); error != 0) {
        // A refused connection, an unreachable network and a reset connection end here.
        exchangeFailed(error, SocketErrorText(error));
        return;
    }

    switch (selectEvent(lParam)) {
    case FD_READ: {
        int count = 0;
        const int pending = ReceiveBlock(&count);
        if (pending != 0 && pending != WSAEWOULDBLOCK) {
            exchangeFailed(pending,
                           QStringLiteral("Receive data error: ") + SocketErrorText(pending));
            return;
        }
        break;
    }
    case FD_WRITE:
        if (send(m_socket, m_request.RequestLine.constData(),
                 static_cast<int>(m_request.RequestLine.size())) == SOCKET_ERROR) {
            const int pending = WSAGetLastError();
            if (pending != WSAEWOULDBLOCK) {
                exchangeFailed(pending,
                               QStringLiteral("Send data error: ") + SocketErrorText(pending));
                return;
            }
        }
        break;
    case FD_CLOSE: {
        // Read whatever is still waiting, so nothing the server sent before closing is lost.
        int count = 0;
        while (ReceiveBlock(&count) == 0 && count > 0) {
        }
        m_view.replyEnded();
        endExchange(ExchangeResult::Closed, 0, QStringLiteral("Connection closed"));
        return;
    }
    default: break;
    }
    m_view.refreshCaret();
}

void QueryEngine::exchangeFailed(int error, const QString& status) {
    setStatus(status);
    endExchange(ExchangeResult::Failed, error, status);
    m_view.refreshCaret();
}

void QueryEngine::stopExchange() {
    m_connectTimer.stop();
    m_silenceTimer.stop();
    m_totalTimer.stop();
    if (m_hostRequest != 0) {
        m_lookups.cancel(m_hostRequest);
        m_hostRequest = 0;
    }
    closeSocket();
}

void QueryEngine::endExchange(ExchangeResult::Outcome outcome, int error, const QString& status,
                              bool overran) {
    stopExchange();
    if (Transcript* transcript = m_view.transcript()) {
        static const char* const names[] = {"closed", "failed", "timed out", "refused"};
        TranscriptExchange record;
        record.host = m_request.Host;
        record.address = m_connectedTo;
        record.port = ntohs(m_port);
        record.request = m_request.RequestLine;
        record.received = std::exchange(m_recorded, QByteArray());
        record.bytesReceived = m_bytesReceived;
        record.outcome = QString::fromLatin1(names[outcome]);
        record.status = status;
        transcript->exchange(record);
    }
    ExchangeResult result;
    result.outcome = outcome;
    result.error = error;
    result.status = status;
    result.address = m_connectedTo;
    result.bytes = m_bytesReceived;
    result.overran = overran;
    if (CallSession* session = m_session)
        session->exchangeEnded(result); // may start the next exchange at once
}

int QueryEngine::ReceiveBlock(int* count) {
    m_receiveBuffer.resize(ReceiveBlockSize);
    char* buffer = m_receiveBuffer.data();
    const int n = recv(m_socket, buffer, ReceiveBlockSize);
    *count = 0;
    if (n == SOCKET_ERROR)
        return WSAGetLastError();
    *count = n;
    m_bytesReceived += static_cast<quint64>(n);
    const QByteArrayView block(buffer, n);
    if (n > 0) {
        if (m_silenceTimer.isActive())
            m_silenceTimer.start(); // the server is still talking
        if (m_view.transcript() && m_recorded.size() < Transcript::MaxReceived)
            m_recorded +=
                block.first(std::min<qsizetype>(n, Transcript::MaxReceived - m_recorded.size()));
        if (m_session)
            m_session->received(block);
    }
    m_view.replyReceived(block);
    return 0;
}

void QueryEngine::EvConnectTimer() {
    setStatus(SocketErrorText(WSAETIMEDOUT));
    endExchange(ExchangeResult::TimedOut, WSAETIMEDOUT, SocketErrorText(WSAETIMEDOUT));
}

void QueryEngine::EvSilenceTimer() {
    setStatus(SocketErrorText(WSAETIMEDOUT));
    endExchange(ExchangeResult::TimedOut, WSAETIMEDOUT, SocketErrorText(WSAETIMEDOUT));
}

void QueryEngine::EvTotalTimer() {
    m_view.replyEnded(); // what came so far stays
    setStatus(SocketErrorText(WSAETIMEDOUT));
    endExchange(ExchangeResult::TimedOut, WSAETIMEDOUT, SocketErrorText(WSAETIMEDOUT), true);
}

void QueryEngine::CancelCall() {
    if (CallSession* session = std::exchange(m_session, nullptr))
        session->cancelled();
    // endCall goes idle before the text: going idle empties the status field when no call was
    // running (a DNS look-up alone), and "Call canceled" must stay.
    endCall();
    setStatus(QStringLiteral("Call canceled"));
    m_view.refreshCaret();
    m_view.callEnded({Answer::None, m_status});
}

void QueryEngine::endCall() {
    m_session = nullptr;
    stopExchange();
    setBusy(false);
    m_view.setWaitCursor(false);
    m_view.setCallIdle(true);
}

void QueryEngine::closeSocket() {
    m_connector.stop();
    if (m_socket == INVALID_SOCKET)
        return;
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
}

void QueryEngine::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit stateChanged();
}

} // namespace net
