// SPDX-License-Identifier: MIT
// RDAP answers as readable lines: the order a person reads a record in, nothing lost, no JSON,
// errors and broken answers said plainly, and a text that stays small whatever the answer.
#include "net/rdap/RdapText.h"
#include "net/rdap/RdapWriter.h"

#include <QTest>

class tst_RdapText : public QObject {
    Q_OBJECT

private slots:
    void render_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected"); // lines the text holds, in this order
        QTest::addColumn<QStringList>("absent");
        const QStringList noJson{"{", "[\"", "vcard"};
        QTest::newRow("a domain, in reading order")
            << QByteArray(R"({"objectClassName":"domain","ldhName":"xn--bcher-kva.example",
                "unicodeName":"b\u00fccher.example","status":["active","client transfer prohibited"],
                "events":[{"eventAction":"expiration","eventDate":"2031-02-03T04:05:06Z"},
                          {"eventAction":"registration","eventDate":"2001-02-03T04:05:06Z"},
                          {"eventAction":"last changed","eventDate":"2024-01-01T00:00:00Z","eventActor":"R-1"}],
                "nameservers":[{"ldhName":"ns1.example.net","handle":"NS1","status":["active"],
                                "ipAddresses":{"v4":["192.0.2.53"],"v6":["2001:db8::53"]}}],
                "secureDNS":{"delegationSigned":false},
                "entities":[{"roles":["registrar"],"handle":"292",
                  "publicIds":[{"type":"IANA Registrar ID","identifier":"292"}],
                  "vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Example Registrar"],
                    ["email",{},"text","abuse@registrar.example"],
                    ["adr",{"label":"1 Main St\nTown"},"text",["","","","","","",""]]]],
                  "remarks":[{"description":["Accredited."]}],"port43":"whois.registrar.example",
                  "entities":[{"roles":["abuse"],"vcardArray":["vcard",[["tel",{"type":"voice"},"uri","tel:+1.5555550100"]]]}]}],
                "notices":[{"title":"Terms of Use","description":["Use is limited.","Second line."],
                  "links":[{"rel":"alternate","href":"https:\/\/registry.example/terms"}]}],
                "links":[{"rel":"related","type":"application/rdap+json","href":"https:\/\/rdap.registrar.example/domain/x"}],
                "port43":"whois.registry.example"})")
            << QString::fromUtf8("Domain: xn--bcher-kva.example\n"
                                 "Unicode name: b\xC3\xBC"
                                 "cher.example\n"
                                 "Status: active, client transfer prohibited\n"
                                 "Registration: 2001-02-03T04:05:06Z\n"
                                 "Last changed: 2024-01-01T00:00:00Z by R-1\n"
                                 "Expiration: 2031-02-03T04:05:06Z\n"
                                 "Name servers:\n"
                                 "  ns1.example.net\n"
                                 "    Addresses: 192.0.2.53, 2001:db8::53\n"
                                 "    Handle: NS1\n"
                                 "    Status: active\n"
                                 "DNSSEC: unsigned delegation\n"
                                 "Registrar:\n"
                                 "  Handle: 292\n"
                                 "  Name: Example Registrar\n"
                                 "  E-mail: abuse@registrar.example\n"
                                 "  Address:\n"
                                 "    1 Main St\n"
                                 "    Town\n"
                                 "  IANA Registrar ID: 292\n"
                                 "  Abuse:\n"
                                 "    Phone: +1.5555550100\n"
                                 "  Remark:\n"
                                 "    Accredited.\n"
                                 "Notice: Terms of Use\n"
                                 "  Use is limited.\n"
                                 "  Second line.\n"
                                 "  Link (alternate): https://registry.example/terms\n"
                                 "Link (related): https://rdap.registrar.example/domain/x\n"
                                 "WhoIs server (port 43): whois.registry.example\n")
            << QStringList{"whois.registrar.example", "{"};
        QTest::newRow("a network leads with its range")
            << QByteArray(R"({"objectClassName":"ip network","handle":"1.1.1.0 - 1.1.1.255",
                "startAddress":"1.1.1.0","endAddress":"1.1.1.255","ipVersion":"v4","name":"APNIC-LABS",
                "type":"ASSIGNED PORTABLE","country":"AU","parentHandle":"1.0.0.0 - 1.255.255.255",
                "cidr0_cidrs":[{"v4prefix":"1.1.1.0","length":24}],
                "notices":[{"title":"Source"}],
                "entities":[{"roles":["technical"],"vcardArray":["vcard",[["fn",{},"text","Tech"],
                  ["tel",{"type":["work","fax"]},"text","+61 7 0000 0001"],
                  ["adr",{},"text",["","",["6 Cordelia St","Level 1"],"South Brisbane","QLD","4101","Australia"]]]]}]})")
            << QString("Network: 1.1.1.0 - 1.1.1.255 (1.1.1.0/24)\nName: APNIC-LABS\n"
                       "Type: ASSIGNED PORTABLE\nCountry: AU\nParent: 1.0.0.0 - 1.255.255.255\n"
                       "IP version: v4\nHandle: 1.1.1.0 - 1.1.1.255\nTechnical:\n  Name: Tech\n"
                       "  Fax: +61 7 0000 0001\n  Address:\n    6 Cordelia St\n    Level 1\n"
                       "    South Brisbane QLD 4101\n    Australia\nNotice: Source\n")
            << noJson + QStringList{"Phone:", "startAddress"};
        QTest::newRow("an AS number")
            << QByteArray(R"({"objectClassName":"autnum","startAutnum":13335,"endAutnum":13335,
                "name":"CLOUDFLARENET","type":"DIRECT ALLOCATION","handle":"AS13335"})")
            << QString("AS number: AS13335\nName: CLOUDFLARENET\nType: DIRECT ALLOCATION\n"
                       "Handle: AS13335\n")
            << noJson;
        QTest::newRow("an entity is read like a contact, its lists as lists")
            << QByteArray(R"({"objectClassName":"entity","handle":"ORG-1","roles":["registrant"],
                "vcardArray":["vcard",[["fn",{},"text","Example Org"],["org",{},"text","Example"]]],
                "networks":[{"startAddress":"192.0.2.0","endAddress":"192.0.2.255","name":"NET-A","handle":"N1"}],
                "autnums":[{"startAutnum":64500,"name":"AS-A","handle":"A1"}]})")
            << QString(
                   "Entity: ORG-1\nRoles: registrant\nName: Example Org\nOrganisation: Example\n"
                   "Networks:\n  192.0.2.0 - 192.0.2.255 (NET-A, N1)\nAS numbers:\n"
                   "  AS64500 (AS-A, A1)\n")
            << noJson;
        QTest::newRow("a name server is a name server")
            << QByteArray(R"({"objectClassName":"nameserver","ldhName":"ns1.example.net",
                "ipAddresses":{"v4":["192.0.2.1"],"v6":["2001:db8::1"]}})")
            << QString("Name server: ns1.example.net\nAddresses: 192.0.2.1, 2001:db8::1\n")
            << noJson + QStringList{"Domain:"};
        QTest::newRow("search results are a list with their count")
            << QByteArray(R"({"domainSearchResults":[
                {"ldhName":"a.example","handle":"D1","status":["active"],
                 "entities":[{"roles":["registrant"],"vcardArray":["vcard",[["fn",{},"text","Ann"]]]}]},
                {"ldhName":"b.example","handle":"D2"}]})")
            << QString("Domains found: 2\n  a.example\n    Handle: D1\n    Status: active\n"
                       "    Registrant: Ann\n  b.example\n    Handle: D2\n")
            << noJson;
        QTest::newRow("redactions in words, unknown members as lines")
            << QByteArray(R"({"ldhName":"x.example","redacted":[{"name":{"type":"Registrant Name"},
                "method":"removal","reason":{"type":"Server policy"}}],
                "extra":{"inner":{"a":1,"b":[true,null]}},"huge":1e300})")
            << QString("Domain: x.example\nRedacted:\n  Registrant Name: removed (Server policy)\n"
                       "extra:\n  inner:\n    a: 1\n    b:\n      true\n      null\n"
                       "huge: 1e+300\n")
            << noJson;
        QTest::newRow("an error object, whatever its code holds")
            << QByteArray(
                   R"({"errorCode":1e300,"title":"Not Found","description":["No such domain.","Try again."]})")
            << QString("Error: 1e+300\nTitle: Not Found\nDescription:\n  No such domain.\n"
                       "  Try again.\n")
            << QStringList{"1.0000000000000001e+300"};
        QTest::newRow("roles that are no strings")
            << QByteArray(
                   R"({"ldhName":"y.example","entities":[{"roles":[1,null,"admin"],"handle":"H"}]})")
            << QString("1, null, admin:\n  Handle: H\n") << QStringList{", , :"};
    }
    void render() {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        QFETCH(QStringList, absent);
        const net::RdapText rendered = net::rdapToText(json);
        QVERIFY2(rendered.error.isEmpty(), qPrintable(rendered.error));
        QVERIFY2(rendered.text.contains(expected), qPrintable(rendered.text));
        for (const QString& text : absent)
            QVERIFY2(!rendered.text.contains(text), qPrintable(text + " in:\n" + rendered.text));
    }

    void relatedLinksAndErrors() {
        const net::RdapText domain = net::rdapToText(
            R"({"ldhName":"x","links":[{"rel":"related","type":"application/rdap+json","href":"https:\/\/r.example/domain/x"},
                {"rel":"related","type":"text/html","href":"https:\/\/r.example/x.html"}]})");
        QCOMPARE(domain.related, QList<QUrl>{QUrl("https://r.example/domain/x")});
        QVERIFY(net::rdapToText(R"({"errorCode":404})").isErrorObject);
        for (const char* broken : {R"({"ldhName":)", "[1,2]"})
            QVERIFY(net::rdapToText(broken).error.startsWith("The RDAP answer is not valid JSON"));
    }

    // Whatever its shape, an answer's text stays within a small multiple of its size, and no
    // key makes a line longer than a key is shown.
    void textStaysBounded_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("longestLine"); // 0: any
        QByteArray members;
        for (int i = 0; i < 10000; ++i)
            members += (i ? "," : "") + ("\"m" + QByteArray::number(i) + "\":1");
        QTest::newRow("a 100 KB key over 10,000 members")
            << "{\"" + QByteArray(100 * 1024, 'k') + "\":{" + members + "}}"
            << 2 * int(net::RdapWriter::MaxKey);
        QByteArray deep = "{\"a\":";
        for (int i = 0; i < 500; ++i)
            deep += "[";
        QTest::newRow("deep nesting") << deep + QByteArray(500, ']') + "}" << 0;
        QByteArray lists = "{\"" + QByteArray(64, 'x') + "\":[";
        for (int i = 0; i < 50000; ++i)
            lists += i ? ",[1]" : "[1]";
        QTest::newRow("a long key over many lists") << lists + "]}" << 0;
    }
    void textStaysBounded() {
        QFETCH(QByteArray, json);
        QFETCH(int, longestLine);
        const net::RdapText rendered = net::rdapToText(json);
        QVERIFY(rendered.error.isEmpty());
        QVERIFY2(rendered.text.size() <= net::RdapWriter::capacityFor(json.size()) + 200,
                 qPrintable(QString::number(rendered.text.size())));
        if (longestLine > 0)
            for (QStringView line : QStringView(rendered.text).tokenize(u'\n'))
                QVERIFY2(line.size() <= longestLine, qPrintable(line.left(100).toString()));
    }
};

QTEST_MAIN(tst_RdapText)
#include "tst_rdaptext.moc"
