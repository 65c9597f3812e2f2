// SPDX-License-Identifier: MIT
#pragma once
// The finger and WhoIs call engine. A call runs without ever blocking the window thread:
//   StartCall        service port, then an asynchronous host look-up   (state Resolving)
//   EvHostResolved   the Connector tries every address, 45 s timer       (state Connecting)
//   EvConnected      select read/write/close on the socket that answered
//   EvSocketEvent    FD_WRITE: send the request line;
//                    FD_READ: ReceiveBlock; FD_CLOSE: "Connection closed" (state Connected)
// Every ending returns to Idle. Replies and socket events that belong to a call that has
// already ended carry a handle that is no longer current and are dropped.
// The DNS command's look-up runs beside a call with its own handle and message.

#include "Connector.h"
#include "DataNet.h"
#include "EngineView.h"
#include "RdapClient.h"
#include "ReplyText.h"
#include "WhoisChain.h"
#include "platform/AsyncSocket.h"
#include "platform/HostLookup.h"
#include "platform/Services.h"

#include <QObject>
#include <QTimer>

#include <optional>
#include <vector>

namespace net {

// The status text of a running call's count: "N bytes received", and ", window full" once the
// window holds all it can. N counts in 64 bits: a long reply passes 4 GiB.
void writeReceivedCount(quint64 bytes, bool windowFull, QString& out);

// How a WhoIs query finds its server: automatic asks the root registry first (the server given
// is then ignored), followReferrals goes on to the servers the answers refer to.
struct WhoisMode {
    bool automatic = false;
    bool followReferrals = false;
};

class QueryEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int ConnectTimerPeriod = 45000;
    // One read takes what the socket holds up to this much, so a large reply costs few rounds
    // through the event loop; the socket layer still hands over at most 4 ms of reads at once.
    static constexpr int ReceiveBlockSize = 64 * 1024;
    // The most text the window is given; beyond it the call only counts bytes.
    static constexpr qsizetype DefaultWindowCapacity = qsizetype(64) * 1024 * 1024;

    explicit QueryEngine(EngineView& view, QObject* parent = nullptr);
    ~QueryEngine() override;

    void setServiceLookup(platform::ServiceLookup lookup) { m_services = std::move(lookup); }
    void setResolver(platform::Resolver resolver) { m_lookups.setResolver(std::move(resolver)); }
    void setConnectTimeout(int ms) { m_connectTimer.setInterval(ms); }
    void setWindowCapacity(qsizetype characters) { m_windowCapacity = characters; }
    RdapClient& rdap() { return m_rdap; } // for its bootstrap, cache and certificates

    // Start a call; an empty address or server, or a call already running, starts nothing.
    void Finger(const QByteArray& address, int fullInfo);
    void Whois(const QByteArray& server, const QByteArray& query, WhoisMode mode = {});
    void LookupHost(const QByteArray& host);
    // Ends whatever is outstanding: the call and the DNS look-up.
    void CancelCall();
    void dnsInfoClosed();

    bool Busy() const { return m_busy; }
    bool DnsBusy() const { return m_dnsBusy; }
    quint64 BytesReceived() const { return m_bytesReceived; }
    const DataNet& Request() const { return m_request; }

signals:
    // Busy or DnsBusy changed.
    void stateChanged();

protected:
    bool event(QEvent* e) override;

private:
    void StartCall(DataNet request, bool continuing = false);
    void startHop(const WhoisChain::Hop& hop, bool continuing);
    void startRdap(const QByteArray& query, const QUrl& base, bool continuing = false);
    bool fallBackToRdap();
    static bool isDomainName(const QByteArray& query);
    void EvHostResolved(const platform::HostLookupEvent& reply);
    void EvSocketEvent(platform::SOCKET socket, std::uint32_t lParam);
    void EvConnected(platform::SOCKET s, const platform::HostAddress& address);
    void EvConnectFailed(int error);
    void EvConnectTimer();
    void EvDnsReply(const platform::HostLookupEvent& reply);
    int ReceiveBlock(int* count);
    void ShowLastSocketError();
    void showReceivedCount();

    void endCall();
    void closeSocket();
    void showText(QString& text);
    void setBusy(bool busy);
    void setDnsBusy(bool busy);

    EngineView& m_view;
    platform::ServiceLookup m_services = platform::getServicePort;
    platform::AsyncHostLookup m_lookups;
    QTimer m_connectTimer; // ConnectTimer

    DataNet m_request;
    quint64 m_bytesReceived = 0; // a reply may well pass 4 GiB
    std::vector<char> m_receiveBuffer;
    platform::SOCKET m_socket = platform::INVALID_SOCKET;
    platform::HANDLE_T m_hostRequest = 0;
    platform::HANDLE_T m_dnsRequest = 0;
    std::uint16_t m_port = 0;                            // network order
    std::optional<platform::HostAddress> m_typedAddress; // the host, when it was an address
    bool m_nameTheAddress = false;
    Connector m_connector;
    std::optional<WhoisChain> m_chain; // a WhoIs query that may go on to other servers
    std::uint16_t m_hopPort = 0;       // the port a referral named, host order; 0: none
    RdapClient m_rdap;
    bool m_busy = false;
    bool m_dnsBusy = false;

    ReplyText m_replyText;
    QString m_blockText; // one block's text, its buffer kept from block to block
    QString m_countText; // the status text of the count, its buffer kept likewise
    qsizetype m_windowChars = 0;
    qsizetype m_windowCapacity = DefaultWindowCapacity;
    bool m_windowFull = false;
};

} // namespace net
