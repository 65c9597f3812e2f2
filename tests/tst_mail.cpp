// SPDX-License-Identifier: MIT
// A domain's mail checked against a lab of real servers (see MailLab): nsd serving signed
// zones, Exim with and without STARTTLS, a silent server, the MTA-STS policies over HTTPS.
// One table of cases, each a single fault, with the three summary lines and the check that
// names the fault; the servers' TLS compared with openssl s_client and swaks; a run from the
// shell; and Cancel.
#include "MailLab.h"
#include "RecordingView.h"
#include "TestNetwork.h"
#include "net/dns/records/DnsRecordsSession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {

const net::MailCheck* findCheck(const net::MailReport& report, const QString& name) {
    for (const net::MailCheck& check : report.checks)
        if (check.name.startsWith(name))
            return &check;
    return nullptr;
}

QString runTool(const QString& program, const QStringList& arguments, const QByteArray& input) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    tool.write(input);
    tool.closeWriteChannel();
    tool.waitForFinished(20000);
    return QString::fromLocal8Bit(tool.readAll());
}

} // namespace

class MailTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MailLab> m_lab;
    std::unique_ptr<RecordingTranscriptView> m_view;
    std::unique_ptr<net::QueryEngine> m_engine;
    std::unique_ptr<net::DnsRecordsSession> m_query;
    QList<net::MailReport> m_reports;

    void startMail(const QString& domain, const QStringList& selectors = {}) {
        net::DnsRecordsRequest request;
        request.name = domain.toUtf8();
        request.type = QStringLiteral("Common");
        request.server = QString::fromLatin1(MailLab::Dns);
        request.mail = true;
        request.selectors = selectors;
        m_query->start(request);
    }

    std::optional<net::MailReport> check(const QString& domain, const QStringList& selectors = {}) {
        m_reports.clear();
        m_view->outcomes.clear();
        startMail(domain, selectors);
        if (!QTest::qWaitFor([&] { return !m_engine->Busy(); }, 30000) ||
            m_view->outcomes.size() != 1 || m_reports.size() != 1)
            return std::nullopt;
        return m_reports.first();
    }

