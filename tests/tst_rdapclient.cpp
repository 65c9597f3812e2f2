// SPDX-License-Identifier: MIT
// The RDAP client against a real HTTPS server on loopback, with a certificate authority made
// for the test: the bootstrap file, answers and errors, the cache, a certificate not trusted.
#include "RecordingView.h"
#include "TestNetwork.h"
#include "net/RdapClient.h"
#include "platform/WinsockErrors.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>

class tst_RdapClient : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_port;
    QSslConfiguration m_trusting;

    bool run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(program, arguments);
        return process.waitForFinished(60000) && process.exitCode() == 0;
    }

    struct Outcome {
        QString text;
        QString failure;
    };
    Outcome lookUp(net::RdapClient& client, const QByteArray& domain) {
        Outcome outcome;
        bool done = false;
        client.onText = [&](const QString& text) { outcome.text += text, done = true; };
        client.onFailed = [&](const QString& message) { outcome.failure = message, done = true; };
        client.lookUp(domain);
        if (!QTest::qWaitFor([&] { return done; }, 20000))
            outcome.failure = "no answer";
        QTest::qWait(20); // an error object's text follows its failure
        return outcome;
    }

    std::unique_ptr<net::RdapClient> client(const QString& cache, bool trusting = true) {
        auto made = std::make_unique<net::RdapClient>();
        made->setBootstrapUrl(QUrl("https://127.0.0.1:" + m_port + "/dns.json"));
        made->setCacheDirectory(m_dir.filePath(cache));
        if (trusting)
            made->setSslConfiguration(m_trusting);
        return made;
    }

