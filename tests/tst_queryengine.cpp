// SPDX-License-Identifier: MIT
#include "LoopbackServer.h"
#include "RecordingView.h"
#include "net/dns/lookup/DnsLookup.h"
#include "net/engine/PlainCall.h"
#include "net/engine/QueryEngine.h"
#include "platform/AsyncSocket.h"
#include "platform/WinsockErrors.h"

#include <QTest>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <atomic>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>

using net::QueryEngine;
using LS = LoopbackServer;

namespace {

constexpr int callTimeout = 15000;

// The names the test resolver was asked for; it runs on worker threads.
struct AskedNames {
    std::mutex mutex;
    QList<QByteArray> names;
    QList<platform::HostAddress> addresses;
    QHash<QByteArray, QList<platform::HostAddress>> answers; // names with addresses of their own
    QList<QByteArray> aliasQueries;                          // names asked for their aliases
};

// Every name resolves to 127.0.0.1 except "nowhere.test"; 127.0.0.1 reverses to "localhost",
// other addresses have no reverse entry. "slow.test" takes half a second.
platform::Resolver testResolver(std::shared_ptr<AskedNames> asked) {
    platform::Resolver r;
    r.byName = [asked](const QByteArray& name) {
        {
            std::lock_guard lock(asked->mutex);
            asked->names.append(name);
        }
        if (name == "slow.test")
            QThread::msleep(500);
        platform::LookupAnswer answer;
        if (name == "nowhere.test") {
            answer.error = platform::WSAHOST_NOT_FOUND;
            return answer;
        }
        answer.entry.officialName = name;
        answer.entry.addresses = {platform::HostAddress::ipv4(htonl(INADDR_LOOPBACK))};
        {
            std::lock_guard lock(asked->mutex);
            if (asked->answers.contains(name))
                answer.entry.addresses = asked->answers.value(name);
        }
        return answer;
    };
    r.aliases = [asked](const QByteArray& name) {
        std::lock_guard lock(asked->mutex);
        asked->aliasQueries.append(name);
        return QList<QByteArray>{};
    };
    r.byAddress = [asked](const platform::HostAddress& address) {
        {
            std::lock_guard lock(asked->mutex);
            asked->addresses.append(address);
        }
        platform::LookupAnswer answer;
        if (address != platform::HostAddress::ipv4(htonl(INADDR_LOOPBACK))) {
            answer.error = platform::WSAHOST_NOT_FOUND;
            return answer;
        }
        answer.entry.officialName = "localhost";
        answer.entry.addresses = {address};
        return answer;
    };
    return r;
}

// A listening socket whose backlog is full, so a further connect never completes: a black hole
// on loopback, at 127.0.0.1 or the address given, on a free port or the one given.
struct UnansweredListener {
    int listener = -1;
    QList<int> fillers;
    quint16 portNetworkOrder = 0;

    explicit UnansweredListener(std::uint32_t at = htonl(INADDR_LOOPBACK), quint16 port = 0) {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = at;
        address.sin_port = port;
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener, 0);
        socklen_t len = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &len);
        portNetworkOrder = address.sin_port;
        for (int i = 0; i < 3; ++i) {
            const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
            fillers.append(filler);
        }
        QThread::msleep(50);
    }
    ~UnansweredListener() {
        for (int fd : fillers)
            ::close(fd);
        ::close(listener);
    }
};

} // namespace

