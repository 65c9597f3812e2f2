// SPDX-License-Identifier: MIT
// Where a WhoIs answer refers a query on, and what the root registry is asked.
#include "net/WhoisReferral.h"

#include <QTest>

using net::WhoisReferral;

class tst_WhoisReferral : public QObject {
    Q_OBJECT

private slots:
    void findReferral_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("host"); // empty: no referral
        QTest::addColumn<int>("port");
        QTest::newRow("root registry")
            << "domain:       COM\nrefer:        whois.verisign-grs.com\n"
            << QByteArray("whois.verisign-grs.com") << 0;
        QTest::newRow("root registry's own whois line")
            << "domain: EXAMPLE\nwhois:        whois.nic.example\r\n"
            << QByteArray("whois.nic.example") << 0;
        QTest::newRow("thin registry") << "   Domain Name: EXAMPLE.COM\r\n   Registrar WHOIS "
                                          "Server: WHOIS.Registrar.Example\r\n"
                                       << QByteArray("whois.registrar.example") << 0;
        QTest::newRow("registrar given as a web address")
            << "Registrar WHOIS Server: http://whois.registrar.example/lookup\n"
            << QByteArray("whois.registrar.example") << 0;
        QTest::newRow("address registry, whois://")
            << "NetRange: 192.0.2.0 - 192.0.2.255\nReferralServer:  whois://whois.ripe.net\n"
            << QByteArray("whois.ripe.net") << 0;
        QTest::newRow("address registry, rwhois with its port")
            << "ReferralServer: rwhois://rwhois.example.net:4321/\n"
            << QByteArray("rwhois.example.net") << 4321;
        QTest::newRow("several: the last is the most specific")
            << "ReferralServer: whois://whois.arin.net\nReferralServer: whois.isp.example\n"
            << QByteArray("whois.isp.example") << 0;
        QTest::newRow("refer wins over whois") << "whois: whois.a.example\nrefer: whois.b.example\n"
                                               << QByteArray("whois.b.example") << 0;
        QTest::newRow("IPv6 server with a port") << "ReferralServer: whois://[2001:db8::43]:4343\n"
                                                 << QByteArray("2001:db8::43") << 4343;
        QTest::newRow("empty whois line") << "domain: EXAMPLE\nwhois:\n" << QByteArray() << 0;
        QTest::newRow("a value with a space is ignored") << "refer: whois.example.net; rm -rf\n"
                                                         << QByteArray() << 0;
        QTest::newRow("a port out of range is ignored")
            << "ReferralServer: rwhois://r.example:70000/\n"
            << QByteArray() << 0;
        QTest::newRow("a name in running text is no referral")
            << "% See the refer: line of whois.iana.org for more\n"
            << QByteArray() << 0;
        QTest::newRow("nothing") << "No match for \"EXAMPLE.TEST\".\n" << QByteArray() << 0;
    }
    void findReferral() {
        QFETCH(QString, answer);
        QFETCH(QByteArray, host);
        QFETCH(int, port);
        const std::optional<WhoisReferral> found = net::findReferral(answer);
        QCOMPARE(found.has_value(), !host.isEmpty());
        if (found) {
            QCOMPARE(found->host, host);
            QCOMPARE(int(found->port), port);
        }
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
