// SPDX-License-Identifier: MIT
// What a terminal run writes: text a terminal cannot act on, and one JSON document that takes a
// server's JSON in as the server wrote it, escaping what a terminal would act on.
#include "terminal/JsonReport.h"
#include "terminal/TerminalText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

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
    }
    void terminalText() {
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        QCOMPARE(terminal::terminalText(text), written);
    }

    // An RDAP answer goes in as the server wrote it (its spacing and the order of its members),
    // what is no JSON as a string, and no control character is left raw inside a string.
    void serversJsonAsSent() {
        terminal::JsonReport report;
        report.setQuery({{"kind", "whois"}});
        const QByteArray answer = "{ \"zeta\": 1,  \"alpha\": \"x\xC2\x9B\" }";
        report.httpAnswer("rdap", QUrl("https://rdap.example/domain/x"), 200, answer);
        report.httpAnswer("rdap", QUrl("https://rdap.example/domain/y"), 503,
                          "<html>busy\x1b</html>");
        report.setOutcome(true, "RDAP answer received");
        const QByteArray document = report.document();
        QJsonParseError error{};
        const QJsonObject json = QJsonDocument::fromJson(document, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY2(document.contains("\"answer\":{ \"zeta\": 1,  \"alpha\": \"x\\u009b\" }"),
                 document.constData());
        QCOMPARE(json["http"][1]["answer"].toString(), QString("<html>busy\x1b</html>"));
        QVERIFY(!document.contains('\x1b') && !document.contains("\xC2\x9B"));
        QCOMPARE(json["outcome"]["answered"].toBool(), true);
    }
};

QTEST_GUILESS_MAIN(tst_Terminal)
#include "tst_terminal.moc"