private slots:
    void initTestCase() {
        const QString ext = m_dir.filePath("ext.cnf");
        QFile file(ext);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n");
        file.close();
        QVERIFY(
            run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key",
                            "-out", "ca.pem", "-days", "2", "-subj", "/CN=Vintrel Test CA"}));
        QVERIFY(run("openssl", {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key",
                                "-out", "server.csr", "-subj", "/CN=localhost"}));
        QVERIFY(run("openssl",
                    {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                     "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", ext}));
        m_server.start("python3", {QString(VINTREL_TESTS_DIR) + "/rdap_server.py",
                                   m_dir.filePath("server.pem"), m_dir.filePath("server.key")});
        QVERIFY(m_server.waitForReadyRead(20000));
        m_port = QString::fromLatin1(m_server.readLine().trimmed());
        m_trusting = QSslConfiguration::defaultConfiguration();
        m_trusting.addCaCertificates(QSslCertificate::fromPath(m_dir.filePath("ca.pem")));
    }
    void cleanupTestCase() {
        m_server.kill();
        m_server.waitForFinished();
    }

    void answers_data() {
        QTest::addColumn<QByteArray>("domain");
        QTest::addColumn<QString>("text");    // a line the answer shows
        QTest::addColumn<QString>("failure"); // the start of the failure, if one
        QTest::newRow("a domain") << QByteArray("example.test") << "Name: Test Registrar"
                                  << "";
        QTest::newRow("not found") << QByteArray("missing.test") << "Title: Not Found"
                                   << "RDAP server 127.0.0.1: not found (HTTP 404)";
        QTest::newRow("rate limit") << QByteArray("busy.test") << ""
                                    << "RDAP server 127.0.0.1: too many requests";
        QTest::newRow("server error") << QByteArray("down.test") << ""
                                      << "RDAP server 127.0.0.1: server error (HTTP 503)";
        QTest::newRow("no JSON") << QByteArray("broken.test") << ""
                                 << "RDAP server 127.0.0.1: The RDAP answer is not valid JSON";
        QTest::newRow("no server for the name") << QByteArray("example.nowhere") << ""
                                                << "No RDAP server is known for example.nowhere";
    }
    void answers() {
        QFETCH(QByteArray, domain);
        QFETCH(QString, text);
        QFETCH(QString, failure);
        auto rdap = client("cache");
        const Outcome outcome = lookUp(*rdap, domain);
        if (failure.isEmpty())
            QVERIFY2(outcome.failure.isEmpty(), qPrintable(outcome.failure));
        else
            QVERIFY2(outcome.failure.startsWith(failure), qPrintable(outcome.failure));
        if (!text.isEmpty())
            QVERIFY2(outcome.text.contains(text), qPrintable(outcome.text));
    }

    void bootstrapIsCachedAndAStaleCopyServes() {
        auto rdap = client("stale");
        QCOMPARE(lookUp(*rdap, "example.test").failure, QString());
        const QString cached = m_dir.filePath("stale/rdap-dns.json");
        QVERIFY(QFile::exists(cached));
        QFile file(cached);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-3),
                                 QFileDevice::FileModificationTime));
        file.close();
        rdap->setBootstrapUrl(QUrl("https://127.0.0.1:1/dns.json")); // cannot be fetched now
        QCOMPARE(lookUp(*rdap, "example.test").failure, QString());
    }

    // A WhoIs query whose registry has no WhoIs server is answered from RDAP, and a server
    // typed as an RDAP base URL is asked over RDAP.
    void whoisQueriesFallBackToRdap_data() {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QByteArray>("rootAnswer");
        QTest::newRow("automatic, root names no WhoIs server")
            << true << QByteArray("domain: TEST\r\nwhois:\r\n");
        QTest::newRow("automatic, the server named does not resolve")
            << true << QByteArray("refer: whois.gone.test\r\n");
        QTest::newRow("RDAP base URL typed as the server") << false << QByteArray();
    }
    void whoisQueriesFallBackToRdap() {
        QFETCH(bool, automatic);
        QFETCH(QByteArray, rootAnswer);
        RecordingView view;
        net::QueryEngine engine(view);
        view.engine = &engine;
        LoopbackServer root({{rootAnswer}}, QHostAddress("127.0.0.10"));
        routeServicesTo(engine, root);
        platform::Resolver resolver;
        resolver.byName = [](const QByteArray& name) {
            platform::LookupAnswer answer;
            if (name == "whois.gone.test") {
                answer.error = platform::WSAHOST_NOT_FOUND;
                return answer;
            }
            answer.entry.officialName = name;
            answer.entry.addresses = {*platform::HostAddress::parse("127.0.0.10")};
            return answer;
        };
        engine.setResolver(resolver);
        engine.rdap().setBootstrapUrl(QUrl("https://127.0.0.1:" + m_port + "/dns.json"));
        engine.rdap().setCacheDirectory(m_dir.filePath("engine"));
        engine.rdap().setSslConfiguration(m_trusting);
        if (automatic)
            engine.Whois({}, "example.test", {true, true});
        else
            engine.Whois(QByteArray("https://127.0.0.1:" + m_port.toLatin1() + "/rdap/"),
                         "example.test");
        QTRY_VERIFY_WITH_TIMEOUT(!engine.Busy(), 20000);
        QCOMPARE(view.status(), QString("RDAP answer received"));
        QVERIFY2(view.text.contains("Domain: example.test\nStatus: active\n"),
                 qPrintable(view.text));
        QCOMPARE(view.caption, QString("127.0.0.1"));
        QCOMPARE(root.requests(), automatic ? QList<QByteArray>{"test\r\n"} : QList<QByteArray>{});
        QCOMPARE(view.text.contains("--- RDAP ---"), automatic);
    }

    void untrustedCertificateIsRefused() {
        auto rdap = client("untrusted", false);
        const Outcome outcome = lookUp(*rdap, "example.test");
        QVERIFY2(outcome.failure.contains("could not be fetched") ||
                     outcome.failure.contains("certificate"),
                 qPrintable(outcome.failure));
        QVERIFY(outcome.text.isEmpty());
    }
};

QTEST_MAIN(tst_RdapClient)
#include "tst_rdapclient.moc"