class tst_QueryEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingView> m_view;
    std::unique_ptr<QueryEngine> m_engine;
    std::unique_ptr<net::DnsLookup> m_dns;
    std::unique_ptr<net::PlainCall> m_call; // finger and plain WhoIs calls
    std::shared_ptr<AskedNames> m_asked;

    void useService(quint16 portNetworkOrder) {
        m_engine->setServiceLookup(
            [portNetworkOrder](const QByteArray&, const QByteArray& protocol) {
                return protocol == "tcp" ? std::optional<std::uint16_t>(portNetworkOrder)
                                         : std::nullopt;
            });
    }

    // Runs a real event loop until the call ends: QTest::qWaitFor sleeps between rounds,
    // which would slow a reply read 800 bytes per round to a crawl.
    bool waitForIdle(int timeout = callTimeout) {
        if (!m_engine->Busy())
            return true;
        QEventLoop loop;
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        connect(m_engine.get(), &QueryEngine::stateChanged, &loop, [&] {
            if (!m_engine->Busy())
                loop.quit();
        });
        loop.exec();
        return !m_engine->Busy();
    }

private slots:
    void init() {
        m_view = std::make_unique<RecordingView>();
        m_engine = std::make_unique<QueryEngine>(*m_view);
        m_call = std::make_unique<net::PlainCall>(*m_engine);
        m_dns = std::make_unique<net::DnsLookup>(*m_view);
        m_view->dnsLookup = m_dns.get();
        m_asked = std::make_shared<AskedNames>();
        m_engine->setResolver(testResolver(m_asked));
        m_dns->setResolver(testResolver(m_asked));
    }
    void cleanup() {
        m_dns.reset();
        m_call.reset();
        m_engine.reset();
        m_view.reset();
        QCOMPARE(platform::openSocketCount(), 0);
    }

    void fingerRequestOnTheWire_data() {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<int>("fullInfo");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("host");
        QTest::newRow("user") << QByteArray("user@finger.test") << 0 << QByteArray("user\r\n")
                              << QByteArray("finger.test");
        QTest::newRow("user full") << QByteArray("user@finger.test") << 1
                                   << QByteArray("/W user\r\n") << QByteArray("finger.test");
        QTest::newRow("user fullInfo 2") << QByteArray("user@finger.test") << 2
                                         << QByteArray("user\r\n") << QByteArray("finger.test");
        QTest::newRow("host only")
            << QByteArray("finger.test") << 0 << QByteArray("\r\n") << QByteArray("finger.test");
        QTest::newRow("host only full")
            << QByteArray("finger.test") << 1 << QByteArray("\r\n") << QByteArray("finger.test");
        QTest::newRow("relay") << QByteArray("user@relay.test@finger.test") << 0
                               << QByteArray("user@relay.test\r\n") << QByteArray("finger.test");
        QTest::newRow("leading at")
            << QByteArray("@finger.test") << 1 << QByteArray("\r\n") << QByteArray("@finger.test");
        QTest::newRow("trailing at")
            << QByteArray("user@") << 0 << QByteArray("user\r\n") << QByteArray("");
        QTest::newRow("port stays in host")
            << QByteArray("u@h.test:79") << 0 << QByteArray("u\r\n") << QByteArray("h.test:79");
        const QByteArray user49 = QByteArray(30, 'u') + '@' + QByteArray(18, 'h');
        QTest::newRow("49 characters whole") << user49 << 1 << "/W " + QByteArray(30, 'u') + "\r\n"
                                             << QByteArray(18, 'h');
    }
    void fingerRequestOnTheWire() {
        QFETCH(QByteArray, address);
        QFETCH(int, fullInfo);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, host);
        LS server({{"reply"}});
        useService(server.portNetworkOrder());
        m_call->Finger(address, fullInfo);
        QVERIFY(waitForIdle());
        QCOMPARE(server.requests(), QList<QByteArray>{request});
        QCOMPARE(m_asked->names, QList<QByteArray>{host});
        QCOMPARE(m_view->caption, QString::fromUtf8(address));
        QCOMPARE(m_engine->Request().Service, QByteArray("finger"));
    }

    void whoisRequestOnTheWire_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("query") << QByteArray("example.com") << QByteArray("example.com\r\n");
        QTest::newRow("empty query") << QByteArray() << QByteArray("\r\n");
        QTest::newRow("49 characters") << QByteArray(49, 'q') << QByteArray(49, 'q') + "\r\n";
    }
    void whoisRequestOnTheWire() {
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, request);
        LS server({{"answer"}});
        useService(server.portNetworkOrder());
        m_call->Whois("whois.test", query);
        QVERIFY(waitForIdle());
        QCOMPARE(server.requests(), QList<QByteArray>{request});
        QCOMPARE(m_view->caption, QString("whois.test")); // the server, not the query
        QCOMPARE(m_engine->Request().Service, QByteArray("whois"));
    }

    void emptyAddressStartsNothing() {
        m_view->text = "kept";
        m_call->Finger(QByteArray(), 1);
        m_call->Whois(QByteArray(), "query");
        QVERIFY(!m_engine->Busy());
        QCOMPARE(m_view->clears, 0);
        QVERIFY(m_view->statuses.isEmpty());
        QCOMPARE(m_view->text, QString("kept"));
    }

    void statusSequenceForName() {
        LS server({{"a\nb"}});
        useService(server.portNetworkOrder());
        m_call->Finger("user@finger.test", 0);
        QVERIFY(m_engine->Busy());
        QVERIFY(m_view->waitCursor);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->statuses,
                 (QStringList{"", "Getting service port", "Resolving address finger.test",
                              "Connecting to host finger.test", "Connected to host finger.test",
                              "3 bytes received", "3 bytes received", "Connection closed"}));
        QCOMPARE(m_view->text, QString("a\nb"));
        QCOMPARE(m_view->idleCalls, (QList<bool>{false, true}));
        QCOMPARE(m_view->caption, QString("user@finger.test"));
        QVERIFY(!m_view->waitCursor);
        QCOMPARE(m_engine->BytesReceived(), quint64(3));
    }

    void statusSequenceForDottedAddress() {
        LS server({{"x"}});
        useService(server.portNetworkOrder());
        m_call->Finger("127.0.0.1", 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->statuses.mid(0, 5),
                 (QStringList{"", "Getting service port", "Looking up address 127.0.0.1",
                              "Connecting to host 127.0.0.1", "Connected to host 127.0.0.1"}));
        QCOMPARE(m_view->status(), QString("Connection closed"));
        QCOMPARE(m_asked->addresses,
                 QList<platform::HostAddress>{platform::HostAddress::ipv4(htonl(INADDR_LOOPBACK))});
        QVERIFY(m_asked->names.isEmpty());
    }

    // A host's every address is tried, the next one when the one before fails or stays silent
    // for 250 ms; the status names the address that answered when there was a choice.
    void everyAddressOfAHostIsTried_data() {
        QTest::addColumn<QStringList>("addresses"); // what the resolver gives for multi.test
        QTest::addColumn<QString>("listenOn");      // the server, or nobody
        QTest::addColumn<QString>("blackHole");     // an address that never answers
        QTest::addColumn<QString>("connected");     // the "Connected to host" text, if any
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QStringList>("attempts"); // address/attempts still pending, in order
        QTest::newRow("one IPv4 address: the name, as ever")
            << QStringList{"127.0.0.1"} << "127.0.0.1"
            << ""
            << "multi.test"
            << "Connection closed" << QStringList{"127.0.0.1/0"};
        QTest::newRow("only IPv6") << QStringList{"::1"} << "::1"
                                   << ""
                                   << "::1"
                                   << "Connection closed" << QStringList{"::1/0"};
        QTest::newRow("refusing IPv4, serving IPv6")
            << QStringList{"127.0.0.1", "::1"} << "::1"
            << ""
            << "::1"
            << "Connection closed" << QStringList{"127.0.0.1/0", "::1/0"};
        // The second address is tried while the first is still waiting, not after it failed.
        QTest::newRow("black-holed first address")
            << QStringList{"127.0.0.2", "::1"} << "::1"
            << "127.0.0.2"
            << "::1"
            << "Connection closed" << QStringList{"127.0.0.2/0", "::1/1"};
        QTest::newRow("families interleaved")
            << QStringList{"127.0.0.2", "127.0.0.3", "127.0.0.4", "::1"} << "::1"
            << "127.0.0.2"
            << "::1"
            << "Connection closed" << QStringList{"127.0.0.2/0", "::1/1"};
        QTest::newRow("every address refuses")
            << QStringList{"127.0.0.1", "::1"} << ""
            << ""
            << ""
            << "Connection refused" << QStringList{"127.0.0.1/0", "::1/0"};
    }
    void everyAddressOfAHostIsTried() {
        QFETCH(QStringList, addresses);
        QFETCH(QString, listenOn);
        QFETCH(QString, blackHole);
        QFETCH(QString, connected);
        QFETCH(QString, ending);
        QFETCH(QStringList, attempts);
        QStringList tried;
        m_engine->setAttemptObserver([&tried](const platform::HostAddress& address, int pending) {
            tried.append(address.text() + '/' + QString::number(pending));
        });
        QList<platform::HostAddress> answer;
        for (const QString& text : addresses)
            answer.append(*platform::HostAddress::parse(text.toLatin1()));
        m_asked->answers.insert("multi.test", answer);
        std::unique_ptr<LS> server;
        if (!listenOn.isEmpty())
            server = std::make_unique<LS>(LS::Script{{"reply"}}, QHostAddress(listenOn));
        const quint16 port = server ? server->portNetworkOrder() : closedPortNetworkOrder();
        std::unique_ptr<UnansweredListener> hole;
        if (!blackHole.isEmpty())
            hole = std::make_unique<UnansweredListener>(inet_addr(qPrintable(blackHole)), port);
        useService(port);
        m_call->Finger("user@multi.test", 0);
        QVERIFY(waitForIdle()); // a black hole would hold the call for 45 s
        QCOMPARE(m_view->status(), ending);
        if (!connected.isEmpty())
            QVERIFY2(m_view->statuses.contains("Connected to host " + connected),
                     qPrintable(m_view->statuses.join('|')));
        if (server)
            QCOMPARE(server->requests(), QList<QByteArray>{"user\r\n"});
        QCOMPARE(tried, attempts);
    }

    // IPv6 zones are kept from what is typed to the socket address.
    void ipv6ZonesAreKept() {
        const auto address = platform::HostAddress::parse("fe80::1%lo");
        QVERIFY(address);
        QVERIFY(address->scopeId != 0);
        QCOMPARE(address->text(), QString("fe80::1%lo"));
        socklen_t length = 0;
        const sockaddr_storage socket = address->socketAddress(0, &length);
        QCOMPARE(reinterpret_cast<const sockaddr_in6*>(&socket)->sin6_scope_id, address->scopeId);
        QVERIFY(!platform::HostAddress::parse("fe80::1%no-such-interface"));
    }

    // What the user types as a host: an address needs no name, IPv6 goes without brackets,
    // international names go in their ASCII form, each host of a relay.
    void typedHostsReachTheirAddress_data() {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QString>("listenOn");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("resolved"); // the name the resolver was asked, if any
        QTest::newRow("IPv6 in brackets")
            << QByteArray("x@[::1]") << "::1" << QByteArray("x") << QByteArray();
        QTest::newRow("IPv6 alone") << QByteArray("::1") << "::1" << QByteArray() << QByteArray();
        QTest::newRow("IPv4 without a reverse name")
            << QByteArray("x@127.0.0.2") << "127.0.0.2" << QByteArray("x") << QByteArray();
        QTest::newRow("international name")
            << QByteArray("alice@b\xC3\xBC"
                          "cher.test")
            << "127.0.0.1" << QByteArray("alice") << QByteArray("xn--bcher-kva.test");
        QTest::newRow("relay through an international name")
            << QByteArray("a@b\xC3\xBC"
                          "cher.test@relay.test")
            << "127.0.0.1" << QByteArray("a@xn--bcher-kva.test") << QByteArray("relay.test");
        QTest::newRow("relay through IPv6") << QByteArray("a@[::1]@relay.test") << "127.0.0.1"
                                            << QByteArray("a@::1") << QByteArray("relay.test");
    }
    void typedHostsReachTheirAddress() {
        QFETCH(QByteArray, typed);
        QFETCH(QString, listenOn);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, resolved);
        LS server({{"reply"}}, QHostAddress(listenOn));
        useService(server.portNetworkOrder());
        m_call->Finger(typed, 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->status(), QString("Connection closed"));
        QCOMPARE(server.requests(), QList<QByteArray>{request + "\r\n"});
        QCOMPARE(m_asked->names, resolved.isEmpty() ? QList<QByteArray>{} : QList{resolved});
        QCOMPARE(m_view->caption, QString::fromUtf8(typed)); // as typed
    }

    // WhoIs servers that refer on: the root registry, a thin registry and its registrar,
    // one that refers to itself, two that refer to each other, and a chain of five.
    // A name that cannot be a host name says why and starts nothing.
    void invalidHostNamesStartNothing_data() {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QString>("status");
        QTest::newRow("a name that starts with a mark") << QByteArray("x@\xCC\x81"
                                                                      "bad.test")
                                                        << "Invalid international host name: ";
        QTest::newRow("an empty label")
            << QByteArray("x@a..b") << "Invalid host name: the name has an empty label";
        QTest::newRow("an empty label in Unicode")
            << QByteArray("x@b\xC3\xBC"
                          "cher..test")
            << "Invalid host name: the name has an empty label";
        QTest::newRow("a label that does not decode")
            << QByteArray("x@xn--zz.test") << "Invalid host name: the label xn--zz does not decode";
        QTest::newRow("a label over 63") << "x@" + QByteArray(64, 'a') + ".test"
                                         << "Invalid host name: a label is longer than 63";
        QTest::newRow("a name over 253") << "x@" + (QByteArray(60, 'a') + '.').repeated(5) + "test"
                                         << "Invalid host name: the name is longer than 253";
    }
    void invalidHostNamesStartNothing() {
        QFETCH(QByteArray, address);
        QFETCH(QString, status);
        m_call->Finger(address, 0);
        QVERIFY(!m_engine->Busy());
        QVERIFY2(m_view->status().startsWith(status), qPrintable(m_view->status()));
        QVERIFY(m_asked->names.isEmpty());
        QCOMPARE(m_view->clears, 0);
    }

    void dnsInfoListsEveryAddress() {
        m_asked->answers.insert("multi.test", {*platform::HostAddress::parse("192.0.2.1"),
                                               *platform::HostAddress::parse("2001:db8::1")});
        m_dns->LookupHost("multi.test");
        QTRY_COMPARE(m_view->dnsResults.size(), 1);
        const net::DNStransfer& info = m_view->dnsResults.first();
        QCOMPARE(info.Address, QString("192.0.2.1"));
        QCOMPARE(info.Addresses, (QStringList{"192.0.2.1", "2001:db8::1"}));
        m_asked->answers.insert("xn--bcher-kva.test", {*platform::HostAddress::parse("::1")});
        m_dns->LookupHost("b\xC3\xBC"
                          "cher.test");
        QTRY_COMPARE(m_view->dnsResults.size(), 2);
        QCOMPARE(m_view->dnsResults[1].HostName, QString::fromUtf8("xn--bcher-kva.test (b\xC3\xBC"
                                                                   "cher.test)"));
        QCOMPARE(m_view->dnsResults[1].Address, QString("::1")); // the first, even if IPv6
    }

    void refusedConnection() {
        useService(closedPortNetworkOrder());
        m_call->Finger("user@finger.test", 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->status(), QString("Connection refused"));
        QCOMPARE(m_view->caption, QString());
        QCOMPARE(m_view->idleCalls.last(), true);
        QVERIFY(!m_view->waitCursor);
    }

    void resetAfterSomeData() {
        LS server({{"partial"}, 100, LS::Ending::Reset});
        useService(server.portNetworkOrder());
        m_call->Finger("user@finger.test", 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->status(), QString("Connection reset by peer"));
        QCOMPARE(m_view->text, QString("partial"));
        QCOMPARE(m_view->caption, QString());
    }

    void silentServerThenCancel() {
        LS server({{}, 0, LS::Ending::StaySilent});
        useService(server.portNetworkOrder());
        m_engine->setConnectTimeout(100); // covers only the connect
        m_call->Finger("user@finger.test", 0);
        QTRY_COMPARE(m_view->status(), QString("Connected to host finger.test"));
        QTest::qWait(300);
        QVERIFY(m_engine->Busy());
        QCOMPARE(m_view->status(), QString("Connected to host finger.test"));
        m_engine->CancelCall();
        QCOMPARE(m_view->status(), QString("Call canceled"));
        QVERIFY(!m_engine->Busy());
        QVERIFY(!m_view->waitCursor);
        QCOMPARE(m_view->idleCalls.last(), true);
        QCOMPARE(server.requests(), QList<QByteArray>{"user\r\n"});
    }

    void connectTimesOut() {
        UnansweredListener listener;
        useService(listener.portNetworkOrder);
        m_engine->setConnectTimeout(300);
        m_call->Finger("user@finger.test", 0);
        QTRY_COMPARE(m_view->status(), QString("Connecting to host finger.test"));
        QVERIFY(waitForIdle(5000));
        QCOMPARE(m_view->status(), QString("Timed out"));
        QCOMPARE(m_view->idleCalls.last(), true);
        QVERIFY(!m_view->waitCursor);
    }

    void cancelWhileConnecting() {
        UnansweredListener listener;
        useService(listener.portNetworkOrder);
        m_call->Finger("user@finger.test", 0);
        QTRY_COMPARE(m_view->status(), QString("Connecting to host finger.test"));
        m_engine->CancelCall();
        QCOMPARE(m_view->status(), QString("Call canceled"));
        QTest::qWait(200);
        QCOMPARE(m_view->status(), QString("Call canceled"));
    }

    void cancelWhileResolvingDropsTheLateReply() {
        LS server({{"never shown"}});
        useService(server.portNetworkOrder());
        m_call->Finger("user@slow.test", 0);
        QCOMPARE(m_view->status(), QString("Resolving address slow.test"));
        m_engine->CancelCall();
        QCOMPARE(m_view->status(), QString("Call canceled"));
        QTest::qWait(800); // the look-up finishes meanwhile
        QCOMPARE(m_view->status(), QString("Call canceled"));
        QCOMPARE(server.connections(), 0);
        QCOMPARE(m_view->text, QString());
    }

    void lateSocketEventsAfterCancelAreDropped() {
        LS server({{"first", "second", "third"}, 150, LS::Ending::Close});
        useService(server.portNetworkOrder());
        m_call->Finger("user@finger.test", 0);
        QTRY_COMPARE(m_view->status(), QString("5 bytes received"));
        m_engine->CancelCall();
        const QString textAtCancel = m_view->text;
        const quint64 countAtCancel = m_engine->BytesReceived();
        QTest::qWait(500); // the rest arrives at a socket that is gone
        QCOMPARE(m_view->status(), QString("Call canceled"));
        QCOMPARE(m_view->text, textAtCancel);
        QCOMPARE(m_engine->BytesReceived(), countAtCancel);
        QCOMPARE(countAtCancel, 5u);
    }

    void unknownHost() {
        useService(closedPortNetworkOrder());
        m_call->Finger("user@nowhere.test", 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->status(), QString("Host not found"));
    }

    void missingService() {
        m_engine->setServiceLookup(
            [](const QByteArray&, const QByteArray&) { return std::nullopt; });
        m_call->Finger("user@finger.test", 0);
        QVERIFY(!m_engine->Busy());
        QCOMPARE(m_view->statuses,
                 (QStringList{"", "Getting service port", "No data record of requested type"}));
        QCOMPARE(m_view->idleCalls, (QList<bool>{false, true}));
    }

    void lineEndsAcrossBlocks() {
        // Each chunk arrives in a read of its own.
        LS server(
            {{"one\r", "\ntwo\r", "three\n", QByteArray("\nfour\0five", 10), "\xC3", "\xA9 \xE9"},
             60});
        useService(server.portNetworkOrder());
        m_call->Finger("finger.test", 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->text, QString::fromUtf8("one\ntwo\nthree\n\nfour") + QChar(0) +
                                   QString::fromUtf8("five\xC3\xA9 \xC3\xA9"));
        QCOMPARE(m_engine->BytesReceived(), quint64(29));
    }

    void fullBlocksThenAPauseKeepTheCallWaiting() {
        // Two whole 800-byte reads empty the socket: the read that follows finds nothing yet,
        // and the call must wait for the rest instead of failing or stalling.
        const QByteArray first(1600, 'x');
        LS server({{first, "tail"}, 300});
        useService(server.portNetworkOrder());
        m_call->Finger("finger.test", 0);
        QTRY_COMPARE(m_view->status(), QString("1600 bytes received"));
        QTest::qWait(100);
        QVERIFY(m_engine->Busy());
        QCOMPARE(m_view->status(), QString("1600 bytes received"));
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->status(), QString("Connection closed"));
        QCOMPARE(m_view->text, QString::fromLatin1(first + "tail"));
        for (const QString& status : m_view->statuses)
            QVERIFY2(!status.startsWith("Receive data error"), qPrintable(status));
    }

    void replyOfWholeBlocksEndsCleanly() {
        // The read after the last whole block finds the connection closed, not more data.
        const QByteArray reply(2400, 'y');
        LS server({{reply}});
        useService(server.portNetworkOrder());
        m_call->Finger("finger.test", 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->status(), QString("Connection closed"));
        QCOMPARE(m_view->text, QString::fromLatin1(reply));
        QCOMPARE(m_engine->BytesReceived(), quint64(2400));
    }

    void severalMegabytesArriveWholeAndInOrder() {
        QByteArray reply;
        for (int i = 0; reply.size() < 4 * 1024 * 1024; ++i)
            reply += QByteArray::number(i) + " the quick brown fox\r\n";
        LS server({{reply}});
        useService(server.portNetworkOrder());
        m_call->Finger("finger.test", 0);
        QVERIFY(waitForIdle(60000));
        QCOMPARE(m_view->status(), QString("Connection closed"));
        QCOMPARE(m_engine->BytesReceived(), quint64(reply.size()));
        QString expected = QString::fromLatin1(reply);
        expected.replace("\r\n", "\n");
        QCOMPARE(m_view->text.size(), expected.size());
        QVERIFY(m_view->text == expected);
    }

    void fullWindowKeepsCounting() {
        LS server({{QByteArray(5000, 'z')}});
        useService(server.portNetworkOrder());
        m_view->feed.setCapacity(1000);
        m_call->Finger("finger.test", 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->text.size(), 1000);
        QCOMPARE(m_engine->BytesReceived(), quint64(5000));
        QVERIFY(m_view->statuses.contains("5000 bytes received, window full"));
        QCOMPARE(m_view->status(), QString("Connection closed"));
        // Past 4 GiB the count goes on rather than wrapping.
        QString text;
        view::writeReceivedCount(quint64(5) << 32 | 7, true, text);
        QCOMPARE(text, QString("21474836487 bytes received, window full"));
    }

    void twoCallsInARow() {
        LS first({{"first reply"}});
        useService(first.portNetworkOrder());
        m_call->Finger("a@finger.test", 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->text, QString("first reply"));
        LS second({{"second"}});
        useService(second.portNetworkOrder());
        m_call->Whois("whois.test", "q");
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->clears, 2);
        QCOMPARE(m_view->text, QString("second"));
        QCOMPARE(m_view->caption, QString("whois.test"));
        QCOMPARE(m_engine->Request().RequestLine, QByteArray("q\r\n"));
    }

    void newCallRefusedWhileBusy() {
        LS server({{}, 0, LS::Ending::StaySilent});
        useService(server.portNetworkOrder());
        m_call->Finger("a@finger.test", 0);
        QTRY_COMPARE(m_view->status(), QString("Connected to host finger.test"));
        m_call->Finger("b@finger.test", 0);
        QCOMPARE(m_engine->Request().QueryText, QByteArray("a@finger.test"));
        QCOMPARE(m_view->clears, 1);
        m_engine->CancelCall();
    }

    void realResolverReachesLoopback_data() {
        QTest::addColumn<QByteArray>("host");
        QTest::newRow("localhost") << QByteArray("localhost");
        QTest::newRow("127.0.0.1") << QByteArray("127.0.0.1");
    }
    void realResolverReachesLoopback() {
        QFETCH(QByteArray, host);
        m_engine->setResolver(platform::Resolver::system());
        LS server({{"real"}});
        useService(server.portNetworkOrder());
        m_call->Finger("user@" + host, 0);
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->status(), QString("Connection closed"));
        QCOMPARE(m_view->text, QString("real"));
    }

    void systemServicesDatabaseKnowsBothServices() {
        QCOMPARE(platform::getServicePort("finger", "tcp"),
                 std::optional<std::uint16_t>(htons(79)));
        QCOMPARE(platform::getServicePort("whois", "tcp"), std::optional<std::uint16_t>(htons(43)));
        QCOMPARE(platform::getServicePort("no-such-service", "tcp"), std::nullopt);
    }

    void dnsLookupBesideACall() {
        LS server({{}, 0, LS::Ending::StaySilent});
        useService(server.portNetworkOrder());
        m_call->Finger("a@finger.test", 0);
        m_dns->LookupHost("dns.test");
        QVERIFY(m_dns->DnsBusy());
        QTRY_COMPARE(m_view->dnsResults.size(), 1);
        QVERIFY(!m_dns->DnsBusy());
        QVERIFY(m_engine->Busy()); // the call goes on
        QCOMPARE(m_view->dnsResults[0].HostName, QString("dns.test"));
        QCOMPARE(m_view->dnsResults[0].Address, QString("127.0.0.1"));
        QCOMPARE(m_view->dnsResults[0].Aliases, QStringList{"None"});
        m_engine->CancelCall();
        // Only the DNS lookup, which shows them, asks the resolver for aliases.
        QCOMPARE(m_asked->aliasQueries, QList<QByteArray>{"dns.test"});
    }

    // Look-ups run on a bounded pool: a burst of slow ones never runs more than its size at
    // once, and every one is answered.
    void lookupsShareABoundedPool() {
        struct Counter : QObject {
            int replies = 0;
            bool event(QEvent*) override { return ++replies, true; }
        } receiver;
        std::atomic<int> running{0};
        std::atomic<int> most{0};
        platform::Resolver slow;
        slow.byName = [&](const QByteArray&) {
            const int now = ++running;
            for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
            }
            QThread::msleep(50);
            --running;
            return platform::LookupAnswer{};
        };
        platform::AsyncHostLookup lookups(&receiver, slow);
        for (int i = 0; i < 3 * platform::AsyncHostLookup::MaxThreads; ++i)
            QVERIFY(lookups.getHostByName(platform::WM_HOSTRESOLVED, "x.test") != 0);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.replies, 3 * platform::AsyncHostLookup::MaxThreads,
                                  10000);
        QVERIFY(most <= platform::AsyncHostLookup::MaxThreads);
        QVERIFY(most > 1);
    }
};

QTEST_GUILESS_MAIN(tst_QueryEngine)
#include "tst_queryengine.moc"
