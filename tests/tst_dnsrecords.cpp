// SPDX-License-Identifier: MIT
// DNS records against a real authoritative server (nsd) on loopback, with zones signed at test
// time: every type's presentation, DNSSEC secure, insecure and bogus, NXDOMAIN, no data,
// SERVFAIL, REFUSED, PTR for both families, international names, 1,000 records over TCP,
// DNS over TLS, the root as a lab has it, the system resolver, trust anchors, a silent server
// and Cancel; and against a hostile server: wrong ids, short packets, answers from elsewhere.
#include "ChildProcess.h"
#include "DnsTestServer.h"
#include "HostileDnsServer.h"
#include "RecordingView.h"
#include "net/dns/asking/DirectBatch.h"
#include "net/dns/asking/DirectQuery.h"
#include "net/dns/asking/DnsTlsRelay.h"
#include "net/dns/asking/ServerProbe.h"
#include "net/dns/records/DnsRecordsSession.h"
#include "net/engine/QueryEngine.h"
#include "platform/AsyncSocket.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A DNS-over-TCP question for plain.test A, as a resolver sends it.
const QByteArray tcpQuestion =
    QByteArray::fromHex("001c 1234 0100 0001 0000 0000 0000 05706c61696e047465737400 0001 0001");

// Connects to 127.0.0.1:port from another process (as another user when one is given, from
// the source address and port given), sends a question and says whether an answer came back.
QString askFromAnotherProcess(quint16 port, const QStringList& asUser,
                              const QString& source = "('',0)") {
    const QString script = QStringLiteral("import socket,sys\n"
                                          "s=socket.create_connection(('127.0.0.1',%1),timeout=5,"
                                          "source_address=%3)\n"
                                          "s.sendall(bytes.fromhex('%2'))\n"
                                          "try:\n  data=s.recv(2)\nexcept OSError:\n  data=b''\n"
                                          "print('answered' if data else 'closed')\n")
                               .arg(port)
                               .arg(QString::fromLatin1(tcpQuestion.toHex()), source);
    QProcess process;
    process.start(asUser.isEmpty() ? "/usr/bin/python3" : "setpriv",
                  asUser + QStringList{"/usr/bin/python3", "-c", script}.mid(asUser.isEmpty()));
    // The relay answers from this process's event loop, which runs meanwhile.
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 15000))
        return QStringLiteral("still running");
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed() +
           QString::fromUtf8(process.readAllStandardError()).trimmed();
}

// The resident memory of this process.
qint64 residentBytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

} // namespace

class tst_DnsRecords : public QObject {
    Q_OBJECT

    std::unique_ptr<DnsTestServer> m_server;
    std::unique_ptr<RecordingView> m_view;
    std::unique_ptr<net::QueryEngine> m_engine;
    std::unique_ptr<net::DnsRecordsSession> m_query;

    QString serverText(const QString& kind) const {
        const QString port = QString::number(m_server->port());
        const QString tls = QString::number(m_server->tlsPort());
        if (kind == "fwd")
            return "127.0.0.1@" + port;
        if (kind == "tls")
            return "tls://127.0.0.1@" + tls + "#dot.test";
        if (kind == "tls, wrong name")
            return "tls://127.0.0.1@" + tls + "#wrong.test";
        if (kind == "auth")
            return "Authoritative";
        if (kind == "root")
            return DnsTestServer::RootAddress;
        return "System resolver";
    }

private slots:
    void initTestCase() {
        m_server = std::make_unique<DnsTestServer>();
        QVERIFY2(m_server->running(), qPrintable(m_server->error()));
        QFile resolvConf(m_server->path("resolv.conf"));
        QVERIFY(resolvConf.open(QIODevice::WriteOnly));
        // A resolv.conf names servers on port 53: the root server's, where there is one.
        resolvConf.write(QByteArray("nameserver ") + DnsTestServer::RootAddress + "\n");
    }
    void init() {
        m_view = std::make_unique<RecordingView>();
        m_engine = std::make_unique<net::QueryEngine>(*m_view);
        m_query = std::make_unique<net::DnsRecordsSession>(*m_engine);
        // The test zones' own anchors stand in for the root's.
        m_query->setRootAnchorFile(QString());
        m_query->setResolvConf(m_server->path("resolv.conf"));
        m_query->setHostsFile(m_server->path("no-hosts"));
        m_query->setRootServers(DnsTestServer::RootAddress);
        m_query->setSslConfiguration(m_server->tlsConfiguration());
        m_query->setDeadline(3000);
    }
    void cleanup() {
        m_query.reset();
        m_engine.reset();
        m_view.reset();
        QCOMPARE(platform::openSocketCount(), 0);
    }

