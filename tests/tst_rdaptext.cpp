// SPDX-License-Identifier: MIT
// RDAP answers as readable lines: the order a person reads a record in, nothing lost, errors
// and broken answers said plainly.
#include "net/RdapText.h"

#include <QTest>

class tst_RdapText : public QObject {
    Q_OBJECT

private slots:
    void render_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected"); // the text, or the start of the error
        QTest::addColumn<int>("errorCode");
        QTest::newRow("a domain, in reading order")
            << QByteArray(R"({"objectClassName":"domain","ldhName":"xn--bcher-kva.example",
                "unicodeName":"b\u00fccher.example","status":["active","client transfer prohibited"],
                "events":[{"eventAction":"registration","eventDate":"2001-02-03T04:05:06Z"},
                          {"eventAction":"expiration","eventDate":"2031-02-03T04:05:06Z"}],
                "nameservers":[{"ldhName":"ns1.example.net"},{"ldhName":"ns2.example.net"}],
                "entities":[{"roles":["registrar"],"handle":"292",
                  "vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Example Registrar"],
                    ["email",{},"text","abuse@registrar.example"],
                    ["adr",{"label":"1 Main St\nTown"},"text",["","","","","","",""]]]],
                  "entities":[{"roles":["abuse"],"vcardArray":["vcard",[["tel",{},"uri","tel:+1.5555550100"]]]}]}],
                "notices":[{"title":"Terms of Use","description":["Use is limited."]}],
                "port43":"whois.registry.example","secureDNS":{"delegationSigned":false}})")
            << QString::fromUtf8("Domain: xn--bcher-kva.example\n"
                                 "Unicode name: b\xC3\xBC"
                                 "cher.example\n"
                                 "Status: active, client transfer prohibited\n"
                                 "Registration: 2001-02-03T04:05:06Z\n"
                                 "Expiration: 2031-02-03T04:05:06Z\n"
                                 "Name server: ns1.example.net\n"
                                 "Name server: ns2.example.net\n"
                                 "Registrar:\n"
                                 "  Handle: 292\n"
                                 "  Name: Example Registrar\n"
                                 "  E-mail: abuse@registrar.example\n"
                                 "  Address: 1 Main St Town\n"
                                 "  Abuse:\n"
                                 "    Phone: tel:+1.5555550100\n"
                                 "Notice (Terms of Use): Use is limited.\n"
                                 "port43: whois.registry.example\n"
                                 "secureDNS.delegationSigned: false\n")
            << 0;
        QTest::newRow("an error object")
            << QByteArray(
                   R"({"errorCode":404,"title":"Not Found","description":["No such domain."]})")
            << QString("Error: 404\nTitle: Not Found\nDescription: No such domain.\n") << 404;
        QTest::newRow("broken JSON")
            << QByteArray(R"({"ldhName":)") << QString("The RDAP answer is not valid JSON") << 0;
        QTest::newRow("not an object")
            << QByteArray("[1,2]") << QString("The RDAP answer is not valid JSON") << 0;
    }
    void render() {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        QFETCH(int, errorCode);
        const net::RdapText rendered = net::rdapToText(json);
        if (rendered.error.isEmpty())
            QCOMPARE(rendered.text, expected);
        else
            QVERIFY2(rendered.error.startsWith(expected), qPrintable(rendered.error));
        QCOMPARE(rendered.isErrorObject, errorCode != 0);
    }
};

QTEST_MAIN(tst_RdapText)
#include "tst_rdaptext.moc"
