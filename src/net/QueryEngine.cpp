// SPDX-License-Identifier: MIT
#include "QueryEngine.h"
#include "HostNames.h"
#include "SocketErrorText.h"
#include "platform/WinsockErrors.h"

#include <arpa/inet.h>
#include <charconv>
#include <iterator>

namespace net {

using namespace platform;

namespace {

QString hostText(const QByteArray& host) {
    return QString::fromUtf8(host);
}

} // namespace

QueryEngine::QueryEngine(EngineView& view, QObject* parent)
    : QObject(parent), m_view(view), m_lookups(this) {
    m_rdap.onStatus = [this](const QString& status) { m_view.setStatusText(status); };
    m_rdap.onText = [this](const QString& text) {
        QString shown = text;
        showText(shown);
        if (m_busy && !m_rdap.busy()) { // not after a failure, which has ended the call
            endCall();
            m_view.setStatusText(QStringLiteral("RDAP answer received"));
            m_view.setCaptionSuffix(m_rdap.server());
        }
        m_view.refreshCaret();
    };
    m_rdap.onFailed = [this](const QString& message) {
        endCall();
        m_view.setStatusText(message);
        m_view.refreshCaret();
    };
    m_connector.onConnected = [this](SOCKET s, const HostAddress& address) {
        EvConnected(s, address);
    };
    m_connector.onFailed = [this](int error) { EvConnectFailed(error); };
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(ConnectTimerPeriod);
    connect(&m_connectTimer, &QTimer::timeout, this, &QueryEngine::EvConnectTimer);
}

QueryEngine::~QueryEngine() {
    if (m_socket != INVALID_SOCKET)
        closesocket(m_socket);
}

void QueryEngine::Finger(const QByteArray& address, int fullInfo) {
    if (address.isEmpty() || m_busy)
        return;
    // Hosts typed in Unicode go out in their ASCII form, IPv6 addresses without brackets; the
    // caption keeps what was typed.
    const AsciiName ascii = asciiFingerAddress(address);
    if (!ascii.error.isEmpty()) {
        m_view.setStatusText(ascii.error);
        return;
    }
    DataNet request = fingerRequest(ascii.name, fullInfo);
    request.QueryText = address;
    StartCall(std::move(request));
}

void QueryEngine::Whois(const QByteArray& server, const QByteArray& query, WhoisMode mode) {
    if ((server.isEmpty() && !mode.automatic) || m_busy)
        return;
    const AsciiName ascii = mode.automatic ? AsciiName{} : asciiHost(server);
    if (!ascii.error.isEmpty()) {
        m_view.setStatusText(ascii.error);
        return;
    }
    m_chain.reset();
    // A server typed as an RDAP base URL is asked over RDAP.
    if (!mode.automatic && (server.startsWith("https://") || server.startsWith("http://"))) {
        startRdap(query, QUrl(QString::fromUtf8(server)));
        return;
    }
    if (mode.automatic || mode.followReferrals) {
        // A domain typed in Unicode is asked for in its ASCII form where servers are chosen
        // for the query; a named server without referrals gets the bytes as typed.
        const AsciiName domain = query.contains(' ') ? AsciiName{query, {}} : asciiHost(query);
        if (!domain.error.isEmpty()) {
            m_view.setStatusText(domain.error);
            return;
        }
        m_chain.emplace(ascii.name, domain.name, mode.followReferrals);
        startHop(m_chain->first(), false);
        return;
    }
    DataNet request = whoisRequest(ascii.name, query);
    request.QueryText = server;
    StartCall(std::move(request));
}

void QueryEngine::startHop(const WhoisChain::Hop& hop, bool continuing) {
    DataNet request = whoisRequest(hop.server, hop.query);
    m_hopPort = hop.port;
    StartCall(std::move(request), continuing);
}

void QueryEngine::StartCall(DataNet request, bool continuing) {
    m_bytesReceived = 0;
    if (!continuing) { // a referral's answer goes below the one before
        m_view.clearText();
        m_windowChars = 0;
        m_windowFull = false;
    }
    m_request = std::move(request);
    m_replyText = ReplyText();

    setBusy(true);
    m_view.setWaitCursor(true);
    m_view.setStatusText(QString());
    m_view.setCallIdle(false);
    m_view.setStatusText(QStringLiteral("Getting service port"));

    auto port = m_services(m_request.Service, m_request.Protocol);
    if (m_chain && m_hopPort != 0)
        port = htons(m_hopPort); // a referral named its own port
    if (!port) {
        // The classic service look-up reports a missing service as "no data".
        WSASetLastError(WSANO_DATA);
        ShowLastSocketError();
        endCall();
        return;
    }
    m_port = *port;

    m_typedAddress = HostAddress::parse(m_request.Host);
    if (!m_typedAddress) {
        m_view.setStatusText(QStringLiteral("Resolving address ") + hostText(m_request.Host));
        m_hostRequest = m_lookups.getHostByName(WM_HOSTRESOLVED, m_request.Host);
    } else {
        // A typed address is looked up in reverse first; the call then goes to the address
        // the host entry gives, or to the typed one when it has no name.
        m_view.setStatusText(QStringLiteral("Looking up address ") + hostText(m_request.Host));
        m_hostRequest = m_lookups.getHostByAddr(WM_HOSTRESOLVED, *m_typedAddress);
    }
    if (m_hostRequest == 0) {
        ShowLastSocketError();
        endCall();
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
    case WM_DNSREPLY: EvDnsReply(static_cast<const HostLookupEvent&>(*e)); return true;
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
        m_view.setStatusText(SocketErrorText(error));
        if (!fallBackToRdap())
            endCall();
        return;
    }
    // One IPv4 address is named as the user typed it; where there is a choice, the status
    // says which address answered.
    m_nameTheAddress = addresses.size() > 1 || addresses.first().family != AF_INET;
    m_connectTimer.start();
    m_view.setStatusText(QStringLiteral("Connecting to host ") + hostText(m_request.Host));
    m_connector.start(addresses, m_port);
}

void QueryEngine::EvConnected(SOCKET s, const HostAddress& address) {
    m_socket = s;
    m_connectTimer.stop();
    m_view.setStatusText(QStringLiteral("Connected to host ") +
                         (m_nameTheAddress ? address.text() : hostText(m_request.Host)));
    if (WSAAsyncSelect(m_socket, this, WM_SOCKETEVENT, FD_READ | FD_WRITE | FD_CLOSE) ==
        SOCKET_ERROR) {
        m_view.setStatusText(QStringLiteral("Could not do async select"));
        endCall();
    }
    m_view.refreshCaret();
}

void QueryEngine::EvConnectFailed(int error) {
    // A refused connection or an unreachable network, for every address.
    m_view.setStatusText(SocketErrorText(error));
    if (!fallBackToRdap())
        endCall();
    m_view.refreshCaret();
}

bool QueryEngine::isDomainName(const QByteArray& query) {
    const QByteArray name = query.trimmed();
    return name.contains('.') && !name.contains(' ') && !HostAddress::parse(name) &&
           !name.contains('/');
}

bool QueryEngine::fallBackToRdap() {
    // The automatic choice found no WhoIs server, or one that refuses or does not resolve:
    // the registry may answer over RDAP only.
    if (!m_chain || !m_chain->automatic() || !isDomainName(m_chain->query()))
        return false;
    const QByteArray query = m_chain->query();
    QString line = QStringLiteral("\n--- RDAP ---\n");
    showText(line);
    startRdap(query, QUrl(), true);
    return true;
}

void QueryEngine::startRdap(const QByteArray& query, const QUrl& base, bool continuing) {
    const AsciiName domain = asciiHost(query.trimmed());
    if (!domain.error.isEmpty()) {
        m_view.setStatusText(domain.error);
        if (continuing)
            endCall();
        return;
    }
    m_chain.reset();
    m_connector.stop();
    closeSocket();
    m_connectTimer.stop();
    if (!continuing) {
        m_view.clearText();
        m_windowChars = 0;
        m_windowFull = false;
        setBusy(true);
        m_view.setWaitCursor(true);
        m_view.setStatusText(QString());
        m_view.setCallIdle(false);
    }
    m_rdap.lookUp(domain.name, base);
}

void QueryEngine::EvSocketEvent(SOCKET s, std::uint32_t lParam) {
    if (s != m_socket || s == INVALID_SOCKET)
        return; // an event of a socket that has been closed

    if (const int error = selectError(lParam); error != 0) {
        // A refused connection, an unreachable network and a reset connection end here.
        m_view.setStatusText(SocketErrorText(error));
        endCall();
        return;
    }

    int pending = 0;
    switch (selectEvent(lParam)) {
    case FD_READ: {
        int count = 0;
        pending = ReceiveBlock(&count);
        break;
    }
    case FD_WRITE:
        if (send(m_socket, m_request.RequestLine.constData(),
                 static_cast<int>(m_request.RequestLine.size())) == SOCKET_ERROR) {
            pending = WSAGetLastError();
            if (pending != WSAEWOULDBLOCK)
                m_view.setStatusText(QStringLiteral("Send data error: ") +
                                     SocketErrorText(pending));
        }
        break;
    case FD_CLOSE: {
        // Read whatever is still waiting, so nothing the server sent before closing is lost.
        int count = 0;
        while (ReceiveBlock(&count) == 0 && count > 0) {
        }
        QString rest = m_replyText.finish();
        showText(rest);
        if (m_chain) {
            const std::optional<WhoisChain::Hop> hop = m_chain->next();
            if (!hop && m_chain->noWhoisServer() && fallBackToRdap())
                break; // the registry has no WhoIs: RDAP answers instead
            if (hop) {
                // The next server's answer follows, under a line that says where it comes from.
                closeSocket();
                QString referral = QStringLiteral("\n--- referral to %1 ---\n")
                                       .arg(QString::fromLatin1(hop->server));
                showText(referral);
                startHop(*hop, true);
                break;
            }
            m_request.QueryText = m_chain->lastServer();
        }
        endCall();
        m_view.setStatusText(QStringLiteral("Connection closed"));
        m_view.setCaptionSuffix(QString::fromUtf8(m_request.QueryText));
        break;
    }
    default: break;
    }
    if (pending != 0 && pending != WSAEWOULDBLOCK)
        endCall();
    m_view.refreshCaret();
}

int QueryEngine::ReceiveBlock(int* count) {
    m_receiveBuffer.resize(ReceiveBlockSize);
    char* buffer = m_receiveBuffer.data();
    const int n = recv(m_socket, buffer, ReceiveBlockSize);
    *count = 0;
    if (n == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            m_view.setStatusText(QStringLiteral("Receive data error: ") + SocketErrorText(error));
        return error;
    }
    *count = n;
    m_bytesReceived += static_cast<quint64>(n);
    if (n > 0) {
        m_blockText.resize(0);
        m_replyText.convertInto(buffer, n, m_blockText);
        showText(m_blockText);
    }
    showReceivedCount();
    return 0;
}

void QueryEngine::showText(QString& text) {
    if (m_chain)
        m_chain->addText(text);
    if (m_windowFull || text.isEmpty())
        return;
    const qsizetype room = m_windowCapacity - m_windowChars;
    if (text.size() > room) {
        qsizetype cut = room;
        // Never leave half of a surrogate pair at the end.
        if (cut > 0 && text[cut - 1].isHighSurrogate())
            --cut;
        text.truncate(cut);
        m_windowFull = true;
    }
    m_windowChars += text.size();
    if (!text.isEmpty())
        m_view.appendText(text);
}

void writeReceivedCount(quint64 bytes, bool windowFull, QString& out) {
    // Written into a string kept by the caller, so that a block costs no allocation here
    // (QString::setNum would make a new string each time).
    char digits[24];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), bytes);
    out.resize(0);
    out += QLatin1StringView(digits, written.ptr);
    out += QStringView(windowFull ? u" bytes received, window full" : u" bytes received");
}

