// SPDX-License-Identifier: MIT
// WhoIs queries of several servers against real loopback servers: the automatic server,
// referrals followed and refused, silent servers given up, Cancel. As root the test runs in a
// network namespace of its own, where 198.51.100.x stand for servers on the public Internet.
#include "LoopbackServer.h"
#include "RecordingView.h"
#include "TestNetwork.h"
#include "net/engine/QueryEngine.h"
#include "net/whois/WhoisSession.h"
#include "platform/AsyncSocket.h"
#include "platform/WinsockErrors.h"

#include <QProcess>
#include <QTest>

#include <arpa/inet.h>
#include <mutex>
#include <unistd.h>

using LS = LoopbackServer;

namespace {

// The servers of one test: each name answers at its own address, with its own script.
struct World {
    std::mutex mutex;
    QHash<QByteArray, platform::HostAddress> addresses;
    QList<QByteArray> asked; // names resolved, in order
};

platform::Resolver worldResolver(std::shared_ptr<World> world) {
    platform::Resolver r;
    r.byName = [world](const QByteArray& name) {
        std::lock_guard lock(world->mutex);
        world->asked.append(name);
        platform::LookupAnswer answer;
        if (!world->addresses.contains(name.toLower())) {
            answer.error = platform::WSAHOST_NOT_FOUND;
            return answer;
        }
        answer.entry.officialName = name;
        answer.entry.addresses = {world->addresses.value(name.toLower())};
        return answer;
    };
    r.byAddress = [](const platform::HostAddress& address) {
        platform::LookupAnswer answer;
        answer.entry.officialName = "host.test";
        answer.entry.addresses = {address};
        return answer;
    };
    return r;
}

} // namespace

class tst_WhoisSession : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingView> m_view;
    std::unique_ptr<net::QueryEngine> m_engine;
    std::unique_ptr<net::WhoisSession> m_session;
    std::shared_ptr<World> m_world;
    std::vector<std::unique_ptr<LS>> m_servers;
    quint16 m_port = 0;
    bool m_publicAddresses = false; // 198.51.100.x can be listened on

    // Starts a server for name at address, every server on one port.
    LS& serve(const QByteArray& name, const QString& address, LS::Script script) {
        m_servers.push_back(std::make_unique<LS>(script, QHostAddress(address), m_port));
        m_port = m_servers.back()->port();
        m_world->addresses.insert(name, *platform::HostAddress::parse(address.toLatin1()));
        const quint16 port = htons(m_port);
        m_engine->setServiceLookup([port](const QByteArray&, const QByteArray&) {
            return std::optional<std::uint16_t>(port);
        });
        return *m_servers.back();
    }
    bool waitForIdle(int timeout = 15000) {
        return QTest::qWaitFor([&] { return !m_engine->Busy(); }, timeout);
    }

