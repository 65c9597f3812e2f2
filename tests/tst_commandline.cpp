// SPDX-License-Identifier: MIT
#include "DnsTestServer.h"
#include "TestNetwork.h"
#include "app/CommandLine.h"
#include "app/QueryCommands.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TStyleStatusBar.h"
#include "dialogs/DNS_Dialog.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramDirectory.h"
#include "view/TFingWnd.h"

#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

using app::CommandLine;
using app::StartQuery;
using Kind = app::StartQuery::Kind;
using Action = app::CommandLine::Action;

class tst_CommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // The built program, run with arguments and without a display for the text-only forms.
    QProcess* run(const QStringList& arguments) {
        auto* process = new QProcess(this);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(VINTREL_BINARY), arguments);
        process->waitForFinished(30000);
        return process;
    }

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("server");
        const int run = int(Action::Run);
        const int error = int(Action::Error);
        QTest::newRow("nothing") << QStringList{} << run << int(Kind::None) << ""
                                 << "";
        QTest::newRow("finger") << QStringList{"alice@example.org"} << run << int(Kind::Finger)
                                << "alice@example.org"
                                << "";
        QTest::newRow("finger a host")
            << QStringList{"example.org"} << run << int(Kind::Finger) << "example.org"
            << "";
        QTest::newRow("whois") << QStringList{"--whois", "example.org", "--server", "w.test"} << run
                               << int(Kind::Whois) << "example.org"
                               << "w.test";
        QTest::newRow("whois, server first")
            << QStringList{"--server=w.test", "--whois=q"} << run << int(Kind::Whois) << "q"
            << "w.test";
        QTest::newRow("dns") << QStringList{"--dns", "example.org"} << run << int(Kind::Dns)
                             << "example.org"
                             << "";
        QTest::newRow("help") << QStringList{"--help"} << int(Action::Help) << 0 << ""
                              << "";
        QTest::newRow("version") << QStringList{"-v"} << int(Action::Version) << 0 << ""
                                 << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << error << 0 << ""
                                        << "";
        QTest::newRow("whois, server found automatically")
            << QStringList{"--whois", "q"} << run << int(Kind::Whois) << "q"
            << "";
        QTest::newRow("server without whois") << QStringList{"--server", "s"} << error << 0 << ""
                                              << "";
        QTest::newRow("two addresses") << QStringList{"a@b", "c@d"} << error << 0 << ""
                                       << "";
        QTest::newRow("finger and dns") << QStringList{"a@b", "--dns", "x"} << error << 0 << ""
                                        << "";
        QTest::newRow("dns without host") << QStringList{"--dns"} << error << 0 << ""
                                          << "";
        QTest::newRow("finger link, host and user")
            << QStringList{"finger://finger.example/alice"} << run << int(Kind::Finger)
            << "alice@finger.example"
            << "";
        QTest::newRow("finger link, host alone") << QStringList{"finger://finger.example/"} << run
                                                 << int(Kind::Finger) << "finger.example"
                                                 << "";
        QTest::newRow("finger link, address") << QStringList{"FINGER:bob@host.example"} << run
                                              << int(Kind::Finger) << "bob@host.example"
                                              << "";
        QTest::newRow("finger link, escaped user") << QStringList{"finger://h.example/j%20doe"}
                                                   << run << int(Kind::Finger) << "j doe@h.example"
                                                   << "";
        QTest::newRow("finger link without a host") << QStringList{"finger:"} << error << 0 << ""
                                                    << "";
        QTest::newRow("finger link with a path")
            << QStringList{"finger://h/a/b"} << error << 0 << ""
            << "";
        QTest::newRow("help beside a wrong option")
            << QStringList{"--bogus", "--help"} << int(Action::Help) << 0 << ""
            << "";
        QTest::newRow("dns twice") << QStringList{"--dns", "a", "--dns", "b"} << error << 0 << ""
                                   << "";
        QTest::newRow("empty dns host") << QStringList{"--dns", ""} << error << 0 << ""
                                        << "";
        QTest::newRow("records") << QStringList{"--records",      "example.org",
                                                "--type",         "MX",
                                                "--resolver",     "9.9.9.9",
                                                "--trust-anchor", "a.ds"}
                                 << run << int(Kind::Records) << "example.org"
                                 << "9.9.9.9";
        QTest::newRow("type without records") << QStringList{"--type", "MX"} << error << 0 << ""
                                              << "";
        QTest::newRow("records from the system resolver")
            << QStringList{"--records", "x.test"} << run << int(Kind::Records) << "x.test"
            << "System resolver";
        QTest::newRow("every authoritative server compared")
            << QStringList{"--records", "x.test", "--compare"} << run << int(Kind::Records)
            << "x.test"
            << "Every authoritative server";
        QTest::newRow("every authoritative server, found through a resolver")
            << QStringList{"--records", "x.test", "--compare", "--resolver", "9.9.9.9"} << run
            << int(Kind::Records) << "x.test"
            << "Every authoritative server via 9.9.9.9";
        QTest::newRow("resolvers side by side")
            << QStringList{"--records", "x.test",     "--resolver",   "9.9.9.9",
                           "--compare", "--resolver", "tls://1.1.1.1"}
            << run << int(Kind::Records) << "x.test"
            << "9.9.9.9, tls://1.1.1.1";
        QTest::newRow("several resolvers, nothing compared")
            << QStringList{"--records", "x.test", "--resolver", "a", "--resolver", "b"} << error
            << 0 << ""
            << "";
        QTest::newRow("compare without records") << QStringList{"--compare"} << error << 0 << ""
                                                 << "";
        QTest::newRow("chain of trust, drawn")
            << QStringList{"--chain", "www.x.test", "--resolver", "9.9.9.9", "--picture", "c.svg"}
            << run << int(Kind::Records) << "www.x.test"
            << "9.9.9.9";
        QTest::newRow("mail, two selectors")
            << QStringList{"--mail",     "x.test", "--selector", "s1",
                           "--selector", "s2",     "--resolver", "9.9.9.9"}
            << run << int(Kind::Records) << "x.test"
            << "9.9.9.9";
        for (const auto& [what, arguments] :
             {std::pair{"picture without chain", QStringList{"--picture", "c.svg"}},
              std::pair{"a picture of another kind",
                        QStringList{"--chain", "x", "--picture", "c.gif"}},
              std::pair{"a chain compared", QStringList{"--chain", "x", "--compare"}},
              std::pair{"a chain and records", QStringList{"--chain", "x", "--records", "y"}},
              std::pair{"a selector without mail",
                        QStringList{"--records", "x", "--selector", "s"}},
              std::pair{"a type with mail", QStringList{"--mail", "x", "--type", "MX"}},
              std::pair{"an empty mail domain", QStringList{"--mail", ""}}})
            QTest::newRow(what) << arguments << error << 0 << ""
                                << "";
        // A value no query can use is a malformed command line (exit 2), not "no answer".
        for (const auto& [what, option, value] :
             {std::tuple{"an unknown type", "--type", "BOGUSTYPE"},
              std::tuple{"a type number too large", "--type", "TYPE99999"},
              std::tuple{"DNS over TLS without a server", "--resolver", "tls://"},
              std::tuple{"a port too large", "--resolver", "1.2.3.4@99999"}})
            QTest::newRow(what) << QStringList{"--stdout", "--records", "example.org", option,
                                               value}
                                << error << 0 << ""
                                << "";
        QTest::newRow("a web address is no finger address")
            << QStringList{"http://example.org"} << error << 0 << ""
            << "";
        QTest::newRow("a mail link neither")
            << QStringList{"mailto:alice@example.org"} << error << 0 << ""
            << "";
        QTest::newRow("a host with a port number is")
            << QStringList{"host.example:79"} << run << int(Kind::Finger) << "host.example:79"
            << "";
        QTest::newRow("an IPv6 address is")
            << QStringList{"fe80::1"} << run << int(Kind::Finger) << "fe80::1"
            << "";
        QTest::newRow("on standard output")
            << QStringList{"--stdout", "a@b"} << run << int(Kind::Finger) << "a@b"
            << "";
        QTest::newRow("as JSON") << QStringList{"--whois", "q", "--json"} << run << int(Kind::Whois)
                                 << "q"
                                 << "";
        QTest::newRow("standard output without a query")
            << QStringList{"--json"} << error << 0 << ""
            << "";
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, server);
        const CommandLine command = CommandLine::parse(QStringList{"vintrel"} + arguments);
        QCOMPARE(int(command.action), action);
        if (command.action == Action::Run) {
            QCOMPARE(command.toStdout, arguments.contains("--stdout") ||
                                           arguments.contains("--json") ||
                                           arguments.contains("--picture"));
            QCOMPARE(command.query.chain, arguments.contains("--chain"));
            QCOMPARE(command.query.mail, arguments.contains("--mail"));
            QCOMPARE(command.query.selectors.size(), arguments.count("--selector"));
            QCOMPARE(command.json, arguments.contains("--json"));
        }
        if (command.action == Action::Error) {
            // One line saying what is wrong and a hint, not the whole help.
            QVERIFY2(command.output.startsWith("vintrel: "), qPrintable(command.output));
            QCOMPARE(command.output.count('\n'), 2);
            QVERIFY(command.output.contains("vintrel --help"));
        }
        if (command.action != Action::Run)
            return;
        QCOMPARE(int(command.query.kind), kind);
        QCOMPARE(command.query.text, text);
        // A records query's server as the records dialog gets it, and what the zone is found
        // through when every authoritative server is compared.
        const QString through = command.query.foundThrough();
        QCOMPARE(kind == int(Kind::Records)
                     ? command.query.recordsServer() + (through.isEmpty() ? "" : " via " + through)
                     : command.query.server,
                 server);
    }

    void programPrintsHelpVersionAndRefusesBadArguments() {
        QProcess* help = run({"--help"});
        QCOMPARE(help->exitCode(), 0);
        const QByteArray helpText = help->readAllStandardOutput();
        for (const char* part : {"--whois <query>", "--records <name>", "finger:alice@example.org",
                                 "Qt's own options"})
            QVERIFY2(helpText.contains(part), part);
        QProcess* version = run({"--version"});
        QCOMPARE(version->exitCode(), 0);
        QCOMPARE(version->readAllStandardOutput().trimmed(),
                 QByteArray("Vintrel " VINTREL_VERSION));
        // Qt's own options are the application object's; what is left is checked as ever.
        QProcess* bad = run({"-style", "fusion", "-reverse", "--server", "whois.example"});
        QCOMPARE(bad->exitStatus(), QProcess::NormalExit);
        QCOMPARE(bad->exitCode(), 2);
        const QByteArray error = bad->readAllStandardError(); // Qt may warn before it
        QVERIFY2(("\n" + error)
                     .endsWith("\nvintrel: --server goes with --whois.\n"
                               "Try 'vintrel --help' for more information.\n"),
                 error.constData());
        QVERIFY(bad->readAllStandardOutput().isEmpty());
    }

    // Each form starts its call as if typed into its dialog, lists included.
    void fingerFormStartsAFullInfoCall() {
        app::TMyDecoratedFrame frame(m_dir.path() + '/');
        frame.client().setResolver(loopbackResolver());
        LoopbackServer server({{"Login: alice\r\n"}});
        routeServicesTo(frame.client().engine(), server);
        frame.show();
        frame.queryCommands().start({Kind::Finger, "alice@finger.test", {}, {}, {}});
        QTRY_VERIFY(!frame.client().Busy());
        QCOMPARE(server.requests(), QList<QByteArray>{"/W alice\r\n"});
        QCOMPARE(frame.client().toPlainText(), QString("Login: alice\n"));
        QCOMPARE(platform::getProfileString("History", "Address1", "", 55, frame.settingsPath()),
                 QString("alice@finger.test"));
    }

    void whoisFormAsksTheServerAndKeepsIt() {
        app::TMyDecoratedFrame frame(m_dir.path() + '/');
        frame.client().setResolver(loopbackResolver());
        LoopbackServer server({{"Domain Name: EXAMPLE.ORG\r\n"}});
        routeServicesTo(frame.client().engine(), server);
        frame.show();
        frame.queryCommands().start({Kind::Whois, "example.org", "whois.test", {}, {}});
        QTRY_VERIFY(!frame.client().Busy());
        QCOMPARE(server.requests(), QList<QByteArray>{"example.org\r\n"});
        QCOMPARE(platform::getProfileString("WhoIs", "Server1", "", 55, frame.settingsPath()),
                 QString("whois.test"));
    }

    void dnsFormShowsDnsInfo() {
        app::TMyDecoratedFrame frame(m_dir.path() + '/');
        frame.client().setResolver(loopbackResolver());
        frame.show();
        frame.queryCommands().start({Kind::Dns, "localhost", {}, {}, {}});
        QTRY_VERIFY(frame.findChild<dialogs::DNS_Dialog*>());
        auto* info = frame.findChild<dialogs::DNS_Dialog*>();
        QCOMPARE(info->addressField()->text(), QString("127.0.0.1"));
        info->done(1);
        QTRY_VERIFY(!frame.client().DnsBusy());
    }

    void recordsFormShowsTheRecordsAndKeepsTheServer() {
        DnsTestServer dns;
        QVERIFY2(dns.running(), qPrintable(dns.error()));
        app::TMyDecoratedFrame frame(m_dir.path() + '/');
        frame.client().dnsRecords().setRootAnchorFile(QString());
        frame.show();
        const QString server = "127.0.0.1@" + QString::number(dns.port());
        frame.queryCommands().start(
            {Kind::Records, "secure.test", server, "MX", QStringList{dns.trustAnchors()}});
        QTRY_VERIFY_WITH_TIMEOUT(!frame.client().Busy(), 15000);
        QVERIFY2(frame.client().toPlainText().contains("\tMX\t10 mail.secure.test.\n"),
                 qPrintable(frame.client().toPlainText()));
        QVERIFY(frame.client().toPlainText().contains("; DNSSEC: secure\n"));
        QCOMPARE(frame.windowTitle(), QString("Vintrel: secure.test MX"));
        QCOMPARE(
            platform::getProfileString("DNS Records", "Server1", "", 300, frame.settingsPath()),
            server);

        // The anchors given stand for the run: a query from the dialog validates with them.
        frame.client().DnsRecords({"secure.test", "A", server, true, {}});
        QTRY_VERIFY_WITH_TIMEOUT(!frame.client().Busy(), 15000);
        QVERIFY2(frame.client().toPlainText().contains("; DNSSEC: secure\n"),
                 qPrintable(frame.client().toPlainText()));

        // What the command line leaves out is the default, not what the dialog last used.
        frame.queryCommands().start({Kind::Records, "secure.test", {}, {}, {}});
        QVERIFY(frame.client().Busy());
        QCOMPARE(frame.statusBarField().text(),
                 QString("Asking the system resolver about secure.test"));
        frame.client().CancelCall();
        QCOMPARE(frame.windowTitle(), QString("Vintrel: secure.test Common"));
        QCOMPARE(platform::getProfileString("DNS Records", "type", "", 300, frame.settingsPath()),
                 QString("Common"));
    }

    void installedCopyKeepsFilesPerUser_data() {
        QTest::addColumn<QString>("programDir");
        QTest::addColumn<bool>("installed");
        QTest::newRow("/usr/bin") << "/usr/bin/" << true;
        QTest::newRow("/usr/local/bin") << "/usr/local/bin/" << true;
        QTest::newRow("a build folder") << "/home/me/vintrel/build/" << false;
        QTest::newRow("a folder named like bin") << "/home/me/cabin/" << false;
    }
    void installedCopyKeepsFilesPerUser() {
        QFETCH(QString, programDir);
        QFETCH(bool, installed);
        QCOMPARE(platform::isInstalledCopy(programDir), installed);
        if (installed)
            QCOMPARE(platform::dataDirectory(programDir), platform::userConfigDirectory());
    }
};

QTEST_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
