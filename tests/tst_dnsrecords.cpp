// SPDX-License-Identifier: MIT
// DNS records against a real authoritative server (nsd) on loopback, with zones signed at test
// time: every type's presentation, DNSSEC secure, insecure and bogus, NXDOMAIN, no data,
// SERVFAIL, REFUSED, PTR for both families, an international name, 1,000 records over TCP,
// DNS over TLS, the root as a lab has it, the system resolver, a silent server and Cancel.
#include "DnsTestServer.h"
#include "RecordingView.h"
#include "net/dns/DnsRecordsQuery.h"
#include "net/engine/QueryEngine.h"
#include "platform/AsyncSocket.h"

#include <QFile>
#include <QTest>

class tst_DnsRecords : public QObject {
    Q_OBJECT

    std::unique_ptr<DnsTestServer> m_server;
    std::unique_ptr<RecordingView> m_view;
    std::unique_ptr<net::QueryEngine> m_engine;
    std::unique_ptr<net::DnsRecordsQuery> m_query;

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
        m_query = std::make_unique<net::DnsRecordsQuery>(*m_engine);
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
            << "secure.test" << "Common" << f << true << "7 records, DNSSEC secure"
            << QStringList{"; Question: secure.test Common (A AAAA CNAME MX NS SOA TXT CAA)\n",
                           "; Status: NOERROR\n", "; DNSSEC: secure\n",
                           "secure.test.\t3600\tIN\tA\t192.0.2.10\n",
                           "secure.test.\t3600\tIN\tAAAA\t2001:db8::10\n", "; no CNAME records\n",
                           "secure.test.\t3600\tIN\tMX\t10 mail.secure.test.\n",
                           "secure.test.\t3600\tIN\tTXT\t\"v=spf1 -all\" \"two \\\"quoted\\\" words\"\n",
                           "secure.test.\t3600\tIN\tCAA\t0 issue \"ca.example\"\n"};
        QTest::newRow("SRV") << "_sip._tcp.secure.test" << "SRV" << f << true << "1 record"
                             << QStringList{"\tSRV\t10 5 5060 sip.secure.test.\n"};
        QTest::newRow("TLSA") << "_443._tcp.secure.test" << "TLSA" << f << true << "1 record"
                              << QStringList{"\tTLSA\t3 1 1 0123456789abcdef"};
        QTest::newRow("HTTPS") << "secure.test" << "HTTPS" << f << true << "1 record"
                               << QStringList{"\tHTTPS\t1 . alpn="};
        QTest::newRow("TYPE65 is HTTPS") << "secure.test" << "TYPE65" << f << true << "1 record"
                                         << QStringList{"\tHTTPS\t1 . alpn="};
        QTest::newRow("SVCB") << "_svc.secure.test" << "SVCB" << f << true << "1 record"
                              << QStringList{"\tSVCB\t1 svc.secure.test. port=8443\n"};
        QTest::newRow("NAPTR") << "secure.test" << "NAPTR" << f << true << "1 record"
                               << QStringList{"\tNAPTR\t100 10 \"S\" \"SIP+D2U\" \"\" _sip._udp"};
        QTest::newRow("DNSKEY") << "secure.test" << "DNSKEY" << f << true << "1 record"
                                << QStringList{"\tDNSKEY\t257 3 13 "};
        QTest::newRow("DS at a delegation") << "sub.plain.test" << "DS" << f << true << "1 record"
                                            << QStringList{"\tDS\t12345 13 2 0123456789abcdef"};
        QTest::newRow("NS and SOA") << "plain.test" << "SOA" << f << true << "1 record"
                                    << QStringList{"\tSOA\tns.plain.test. hostmaster.plain.test. 1"};
        QTest::newRow("a CNAME chain in order")
            << "www.secure.test" << "A" << f << true << "2 records"
            << QStringList{"www.secure.test.\t3600\tIN\tCNAME\tsecure.test.\n"
                           "secure.test.\t3600\tIN\tA\t192.0.2.10\n"};
        QTest::newRow("bogus: expired signatures")
            << "bogus.test" << "MX" << f << true << "DNSSEC bogus: signature expired"
            << QStringList{"; DNSSEC: bogus (", "; MX: failed DNSSEC validation, not to be trusted:\n",
                           ";   bogus.test.\t3600\tIN\tMX\t10 mail.bogus.test.\n"};
        QTest::newRow("unsigned: insecure") << "plain.test" << "A" << f << true
                                            << "1 record, DNSSEC insecure"
                                            << QStringList{"; DNSSEC: insecure\n"};
        QTest::newRow("DNSSEC not checked") << "bogus.test" << "MX" << f << false
                                            << "1 record, DNSSEC not checked"
                                            << QStringList{"; DNSSEC: not checked\n"};
        QTest::newRow("NXDOMAIN") << "nx.secure.test" << "A" << f << true
                                  << "No such name (NXDOMAIN)"
                                  << QStringList{"; Status: NXDOMAIN\n"};
        QTest::newRow("no data") << "plain.test" << "AAAA" << f << true
                                 << "No records of that type"
                                 << QStringList{"; no AAAA records\n"};
        QTest::newRow("SERVFAIL") << "broken.test" << "A" << f << true
                                  << "Server failure (SERVFAIL)"
                                  << QStringList{"; Status: SERVFAIL\n"};
        QTest::newRow("REFUSED") << "other.example" << "A" << f << false << "Refused by the server"
                                 << QStringList{"; Status: REFUSED\n"};
        QTest::newRow("PTR of an IPv4 address")
            << "192.0.2.10" << "Common" << f << true << "1 record"
            << QStringList{"10.2.0.192.in-addr.arpa.\t3600\tIN\tPTR\tsecure.test.\n"};
        QTest::newRow("PTR of an IPv6 address")
            << "2001:db8::1" << "Common" << f << true << "1 record"
            << QStringList{"1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.b.d.0.1.0.0.2.ip6.arpa."
                           "\t3600\tIN\tPTR\tplain.test.\n"};
        QTest::newRow("an international name")
            << QString::fromUtf8("b\xC3\xBC"
                                 "cher.plain.test")
            << "A" << f << true << "1 record"
            << QStringList{QString::fromUtf8("xn--bcher-kva.plain.test.\t3600\tIN\tA\t192.0.2.21\t; "
                                             "b\xC3\xBC"
                                             "cher.plain.test.\n")};
        QTest::newRow("1,000 records over TCP") << "big.plain.test" << "TXT" << f << true
                                                << "1000 records"
                                                << QStringList{"\"record number 999\""};
        QTest::newRow("DNS over TLS") << "plain.test" << "A" << "tls" << true << "1 record"
                                      << QStringList{"over TLS (dot.test)"};
        QTest::newRow("DNS over TLS, a certificate for another name")
            << "plain.test" << "A" << "tls, wrong name" << true
            << "DNS over TLS to 127.0.0.1 failed: certificate" << QStringList{};
        QTest::newRow("the system resolver") << "plain.test" << "MX" << "system" << true
                                             << "1 record"
                                             << QStringList{"; Server: the system resolver\n"};
        QTest::newRow("from the root") << "plain.test" << "A" << "auth" << true << "1 record"
                                       << QStringList{"; Server: the zone's own servers"};
    }
    void answers() {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, server);
        QFETCH(bool, dnssec);
        QFETCH(QString, status);
        QFETCH(QStringList, lines);
        if ((server == "auth" || server == "system") && !m_server->servesRoot())
            QSKIP("needs root for a server of its own on port 53");
        m_query->setDeadline(15000);
        m_query->start({name.toUtf8(), type, serverText(server), dnssec,
                        QStringList{m_server->trustAnchors()}});
        QVERIFY(m_engine->Busy());
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 20000);
        QVERIFY2(m_view->status().startsWith(status), qPrintable(m_view->status()));
        for (const QString& line : lines)
            QVERIFY2(m_view->text.contains(line), qPrintable(line + "\nnot in\n" + m_view->text));
        if (!status.startsWith("DNS over TLS"))
            QCOMPARE(m_view->caption, name + ' ' + (name.contains(':') || name.startsWith("192.")
                                                        ? QString("PTR")
                                                        : type));
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
        m_query->start({"plain.test", "A", "127.0.0.1@" + QString::number(silent.port()), true, {}});
        QTest::qWait(100);
        QVERIFY(m_engine->Busy());
        if (cancel)
            m_engine->CancelCall();
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 5000);
        QCOMPARE(m_view->status(), QString(cancel ? "Call canceled" : "Timed out"));
        QCOMPARE(m_view->text.contains("; Timed out: no answer within 1 seconds"), !cancel);
    }

    void badInputStartsNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("status");
        QTest::newRow("a type") << "plain.test" << "XYZ" << "System resolver"
                                << "Not a record type: XYZ";
        QTest::newRow("a port") << "plain.test" << "A" << "9.9.9.9@99999" << "Not a port: 9.9.9.9@99999";
        QTest::newRow("an empty label") << "a..test" << "A" << "System resolver"
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
