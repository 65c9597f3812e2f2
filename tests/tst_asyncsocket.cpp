// SPDX-License-Identifier: MIT
#include "LoopbackServer.h"
#include "platform/AsyncSocket.h"
#include "platform/WinsockErrors.h"

#include <QTest>

#include <arpa/inet.h>

using namespace platform;

namespace {

// Records every socket message it receives as "event:error".
class Receiver : public QObject {
public:
    QStringList events;
    QList<SOCKET> handles;
    std::function<void(long event)> onEvent;

protected:
    bool event(QEvent* e) override {
        if (e->type() != WM_SOCKETEVENT)
            return QObject::event(e);
        const auto& reply = static_cast<const AsyncReplyEvent&>(*e);
        const long code = selectEvent(reply.lParam);
        events.append(QString("%1:%2").arg(code).arg(selectError(reply.lParam)));
        handles.append(reply.wParam);
        if (onEvent)
            onEvent(code);
        return true;
    }
};

sockaddr_in loopback(quint16 portNetworkOrder) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = portNetworkOrder;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Plays the client side of a call on s: select the call's events once connected, send request
// at FD_WRITE, read in pieces of readSize at FD_READ into received (when given).
void playClient(Receiver& receiver, SOCKET s, QByteArray request, int readSize,
                QByteArray* received) {
    receiver.onEvent = [&receiver, s, request, readSize, received](long event) {
        if (event == FD_CONNECT) {
            WSAAsyncSelect(s, &receiver, WM_SOCKETEVENT, FD_READ | FD_WRITE | FD_CLOSE);
        } else if (event == FD_WRITE) {
            send(s, request.constData(), int(request.size()));
        } else if (event == FD_READ) {
            QByteArray buffer(readSize, '\0');
            const int n = recv(s, buffer.data(), readSize);
            if (n > 0 && received)
                received->append(buffer.constData(), n);
        }
    };
    WSAAsyncSelect(s, &receiver, WM_SOCKETEVENT, FD_CONNECT);
}

QString name(long event, int error = 0) {
    return QString("%1:%2").arg(event).arg(error);
}

} // namespace

class tst_AsyncSocket : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QCOMPARE(openSocketCount(), 0); }

    void fullExchange() {
        LoopbackServer server({{"hello ", "world"}, 50});
        Receiver receiver;
        const SOCKET s = socket();
        QVERIFY(s != INVALID_SOCKET);
        QByteArray received;
        playClient(receiver, s, "req\r\n", 4, &received); // small reads: more FD_READs follow
        const int rc = platform::connect(s, loopback(server.portNetworkOrder()));
        QVERIFY(rc == 0 || WSAGetLastError() == WSAEWOULDBLOCK);
        QTRY_VERIFY(receiver.events.contains(name(FD_CLOSE)));
        QCOMPARE(received, QByteArray("hello world"));
        QCOMPARE(server.requests(), QList<QByteArray>{"req\r\n"});
        QCOMPARE(receiver.events.first(), name(FD_CONNECT));
        QCOMPARE(receiver.events.count(name(FD_CONNECT)), 1);
        QCOMPARE(receiver.events.count(name(FD_WRITE)), 1);
        QCOMPARE(receiver.events.count(name(FD_CLOSE)), 1);
        QCOMPARE(receiver.events.last(), name(FD_CLOSE)); // only after every byte was read
        QVERIFY(receiver.events.count(name(FD_READ)) >= 3);
        for (SOCKET handle : receiver.handles)
            QCOMPARE(handle, s);
        QCOMPARE(closesocket(s), 0);
    }

    void refusedConnectReportsTheError() {
        Receiver receiver;
        const SOCKET s = socket();
        WSAAsyncSelect(s, &receiver, WM_SOCKETEVENT, FD_CONNECT);
        const int rc = platform::connect(s, loopback(closedPortNetworkOrder()));
        if (rc == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
            QCOMPARE(WSAGetLastError(), WSAECONNREFUSED);
        } else {
            QTRY_COMPARE(receiver.events, QStringList{name(FD_CONNECT, WSAECONNREFUSED)});
        }
        closesocket(s);
    }

    void resetReportsCloseWithError() {
        LoopbackServer server({{"x"}, 0, LoopbackServer::Ending::Reset});
        Receiver receiver;
        const SOCKET s = socket();
        playClient(receiver, s, "go\r\n", 16, nullptr);
        platform::connect(s, loopback(server.portNetworkOrder()));
        QTRY_VERIFY(receiver.events.contains(name(FD_CLOSE, WSAECONNRESET)));
        closesocket(s);
    }

    void closedHandlesAreNeverReused() {
        const SOCKET first = socket();
        closesocket(first);
        const SOCKET second = socket();
        QVERIFY(second != first);
        char buffer[4];
        QCOMPARE(recv(first, buffer, 4), SOCKET_ERROR);
        QCOMPARE(WSAGetLastError(), WSAENOTSOCK);
        QCOMPARE(closesocket(first), SOCKET_ERROR);
        closesocket(second);
    }

    void maskZeroStopsNotifications() {
        LoopbackServer server({{"data"}, 0, LoopbackServer::Ending::StaySilent});
        Receiver receiver;
        const SOCKET s = socket();
        receiver.onEvent = [&](long event) {
            if (event == FD_CONNECT)
                WSAAsyncSelect(s, &receiver, WM_SOCKETEVENT, FD_READ | FD_WRITE | FD_CLOSE);
            else if (event == FD_WRITE) {
                send(s, "r\r\n", 3);
                WSAAsyncSelect(s, nullptr, 0, 0);
            }
        };
        WSAAsyncSelect(s, &receiver, WM_SOCKETEVENT, FD_CONNECT);
        platform::connect(s, loopback(server.portNetworkOrder()));
        QTRY_COMPARE(server.requests().size(), 1);
        QTest::qWait(200);
        QCOMPARE(receiver.events.count(name(FD_READ)), 0);
        closesocket(s);
    }
};

QTEST_GUILESS_MAIN(tst_AsyncSocket)
#include "tst_asyncsocket.moc"
