// SPDX-License-Identifier: MIT
// Where a WhoIs answer refers a query on, and what the root registry is asked.
#include "net/whois/WhoisReferral.h"

#include <QTest>

class tst_WhoisReferral : public QObject {
    Q_OBJECT

private slots:
    void scanReferrals_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("fromRoot");
        QTest::addColumn<QByteArray>("host"); // empty: no referral
        QTest::addColumn<int>("port");        // connected to; 0: the whois service's
        QTest::addColumn<int>("refused");     // referral lines passed over, and said so
        QTest::newRow("root registry")
            << "domain:       COM\nrefer:        whois.verisign-grs.com\n"
            << true << QByteArray("whois.verisign-grs.com") << 0 << 0;
        QTest::newRow("root registry's own whois line")
            << "domain: EXAMPLE\nwhois:        whois.nic.example\r\n"
            << true << QByteArray("whois.nic.example") << 0 << 0;
        QTest::newRow("a thick registry's whois line is its web page")
            << "domain: example.pl\nwhois: https://dns.pl/en/whois\n"
            << false << QByteArray() << 0 << 0;
        QTest::newRow("thin registry") << "   Domain Name: EXAMPLE.COM\r\n   Registrar WHOIS "
                                          "Server: WHOIS.Registrar.Example\r\n"
                                       << false << QByteArray("whois.registrar.example") << 0 << 0;
        QTest::newRow("older thin answer: the queried name's record")
            << "Domain Name: EXAMPLE.COM.EVIL\n   Whois Server: whois.evil.example\n\n"
               "Domain Name: EXAMPLE.COM\n   Whois Server: whois.mine.example\n"
            << false << QByteArray("whois.mine.example") << 0 << 0;
        QTest::newRow("a complete record needs no registrar")
            << "Domain Name: EXAMPLE.COM\nRegistrar WHOIS Server: whois.r.example\n"
               "Registrant Name: Someone\nAdmin Email: a@example.com\n"
            << false << QByteArray() << 0 << 1;
        QTest::newRow("registrar given as a web address")
            << "Registrar WHOIS Server: http://whois.registrar.example/lookup\n"
            << false << QByteArray() << 0 << 1;
        QTest::newRow("address registry, whois://")
            << "NetRange: 192.0.2.0 - 192.0.2.255\nReferralServer:  whois://whois.ripe.net\n"
            << false << QByteArray("whois.ripe.net") << 0 << 0;
        QTest::newRow("address registry, rwhois with its port")
            << "ReferralServer: rwhois://rwhois.example.net:4321/\n"
            << false << QByteArray("rwhois.example.net") << 4321 << 0;
        QTest::newRow("rwhois without a port: RWhois's own")
            << "ReferralServer: rwhois://rwhois.example.net/\n"
            << false << QByteArray("rwhois.example.net") << 4321 << 0;
        QTest::newRow("whois:// with WhoIs's own port")
            << "ReferralServer: whois://whois.example.net:43\n"
            << false << QByteArray("whois.example.net") << 0 << 0;
        QTest::newRow("a finger daemon's port is another protocol's")
            << "ReferralServer: whois://127.0.0.1:79\n"
            << false << QByteArray() << 0 << 1;
        QTest::newRow("DNS's port") << "ReferralServer: rwhois://r.example.net:53/\n"
                                    << false << QByteArray() << 0 << 1;
        QTest::newRow("SSH's port") << "ReferralServer: rwhois://r.example.net:22/\n"
                                    << false << QByteArray() << 0 << 1;
        QTest::newRow("WhoIs's port is no RWhois port")
            << "ReferralServer: rwhois://r.example.net:43/\n"
            << false << QByteArray() << 0 << 1;
        QTest::newRow("address registry, a web address")
            << "ReferralServer: http://host.example/whois?q=1\n"
            << false << QByteArray() << 0 << 1;
        QTest::newRow("several: the last is the most specific")
            << "ReferralServer: whois://whois.arin.net\nReferralServer: whois.isp.example\n"
            << false << QByteArray("whois.isp.example") << 0 << 0;
        QTest::newRow("refer wins over whois") << "whois: whois.a.example\nrefer: whois.b.example\n"
                                               << true << QByteArray("whois.b.example") << 0 << 0;
        QTest::newRow("IPv6 server with a port")
            << "ReferralServer: whois://[2001:db8::43]:4343\n"
            << false << QByteArray("2001:db8::43") << 4343 << 0;
        QTest::newRow("no port in a refer line") << "refer: whois.example.net:4343\n"
                                                 << true << QByteArray() << 0 << 1;
        QTest::newRow("empty whois line") << "domain: EXAMPLE\nwhois:\n"
                                          << true << QByteArray() << 0 << 0;
        QTest::newRow("a value with a space is refused") << "refer: whois.example.net; rm -rf\n"
                                                         << true << QByteArray() << 0 << 1;
        QTest::newRow("a name without a dot is refused") << "   Registrar WHOIS Server: NIRA\r\n"
                                                         << false << QByteArray() << 0 << 1;
        QTest::newRow("a port out of range is refused")
            << "ReferralServer: rwhois://r.example:70000/\n"
            << false << QByteArray() << 0 << 1;
        QTest::newRow("a name in running text is no referral")
            << "% See the refer: line of whois.iana.org for more\n"
            << false << QByteArray() << 0 << 0;
        QTest::newRow("nothing") << "No match for \"EXAMPLE.TEST\".\n"
                                 << false << QByteArray() << 0 << 0;
    }
    void scanReferrals() {
        QFETCH(QString, answer);
        QFETCH(bool, fromRoot);
        QFETCH(QByteArray, host);
        QFETCH(int, port);
        QFETCH(int, refused);
        const net::ReferralScan scan = net::scanReferrals(answer, {fromRoot, "example.com"});
        QCOMPARE(scan.referral.has_value(), !host.isEmpty());
        if (scan.referral) {
            QCOMPARE(scan.referral->host, host);
            QCOMPARE(int(scan.referral->effectivePort()), port);
        }
        QCOMPARE(scan.notFollowed.size(), refused);
    }

    // An older thin answer names the registrar under the queried name's record, however the
    // query was written: with a final dot, or "=" asking for the exact name.
    void legacyWhoisServerLine_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::newRow("as it is") << QByteArray("example.com");
        QTest::newRow("a final dot") << QByteArray("example.com.");
        QTest::newRow("an exact-name query") << QByteArray("=example.com");
        QTest::newRow("an exact-name query with a blank") << QByteArray("= EXAMPLE.COM");
    }
    void legacyWhoisServerLine() {
        QFETCH(QByteArray, query);
        const net::ReferralScan scan = net::scanReferrals(
            u"Domain Name: EXAMPLE.COM.EVIL\n   Whois Server: whois.evil.example\n\n"
            u"Domain Name: EXAMPLE.COM\n   Whois Server: whois.mine.example\n",
            {false, query});
        QVERIFY(scan.referral.has_value());
        QCOMPARE(scan.referral->host, QByteArray("whois.mine.example"));
    }

    // How a server is named: its port too when it is not the referral kind's own.
    void shownNames_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("WhoIs's own port") << "ReferralServer: whois://w.example:43"
                                          << "w.example";
        QTest::newRow("RWhois's own port") << "ReferralServer: rwhois://r.example:4321/"
                                           << "r.example";
        QTest::newRow("another port") << "ReferralServer: rwhois://r.example:4322/"
                                      << "r.example:4322";
        QTest::newRow("IPv6 with a port") << "ReferralServer: whois://[2001:db8::43]:4343"
                                          << "[2001:db8::43]:4343";
    }
    void shownNames() {
        QFETCH(QString, line);
        QFETCH(QString, shown);
        const net::ReferralScan scan = net::scanReferrals(line, {false, "q"});
        QVERIFY(scan.referral.has_value());
        QCOMPARE(scan.referral->shown(), shown);
    }

    void queryKinds_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<int>("kind");
        QTest::newRow("domain") << QByteArray("example.com") << int(net::QueryKind::Domain);
        QTest::newRow("IPv4") << QByteArray("192.0.2.1") << int(net::QueryKind::Address);
        QTest::newRow("IPv6") << QByteArray("2001:db8::1") << int(net::QueryKind::Address);
        QTest::newRow("AS number") << QByteArray("AS64500") << int(net::QueryKind::AsNumber);
        QTest::newRow("handle") << QByteArray("ABC123-ARIN") << int(net::QueryKind::Other);
        QTest::newRow("with options") << QByteArray("-B example.com") << int(net::QueryKind::Other);
    }
    void queryKinds() {
        QFETCH(QByteArray, query);
        QFETCH(int, kind);
        QCOMPARE(int(net::queryKind(query)), kind);
    }

    void rootRegistryQuery_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("asked");
        QTest::newRow("domain") << QByteArray("www.example.com") << QByteArray("com");
        QTest::newRow("domain with a final dot") << QByteArray("example.org.") << QByteArray("org");
        QTest::newRow("top-level domain") << QByteArray("com") << QByteArray("com");
        QTest::newRow("IPv4 address") << QByteArray("192.0.2.1") << QByteArray("192.0.2.1");
        QTest::newRow("IPv4 network") << QByteArray("192.0.2.0/24") << QByteArray("192.0.2.0/24");
        QTest::newRow("IPv6 address") << QByteArray("2001:db8::1") << QByteArray("2001:db8::1");
        QTest::newRow("AS number") << QByteArray("AS64496") << QByteArray("AS64496");
        QTest::newRow("hex-looking domain") << QByteArray("deadbeef.cafe") << QByteArray("cafe");
    }
    void rootRegistryQuery() {
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, asked);
        QCOMPARE(net::rootRegistryQuery(query), asked);
    }
};

QTEST_MAIN(tst_WhoisReferral)
#include "tst_whoisreferral.moc"