void QueryEngine::showReceivedCount() {
    writeReceivedCount(m_bytesReceived, m_windowFull, m_countText);
    m_view.setStatusText(m_countText);
}

void QueryEngine::EvConnectTimer() {
    CancelCall();
    WSASetLastError(WSAETIMEDOUT);
    ShowLastSocketError();
}

void QueryEngine::CancelCall() {
    if (m_dnsRequest != 0) {
        m_lookups.cancel(m_dnsRequest);
        m_dnsRequest = 0;
        setDnsBusy(false);
    }
    // endCall goes idle before the text: going idle empties the status field when no call was
    // running (a DNS look-up alone), and "Call canceled" must stay.
    endCall();
    m_view.setStatusText(QStringLiteral("Call canceled"));
    m_view.refreshCaret();
}

void QueryEngine::endCall() {
    m_chain.reset(); // a cancel or a failure ends the whole chain
    m_rdap.cancel();
    m_connectTimer.stop();
    if (m_hostRequest != 0) {
        m_lookups.cancel(m_hostRequest);
        m_hostRequest = 0;
    }
    closeSocket();
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

void QueryEngine::ShowLastSocketError() {
    m_view.setStatusText(SocketErrorText(WSAGetLastError()));
}

void QueryEngine::LookupHost(const QByteArray& host) {
    if (m_dnsBusy || host.isEmpty())
        return;
    const AsciiName ascii = asciiHost(host);
    setDnsBusy(true); // until the result or the error is closed
    if (!ascii.error.isEmpty()) {
        m_view.showDnsError(ascii.error);
        return;
    }
    const std::optional<HostAddress> typed = HostAddress::parse(ascii.name);
    m_dnsRequest = typed ? m_lookups.getHostByAddr(WM_DNSREPLY, *typed)
                         : m_lookups.getHostByName(WM_DNSREPLY, ascii.name);
    if (m_dnsRequest == 0) {
        ShowLastSocketError();
        setDnsBusy(false);
    }
}

void QueryEngine::EvDnsReply(const HostLookupEvent& reply) {
    if (reply.wParam != m_dnsRequest || m_dnsRequest == 0)
        return; // the reply of a cancelled look-up
    m_dnsRequest = 0;
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

void QueryEngine::dnsInfoClosed() {
    setDnsBusy(false);
}

void QueryEngine::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit stateChanged();
}

void QueryEngine::setDnsBusy(bool busy) {
    if (m_dnsBusy == busy)
        return;
    m_dnsBusy = busy;
    emit stateChanged();
}

} // namespace net