    void answers_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("dnssec");
        QTest::addColumn<QString>("status"); // its start
        QTest::addColumn<QStringList>("lines");
        const QString f = "fwd";
        QTest::newRow("common types, secure")
            << "secure.test"
            << "Common" << f << true << "7 records, DNSSEC secure"
            << QStringList{
                   "; Question: secure.test Common (A AAAA CNAME MX NS SOA TXT CAA)\n",
                   "; Status: NOERROR\n",
                   "; DNSSEC: secure\n",
                   "secure.test.\t3600\tIN\tA\t192.0.2.10\n",
                   "secure.test.\t3600\tIN\tAAAA\t2001:db8::10\n",
                   "; no CNAME records\n",
                   "secure.test.\t3600\tIN\tMX\t10 mail.secure.test.\n",
                   "secure.test.\t3600\tIN\tTXT\t\"v=spf1 -all\" \"two \\\"quoted\\\" words\"\n",
                   "secure.test.\t3600\tIN\tCAA\t0 issue \"ca.example\"\n"};
        QTest::newRow("SRV") << "_sip._tcp.secure.test"
                             << "SRV" << f << true << "1 record"
                             << QStringList{"\tSRV\t10 5 5060 sip.secure.test.\n"};
        QTest::newRow("TLSA") << "_443._tcp.secure.test"
                              << "TLSA" << f << true << "1 record"
                              << QStringList{"\tTLSA\t3 1 1 0123456789abcdef"};
        QTest::newRow("HTTPS") << "secure.test"
                               << "HTTPS" << f << true << "1 record"
                               << QStringList{"\tHTTPS\t1 . alpn="};
        QTest::newRow("TYPE65 is HTTPS")
            << "secure.test"
            << "TYPE65" << f << true << "1 record" << QStringList{"\tHTTPS\t1 . alpn="};
        QTest::newRow("SVCB") << "_svc.secure.test"
                              << "SVCB" << f << true << "1 record"
                              << QStringList{"\tSVCB\t1 svc.secure.test. port=8443\n"};
        QTest::newRow("NAPTR") << "secure.test"
                               << "NAPTR" << f << true << "1 record"
                               << QStringList{"\tNAPTR\t100 10 \"S\" \"SIP+D2U\" \"\" _sip._udp"};
        QTest::newRow("DNSKEY") << "secure.test"
                                << "DNSKEY" << f << true << "1 record"
                                << QStringList{"\tDNSKEY\t257 3 13 "};
        QTest::newRow("DS at a delegation")
            << "sub.plain.test"
            << "DS" << f << true << "1 record" << QStringList{"\tDS\t12345 13 2 0123456789abcdef"};
        QTest::newRow("NS and SOA")
            << "plain.test"
            << "SOA" << f << true << "1 record"
            << QStringList{"\tSOA\tns.plain.test. hostmaster.plain.test. 1"};
        QTest::newRow("a CNAME chain in order")
            << "www.secure.test"
            << "A" << f << true << "2 records"
            << QStringList{"www.secure.test.\t3600\tIN\tCNAME\tsecure.test.\n"
                           "secure.test.\t3600\tIN\tA\t192.0.2.10\n"};
        QTest::newRow("bogus: expired signatures")
            << "bogus.test"
            << "MX" << f << true << "DNSSEC bogus: signature expired"
            << QStringList{"; DNSSEC: bogus (",
                           "; MX: failed DNSSEC validation, not to be trusted:\n",
                           ";   bogus.test.\t3600\tIN\tMX\t10 mail.bogus.test.\n"};
        QTest::newRow("unsigned: insecure") << "plain.test"
                                            << "A" << f << true << "1 record, DNSSEC insecure"
                                            << QStringList{"; DNSSEC: insecure\n"};
        QTest::newRow("DNSSEC not checked") << "bogus.test"
                                            << "MX" << f << false << "1 record, DNSSEC not checked"
                                            << QStringList{"; DNSSEC: not checked\n"};
        QTest::newRow("NXDOMAIN") << "nx.secure.test"
                                  << "A" << f << true << "No such name (NXDOMAIN)"
                                  << QStringList{"; Status: NXDOMAIN\n"};
        QTest::newRow("no data") << "plain.test"
                                 << "AAAA" << f << true << "No records of that type"
                                 << QStringList{"; no AAAA records\n"};
        QTest::newRow("SERVFAIL") << "broken.test"
                                  << "A" << f << true << "Server failure (SERVFAIL)"
                                  << QStringList{"; Status: SERVFAIL\n",
                                                 "; DNSSEC: nothing validated (no answer)\n"};
        QTest::newRow("REFUSED") << "other.example"
                                 << "A" << f << false << "Refused by the server"
                                 << QStringList{"; Status: REFUSED\n"};
        QTest::newRow("PTR of an IPv4 address")
            << "192.0.2.10"
            << "Common" << f << true << "1 record"
            << QStringList{"10.2.0.192.in-addr.arpa.\t3600\tIN\tPTR\tsecure.test.\n"};
        QTest::newRow("PTR of an IPv6 address")
            << "2001:db8::1"
            << "Common" << f << true << "1 record"
            << QStringList{
                   "1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.b.d.0.1.0.0.2.ip6.arpa."
                   "\t3600\tIN\tPTR\tplain.test.\n"};
        QTest::newRow("an international name")
            << QString::fromUtf8("b\xC3\xBC"
                                 "cher.plain.test")
            << "A" << f << true << "1 record"
            << QStringList{
                   QString::fromUtf8("xn--bcher-kva.plain.test.\t3600\tIN\tA\t192.0.2.21\t; "
                                     "b\xC3\xBC"
                                     "cher.plain.test.\n")};
        QTest::newRow("an international target")
            << QString::fromUtf8("b\xC3\xBC"
                                 "cher.plain.test")
            << "MX" << f << true << "1 record"
            << QStringList{QString::fromUtf8("\tMX\t10 xn--mil-qla.plain.test.\t; b\xC3\xBC"
                                             "cher.plain.test. -> m\xC3\xA4il.plain.test.\n")};
        QTest::newRow("the root") << "."
                                  << "SOA"
                                  << "root" << false << "1 record"
                                  << QStringList{".\t3600\tIN\tSOA\ta.root.test. hostmaster.test."};
        QTest::newRow("1,000 records over TCP")
            << "big.plain.test"
            << "TXT" << f << true << "1000 records" << QStringList{"\"record number 999\""};
        QTest::newRow("DNS over TLS")
            << "plain.test"
            << "A"
            << "tls" << true << "1 record" << QStringList{"over TLS (dot.test)"};
        QTest::newRow("DNS over TLS, a certificate for another name")
            << "plain.test"
            << "A"
            << "tls, wrong name" << true << "DNS over TLS to 127.0.0.1 failed: certificate"
            << QStringList{"; DNS over TLS to 127.0.0.1 failed: certificate"};
        QTest::newRow("the system resolver")
            << "plain.test"
            << "MX"
            << "system" << true << "1 record" << QStringList{"; Server: the system resolver\n"};
        QTest::newRow("from the root")
            << "plain.test"
            << "A"
            << "auth" << true << "1 record" << QStringList{"; Server: the zone's own servers"};
    }
    void answers() {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, server);
        QFETCH(bool, dnssec);
        QFETCH(QString, status);
        QFETCH(QStringList, lines);
        if (server == "auth" || server == "system" || server == "root")
            QVERIFY2(m_server->servesRoot(), "needs root for a server of its own on port 53");
        m_query->setDeadline(15000);
        m_query->start({name.toUtf8(), type, serverText(server), dnssec,
                        QStringList{m_server->trustAnchors()}});
        QVERIFY(m_engine->Busy());
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 20000);
        QVERIFY2(m_view->status().startsWith(status), qPrintable(m_view->status()));
        QCOMPARE(m_view->text.contains("SERVFAIL"), status.contains("SERVFAIL"));
        for (const QString& line : lines)
            QVERIFY2(m_view->text.contains(line), qPrintable(line + "\nnot in\n" + m_view->text));
        QCOMPARE(m_view->caption,
                 name + ' ' +
                     (name.contains(':') || name.startsWith("192.") ? QString("PTR") : type));
    }

    // A server that never answers is given up at the deadline; Cancel ends a query at once.
    void silentServer_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("deadline") << false;
        QTest::newRow("cancel") << true;
    }
    void silentServer() {
        QFETCH(bool, cancel);
        SilentDnsServer silent;
        m_query->setDeadline(1000);
        m_query->start(
            {"plain.test", "A", "127.0.0.1@" + QString::number(silent.port()), true, {}});
        QTest::qWait(100);
        QVERIFY(m_engine->Busy());
        if (cancel)
            m_engine->CancelCall();
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 5000);
        QCOMPARE(m_view->status(), QString(cancel ? "Call canceled" : "Timed out"));
        const QString said =
            QString("; Timed out: no answer from 127.0.0.1 port %1 after ").arg(silent.port());
        QVERIFY2(m_view->text.contains(said) != cancel, qPrintable(m_view->text));
        QCOMPARE(m_view->caption, QString("plain.test A")); // however the query ended
    }

    // What a server does, said as what it is: whatever it sends, only an answer to the
    // question asked, from the server asked, counts.
    void outcomes_data() {
        using R = HostileDnsServer::Reply;
        QTest::addColumn<int>("reply");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("refused") << int(R::Refused) << "Refused by the server (REFUSED)"
                                 << QStringList{"; Status: REFUSED\n"};
        QTest::newRow("refused, after an answer with a wrong id")
            << int(R::WrongIdFirst) << "Refused by the server (REFUSED)"
            << QStringList{"; Status: REFUSED\n"};
        QTest::newRow("a failure with the server's reason")
            << int(R::ServFail) << "Server failure (SERVFAIL)"
            << QStringList{
                   "; Status: SERVFAIL\n; EDE: 22 (No Reachable Authority): upstream gone\n",
                   "; DNSSEC: nothing validated (no answer)\n"};
        QTest::newRow("refused, with an extended error")
            << int(R::RefusedEde) << "Refused by the server (REFUSED)"
            << QStringList{"; Status: REFUSED\n; EDE: 18 (Prohibited)\n"};
        QTest::newRow("short packets")
            << int(R::Short) << "Malformed answer: a message of 5 bytes, shorter than a DNS header"
            << QStringList{"; Malformed answer from 127.0.0.1 port"};
        QTest::newRow("answers with a wrong id")
            << int(R::WrongId) << "Malformed answer: an answer with another id"
            << QStringList{"; Malformed answer from 127.0.0.1 port"};
        QTest::newRow("an answer to another question")
            << int(R::OtherName) << "Malformed answer: an answer to another question"
            << QStringList{"; Malformed answer from 127.0.0.1 port"};
        QTest::newRow("a bad compression pointer")
            << int(R::BadPointer) << "Malformed answer: invalid compression pointer"
            << QStringList{"; Malformed answer from 127.0.0.1 port"};
    }
    void outcomes() {
        QFETCH(int, reply);
        QFETCH(QString, status);
        QFETCH(QStringList, lines);
        HostileDnsServer hostile{HostileDnsServer::Reply(reply)};
        QVERIFY(hostile.listening());
        m_query->start(
            {"plain.test", "A", "127.0.0.1@" + QString::number(hostile.port()), true, {}});
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 20000);
        QCOMPARE(m_view->status(), status);
        for (const QString& line : lines)
            QVERIFY2(m_view->text.contains(line), qPrintable(line + "\nnot in\n" + m_view->text));
        QVERIFY(!m_view->text.contains("DNSSEC: insecure"));
        // SERVFAIL is said only where the server sent it.
        QCOMPARE(m_view->text.contains("SERVFAIL"),
                 reply == int(HostileDnsServer::Reply::ServFail));
        QCOMPARE(m_view->caption, QString("plain.test A"));
    }

    // Causes on the way are named as what they are, never as the server's SERVFAIL: a TLS
    // server that takes the question and stays silent, a closed port.
    void failuresOnTheWay_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("line");
        QTest::newRow("silent over TLS") << "tls"
                                         << "Timed out"
                                         << "; Timed out: no answer from 127.0.0.1 port";
        QTest::newRow("a closed port") << "closed"
                                       << "127.0.0.1 port"
                                       << "could not be reached: port unreachable";
    }
    void failuresOnTheWay() {
        QFETCH(QString, server);
        QFETCH(QString, status);
        QFETCH(QString, line);
        QSslServer silent; // completes the handshake, reads the question, never answers
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        QFile key(m_server->path("dot.key"));
        QVERIFY(key.open(QIODevice::ReadOnly));
        tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
        tls.setLocalCertificateChain(QSslCertificate::fromPath(m_server->path("dot.pem")));
        silent.setSslConfiguration(tls);
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const quint16 closed = SilentDnsServer().port(); // bound, then closed again
        m_query->setDeadline(40000);
        m_query->start({"plain.test",
                        "A",
                        server == "tls" ? "tls://127.0.0.1@" +
                                              QString::number(silent.serverPort()) + "#dot.test"
                                        : "127.0.0.1@" + QString::number(closed),
                        true,
                        {}});
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 45000);
        QVERIFY2(m_view->status().startsWith(status), qPrintable(m_view->status()));
        QVERIFY2(m_view->text.contains(line), qPrintable(m_view->text));
        QVERIFY2(!m_view->text.contains("SERVFAIL"), qPrintable(m_view->text));
    }

    // The system resolver's refusal is a refusal too.
    void systemResolverRefuses() {
        QVERIFY2(m_server->servesRoot(), "needs root for a server of its own on port 53");
        HostileDnsServer refusing(HostileDnsServer::Reply::Refused, QHostAddress("127.0.0.154"),
                                  53);
        QVERIFY(refusing.listening());
        QFile resolvConf(m_server->path("refusing.conf"));
        QVERIFY(resolvConf.open(QIODevice::WriteOnly));
        resolvConf.write("nameserver 127.0.0.154\n");
        resolvConf.close();
        m_query->setResolvConf(resolvConf.fileName());
        m_query->start({"plain.test", "A", "System resolver", true, {}});
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 20000);
        QCOMPARE(m_view->status(), QString("Refused by the server (REFUSED)"));
    }

    // A question asked straight of one server: only its answer, with the id sent and the
    // question asked, from the address and port asked, is taken.
    void directQuery_data() {
        using R = HostileDnsServer::Reply;
        using D = net::DirectAnswer;
        QTest::addColumn<int>("reply"); // -1: a closed port
        QTest::addColumn<bool>("recursion");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("rcode");
        QTest::addColumn<bool>("overTcp");
        QTest::addColumn<QString>("error");
        QTest::newRow("an answer")
            << int(R::Answer) << true << int(D::Answered) << 0 << false << "";
        QTest::newRow("no recursion asked")
            << int(R::Answer) << false << int(D::Answered) << 0 << false << "";
        QTest::newRow("a wrong id first")
            << int(R::WrongIdFirst) << true << int(D::Answered) << 5 << false << "";
        QTest::newRow("only wrong ids") << int(R::WrongId) << true << int(D::Malformed) << -1
                                        << false << "an answer with another id";
        QTest::newRow("a short packet") << int(R::Short) << true << int(D::Malformed) << -1 << false
                                        << "a message of 5 bytes, shorter than a DNS header";
        QTest::newRow("from another port")
            << int(R::OtherPort) << true << int(D::TimedOut) << -1 << false << "";
        QTest::newRow("truncated: again over TCP")
            << int(R::Truncated) << true << int(D::Answered) << 0 << true << "";
        QTest::newRow("an answer to another question")
            << int(R::OtherName) << false << int(D::Malformed) << -1 << false
            << "an answer to another question";
        QTest::newRow("a bad compression pointer")
            << int(R::BadPointer) << true << int(D::Malformed) << -1 << false
            << "compression pointer";
        // The library would lose the memory of all but one of them, at every answer.
        QTest::newRow("two OPT records") << int(R::TwoOpt) << true << int(D::Malformed) << -1
                                         << false << "more than one OPT record";
        QTest::newRow("two TSIG records") << int(R::TwoTsig) << true << int(D::Malformed) << -1
                                          << false << "more than one TSIG record";
        QTest::newRow("a closed port")
            << -1 << true << int(D::Unreachable) << -1 << false << "port unreachable";
    }
    void directQuery() {
        QFETCH(int, reply);
        QFETCH(bool, recursion);
        QFETCH(int, outcome);
        QFETCH(int, rcode);
        QFETCH(bool, overTcp);
        QFETCH(QString, error);
        HostileDnsServer server{HostileDnsServer::Reply(std::max(reply, 0))};
        const quint16 port = reply >= 0 ? server.port() : SilentDnsServer().port();
        // DNSSEC asked for (the DO bit) as the switch says: here, whenever recursion is.
        net::DirectQuestion question{"plain.test", 1, recursion, recursion};
        net::DirectQueryPtr query(
            new net::DirectQuery(*platform::HostAddress::parse("127.0.0.1"), port, question));
        query->setTimeout(700);
        std::optional<net::DirectAnswer> answer;
        query->onDone = [&](const net::DirectAnswer& a) { answer = a; };
        query->start();
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 5000);
        QCOMPARE(int(answer->outcome), outcome);
        QCOMPARE(answer->overTcp, overTcp);
        QVERIFY2(answer->error.contains(error, Qt::CaseInsensitive), qPrintable(answer->error));
        if (rcode >= 0)
            QCOMPARE(quint8(answer->packet[3]) & 0x0F, rcode);
        if (reply >= 0) {
            const QByteArray asked = server.lastQuestion();
            QCOMPARE(asked.left(2), query->message().left(2)); // the id
            QCOMPARE(bool(quint8(asked[2]) & 0x01), recursion);
            // The OPT record closes the message: its flags (DO is the top bit) end 4 bytes early.
            QCOMPARE(asked.mid(asked.size() - 11, 3), QByteArray::fromHex("000029"));
            QCOMPARE(bool(quint8(asked[asked.size() - 4]) & 0x80), recursion);
        }
    }

    // Stopped means stopped: answers that come after a batch or a probe was stopped are
    // dropped, and nothing more is told.
    void stoppedMeansStopped_data() {
        QTest::addColumn<bool>("batch");
        QTest::newRow("a batch of questions") << true;
        QTest::newRow("a probe of servers") << false;
    }
    void stoppedMeansStopped() {
        QFETCH(bool, batch);
        QUdpSocket late; // answers only when told to
        QVERIFY(late.bind(QHostAddress::LocalHost, 0));
        const auto server = *platform::HostAddress::parse("127.0.0.1");
        const net::DirectQuestion question{"plain.test", 1, false, true};
        int told = 0;
        net::DirectBatch directBatch;
        net::ServerProbe probe;
        directBatch.onProgress = [&](qsizetype, qsizetype) { ++told; };
        directBatch.onDone = [&] { ++told; };
        probe.onDone = [&](const net::ProbeVerdict&) { ++told; };
        if (batch)
            directBatch.start(
                {{server, late.localPort(), question}, {server, late.localPort(), question}}, 5000);
        else
            probe.start({{server, late.localPort(), false}}, question, 5000);
        QList<QNetworkDatagram> questions;
        const auto allAsked = [&] {
            while (late.hasPendingDatagrams())
                questions << late.receiveDatagram();
            return questions.size() >= (batch ? 2 : 1);
        };
        QVERIFY(QTest::qWaitFor(allAsked, 5000));
        batch ? directBatch.stop() : probe.stop();
        for (const QNetworkDatagram& asked : questions) {
            QByteArray answer = asked.data();
            answer[2] = char(quint8(answer[2]) | 0x80); // a response, to the question asked
            late.writeDatagram(answer, asked.senderAddress(), quint16(asked.senderPort()));
        }
        QTest::qWait(300);
        QCOMPARE(told, 0);
    }

    // The root's anchor, the anchors given for a run instead of it, the dialog's added to either.
    void trustAnchors_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("runAnchors");
        QTest::addColumn<bool>("storedAnchors");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("anchorsLine");
        const QString root = "/usr/share/dns/root.key";
        QTest::newRow("the root's alone: no chain to a lab's zone")
            << "plain.test" << false << false << "DNSSEC bogus"
            << "; Trust anchors: " + root;
        QTest::newRow("the run's instead: a lab's unsigned zone is insecure")
            << "plain.test" << true << false << "1 record, DNSSEC insecure"
            << "; Trust anchors: LAB";
        QTest::newRow("the run's instead: a lab's signed zone is secure")
            << "secure.test" << true << false << "1 record, DNSSEC secure"
            << "; Trust anchors: LAB";
        QTest::newRow("stored ones beside the root's")
            << "secure.test" << false << true << "1 record, DNSSEC secure"
            << "; Trust anchors: " + root + ", LAB";
    }
    void trustAnchors() {
        QFETCH(QString, name);
        QFETCH(bool, runAnchors);
        QFETCH(bool, storedAnchors);
        QFETCH(QString, status);
        QFETCH(QString, anchorsLine);
        QVERIFY2(QFile::exists("/usr/share/dns/root.key"), "dns-root-data is needed");
        m_query->setRootAnchorFile("/usr/share/dns/root.key");
        if (runAnchors)
            m_query->setRunTrustAnchors({m_server->trustAnchors()});
        m_query->start({name.toUtf8(), "A", serverText("fwd"), true,
                        storedAnchors ? QStringList{m_server->trustAnchors()} : QStringList{}});
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 20000);
        QVERIFY2(m_view->status().startsWith(status), qPrintable(m_view->status()));
        anchorsLine.replace("LAB", m_server->trustAnchors());
        QVERIFY2(m_view->text.contains(anchorsLine + '\n'), qPrintable(m_view->text));
    }

    // Only this process may use the relay; whatever the server sends, it holds little.
    void tlsRelayServesThisProcessOnly() {
        net::DnsTlsRelay relay;
        relay.setSslConfiguration(m_server->tlsConfiguration());
        QVERIFY(relay.start("127.0.0.1", m_server->tlsPort(), "dot.test"));
        QCOMPARE(askFromAnotherProcess(relay.port(), {}), QString("closed"));
        QVERIFY2(geteuid() == 0, "needs root to connect as another user");
        QCOMPARE(askFromAnotherProcess(relay.port(),
                                       {"--reuid=65534", "--regid=65534", "--clear-groups"}),
                 QString("closed"));
        QTcpSocket own; // this process's own connection is carried
        own.connectToHost(QHostAddress::LocalHost, relay.port());
        QVERIFY(own.waitForConnected(5000));
        own.write(tcpQuestion);
        QTRY_VERIFY_WITH_TIMEOUT(own.bytesAvailable() >= 2, 10000);
        // Another user on another loopback address, with the source port of our live connection
        // (anyone can read it in /proc/net/tcp), is still not us.
        QCOMPARE(askFromAnotherProcess(relay.port(),
                                       {"--reuid=65534", "--regid=65534", "--clear-groups"},
                                       QString("('127.0.0.2',%1)").arg(own.localPort())),
                 QString("closed"));
        QCOMPARE(relay.refusedConnections(), 3);
    }
    // Neither side can make the relay hold much: a server that sends without end to a client
    // that reads nothing, or a client that sends without end to a server that reads nothing.
    void tlsRelayHoldsLittle_data() {
        QTest::addColumn<bool>("serverSends");
        QTest::newRow("the server sends, the client reads nothing") << true;
        QTest::newRow("the client sends, the server reads nothing") << false;
    }
    void tlsRelayHoldsLittle() {
        QFETCH(bool, serverSends);
        QProcess server; // a TLS server that sends without end, or reads nothing
        endWithThisProcess(server);
        server.start("/usr/bin/python3", {"-c",
                                          "import ssl,socket,sys,time\n"
                                          "c=ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)\n"
                                          "c.load_cert_chain(sys.argv[1],sys.argv[2])\n"
                                          "s=socket.socket();s.bind(('127.0.0.1',0));s.listen()\n"
                                          "print(s.getsockname()[1],flush=True)\n"
                                          "t=c.wrap_socket(s.accept()[0],server_side=True)\n"
                                          "while sys.argv[3]=='send': t.sendall(b'x'*65536)\n"
                                          "time.sleep(60)\n",
                                          m_server->path("dot.pem"), m_server->path("dot.key"),
                                          serverSends ? "send" : "read nothing"});
        QVERIFY(server.waitForReadyRead(10000));
        const quint16 port = quint16(server.readLine().trimmed().toUInt());
        net::DnsTlsRelay relay;
        relay.setSslConfiguration(m_server->tlsConfiguration());
        QVERIFY(relay.start("127.0.0.1", port, "dot.test"));
        const qint64 memoryBefore = residentBytes();
        // A plain socket, so that what the client has not sent stays with the test, not in a
        // buffer of this process.
        const int client = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in relayAddress{};
        relayAddress.sin_family = AF_INET;
        relayAddress.sin_port = htons(relay.port());
        relayAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QVERIFY(::connect(client, reinterpret_cast<sockaddr*>(&relayAddress),
                          sizeof relayAddress) == 0);
        QVERIFY(::fcntl(client, F_SETFL, O_NONBLOCK) == 0);
        QCOMPARE(::send(client, tcpQuestion.constData(), size_t(tcpQuestion.size()), 0),
                 ssize_t(tcpQuestion.size()));
        // For a few seconds the client sends what it can (or reads nothing), while the relay
        // runs: what does not flow must wait in the kernel.
        const QByteArray chunk(64 * 1024, 'q');
        qint64 sent = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 4000 && sent < 256 * 1024 * 1024) {
            ssize_t n = 0;
            while (!serverSends &&
                   (n = ::send(client, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL)) > 0)
                sent += n;
            QTest::qWait(20);
        }
        const qint64 grown = residentBytes() - memoryBefore;
        QVERIFY2(relay.mostHeld() > 0 && relay.mostHeld() <= 4 * net::DnsTlsRelay::MaxHeld,
                 qPrintable(QString::number(relay.mostHeld())));
        QVERIFY2(grown < 48 * 1024 * 1024,
                 qPrintable(QString("grew by %1 bytes, %2 sent").arg(grown).arg(sent)));
        if (serverSends) { // reading, it flows on, and the relay still holds little
            qint64 read = 0;
            char buffer[65536];
            QTRY_VERIFY_WITH_TIMEOUT(
                (read += std::max<ssize_t>(0, ::recv(client, buffer, sizeof buffer, 0))) >
                    16 * net::DnsTlsRelay::MaxHeld,
                10000);
            QVERIFY(relay.mostHeld() <= 4 * net::DnsTlsRelay::MaxHeld);
        }
        ::close(client);
        server.kill();
        server.waitForFinished();
    }

    // Servers a test starts end with it, however it ends: here, with a crash.
    void serversEndWithTheTest() {
        QProcess crashing;
        crashing.start(VINTREL_CRASH_WITH_SERVERS, {});
        QVERIFY(crashing.waitForFinished(60000));
        const QByteArray folder = crashing.readAllStandardOutput().trimmed();
        QVERIFY2(!folder.isEmpty(), crashing.readAllStandardError().constData());
        QCOMPARE(crashing.exitStatus(), QProcess::CrashExit);
        // No process is left that runs with the crashed test's files.
        const auto leftOver = [&] {
            for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
                QFile commandLine("/proc/" + pid + "/cmdline");
                if (commandLine.open(QIODevice::ReadOnly) && commandLine.readAll().contains(folder))
                    return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(!leftOver(), 10000);
    }

    void badInputStartsNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("status");
        QTest::newRow("a type") << "plain.test"
                                << "X Y"
                                << "System resolver"
                                << "Not a record type: X Y";
        QTest::newRow("a type known by number only")
            << "plain.test"
            << "AVC"
            << "System resolver"
            << "Not a record type this program knows: AVC (ask for it by its number, as TYPEnnn)";
        QTest::newRow("a port") << "plain.test"
                                << "A"
                                << "9.9.9.9@99999"
                                << "Not a port: 9.9.9.9@99999";
        QTest::newRow("an empty label") << "a..test"
                                        << "A"
                                        << "System resolver"
                                        << "Invalid host name: the name has an empty label";
    }
    void badInputStartsNothing() {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, server);
        QFETCH(QString, status);
        m_query->start({name.toUtf8(), type, server, true, {}});
        QVERIFY(!m_engine->Busy());
        QCOMPARE(m_view->status(), status);
        QCOMPARE(m_view->clears, 0);
    }
};

QTEST_GUILESS_MAIN(tst_DnsRecords)
#include "tst_dnsrecords.moc"
