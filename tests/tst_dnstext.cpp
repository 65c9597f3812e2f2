// SPDX-License-Identifier: MIT
// DNS records as text, without a server: every record type the library knows (and RFC 9460's
// vectors) is printed as a line that reads back to the wire data received, checked with the
// packet library's own reader and with dnspython, which follows RFC 9460 where the library does
// not; and answers made to amplify, an OPT record among the answers and a record with no data
// are written within the text's bound.
#include "net/dns/DnsLibrary.h"
#include "net/dns/compare/DelegationFaults.h"
#include "net/dns/compare/ServerComparison.h"
#include "net/dns/message/DnsJson.h"
#include "net/dns/message/DnsRecordsText.h"
#include "net/dns/message/DnsWire.h"
#include "net/dns/message/RecordText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <tuple>

namespace {

struct RrDeleter {
    void operator()(ldns_rr* rr) const { ldns_rr_free(rr); }
};
using Rr = std::unique_ptr<ldns_rr, RrDeleter>;

Rr readRecord(const QByteArray& text) {
    ldns_rr* rr = nullptr;
    if (ldns_rr_new_frm_str(&rr, text.constData(), 3600, nullptr, nullptr) != LDNS_STATUS_OK)
        return nullptr;
    return Rr(rr);
}

QByteArray rdataWire(const ldns_rr* rr) {
    ldns_buffer* buffer = ldns_buffer_new(65536);
    ldns_rr_rdata2buffer_wire(buffer, rr);
    const QByteArray bytes(reinterpret_cast<const char*>(ldns_buffer_begin(buffer)),
                           qsizetype(ldns_buffer_position(buffer)));
    ldns_buffer_free(buffer);
    return bytes;
}

QByteArray header(int answers, int questions = 1) {
    return QByteArray::fromHex("1234 8180 00") + char(questions) + char(answers >> 8) +
           char(answers & 0xFF) + QByteArray::fromHex("0000 0000");
}

// A record of the zone as the wire carries it. Its data is given as such ("\\# N hex") where
// the library reads the type wrongly or not at all, else as the library reads its text.
struct WireSource {
    QByteArray owner; // in wire form
    int type = 0;
    QByteArray rdata;
};

std::optional<WireSource> wireOf(const QByteArray& source) {
    const QList<QByteArray> words = source.simplified().split(' ');
    if (words.size() < 5)
        return std::nullopt;
    WireSource wire;
    ldns_rdf* owner = ldns_dname_new_frm_str(words[0].constData());
    if (!owner)
        return std::nullopt;
    wire.owner = QByteArray(reinterpret_cast<const char*>(ldns_rdf_data(owner)),
                            qsizetype(ldns_rdf_size(owner)));
    ldns_rdf_deep_free(owner);
    wire.type = ldns_get_rr_type_by_name(words[3].constData());
    if (words[4] == "\\#") {
        wire.rdata = QByteArray::fromHex(words.mid(6).join());
        return wire;
    }
    const Rr rr = readRecord(source);
    if (!rr)
        return std::nullopt;
    wire.rdata = rdataWire(rr.get());
    return wire;
}

// A response carrying the record alone.
QByteArray packetWith(const WireSource& record) {
    const auto u16 = [](int value) { return QByteArray(1, char(value >> 8)) + char(value & 0xFF); };
    return header(1, 0) + record.owner + u16(record.type) + u16(1) +
           QByteArray::fromHex("00000e10") + u16(int(record.rdata.size())) + record.rdata;
}

// The one line the formatter writes for the only record of packet.
QString lineOf(const QByteArray& packet) {
    ldns_pkt* parsed = nullptr;
    if (ldns_wire2pkt(&parsed, reinterpret_cast<const uint8_t*>(packet.constData()),
                      size_t(packet.size())) != LDNS_STATUS_OK)
        return {};
    const std::optional<net::WireMessage> wire = net::readWireMessage(packet);
    const QString line = net::recordText(ldns_rr_list_rr(ldns_pkt_answer(parsed), 0), packet,
                                         wire ? &wire->answer[0] : nullptr);
    ldns_pkt_free(parsed);
    return line;
}

QString report(const QByteArray& packet, std::uint16_t type = 1) {
    net::DnsAnswer answer;
    answer.type = type;
    answer.packet = packet;
    net::DnsQuestion question;
    question.name = "example.";
    question.shownName = "example";
    question.typeText = "A";
    return net::formatDnsRecords(question, {answer}).text;
}

} // namespace

