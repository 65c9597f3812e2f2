// SPDX-License-Identifier: MIT
// Servers compared, against real authoritative servers (nsd) on loopback addresses in a network
// of the test's own: every authoritative server of a zone in disarray (a stale copy, a changed
// record, expired signatures, a refusal, silence, a name server without an address, a parent
// whose delegation and glue differ from the zone), one whose servers all agree, one with more
// servers than are asked, resolvers side by side, what goes on the wire, and Cancel.
#include "ComparisonServers.h"
#include "HostileDnsServer.h"
#include "RecordingView.h"
#include "TestNetwork.h"
#include "net/dns/records/DnsRecordsSession.h"
#include "net/engine/QueryEngine.h"
#include "net/engine/Transcript.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

namespace {

bool recursionAsked(const QByteArray& message) {
    return message.size() > 2 && (static_cast<unsigned char>(message[2]) & 0x01) != 0;
}

// Whether the message's closing OPT record (no options) sets the DO bit.
bool dnssecAsked(const QByteArray& message) {
    return message.size() >= 23 &&
           message.mid(message.size() - 11, 3) == QByteArray::fromHex("000029") &&
           (static_cast<unsigned char>(message[message.size() - 4]) & 0x80) != 0;
}

} // namespace

class tst_DnsCompare : public QObject {
    Q_OBJECT

    std::unique_ptr<ComparisonServers> m_servers;
    // Answers every question with an answer to another one.
    std::unique_ptr<HostileDnsServer> m_otherQuestion;
    // tcp.test's servers that answer over one transport only.
    std::unique_ptr<HostileDnsServer> m_udpOnly;
    std::unique_ptr<HostileDnsServer> m_tcpOnly;
    std::unique_ptr<RecordingTranscriptView> m_view;
    std::unique_ptr<net::QueryEngine> m_engine;
    std::unique_ptr<net::DnsRecordsSession> m_query;

    void compare(const QString& name, const QString& server, bool dnssec = true) {
        m_query->start({name.toUtf8(), "A", server, dnssec, {}, "Authoritative"});
    }

private slots:
    void initTestCase() {
        QVERIFY2(enterOwnNetwork(), "needs root, for a network of the test's own");
        m_servers = std::make_unique<ComparisonServers>();
        QVERIFY2(m_servers->running(), qPrintable(m_servers->error()));
        m_otherQuestion = std::make_unique<HostileDnsServer>(HostileDnsServer::Reply::OtherName,
                                                             QHostAddress("127.0.0.37"), 53);
        QVERIFY(m_otherQuestion->listening());
        m_udpOnly = std::make_unique<HostileDnsServer>(HostileDnsServer::Reply::UdpOnly,
                                                       QHostAddress("127.0.0.41"), 53);
        m_tcpOnly = std::make_unique<HostileDnsServer>(HostileDnsServer::Reply::TcpOnly,
                                                       QHostAddress("127.0.0.42"), 53);
        QVERIFY(m_udpOnly->listening() && m_tcpOnly->listening());
    }
    void init() {
        m_view = std::make_unique<RecordingTranscriptView>();
        m_engine = std::make_unique<net::QueryEngine>(*m_view);
        m_query = std::make_unique<net::DnsRecordsSession>(*m_engine);
        m_query->setRootAnchorFile(QString());
        m_query->setRootServers(ComparisonServers::Root);
        m_query->comparison().setAnswerTimeout(1000);
        m_query->comparison().setResolverTimeout(2000);
    }
    void cleanup() {
        m_query.reset();
        m_engine.reset();
        m_view.reset();
    }