private slots:
    void initTestCase() {
        QVERIFY2(enterNetworkWithPublicAddresses(), "needs root, for a network of the test's own");
        m_lab = std::make_unique<MailLab>();
        QVERIFY2(m_lab->running(), qPrintable(m_lab->error()));
    }

    void init() {
        m_view = std::make_unique<RecordingTranscriptView>();
        m_engine = std::make_unique<net::QueryEngine>(*m_view);
        m_query = std::make_unique<net::DnsRecordsSession>(*m_engine);
        m_query->setRunTrustAnchors({m_lab->anchors()});
        m_query->mail().setSslConfiguration(m_lab->ssl());
        m_query->mail().setStepTimeout(2000);
        m_reports.clear();
        m_query->mail().onReport = [this](const net::MailReport& r) { m_reports.append(r); };
    }

    void labCases_data() {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("summary"); // receives, spoofing, downgrade
        QTest::addColumn<QString>("check");   // the check that names the case
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("reason"); // in the check's reason or details
        const auto row = [](const char* name, const char* domain, const char* summary,
                            const char* check, const char* verdict, const char* reason) {
            QTest::newRow(name) << domain << summary << check << verdict << reason;
        };
        row("all good: DANE", "good.test", "pass pass pass", "Server mx.lab.test", "pass",
            "a TLSA record matches it (DANE)");
        row("all good: DKIM", "good.test", "pass pass pass", "DKIM s1", "pass", "2048 bits");
        row("all good: DMARC report address authorised", "good.test", "pass pass pass", "DMARC",
            "pass", "p=reject");
        row("all good: MTA-STS", "good.test", "pass pass pass", "MTA-STS", "pass",
            "covers every MX host");
        row("11 SPF look-ups", "spf11.test", "pass fail pass", "SPF", "fail",
            "include:i11.spf11.test in spf11.test is look-up 11, past the limit of 10");
        row("two SPF records", "twospf.test", "pass fail pass", "SPF", "fail",
            "twospf.test has 2 SPF records");
        row("SPF includes in a loop", "loop.test", "pass fail pass", "SPF", "fail",
            "a.loop.test includes loop.test again: a loop");
        row("a 40 KiB SPF tree", "bigspf.test", "pass pass pass", "SPF", "pass",
            "1900 IPv4 range(s), 486400 address(es)");
        row("DMARC p=none", "dmarcnone.test", "pass warning pass", "DMARC", "warning",
            "p=none only asks for reports");
        row("unauthorised external report address", "extrua.test", "pass warning pass", "DMARC",
            "warning", "mailto:d@reports.test are not authorised");
        row("MTA-STS misses an MX", "stsmiss.test", "pass pass fail", "MTA-STS", "fail",
            "do not cover mx3.lab.test");
        row("MTA-STS policy of a gigabyte", "huge.test", "pass pass pass", "MTA-STS", "fail",
            "larger than 64 KiB");
        row("TLSA does not match", "badtlsa.test", "pass pass fail", "Server mx2.lab.test", "fail",
            "No TLSA record matches");
        row("no STARTTLS", "notls.test", "pass pass fail", "Server plain.lab.test", "fail",
            "STARTTLS is not offered");
        row("server does not answer", "silent.test", "fail pass fail", "Server silent.lab.test",
            "fail", "Timed out");
        row("a greeting of a megabyte", "babble.test", "fail pass fail", "Server babble.lab.test",
            "fail", "more than 64 KiB");
        row("MX at a loopback address", "private.test", "fail pass fail", "Server local.lab.test",
            "fail", "127.0.0.1 is a loopback or private address");
        row("null MX", "nullmx.test", "fail pass not", "MX", "pass", "null MX");
    }

    void labCases() {
        QFETCH(QString, domain);
        QFETCH(QString, summary);
        QFETCH(QString, check);
        QFETCH(QString, verdict);
        QFETCH(QString, reason);
        const std::optional<net::MailReport> report = this->check(
            domain, check.startsWith(QLatin1String("DKIM")) ? QStringList{QStringLiteral("s1")}
                                                            : QStringList());
        QVERIFY2(report, qPrintable(m_view->status()));
        QStringList verdicts;
        for (const net::MailSummaryLine& line : report->summary)
            verdicts.append(net::verdictWord(line.verdict).section(QLatin1Char(' '), 0, 0));
        QVERIFY2(verdicts.join(QLatin1Char(' ')) == summary, qPrintable(m_view->text));
        const net::MailCheck* found = findCheck(*report, check);
        QVERIFY2(found, qPrintable(m_view->text));
        QCOMPARE(net::verdictWord(found->verdict), verdict);
        QVERIFY2((found->reason + u'\n' + found->details.join(u'\n')).contains(reason),
                 qPrintable(m_view->text));
        // The window's text and the JSON say the same.
        QVERIFY(m_view->text.contains(found->name + QStringLiteral(": ") + verdict.toUpper()));
        const QJsonArray checks = m_view->records.value(QStringLiteral("mail"))
                                      .toObject()
                                      .value(QStringLiteral("checks"))
                                      .toArray();
        QVERIFY(std::any_of(checks.begin(), checks.end(), [&](const QJsonValue& value) {
            return value.toObject().value(QStringLiteral("check")).toString() == found->name &&
                   value.toObject().value(QStringLiteral("verdict")).toString() == verdict;
        }));
    }

    // What the check heard on port 25 is what openssl s_client and swaks hear.
    void serversAsPeersHearThem() {
        const std::optional<net::MailReport> good = check(QStringLiteral("good.test"));
        QVERIFY(good);
        const net::MailCheck* server = findCheck(*good, QStringLiteral("Server mx.lab.test"));
        QVERIFY(server);
        const QString openssl =
            runTool(QStringLiteral("openssl"),
                    {QStringLiteral("s_client"), QStringLiteral("-starttls"),
                     QStringLiteral("smtp"), QStringLiteral("-connect"),
                     QStringLiteral("%1:25").arg(MailLab::TlsServer), QStringLiteral("-servername"),
                     QStringLiteral("mx.lab.test"), QStringLiteral("-verify_hostname"),
                     QStringLiteral("mx.lab.test"), QStringLiteral("-CAfile"),
                     m_lab->path(QStringLiteral("ca.pem")), QStringLiteral("-brief")},
                    "QUIT\r\n");
        QVERIFY2(openssl.contains(QLatin1String("Verification: OK")), qPrintable(openssl));
        const QString version =
            openssl.contains(QLatin1String("Protocol version: TLSv1.3")) ? "TLS 1.3" : "TLS 1.2";
        QVERIFY2(server->reason.contains(QStringLiteral("STARTTLS with ") + version +
                                         QStringLiteral("; the certificate is valid")),
                 qPrintable(server->reason));

        const std::optional<net::MailReport> plain = check(QStringLiteral("notls.test"));
        QVERIFY(plain);
        for (const char* address : {MailLab::TlsServer, MailLab::PlainServer}) {
            const QString swaks = runTool(QStringLiteral("swaks"),
                                          {QStringLiteral("--server"), QString::fromLatin1(address),
                                           QStringLiteral("--quit-after"), QStringLiteral("EHLO")},
                                          {});
            const bool offered = swaks.contains(QLatin1String("250-STARTTLS")) ||
                                 swaks.contains(QLatin1String("250 STARTTLS"));
            const net::MailReport& report = address == MailLab::TlsServer ? *good : *plain;
            const net::MailCheck* heard = findCheck(report, QStringLiteral("Server "));
            QVERIFY2(offered == !heard->reason.contains(QLatin1String("not offered")),
                     qPrintable(swaks));
        }
    }

    // From the shell: the JSON report, and the exit status that says a fault was found.
    void commandLine_data() {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<int>("status");
        QTest::newRow("a fault") << "notls.test" << 6;
        QTest::newRow("not a domain") << "192.0.2.1" << 1;
    }

    void commandLine() {
        QFETCH(QString, domain);
        QFETCH(int, status);
        QProcess run;
        run.start(QStringLiteral(VINTREL_BINARY),
                  {QStringLiteral("--mail"), domain, QStringLiteral("--selector"),
                   QStringLiteral("s1"), QStringLiteral("--resolver"),
                   QString::fromLatin1(MailLab::Dns), QStringLiteral("--trust-anchor"),
                   m_lab->anchors(), QStringLiteral("--json")});
        QVERIFY(run.waitForFinished(60000));
        QVERIFY2(run.exitCode() == status, run.readAllStandardError().constData());
        const QJsonObject json = QJsonDocument::fromJson(run.readAllStandardOutput()).object();
        const QJsonObject mail = json.value(QStringLiteral("mail")).toObject();
        if (status == 6) {
            QCOMPARE(mail.value(QStringLiteral("summary")).toArray().size(), 3);
            QCOMPARE(
                json.value(QStringLiteral("outcome")).toObject().value(QStringLiteral("faults")),
                QJsonValue(true));
        } else {
            QVERIFY(mail.isEmpty());
        }
    }

    // The deadline: what came is judged, what did not is said to be cut by it, and the call
    // ends once with the report.
    void deadline() {
        m_query->mail().setStepTimeout(20000);
        m_query->mail().setDeadline(1500);
        const std::optional<net::MailReport> report = check(QStringLiteral("silent.test"));
        QVERIFY(report);
        QVERIFY(report->timedOut);
        const net::MailCheck* server = findCheck(*report, QStringLiteral("Server silent.lab.test"));
        QVERIFY(server);
        QCOMPARE(server->reason,
                 QStringLiteral("The check's time ran out before the server was done"));
        QVERIFY(m_view->text.contains(QLatin1String("the check's time ran out")));
        QTest::qWait(500);
        QCOMPARE(m_view->outcomes.size(), 1);
    }

    // Cancel stops every look-up and conversation at once, and the call ends once.
    void cancel() {
        startMail(QStringLiteral("silent.test"));
        QTRY_VERIFY_WITH_TIMEOUT(m_view->statuses.join(u'\n').contains(QLatin1String("Talking")),
                                 15000);
        m_engine->CancelCall();
        QVERIFY(!m_engine->Busy());
        QTest::qWait(2500); // past the silent server's time-out
        QCOMPARE(m_view->outcomes.size(), 1);
        QVERIFY(m_reports.isEmpty());
    }
};

QTEST_MAIN(MailTest)
#include "tst_mail.moc"