private slots:
    void initTestCase() { m_publicAddresses = enterNetworkWithPublicAddresses(); }
    void init() {
        m_view = std::make_unique<RecordingView>();
        m_engine = std::make_unique<net::QueryEngine>(*m_view);
        m_session = std::make_unique<net::WhoisSession>(*m_engine);
        m_world = std::make_shared<World>();
        m_engine->setResolver(worldResolver(m_world));
        m_port = 0;
    }
    void cleanup() {
        m_session.reset();
        m_engine.reset();
        m_view.reset();
        m_servers.clear();
        QCOMPARE(platform::openSocketCount(), 0);
    }

    void referralsAreFollowed_data() {
        QTest::addColumn<QByteArray>("server"); // empty: the automatic choice
        QTest::addColumn<bool>("follow");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QStringList>("asked"); // server=request, in the order asked
        QTest::addColumn<QString>("caption");
        const QString root = "whois.iana.org=test";
        const QString registry = "whois.registry.test=example.test";
        const QString registrar = "whois.registrar.test=example.test";
        QTest::newRow("automatic, referrals followed")
            << QByteArray() << true << QByteArray("example.test")
            << QStringList{root, registry, registrar} << "whois.registrar.test";
        QTest::newRow("automatic, referrals not followed")
            << QByteArray() << false << QByteArray("example.test") << QStringList{root, registry}
            << "whois.registry.test";
        QTest::newRow("named server, referrals followed, caption as typed")
            << QByteArray("WHOIS.Registry.test") << true << QByteArray("example.test")
            << QStringList{"WHOIS.Registry.test=example.test", registrar} << "whois.registrar.test";
        QTest::newRow("named server as ever")
            << QByteArray("whois.registry.test") << false << QByteArray("example.test")
            << QStringList{registry} << "whois.registry.test";
        QTest::newRow("a query with a space stays")
            << QByteArray("whois.registry.test") << true << QByteArray("-h example.test")
            << QStringList{"whois.registry.test=-h example.test"} << "whois.registry.test";
        QTest::newRow("a server that refers to itself, caption as typed")
            << QByteArray("WHOIS.Self.test") << true << QByteArray("q")
            << QStringList{"WHOIS.Self.test=q"} << "WHOIS.Self.test";
        QTest::newRow("a loop of two")
            << QByteArray("whois.a.test") << true << QByteArray("q")
            << QStringList{"whois.a.test=q", "whois.b.test=q"} << "whois.b.test";
        QTest::newRow("an international name, in its ASCII form")
            << QByteArray("whois.registry.test") << true
            << QByteArray("b\xC3\xBC"
                          "cher.test")
            << QStringList{"whois.registry.test=xn--bcher-kva.test",
                           "whois.registrar.test=xn--bcher-kva.test"}
            << "whois.registrar.test";
        QTest::newRow("a name that is no domain goes as typed")
            << QByteArray("whois.registry.test") << true << QByteArray("M\xC3\xBCller")
            << QStringList{"whois.registry.test=M\xC3\xBCller",
                           "whois.registrar.test=M\xC3\xBCller"}
            << "whois.registrar.test";
        QTest::newRow("never more than four")
            << QByteArray("whois.c1.test") << true << QByteArray("q")
            << QStringList{"whois.c1.test=q", "whois.c2.test=q", "whois.c3.test=q",
                           "whois.c4.test=q"}
            << "whois.c4.test";
        QTest::newRow("a web address is no WhoIs server")
            << QByteArray("whois.web.test") << true << QByteArray("q")
            << QStringList{"whois.web.test=q"} << "whois.web.test";
    }
    void referralsAreFollowed() {
        QFETCH(QByteArray, server);
        QFETCH(bool, follow);
        QFETCH(QByteArray, query);
        QFETCH(QStringList, asked);
        QFETCH(QString, caption);
        const QList<std::pair<QByteArray, QByteArray>> servers = {
            {"whois.iana.org", "domain: TEST\r\nrefer: whois.registry.test\r\n"},
            {"whois.registry.test", "Domain Name: EXAMPLE.TEST\r\nRegistrar WHOIS Server: "
                                    "whois.registrar.test\r\n"},
            {"whois.registrar.test", "Registrant: Someone\r\n"},
            {"whois.self.test", "ReferralServer: whois://whois.self.test\r\n"},
            {"whois.a.test", "refer: whois.b.test\r\n"},
            {"whois.b.test", "refer: whois.a.test\r\n"},
            {"whois.c1.test", "refer: whois.c2.test\r\n"},
            {"whois.c2.test", "refer: whois.c3.test\r\n"},
            {"whois.c3.test", "refer: whois.c4.test\r\n"},
            {"whois.c4.test", "refer: whois.c5.test\r\n"},
            {"whois.c5.test", "too far\r\n"},
            {"whois.web.test", "ReferralServer: http://whois.registry.test/whois?q=1\r\n"},
        };
        for (qsizetype i = 0; i < servers.size(); ++i)
            serve(servers[i].first, QHostAddress(quint32(0x7F00000A + i)).toString(),
                  {{servers[i].second}});
        m_session->start(server, query, {server.isEmpty(), follow});
        QVERIFY(waitForIdle());
        QCOMPARE(m_view->status(), QString("Connection closed"));
        QStringList seen;
        QSet<QByteArray> counted;
        for (const QByteArray& name : m_world->asked) {
            const QByteArray key =
                m_world->addresses.contains(name.toLower()) ? name : QByteArray();
            const auto at = std::find_if(servers.begin(), servers.end(), [&](const auto& entry) {
                return entry.first.compare(key, Qt::CaseInsensitive) == 0;
            });
            if (at == servers.end() || counted.contains(name))
                continue;
            counted.insert(name);
            for (const QByteArray& request : m_servers[size_t(at - servers.begin())]->requests())
                seen.append(QString::fromUtf8(name + '=' + request.chopped(2)));
        }
        QCOMPARE(seen, asked);
        QCOMPARE(m_view->caption, caption);
        for (qsizetype hop = 1; hop < asked.size(); ++hop)
            QVERIFY(m_view->text.contains("\n--- referral to " +
                                          asked[hop].section('=', 0, 0).toLower() + " ---\n"));
    }

    // A referral passed over says why, in one line of the window.
    void passedOverReferralsSaySo_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("line");
        QTest::newRow("a web address")
            << QByteArray("ReferralServer: http://whois.x.test/whois?q=1\r\n")
            << "--- referral to http://whois.x.test/whois?q=1 not followed: not a WhoIs server ---";
        QTest::newRow("ftp") << QByteArray("Registrar WHOIS Server: ftp://whois.x.test\r\n")
                             << "--- referral to ftp://whois.x.test not followed: not a WhoIs "
                                "server ---";
        QTest::newRow("a port where none belongs")
            << QByteArray("refer: whois.x.test:4343\r\n")
            << "--- referral to whois.x.test:4343 not followed: this kind of referral names no "
               "port ---";
        QTest::newRow("a whole record needs no registrar")
            << QByteArray("Registrar WHOIS Server: whois.x.test\r\nRegistrant Name: A\r\n")
            << "--- referral to whois.x.test not followed: the answer holds the whole record ---";
        QTest::newRow("a server asked already")
            << QByteArray("refer: whois.first.test\r\n")
            << "--- referral to whois.first.test not followed: asked already ---";
    }
    void passedOverReferralsSaySo() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, line);
        serve("whois.first.test", "127.0.0.20", {{answer}});
        serve("whois.x.test", "127.0.0.21", {{"x answered\r\n"}});
        m_session->start("whois.first.test", "q", {false, true});
        QVERIFY(waitForIdle());
        QVERIFY2(m_view->text.contains(line), qPrintable(m_view->text));
    }

    // From the public Internet a referral may not lead to loopback or a private network; a
    // chain that began on such an address (a lab) may stay there.
    void referralsStayOnThePublicSide_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("followed");
        QTest::newRow("public to loopback") << "198.51.100.1"
                                            << "127.0.0.53" << false;
        QTest::newRow("public to public") << "198.51.100.1"
                                          << "198.51.100.2" << true;
        QTest::newRow("loopback to loopback, a lab") << "127.0.0.1"
                                                     << "127.0.0.53" << true;
    }
    void referralsStayOnThePublicSide() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, followed);
        if (first.startsWith("198.") && !m_publicAddresses)
            QFAIL("needs root for a network namespace with addresses of its own");
        serve("whois.first.test", first, {{"ReferralServer: whois://whois.inside.test\r\n"}});
        LS& inside = serve("whois.inside.test", second, {{"inside\r\n"}});
        m_session->start("whois.first.test", "q", {false, true});
        QVERIFY(waitForIdle());
        QCOMPARE(inside.connections(), followed ? 1 : 0);
        QCOMPARE(m_view->text.contains("not followed: it is a loopback or private address"),
                 !followed);
        QCOMPARE(m_view->caption, QString(followed ? "whois.inside.test" : "whois.first.test"));
    }

    // A server the program chose that stays silent is given up; what came before stays and
    // the caption names the last server that answered. A typed server, referrals off, waits.
    void silentServersAreGivenUp_data() {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<bool>("follow");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("caption");
        QTest::newRow("silent root registry")
            << QByteArray() << true
            << "--- the root registry whois.iana.org could not be reached: Timed out ---"
            << "";
        QTest::newRow("silent referral")
            << QByteArray("whois.first.test") << true
            << "--- whois.silent.test could not be asked: Timed out ---"
            << "whois.first.test";
        QTest::newRow("typed server, referrals off")
            << QByteArray("whois.silent.test") << false << ""
            << "";
    }
    void silentServersAreGivenUp() {
        QFETCH(QByteArray, server);
        QFETCH(bool, follow);
        QFETCH(QString, line);
        QFETCH(QString, caption);
        serve("whois.first.test", "127.0.0.30", {{"first answer\r\nrefer: whois.silent.test\r\n"}});
        serve("whois.silent.test", "127.0.0.31", {{}, 0, LS::Ending::StaySilent});
        serve("whois.iana.org", "127.0.0.32", {{}, 0, LS::Ending::StaySilent});
        m_session->setHopTimeout(300);
        // A window filled by the first answer still shows why the call ended.
        m_view->feed.setCapacity(20);
        m_session->start(server, "NOT-A-DOMAIN", {server.isEmpty(), follow});
        if (line.isEmpty()) {
            QTest::qWait(800);
            QVERIFY(m_engine->Busy()); // as it always was: only Cancel ends it
            m_engine->CancelCall();
            return;
        }
        QVERIFY(waitForIdle(5000));
        QCOMPARE(m_view->status(), QString("Timed out"));
        QVERIFY2(m_view->text.contains(line), qPrintable(m_view->text));
        QCOMPARE(m_view->text.contains("first answer"), !caption.isEmpty());
        QCOMPARE(m_view->caption, caption);
        // The first server's answer stays an answer, though a later hop failed.
        QCOMPARE(m_view->outcomes.last().answer,
                 caption.isEmpty() ? net::Answer::None : net::Answer::Partial);
    }

    // A hop the chain reached ends a fixed time after it began, whatever its server sends, with
    // what came kept; the server the user typed is waited for as it always was.
    void hopsReachedByReferralEnd_data() {
        QTest::addColumn<bool>("referred");
        QTest::newRow("a referral's server") << true;
        QTest::newRow("the server typed, referrals off") << false;
    }
    void hopsReachedByReferralEnd() {
        QFETCH(bool, referred);
        QList<QByteArray> drip(100, "x");
        drip.prepend("dripping\r\n");
        serve("whois.first.test", "127.0.0.30", {{"refer: whois.drip.test\r\n"}});
        serve("whois.drip.test", "127.0.0.31", {drip, 100});
        m_session->setHopLimit(700);
        m_session->start(referred ? "whois.first.test" : "whois.drip.test", "q", {false, referred});
        QTest::qWait(1200);
        QCOMPARE(m_engine->Busy(), !referred);
        if (!referred) {
            m_engine->CancelCall();
            return;
        }
        QCOMPARE(m_view->status(), QString("Timed out"));
        QVERIFY2(m_view->text.contains("dripping\nxx") &&
                     m_view->text.contains("--- whois.drip.test could not be asked: still sending "
                                           "after 0.7 s, given up ---"),
                 qPrintable(m_view->text));
    }

    // The same host on another port is another server, named with its port.
    void anotherPortIsAnotherServer() {
        LS second({{"second answer\r\n"}}, QHostAddress("127.0.0.100"));
        serve("127.0.0.100", "127.0.0.100",
              {{"ReferralServer: rwhois://127.0.0.100:" + QByteArray::number(second.port()) +
                "/\r\n"}});
        m_session->start("127.0.0.100", "q", {false, true});
        QVERIFY(waitForIdle());
        const QString shown = "127.0.0.100:" + QString::number(second.port());
        QVERIFY2(m_view->text.contains("--- referral to " + shown + " ---\nsecond answer"),
                 qPrintable(m_view->text));
        QCOMPARE(m_view->caption, shown);
    }

    void cancelStopsAChain() {
        serve("whois.iana.org", "127.0.0.10", {{"refer: whois.registry.test\r\n"}});
        LS& registry = serve("whois.registry.test", "127.0.0.11", {{}, 0, LS::Ending::StaySilent});
        m_session->start({}, "example.test", {true, true});
        QTRY_COMPARE(registry.requests().size(), 1);
        m_engine->CancelCall();
        QVERIFY(!m_engine->Busy());
        QCOMPARE(m_view->status(), QString("Call canceled"));
        QVERIFY(m_view->text.contains("--- referral to whois.registry.test ---"));
    }

    void plainHttpIsNoRdapServer() {
        m_session->start("http://rdap.example.test/", "example.test", {false, false});
        QVERIFY(!m_engine->Busy());
        QCOMPARE(m_view->status(),
                 QString("RDAP is asked only over HTTPS: http://rdap.example.test/"));
        QCOMPARE(m_view->clears, 0);
    }
};

QTEST_GUILESS_MAIN(tst_WhoisSession)
#include "tst_whoissession.moc"