    void comparisons_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("lines");
        const QString every = "Every authoritative server";
        QTest::newRow("a zone in disarray")
            << "www.cmp.test" << every << "8 of 9 addresses differ; the delegation has a fault"
            << QStringList{
                   "; Comparison: www.cmp.test A at every authoritative server of cmp.test.\n",
                   "; Zone found through: the zone's own servers, found from the root\n",
                   "; Summary: 8 of 9 addresses differ: the answer at 2, REFUSED at 1, timed out "
                   "at 1, unreachable at 2, no address for 1, an older SOA serial at 1, "
                   "signatures expired at 1, the parent's delegation, the glue of 2 name "
                   "servers; the delegation has a fault\n",
                   "; ns2.cmp.test.     127.0.0.32",
                   "B differs\n",
                   "; ns3.cmp.test.     127.0.0.99 (glue)",
                   "; ns7.nowhere.test. -",
                   "no address (no such name (NXDOMAIN))",
                   "; A: 2 addresses agree: ns1.cmp.test. 127.0.0.31, ns4.cmp.test. 127.0.0.34\n"
                   "www.cmp.test.\t3600\tIN\tA\t192.0.2.2\n",
                   "; B differs: ns2.cmp.test. 127.0.0.32\nwww.cmp.test.\t3600\tIN\tA\t192.0.2.99\n"
                   "; not at B: www.cmp.test.\t3600\tIN\tA\t192.0.2.2\n"
                   "; only at B: www.cmp.test.\t3600\tIN\tA\t192.0.2.99\n",
                   ";   serial differs: 2 at ns1.cmp.test. 127.0.0.31, ns2.cmp.test. 127.0.0.32, "
                   "ns4.cmp.test. 127.0.0.34; 1 (older) at ns3.cmp.test. 127.0.0.33\n",
                   ";   MNAME ns1.cmp.test., RNAME hostmaster.cmp.test., refresh 7200, retry 3600, "
                   "expire 1209600, minimum 3600: the same at every address that gave it\n",
                   "; Delegation of cmp.test. at the parent test.\n;   differs: only at the "
                   "parent: ns9.cmp.test.; only in the zone: ns7.nowhere.test.\n",
                   ";   as in the zone for ns1.cmp.test., ns2.cmp.test., ns4.cmp.test. and 2 "
                   "more\n",
                   ";   ns3.cmp.test. differs: the parent says 127.0.0.99, the zone says "
                   "127.0.0.33\n",
                   ";   ns9.cmp.test. differs: the parent says 127.0.0.39, the zone gives no "
                   "address (no such name (NXDOMAIN))\n",
                   ";   expired at ns4.cmp.test. 127.0.0.34: RRSIG A of www.cmp.test. expired "
                   "2020-01-01 00:00:00 UTC\n"};
        QTest::newRow("a zone whose servers agree")
            << "www.wide.test" << every << "All 26 addresses agree"
            << QStringList{"; Summary: all 26 addresses agree\n", "; w13.wide.test. fd00::13",
                           ";   the same name servers as the zone's own NS records\n; Glue\n;   "
                           "as in the zone for 13 name servers\n",
                           ";   valid at 26 addresses\n"};
        QTest::newRow("a zone set up wrong")
            << "www.lame.test" << every << "All 3 addresses agree; the delegation has 3 faults"
            << QStringList{
                   "; Faults: a name server is an alias, glue missing at the parent, one network "
                   "(see Delegation faults below)\n",
                   "; Delegation faults\n;   alias.lame.test. (of real.lame.test.) is an alias "
                   "(CNAME): a name server's name must have address records of its own, not an "
                   "alias (RFC 2181 §10.3)\n;   bare.lame.test. is inside lame.test., but the "
                   "parent gives no glue for it: it cannot be reached from the delegation alone "
                   "(RFC 9471)\n;   every address of the name servers is in 127.0.0.0/24: one "
                   "network is a single point of failure (RFC 2182 §3.1)\n"};
        QTest::newRow("servers that answer over one transport")
            << "www.tcp.test" << every << "2 of 3 addresses differ; the delegation has a fault"
            << QStringList{
                   ";   not over TCP: unreachable (connection refused) at u.tcp.test. 127.0.0.41\n",
                   "; Summary: 2 of 3 addresses differ: not authoritative at 1, timed out at 1, "
                   "not over TCP at 1, over TCP only at 1; the delegation has a fault\n",
                   ";   over TCP only (over UDP: timed out) at t.tcp.test. 127.0.0.42\n"};
        QTest::newRow("more servers than are asked")
            << "www.many.test" << every << "64 of 128 addresses differ"
            << QStringList{"not asked at 64, 6 name servers not looked up\n",
                           "; 6 more name servers not looked up: at most 64 are\n",
                           "not asked (at most 64 addresses are asked)"};
        QTest::newRow("resolvers side by side")
            << "www.cmp.test"
            << "127.0.0.31, 127.0.0.33, 127.0.0.35, 127.0.0.36, 127.0.0.37"
            << "4 of 5 servers differ"
            << QStringList{"; Comparison: www.cmp.test A at 5 servers side by side\n",
                           "; Summary: 4 of 5 servers differ: the answer at 1, REFUSED at 1, "
                           "malformed at 1, timed out at 1\n",
                           "malformed (an answer to another question)",
                           "; 127.0.0.31 port 53",
                           "insecure 3600       A\n",
                           "; 127.0.0.35 port 53",
                           "REFUSED",
                           "timed out",
                           "; B differs: 127.0.0.33 port 53\n"};
    }
    void comparisons() {
        QFETCH(QString, name);
        QFETCH(QString, server);
        QFETCH(QString, status);
        QFETCH(QStringList, lines);
        m_servers->silentServerReceived(); // what earlier rows sent
        compare(name, server);
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 60000);
        QCOMPARE(m_view->status(), status);
        QCOMPARE(m_view->caption, name + " A");
        // A script's exit status tells agreement from a difference.
        QCOMPARE(m_view->outcomes.size(), 1);
        QCOMPARE(m_view->outcomes[0].answer,
                 status.startsWith("All") ? net::Answer::Whole : net::Answer::Differs);
        for (const QString& line : lines)
            QVERIFY2(m_view->text.contains(line), qPrintable(line + "\n---\n" + m_view->text));
        // Every authoritative server is asked for its own data: never recursion.
        if (server.startsWith("Every")) {
            const QList<QByteArray>& sent = m_query->comparison().sent();
            QVERIFY(!sent.isEmpty());
            QVERIFY(std::none_of(sent.begin(), sent.end(), recursionAsked));
            const QList<QByteArray> onTheWire = m_servers->silentServerReceived();
            // The silent server is one of cmp.test's: its comparison asks it; a zone whose
            // name server is in cmp.test may reach it while that server's address is found
            // (the resolver picks a server at random); any other zone never does.
            if (name == "www.cmp.test")
                QVERIFY(!onTheWire.isEmpty());
            else if (name != "www.lame.test" && name != "www.tcp.test")
                QVERIFY(onTheWire.isEmpty());
            QVERIFY(std::none_of(onTheWire.begin(), onTheWire.end(), recursionAsked));
            const QList<QByteArray>& delegation = m_query->comparison().delegationSent();
            QVERIFY(!delegation.isEmpty());
            QVERIFY(std::none_of(delegation.begin(), delegation.end(), recursionAsked));
        }
    }

    // DNSSEC records are asked for (the DO bit) of every server as the DNSSEC switch says.
    void dnssecAskedAsTheSwitchSays_data() {
        QTest::addColumn<bool>("dnssec");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void dnssecAskedAsTheSwitchSays() {
        QFETCH(bool, dnssec);
        compare("www.wide.test", "Every authoritative server", dnssec);
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 60000);
        const QList<QByteArray>& sent = m_query->comparison().sent();
        QVERIFY(!sent.isEmpty());
        for (const QByteArray& message : sent)
            QCOMPARE(dnssecAsked(message), dnssec);
    }

    // What a script reads: every server with its outcome and messages, the groups and the zone.
    void scriptsReadTheSame() {
        compare("www.cmp.test", "Every authoritative server");
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 60000);
        const QJsonObject json = m_view->records.value("comparison").toObject();
        const QJsonArray servers = json.value("servers").toArray();
        QCOMPARE(servers.size(), 9);
        QCOMPARE(servers[1].toObject().value("address").toString(), QString("127.0.0.32"));
        QCOMPARE(servers[1].toObject().value("group").toInt(), 1);
        QCOMPARE(servers[1].toObject().value("messages").toArray()[0].toObject().value("RD"),
                 QJsonValue(false));
        QCOMPARE(json.value("groups").toArray().size(), 3);
        QCOMPARE(json.value("zone").toObject().value("delegation").toObject().value("onlyAtParent"),
                 QJsonValue(QJsonArray{"ns9.cmp.test."}));
        QCOMPARE(json.value("agree").toBool(), false);
    }

    // Cancel ends the comparison at once, whatever is under way, and nothing comes after.
    void cancelEndsIt() {
        compare("www.cmp.test", "Every authoritative server");
        QTRY_VERIFY_WITH_TIMEOUT(m_view->statuses.join('\n').contains("Asking 8 addresses"), 30000);
        m_engine->CancelCall();
        QVERIFY(!m_engine->Busy());
        const QString shown = m_view->text;
        QTest::qWait(1500); // longer than a silent server is waited for
        QCOMPARE(m_view->text, shown);
        QCOMPARE(m_view->caption, QString("www.cmp.test A"));
    }
};

QTEST_MAIN(tst_DnsCompare)
#include "tst_dnscompare.moc"
