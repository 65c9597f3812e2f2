// SPDX-License-Identifier: MIT
// What a terminal run writes: text a terminal cannot act on, and one JSON document that a strict
// reader takes whatever the servers sent, escaping what a terminal would act on.
#include "terminal/JsonReport.h"
#include "terminal/TerminalText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <nlohmann/json.hpp>

class tst_Terminal : public QObject {
    Q_OBJECT

private slots:
    void terminalText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("plain text and its line ends")
            << QString("Login: alice\n\tName\n") << QByteArray("Login: alice\n\tName\n");
        QTest::newRow("a title change")
            << QString("\x1b]0;pwned\x07") << QByteArray("<1B>]0;pwned<07>");
        QTest::newRow("a C1 control") << QString(QChar(0x9B)) + "31m" << QByteArray("<9B>31m");
        QTest::newRow("a bidi override") << QString(QChar(0x202E)) << QByteArray("<202E>");
        QTest::newRow("a carriage return and DEL")
            << QString("a\rb\x7f") << QByteArray("a<0D>b<7F>");
        QTest::newRow("letters beyond ASCII") << QString::fromUtf8("b\xC3\xBC"
                                                                   "cher")
                                              << QByteArray("b\xC3\xBC"
                                                            "cher");
        QTest::newRow("invisible format characters")
            << QString::fromUtf8("so\xC2\xAD"
                                 "ft \xEF\xBF\xB9note \xF3\xA0\x80\x81"
                                 "en\xF3\xA0\x81\xBF")
            << QByteArray("so<AD>ft <FFF9>note <E0001>en<E007F>");
        QTest::newRow("an emoji stays")
            << QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray("\xF0\x9F\x98\x80");
    }
    void terminalText() {
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        QCOMPARE(terminal::terminalText(text), written);
        // A stage line shows a line feed that was typed as its code.
        QCOMPARE(terminal::terminalText(text + "\n", terminal::LineEnds::Coded),
                 QByteArray(written).replace('\n', "<0A>") + "<0A>");
    }

    // A server's body goes in as JSON written anew (or as a string when it is none): the
    // document passes a strict reader whatever the body holds, and nothing in it is a byte a
    // terminal acts on.
    void serversJsonIsWrittenAnew_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("member"); // the answer's first string, as a reader gets it
        QTest::newRow("escapes after a backslash")
            << QByteArray("[\"\\\x1b]0;owned\\\x07\\\x1b[2J\"]") << QString();
        QTest::newRow("a byte-order mark")
            << QByteArray("\xEF\xBB\xBF{\"a\":\"b\"}") << QString("b");
        QTest::newRow("a CR between members, a raw tab in a string")
            << QByteArray("{\"a\":\"x\ty\",\r\"b\":1}") << QString("x\ty");
        QTest::newRow("a C1 control")
            << QByteArray("{\"a\":\"x\xC2\x9B\"}") << QString("x") + QChar(0x9B);
        QTest::newRow("a soft hyphen and a tag character")
            << QByteArray("{\"a\":\"x\xC2\xAD\xF3\xA0\x80\x81\"}")
            << QString::fromUtf8("x\xC2\xAD\xF3\xA0\x80\x81");
        QTest::newRow("no UTF-8") << QByteArray("{\"a\":\"caf\xE9\"}") << QString();
        QTest::newRow("no JSON") << QByteArray("<html>busy\x1b</html>")
                                 << QString("<html>busy\x1b</html>");
    }
    void serversJsonIsWrittenAnew() {
        QFETCH(QByteArray, body);
        QFETCH(QString, member);
        terminal::JsonReport report;
        report.setQuery({{"kind", "whois"}});
        report.httpAnswer("rdap", QUrl("https://rdap.example/domain/x"), 200, body);
        report.setOutcome(net::Answer::Whole, "RDAP answer received");
        const QByteArray document = report.document();
        const nlohmann::json json = nlohmann::json::parse(document.constData(), nullptr, false);
        QVERIFY2(!json.is_discarded(), document.constData());
        for (const char* raw :
             {"\x1b", "\x07", "\r", "\t", "\xC2\x9B", "\xEF\xBB\xBF", "\xC2\xAD", "\xF3\xA0"})
            QVERIFY2(!document.contains(raw), document.constData());
        const nlohmann::json& answer = json["http"][0]["answer"];
        const nlohmann::json& first = answer.is_string()   ? answer
                                      : answer.is_object() ? answer.begin().value()
                                                           : answer[0];
        if (!member.isEmpty())
            QCOMPARE(QString::fromStdString(first.get<std::string>()), member);
        // The body itself comes back byte for byte: as text, or in base64 when it is no UTF-8.
        const nlohmann::json& entry = json["http"][0];
        const QByteArray exact = entry.contains("bodyBase64")
                                     ? QByteArray::fromBase64(QByteArray::fromStdString(
                                           entry["bodyBase64"].get<std::string>()))
                                     : QByteArray::fromStdString(entry["body"].get<std::string>());
        QCOMPARE(exact, body);
        QCOMPARE(entry["bytes"].get<qsizetype>(), body.size());
        QCOMPARE(json["outcome"]["answered"].get<bool>(), true);
    }
};

QTEST_GUILESS_MAIN(tst_Terminal)
#include "tst_terminal.moc"
