// SPDX-License-Identifier: MIT
// RDAP answers as readable lines: the order a person reads a record in, nothing lost, no JSON,
// errors and broken answers said plainly, and a text that stays small whatever the answer.
#include "net/rdap/RdapText.h"
#include "net/rdap/RdapWriter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

// Every value an answer gives a reader, as text: what the written record must hold. Left out
// are what no reader needs (the object's class, the conformance list, a link's context and
// media type) and the inner workings of a card (its version, a property's parameters); an
// entity's networks and AS numbers are short blocks of what names each.
void valuesOf(const QJsonValue& value, const QString& key, QStringList& out) {
    static const QStringList ignored{"objectClassName", "rdapConformance", "lang", "value"};
    if (ignored.contains(key))
        return;
    if (key == "networks" || key == "autnums") {
        static const QStringList brief{"handle",       "name",       "type",        "status",
                                       "startAddress", "endAddress", "startAutnum", "links"};
        for (const QJsonValue& item : value.toArray())
            for (const QString& member : brief)
                valuesOf(item.toObject().value(member), member, out);
        return;
    }
    if (key == "vcardArray") {
        for (const QJsonValue& property : value.toArray().at(1).toArray()) {
            const QJsonArray parts = property.toArray();
            if (parts.at(0).toString() == "version")
                continue;
            const QString label = parts.at(1).toObject().value("label").toString();
            for (const QString& line : label.split('\n', Qt::SkipEmptyParts))
                out.append(line);
            for (qsizetype i = 3; i < parts.size(); ++i)
                valuesOf(parts.at(i), "card", out);
        }
        return;
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            if (!(key == "links" && it.key() == "type"))
                valuesOf(it.value(), it.key(), out);
    } else if (value.isArray()) {
        for (const QJsonValue& item : value.toArray())
            valuesOf(item, key, out);
    } else if (value.isString() && !value.toString().isEmpty()) {
        out.append(value.toString());
    } else if (value.isDouble()) {
        out.append(QString::number(value.toDouble(), 'f', 0));
    }
}

} // namespace

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
                                 "  WhoIs server (port 43): whois.registrar.example\n"
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
            << QStringList{"{"};
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
                   "Network: 192.0.2.0 - 192.0.2.255\n  Name: NET-A\n  Handle: N1\n"
                   "AS number: AS64500\n  Name: AS-A\n  Handle: A1\n")
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
        QTest::newRow("a remark's type, with or without a title")
            << QByteArray(R"({"ldhName":"x.fr","remarks":[{"type":"restricted disclosure",
                "description":["NO"]},{"title":"Kind","type":"object kind","description":["PERSON"]}]})")
            << QString(
                   "Remark (restricted disclosure):\n  NO\nRemark (object kind): Kind\n  PERSON\n")
            << noJson;
        QTest::newRow("an error keeps its notices, links and WhoIs server")
            << QByteArray(R"({"errorCode":404,"title":"Not Found","notices":[{"title":"Terms"}],
                "links":[{"rel":"help","href":"https:\/\/r.example\/help","title":"Help"}],
                "port43":"whois.r.example"})")
            << QString("Error: 404\nTitle: Not Found\nNotice: Terms\n"
                       "Link (help): https://r.example/help (Help)\nWhoIs server (port 43): "
                       "whois.r.example\n")
            << noJson;
        QTest::newRow("a search result's links, each")
            << QByteArray(R"({"domainSearchResults":[{"ldhName":"a.example","links":[
                {"rel":"self","href":"https:\/\/r.example\/domain\/a.example"},
                {"rel":"alternate","href":"https:\/\/r.example\/a.html"}]}]})")
            << QString("  a.example\n    Link (self): https://r.example/domain/a.example\n"
                       "    Link (alternate): https://r.example/a.html\n")
            << noJson;
        QTest::newRow("a member of the wrong shape is shown, not dropped")
            << QByteArray(R"({"ldhName":"m.example","notices":{"title":"odd","description":"x"}})")
            << QString("notices:\n  description: x\n  title: odd\n") << noJson;
        QTest::newRow("a card: the given name first, no empty address")
            << QByteArray(R"({"ldhName":"c.example","entities":[{"roles":["registrant"],
                "vcardArray":["vcard",[["n",{},"text",["Doe","Jane","Q.","Dr.","Jr."]],
                ["adr",{},"text",["","","","","","",""]]]]}]})")
            << QString("Registrant:\n  Full name: Dr. Jane Q. Doe Jr.\n")
            << QStringList{"Address:"};
        QTest::newRow("a reverse domain's network, whole")
            << QByteArray(
                   R"({"ldhName":"2.0.192.in-addr.arpa","network":{"startAddress":"192.0.2.0",
                "endAddress":"192.0.2.255","name":"TEST-NET-1","handle":"NET-1","country":"ZZ",
                "parentHandle":"NET-0"}})")
            << QString("Domain: 2.0.192.in-addr.arpa\nNetwork: 192.0.2.0 - 192.0.2.255\n"
                       "  Name: TEST-NET-1\n  Country: ZZ\n  Parent: NET-0\n  Handle: NET-1\n")
            << noJson + QStringList{"startAddress", "parentHandle"};
        QTest::newRow("an entity's network with its remarks, events and links")
            << QByteArray(R"({"objectClassName":"entity","handle":"ORG-2","networks":[
                {"startAddress":"192.0.2.0","endAddress":"192.0.2.255","handle":"N2",
                 "parentHandle":"N0","remarks":[{"description":["Reassigned"]}],
                 "events":[{"eventAction":"registration","eventDate":"2001-01-01"}],
                 "links":[{"rel":"alternate","href":"https:\/\/r.example\/n2.html"}]}]})")
            << QString("Network: 192.0.2.0 - 192.0.2.255\n  Parent: N0\n  Handle: N2\n"
                       "  Registration: 2001-01-01\n  Remark:\n    Reassigned\n"
                       "  Link (alternate): https://r.example/n2.html\n")
            << noJson;
        QTest::newRow("variants and signing as rows")
            << QByteArray(R"({"ldhName":"v.example","variants":[{"relation":["registered"],
                "idnTable":".EXAMPLE-Swedish","variantNames":[{"ldhName":"xn--fo-5ja.example",
                "unicodeName":"f\u00f3o.example"}]}],"secureDNS":{"zoneSigned":true,
                "delegationSigned":true,"maxSigLife":604800}})")
            << QString("Domain: v.example\nVariant (registered): xn--fo-5ja.example "
                       "(f\u00f3o.example)\n  IDN table: .EXAMPLE-Swedish\nDNSSEC: signed "
                       "delegation\n  Zone signed: yes\n  Longest signature life: 604800 s\n")
            << noJson + QStringList{"variants", "zoneSigned", "maxSigLife"};
        QTest::newRow("a card: the name before the address, each e-mail with its type")
            << QByteArray(R"({"ldhName":"e.example","entities":[{"roles":["abuse"],
                "vcardArray":["vcard",[["adr",{"label":"1 Main St"},"text",["","","","","","",""]],
                ["email",{"type":"work"},"text","a@e.example"],["fn",{},"text","Abuse Desk"],
                ["email",{"type":"abuse"},"text","a@e.example"]]]}]})")
            << QString("Abuse:\n  Name: Abuse Desk\n  Address:\n    1 Main St\n"
                       "  E-mail (work): a@e.example\n  E-mail (abuse): a@e.example\n")
            << noJson;
        QTest::newRow("a repeated contact without a name")
            << QByteArray(R"({"ldhName":"n.example","nameservers":[
                {"ldhName":"ns1.n.example","entities":[{"roles":["technical"],"handle":"T"}]},
                {"ldhName":"ns2.n.example","entities":[{"roles":["technical"],"handle":"T"}]}]})")
            << QString("  ns2.n.example\n    Technical:\n      Handle: T\n      (as above)\n")
            << QStringList{"Name: (as above)"};
        QTest::newRow("events as an actor, and a key's events")
            << QByteArray(R"({"ldhName":"k.example","secureDNS":{"delegationSigned":true,
                "dsData":[{"keyTag":1,"algorithm":13,"digestType":2,"digest":"AB",
                  "events":[{"eventAction":"registration","eventDate":"2020-01-01T00:00:00Z"}]}]},
                "entities":[{"roles":["registrar"],"handle":"R","asEventActor":[
                  {"eventAction":"last changed","eventDate":"2024-05-05T00:00:00Z"}]}]})")
            << QString("DNSSEC: signed delegation\n  DS: 1 13 2 AB\n    Registration: "
                       "2020-01-01T00:00:00Z\nRegistrar:\n  Handle: R\n  Last changed (as actor): "
                       "2024-05-05T00:00:00Z\n")
            << noJson;
        QTest::newRow("the same registrar under every name server, once")
            << QByteArray(R"({"ldhName":"r.example","nameservers":[
                {"ldhName":"ns1.r.example","entities":[{"roles":["registrar"],"handle":"9",
                  "vcardArray":["vcard",[["fn",{},"text","Example Registrar"],["email",{},"text","a@r.example"]]]}]},
                {"ldhName":"ns2.r.example","entities":[{"roles":["registrar"],"handle":"9",
                  "vcardArray":["vcard",[["fn",{},"text","Example Registrar"],["email",{},"text","a@r.example"]]]}]}]})")
            << QString(
                   "  ns1.r.example\n    Registrar:\n      Handle: 9\n      Name: Example "
                   "Registrar\n"
                   "      E-mail: a@r.example\n  ns2.r.example\n    Registrar:\n      Handle: 9\n"
                   "      Name: Example Registrar (as above)\n")
            << noJson;
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

    // Answers as registries write them: an entity with its networks and AS numbers, searches,
    // an error. What the record holds is written, none of it lost, and no JSON shows.
    void registriesAnswers_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("whole"); // every value the answer gives must be in the text
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("an entity")
            << "entity-arin.json" << true
            << QStringList{"Entity: GOVI\n",
                           "Network: 192.0.2.0 - 192.0.2.255 (192.0.2.0/24)\n"
                           "  Name: GSA-NET\n",
                           "  Link (self): https://rdap.arin.net/registry/autnum/64496\n",
                           "  Full name: Gary Zhang\n"};
        QTest::newRow("a domain search")
            << "search-domains.json" << false
            << QStringList{"Domains found: 2\n",
                           "    Registrar: Example Registrar, Inc.\n"
                           "    Link (self): https://rdap.registry.test/domain/"
                           "example-one.test\n",
                           "Notice (result set truncated due to "
                           "authorization): Search Results Truncated\n"};
        QTest::newRow("an entity search")
            << "search-entities.json" << false
            << QStringList{"Entities found: 2\n  Example Research Network\n",
                           "    Link (self): https://rdap.db.ripe.net/entity/ER2-RIPE\n",
                           "WhoIs server (port 43): whois.ripe.net\n"};
        QTest::newRow("an error") << "error-404.json" << true
                                  << QStringList{"Error: 404\nTitle: Not Found\n",
                                                 "Notice: Status Codes\n",
                                                 "WhoIs server (port 43): whois.registry.test\n"};
    }
    void registriesAnswers() {
        QFETCH(QString, file);
        QFETCH(bool, whole);
        QFETCH(QStringList, lines);
        QFile answer(QStringLiteral(VINTREL_TESTS_DIR "/data/rdap/") + file);
        QVERIFY(answer.open(QIODevice::ReadOnly));
        const QByteArray json = answer.readAll();
        const net::RdapText rendered = net::rdapToText(json);
        QVERIFY2(rendered.error.isEmpty(), qPrintable(rendered.error));
        for (const QString& line : lines)
            QVERIFY2(rendered.text.contains(line), qPrintable(line + "\nnot in\n" + rendered.text));
        QVERIFY2(!rendered.text.contains("\":") && !rendered.text.contains("{"),
                 qPrintable(rendered.text));
        if (!whole)
            return;
        QStringList values;
        valuesOf(QJsonDocument::fromJson(json).object(), QString(), values);
        for (const QString& value : values)
            QVERIFY2(rendered.text.contains(value.trimmed(), Qt::CaseInsensitive),
                     qPrintable(value + "\nnot in\n" + rendered.text));
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