class tst_DnsText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(net::DnsLibrary::get(), "libunbound and ldns are needed"); }

    // Every record's text, read again, gives the wire data that was received.
    void everyTypeReadsBack() {
        QFile zone(QStringLiteral(VINTREL_TESTS_DIR "/data/every-type.zone"));
        QVERIFY(zone.open(QIODevice::ReadOnly));
        QTemporaryDir dir;
        QFile lines(dir.filePath("lines"));
        QVERIFY(lines.open(QIODevice::WriteOnly));
        int records = 0;
        QStringList failures;
        for (const QByteArray& source : zone.readAll().split('\n')) {
            if (source.isEmpty() || source.startsWith(';'))
                continue;
            const std::optional<WireSource> record = wireOf(source);
            QVERIFY2(record && record->type != 0, source.constData());
            const QByteArray& wire = record->rdata;
            const QString line = lineOf(packetWith(*record));
            const int type = record->type;
            ++records;
            lines.write(wire.toHex() + '\t' + line.toUtf8() + '\n');
            QVERIFY2(!line.isEmpty() && !line.contains(QChar('\n')), source.constData());
            // The library reads these types wrongly; dnspython reads them below.
            if (type == LDNS_RR_TYPE_NSAP_PTR || type == LDNS_RR_TYPE_SVCB ||
                type == LDNS_RR_TYPE_HTTPS || type == LDNS_RR_TYPE_SINK)
                continue;
            const Rr back = readRecord(line.section(QStringLiteral("\t; "), 0, 0).toUtf8());
            if (!back || rdataWire(back.get()) != wire)
                failures.append(QString::fromUtf8(source) + "\n  printed " + line);
        }
        lines.close();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
        QVERIFY(records > 100);
        QProcess dnspython;
        dnspython.start("/usr/bin/python3",
                        {QStringLiteral(VINTREL_TESTS_DIR "/dns_readback.py"), lines.fileName()});
        QVERIFY(dnspython.waitForFinished(60000));
        const QString said = QString::fromUtf8(dnspython.readAll());
        QVERIFY2(dnspython.exitCode() == 0, qPrintable(said));
        for (const char* type :
             {" SVCB", " HTTPS", " NSAP-PTR", " TYPE40", " TXT", " LOC", " APL", " CAA"})
            QVERIFY2(said.contains(type), qPrintable(said)); // read back by dnspython too
    }

    // Lines that matter beyond reading back: RFC 9460's own text, names, data that is no text.
    void lines_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("line");
        QTest::newRow("alpn with a comma and a backslash")
            << QByteArray("a.example. 300 IN SVCB \\# 35 0010 03666f6f076578616d706c65036f726700 "
                          "0001 000c 08665c6f6f2c626172 026832")
            << "a.example.\t3600\tIN\tSVCB\t16 foo.example.org. alpn=\"f\\\\\\\\oo\\\\,bar,h2\"";
        QTest::newRow("NSAP-PTR names a name")
            << QByteArray("n.example. 300 IN NSAP-PTR \\# 13 03666f6f076578616d706c6500")
            << "n.example.\t3600\tIN\tNSAP-PTR\tfoo.example.";
        QTest::newRow("a tab inside a string") << QByteArray("t.example. 300 IN TXT \"a\\009b\"")
                                               << "t.example.\t3600\tIN\tTXT\t\"a\\009b\"";
        QTest::newRow("an international target")
            << QByteArray("xn--bcher-kva.example. 300 IN MX 10 xn--mil-qla.example.")
            << QString::fromUtf8("xn--bcher-kva.example.\t3600\tIN\tMX\t10 xn--mil-qla.example.\t; "
                                 "b\xC3\xBC"
                                 "cher.example. -> m\xC3\xA4il.example.");
    }
    void lines() {
        QFETCH(QByteArray, record);
        QFETCH(QString, line);
        const std::optional<WireSource> wire = wireOf(record);
        QVERIFY(wire);
        QCOMPARE(lineOf(packetWith(*wire)), line);
    }

    // Answers no server should send: the text stays within its bound and says what it left out.
    void hostileAnswers_data() {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        // A 255-byte name of binary labels, then thousands of records named by a pointer to it.
        QByteArray name;
        for (int i = 0; i < 127; ++i)
            name += QByteArray::fromHex("01ff");
        name += '\0';
        QByteArray amplified = header(4000) + name + QByteArray::fromHex("00010001");
        for (int i = 0; i < 4000; ++i) // each its own address, so none is a repeat
            amplified += QByteArray::fromHex("c00c 0001 0001 00000e10 0004 c000") + char(i >> 8) +
                         char(i & 0xFF);
        QTest::newRow("names by pointer")
            << amplified << QStringList{"more records not shown"} << QStringList{};
        const QByteArray question = QByteArray::fromHex("076578616d706c6500 0001 0001");
        QTest::newRow("an OPT record among the answers")
            << header(2) + question + QByteArray::fromHex("c00c 0001 0001 00000e10 0004 c0000201") +
                   QByteArray::fromHex("00 0029 1000 00000000 0000")
            << QStringList{"\tA\t192.0.2.1\n"} << QStringList{"OPT", "TYPE41"};
        // The library reads the NS data as one name and would go on from there, making the
        // junk after it and the next record one record with another owner.
        QTest::newRow("data shorter than its length")
            << header(2) + question +
                   QByteArray::fromHex("c00c 0002 0001 00000e10 0004 00 02c00c") +
                   QByteArray::fromHex("c00c 0001 0001 00000e10 0004 c0000201")
            << QStringList{"\nexample.\t3600\tIN\tA\t192.0.2.1\n"} << QStringList{"\\192"};
        QTest::newRow("a record with no data")
            << header(1) + question + QByteArray::fromHex("c00c 0001 0001 00000e10 0000")
            << QStringList{"example.\t3600\tIN\tA\t\\# 0\n"} << QStringList{};
    }
    void hostileAnswers() {
        QFETCH(QByteArray, packet);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        const QString text = report(packet);
        QVERIFY2(text.size() <= net::dnsTextCapacity(packet.size()) + 4096,
                 qPrintable(QString::number(text.size())));
        // The JSON of the same answer is held within the same bound, and counts what it left out.
        net::DnsAnswer answer;
        answer.type = 1;
        answer.packet = packet;
        net::DnsQuestion question;
        question.name = "example.";
        const QJsonObject json = net::dnsJson(question, {answer}, {});
        const qsizetype jsonSize = QJsonDocument(json).toJson(QJsonDocument::Compact).size();
        QVERIFY2(jsonSize <= 2 * net::dnsTextCapacity(packet.size()),
                 qPrintable(QString::number(jsonSize)));
        QCOMPARE(json.contains("recordsLeftOut"), text.contains("more records not shown"));
        for (const QString& part : present)
            QVERIFY2(text.contains(part), qPrintable(text.left(2000)));
        for (const QString& part : absent)
            QVERIFY2(!text.contains(part), qPrintable(text.left(2000)));
    }

    // Every record's JSON comes from that record, whichever records the library leaves out of
    // its lists (a TSIG among the additional records) or keeps (an OPT among the answers).
    void jsonRecordsKeepTheirOwnData() {
        const QByteArray question = QByteArray::fromHex("076578616d706c6500 0001 0001");
        const QByteArray opt = QByteArray::fromHex("00 0029 1000 00000000 0000");
        const QByteArray tsig =
            QByteArray::fromHex("00 00fa 00ff 00000000 0011 00 000000000000 012c 0000 1234 0000 "
                                "0000");
        const auto a = [](const char* address) {
            return QByteArray::fromHex("c00c 0001 0001 00000e10 0004") +
                   QByteArray::fromHex(address);
        };
        QByteArray packet = QByteArray::fromHex("1234 8180 0001 0002 0000 0002") + question + opt +
                            a("c0000201") + tsig + a("c0000202");
        net::DnsAnswer answer;
        answer.type = 1;
        answer.packet = packet;
        net::DnsQuestion asked;
        asked.name = "example.";
        const QJsonObject message =
            net::dnsJson(asked, {answer}, {})["messages"].toArray()[0].toObject();
        const QJsonArray answers = message["answerRRs"].toArray();
        const QJsonArray additional = message["additionalRRs"].toArray();
        QCOMPARE(answers.last()["rdataA"].toString(), QString("192.0.2.1"));
        // Every record of a section is listed, the OPT too, as its count says.
        QCOMPARE(answers.size(), message["ANCOUNT"].toInt());
        QCOMPARE(additional.size(), message["ARCOUNT"].toInt());
        QCOMPARE(answers.first()["TYPEname"].toString(), QString("OPT"));
        QCOMPARE(additional.first()["TYPEname"].toString(), QString("TSIG"));
        QVERIFY2(!additional.first()["rdataTSIG"].toString().contains("192.0.2.2"),
                 QJsonDocument(additional.first().toObject()).toJson().constData());
        QCOMPARE(additional.last()["rdataA"].toString(), QString("192.0.2.2"));
        // Bare data: a key's JSON carries no comment of the printer's.
        QByteArray keys = QByteArray::fromHex("1234 8180 0001 0001 0000 0000") + question;
        keys[keys.size() - 3] = 0x30; // DNSKEY asked
        keys += QByteArray::fromHex("c00c 0030 0001 00000e10 0008 0101 030d 41424344");
        answer.packet = keys;
        const QJsonObject key = net::dnsJson(asked, {answer}, {})["messages"]
                                    .toArray()[0]
                                    .toObject()["answerRRs"]
                                    .toArray()[0]
                                    .toObject();
        QCOMPARE(key["rdataDNSKEY"].toString(), QString("257 3 13 QUJDRA=="));
    }

    // Serials compare as RFC 1982 says: they wrap around at 2^32.
    void serialOrder_data() {
        QTest::addColumn<uint>("a");
        QTest::addColumn<uint>("b");
        QTest::addColumn<bool>("older");
        QTest::newRow("smaller") << 1u << 2u << true;
        QTest::newRow("the same") << 5u << 5u << false;
        QTest::newRow("larger") << 2u << 1u << false;
        QTest::newRow("just before the wrap") << 0xFFFFFFFFu << 0u << true;
        QTest::newRow("just after the wrap") << 3u << 0xFFFFFFF0u << false;
        QTest::newRow("half the space apart") << 0u << 0x7FFFFFFFu << true;
    }
    void serialOrder() {
        QFETCH(uint, a);
        QFETCH(uint, b);
        QFETCH(bool, older);
        QCOMPARE(net::olderSerial(a, b), older);
    }

    // The summary line says what the status bar says, with numbers that agree with their nouns.
    void summarySaysWhatTheStatusSays_data() {
        QTest::addColumn<QList<int>>("lastBytes"); // one address record a server
        QTest::addColumn<QString>("status");
        QTest::newRow("one of two differs") << QList<int>{1, 2} << "1 of 2 addresses differs";
        QTest::newRow("two of three differ") << QList<int>{1, 2, 3} << "2 of 3 addresses differ";
        QTest::newRow("all agree") << QList<int>{1, 1} << "All 2 addresses agree";
        QTest::newRow("one alone") << QList<int>{1} << "One server, nothing to compare";
    }
    void summarySaysWhatTheStatusSays() {
        QFETCH(QList<int>, lastBytes);
        QFETCH(QString, status);
        net::ComparisonInput input;
        input.question.name = "example.";
        input.types = {1};
        const QByteArray question = QByteArray::fromHex("076578616d706c6500 0001 0001");
        for (const int last : lastBytes) {
            const QByteArray packet =
                QByteArray::fromHex("1234 8400 0001 0001 0000 0000") + question +
                QByteArray::fromHex("c00c 0001 0001 00000e10 0004 c00002") + char(last);
            net::ComparedServer server;
            server.server = QString("ns%1.example.").arg(input.servers.size());
            server.answers.append({net::DirectAnswer::Answered, packet, {}, 1, false});
            input.servers.append(server);
        }
        const net::ComparisonReport report = net::compareServers(input, false);
        QCOMPARE(report.status, status);
        QString summary = status;
        summary[0] = summary[0].toLower();
        QVERIFY2(report.text.contains("; Summary: " + summary), qPrintable(report.text));
    }

    // Faults of a zone's set-up seen from its name servers alone: one name server, every
    // address in one network, glue the parent cannot vouch for (a sibling's may be given).
    void delegationFaults_data() {
        QTest::addColumn<QStringList>("servers"); // "name address ... glue:address ..."
        QTest::addColumn<QString>("faults");
        QTest::newRow("one name server")
            << QStringList{"a. 192.0.2.1 2001:db8::1"} << "one name server";
        QTest::newRow("one IPv4 /24")
            << QStringList{"a. 192.0.2.1", "b. 192.0.2.200"} << "one network";
        QTest::newRow("two IPv4 /24s") << QStringList{"a. 192.0.2.1", "b. 198.51.100.1"} << "";
        QTest::newRow("one IPv6 /48")
            << QStringList{"a. 2001:db8:1::1", "b. 2001:db8:1:ff::1"} << "one network";
        QTest::newRow("two IPv6 /48s") << QStringList{"a. 2001:db8:1::1", "b. 2001:db8:2::1"} << "";
        QTest::newRow("both families") << QStringList{"a. 192.0.2.1", "b. 2001:db8::1"} << "";
        QTest::newRow("glue outside the parent's zone")
            << QStringList{"ns.zone.test. glue:192.0.2.1", "ns.other.net. glue:198.51.100.1"}
            << "glue outside the zone";
        QTest::newRow("a sibling's glue")
            << QStringList{"ns.zone.test. glue:192.0.2.1", "ns.sibling.test. glue:198.51.100.1"}
            << "";
        QTest::newRow("no glue inside the zone")
            << QStringList{"ns.zone.test. 192.0.2.1 glue:", "ns.other.net. 198.51.100.1"}
            << "glue missing at the parent";
    }
    void delegationFaults() {
        QFETCH(QStringList, servers);
        QFETCH(QString, faults);
        net::ZoneServers zone;
        zone.zone = "zone.test.";
        zone.parent = "test.";
        zone.delegationSeen = true;
        for (const QString& server : servers) {
            const QStringList words = server.split(' ');
            net::NameServerAddresses each;
            each.name = words[0].toLatin1();
            each.inZone = true;
            for (QString address : words.mid(1)) {
                // "glue:" names a server at the parent, with the glue that follows (if any).
                const bool glue = address.startsWith("glue:");
                each.atParent = each.atParent || glue;
                address.remove("glue:");
                if (!address.isEmpty())
                    (glue ? each.glue : each.addresses)
                        .append(*platform::HostAddress::parse(address.toLatin1()));
            }
            zone.servers.append(each);
        }
        QStringList kinds;
        for (const net::DelegationFault& fault : net::delegationFaults(zone))
            kinds.append(fault.kind);
        QCOMPARE(kinds.join(", "), faults);
    }

    // The table's columns stay in line whatever an outcome or a time says: an outcome too long
    // for its column is cut there and said whole below the table.
    void tableColumnsStayInLine() {
        net::ComparisonInput input;
        input.question.name = "example.";
        input.types = {1};
        const QByteArray packet = QByteArray::fromHex(
            "1234 8400 0001 0001 0000 0000 076578616d706c6500 0001 0001 c00c 0001 0001 00000e10 "
            "0004 c0000201");
        const QString why = "the server closed the connection " + QString(80, 'x');
        for (const auto& [outcome, elapsed, error] :
             {std::tuple{net::DirectAnswer::Answered, 12345, QString()},
              std::tuple{net::DirectAnswer::Failed, 3, why}}) {
            net::ComparedServer server;
            server.server = QString("ns%1.example.").arg(input.servers.size());
            server.answers.append({outcome, packet, error, elapsed, false});
            input.servers.append(server);
        }
        const QStringList lines = net::compareServers(input, false).text.split('\n');
        const auto head = std::find_if(lines.begin(), lines.end(), [](const QString& line) {
            return line.startsWith("; Server");
        });
        QVERIFY(head != lines.end());
        const qsizetype answerColumn = head->indexOf("Answer");
        for (const QString& row : {*(head + 1), *(head + 2)})
            QVERIFY2(row.size() - 1 == answerColumn, qPrintable(*head + "\n" + row));
        QVERIFY(lines.contains("; ns1.example.: failed (" + why + ")"));
    }

    // Servers that send thousands of records, or records named by a pointer to a long name
    // (each prints as some eighty times its size), each set partly the others': the
    // comparison's text and JSON, with every group and what it lacks, and what it keeps of the
    // records, stay within their bound of what came.
    void comparisonStaysWithinItsBound_data() {
        QTest::addColumn<bool>("longOwner");
        QTest::addColumn<int>("records");
        QTest::newRow("thousands of records of their own") << false << 4000;
        QTest::newRow("records named by a pointer to a long name") << true << 800;
    }
    void comparisonStaysWithinItsBound() {
        QFETCH(bool, longOwner);
        QFETCH(int, records);
        net::ComparisonInput input;
        input.question.name = "example.";
        input.question.shownName = "example";
        input.question.typeText = "A";
        input.types = {1};
        QByteArray owner = QByteArray::fromHex("076578616d706c6500");
        if (longOwner) { // 127 labels of one byte 0xFF: a name of 255 bytes
            owner.clear();
            for (int i = 0; i < 127; ++i)
                owner += QByteArray::fromHex("01ff");
            owner += '\0';
        }
        const QByteArray question = owner + QByteArray::fromHex("0001 0001");
        qsizetype bytes = 0;
        for (int server = 0; server < 8; ++server) {
            QByteArray packet = QByteArray::fromHex("1234 8400 0001 0000 0000 0000") + question;
            packet[6] = char(records >> 8);
            packet[7] = char(records & 0xFF);
            // Sets of their own, or overlapping ones: each lacks some of the others'.
            const int first = server * (longOwner ? 50 : records);
            for (int i = first; i < first + records; ++i)
                packet += QByteArray::fromHex("c00c 0001 0001 00000e10 0004 c0") + char(i >> 8) +
                          char(i & 0xFF) + char(1);
            net::ComparedServer compared;
            compared.server = QString("ns%1.example.").arg(server);
            compared.address = QString("192.0.2.%1").arg(server);
            compared.answers.append({net::DirectAnswer::Answered, packet, {}, 1, false});
            const net::ComparedAnswer read = net::readDirectAnswers(compared.answers, false);
            qsizetype kept = 0;
            for (const net::ComparedRecord& record : read.records)
                kept += record.line.size() + record.key.size();
            QVERIFY2(kept <= net::dnsTextCapacity(packet.size()) + 2 * packet.size(),
                     qPrintable(QString::number(kept)));
            input.servers.append(compared);
            bytes += packet.size();
        }
        const net::ComparisonReport report = net::compareServers(input, true);
        QVERIFY2(report.text.size() <= net::dnsTextCapacity(bytes) + 512 * 8 + 4096,
                 qPrintable(QString::number(report.text.size())));
        QVERIFY2(report.text.contains("more records not shown"), qPrintable(report.status));
        const QByteArray json = QJsonDocument(report.json).toJson(QJsonDocument::Compact);
        // Messages and the groups' records each within the capacity, with JSON's own escapes.
        QVERIFY2(json.size() <= 3 * (net::dnsTextCapacity(bytes) + 512 * 8),
                 qPrintable(QString::number(json.size())));
        QVERIFY(report.json["recordsLeftOut"].toInt() > 0);
        QCOMPARE(report.status, QString("7 of 8 addresses differ"));
    }
};

QTEST_GUILESS_MAIN(tst_DnsText)
#include "tst_dnstext.moc"
