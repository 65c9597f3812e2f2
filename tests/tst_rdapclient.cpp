// SPDX-License-Identifier: MIT
// The RDAP client against a real HTTPS server on loopback, with a certificate authority made
// for the test: the bootstrap file, answers and errors, the cache, a certificate not trusted.
#include "ChildProcess.h"
#include "RecordingView.h"
#include "TestNetwork.h"
#include "net/rdap/RdapClient.h"
#include "net/whois/WhoisSession.h"
#include "platform/WinsockErrors.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>

#include "TestFiles.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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
    Outcome lookUp(net::RdapClient& client, const QByteArray& query,
                   net::RdapBootstrap::Kind kind = net::RdapBootstrap::Domains) {
        Outcome outcome;
        bool done = false;
        client.onAnswer = [&](const net::RdapText& answer) {
            outcome.text = answer.text, done = true;
        };
        client.onFailed = [&](const QString& message, const QString& text) {
            outcome.failure = message, outcome.text = text, done = true;
        };
        client.lookUp({kind, query});
        if (!QTest::qWaitFor([&] { return done; }, 20000))
            outcome.failure = "no answer";
        return outcome;
    }

    QString url(const QString& path) const { return "https://127.0.0.1:" + m_port + path; }

    std::unique_ptr<net::RdapClient> client(const QString& cache, bool trusting = true,
                                            const QString& folder = "/") {
        auto made = std::make_unique<net::RdapClient>();
        made->setBootstrapFolder(QUrl(url(folder)));
        made->setCacheDirectory(m_dir.filePath(cache));
        if (trusting)
            made->setSslConfiguration(m_trusting);
        return made;
    }
    QString cacheFile(const QString& cache) const {
        return m_dir.filePath(cache + "/rdap-dns.json");
    }
    static void age(const QString& path, qint64 seconds) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                                 QFileDevice::FileModificationTime));
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
        endWithThisProcess(m_server);
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
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");    // a line the answer shows
        QTest::addColumn<QString>("failure"); // the start of the failure, if one
        const int domain = net::RdapBootstrap::Domains;
        QTest::newRow("a domain") << QByteArray("example.test") << domain << "Name: Test Registrar"
                                  << "";
        QTest::newRow("an address")
            << QByteArray("192.0.2.1") << int(net::RdapBootstrap::Ipv4) << "TEST-NET-1"
            << "";
        QTest::newRow("an AS number")
            << QByteArray("64500") << int(net::RdapBootstrap::AsNumbers) << "TEST-AS"
            << "";
        QTest::newRow("not found") << QByteArray("missing.test") << domain << "Title: Not Found"
                                   << "RDAP server 127.0.0.1: not found (HTTP 404)";
        QTest::newRow("rate limit") << QByteArray("busy.test") << domain << ""
                                    << "RDAP server 127.0.0.1: too many requests";
        QTest::newRow("server error") << QByteArray("down.test") << domain << ""
                                      << "RDAP server 127.0.0.1: server error (HTTP 503)";
        QTest::newRow("no JSON") << QByteArray("broken.test") << domain << ""
                                 << "RDAP server 127.0.0.1: The RDAP answer is not valid JSON";
        QTest::newRow("too large") << QByteArray("big.test") << domain << ""
                                   << "RDAP server 127.0.0.1: the answer is too large";
        QTest::newRow("a server that drips") << QByteArray("drip.test") << domain << ""
                                             << "RDAP server 127.0.0.1: Timed out";
        QTest::newRow("no server for the name")
            << QByteArray("example.nowhere") << domain << ""
            << "No RDAP server is known for the domain example.nowhere";
    }
    void answers() {
        QFETCH(QByteArray, query);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, failure);
        auto rdap = client("cache");
        rdap->setMaxAnswer(100 * 1024);
        rdap->setDeadline(1500); // a byte every 0.2 s never resets it
        const Outcome outcome = lookUp(*rdap, query, net::RdapBootstrap::Kind(kind));
        if (failure.isEmpty())
            QVERIFY2(outcome.failure.isEmpty(), qPrintable(outcome.failure));
        else
            QVERIFY2(outcome.failure.startsWith(failure), qPrintable(outcome.failure));
        if (!text.isEmpty())
            QVERIFY2(outcome.text.contains(text), qPrintable(outcome.text));
    }

    // The cache holds only what parses as a bootstrap file: a captive portal's page or a cut
    // file is never cached and never replaces a good copy, which serves instead; a copy dated
    // in the future is stale; a copy that names no server is checked again once it is an hour
    // old.
    void bootstrapCache_data() {
        QTest::addColumn<QString>("folder"); // where the fresh file comes from
        QTest::addColumn<qint64>("oldAge");  // seconds; -1: no old copy; < -1: in the future
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<bool>("cachedIsGood");
        QTest::newRow("fetched and cached")
            << "/" << -1ll << QByteArray("example.test") << true << true;
        QTest::newRow("captive portal, no copy")
            << "/captive/" << -1ll << QByteArray("example.test") << false << false;
        QTest::newRow("captive portal, a stale copy serves")
            << "/captive/" << 3 * 86400ll << QByteArray("example.test") << true << true;
        QTest::newRow("cut file, a stale copy serves")
            << "/cut/" << 3 * 86400ll << QByteArray("example.test") << true << true;
        // The old copy sends .rdaponly to a server that is gone: only a fetched list answers.
        QTest::newRow("a fresh copy is used as it is")
            << "/" << 60ll << QByteArray("x.rdaponly") << false << true;
        QTest::newRow("a copy dated in the future is fetched anew")
            << "/" << -86400ll << QByteArray("x.rdaponly") << true << true;
        QTest::newRow("a fresh copy without the name, two hours old, is checked again")
            << "/" << 7200ll << QByteArray("x.rdaponly") << true << true;
    }
    void bootstrapCache() {
        QFETCH(QString, folder);
        QFETCH(qint64, oldAge);
        QFETCH(QByteArray, query);
        QFETCH(bool, answered);
        QFETCH(bool, cachedIsGood);
        const QString cache = QString("cache-%1").arg(QTest::currentDataTag()).replace(' ', '-');
        if (oldAge != -1) {
            // An old copy that knows "test", and, but for the row that checks a copy without
            // the name, sends "rdaponly" to a server that is gone.
            const QByteArray gone =
                oldAge == 7200 ? QByteArray()
                               : ", [[\"rdaponly\"], [\"" + url("/gone/").toLatin1() + "\"]]";
            QVERIFY(net::RdapBootstrap::write(m_dir.filePath(cache), net::RdapBootstrap::Domains,
                                              "{\"services\": [[[\"test\"], [\"" +
                                                  url("/rdap/").toLatin1() + "\"]]" + gone + "]}"));
            age(cacheFile(cache), oldAge);
        }
        auto rdap = client(cache, true, folder);
        const Outcome outcome = lookUp(*rdap, query);
        QCOMPARE(outcome.failure.isEmpty(), answered);
        const auto cached =
            net::RdapBootstrap::read(m_dir.filePath(cache), net::RdapBootstrap::Domains);
        QCOMPARE(cached.has_value(), cachedIsGood);
        if (!answered && oldAge == -1)
            QVERIFY2(outcome.failure.contains("no RDAP server list"), qPrintable(outcome.failure));
    }

    // The cache is the program's own file: what is swapped in under its name is never
    // written through nor read, and a FIFO there cannot hold the window.
    void cacheIsNeverWrittenThroughALink_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link to another file") << "file";
        QTest::newRow("link to a device") << "device";
        QTest::newRow("dangling link") << "dangling";
        QTest::newRow("FIFO, fetch failing") << "fifo";
    }
    void cacheIsNeverWrittenThroughALink() {
        QFETCH(QString, kind);
        const QString cache = "links-" + kind;
        QVERIFY(QDir().mkpath(m_dir.filePath(cache)));
        const QByteArray path = QFile::encodeName(cacheFile(cache));
        const QString target = m_dir.filePath(cache + "-target");
        if (kind == "file") {
            writeFile(target, "precious");
            QCOMPARE(symlink(QFile::encodeName(target).constData(), path.constData()), 0);
        } else if (kind == "device") {
            if (mknod(QFile::encodeName(target).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
                QFAIL("needs root to make a device node");
            QCOMPARE(symlink(QFile::encodeName(target).constData(), path.constData()), 0);
        } else if (kind == "dangling") {
            QCOMPARE(symlink(QFile::encodeName(target).constData(), path.constData()), 0);
        } else {
            QCOMPARE(mkfifo(path.constData(), 0600), 0);
        }
        auto rdap = client(cache, true, kind == "fifo" ? "/captive/" : "/");
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = lookUp(*rdap, "example.test");
        QVERIFY(clock.elapsed() < 15000);
        QCOMPARE(outcome.failure.isEmpty(), kind != "fifo");
        struct stat after {};
        if (kind == "file")
            QCOMPARE(contentOf(target), QByteArray("precious"));
        if (kind == "device") {
            QCOMPARE(stat(QFile::encodeName(target).constData(), &after), 0);
            QVERIFY(S_ISCHR(after.st_mode));
        }
        if (kind == "dangling")
            QVERIFY(!QFileInfo::exists(target));
        if (kind != "fifo") {
            // The name now holds the program's own file, private to the user.
            QCOMPARE(lstat(path.constData(), &after), 0);
            QVERIFY(S_ISREG(after.st_mode));
            QCOMPARE(after.st_mode & 0777, mode_t(0600));
            QCOMPARE(stat(QFile::encodeName(m_dir.filePath(cache)).constData(), &after), 0);
        }
    }

    void cacheFolderIsPrivate() {
        QVERIFY(net::RdapBootstrap::write(m_dir.filePath("private/vintrel"),
                                          net::RdapBootstrap::Domains,
                                          "{\"services\": [[[\"test\"], [\"https://x/\"]]]}"));
        struct stat folder {};
        QCOMPARE(stat(QFile::encodeName(m_dir.filePath("private/vintrel")).constData(), &folder),
                 0);
        QCOMPARE(folder.st_mode & 0777, mode_t(0700));
    }

    // A WhoIs query whose registry has no WhoIs server is answered from RDAP, for domains,
    // addresses and AS numbers alike; a server typed as an RDAP base URL is asked over RDAP.
    void whoisQueriesFallBackToRdap_data() {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("rootAnswer"); // empty: the root registry refuses
        QTest::addColumn<QString>("shown");
        QTest::newRow("automatic, root names no WhoIs server")
            << true << QByteArray("example.test") << QByteArray("domain: TEST\r\nwhois:\r\n")
            << "Domain: example.test\nStatus: active\n";
        QTest::newRow("automatic, the server named does not resolve")
            << true << QByteArray("example.test") << QByteArray("refer: whois.gone.test\r\n")
            << "Domain: example.test\nStatus: active\n";
        QTest::newRow("automatic, root registry unreachable")
            << true << QByteArray("example.test") << QByteArray()
            << "--- the root registry whois.iana.org could not be reached: Connection refused "
               "---\n\n--- RDAP ---\n";
        QTest::newRow("an address") << true << QByteArray("192.0.2.1")
                                    << QByteArray("refer: whois.gone.test\r\n") << "TEST-NET-1";
        QTest::newRow("an AS number") << true << QByteArray("AS64500")
                                      << QByteArray("refer: whois.gone.test\r\n") << "TEST-AS";
        QTest::newRow("RDAP base URL typed as the server")
            << false << QByteArray("example.test") << QByteArray("unused")
            << "Domain: example.test\nStatus: active\n";
    }
    void whoisQueriesFallBackToRdap() {
        QFETCH(bool, automatic);
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, rootAnswer);
        QFETCH(QString, shown);
        RecordingView view;
        net::QueryEngine engine(view);
        net::WhoisSession session(engine);
        LoopbackServer root({{rootAnswer}}, QHostAddress("127.0.0.10"));
        if (rootAnswer.isEmpty()) {
            const quint16 closed = closedPortNetworkOrder();
            engine.setServiceLookup([closed](const QByteArray&, const QByteArray&) {
                return std::optional<std::uint16_t>(closed);
            });
        } else {
            routeServicesTo(engine, root);
        }
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
        session.rdap().setBootstrapFolder(QUrl(url("/")));
        session.rdap().setCacheDirectory(m_dir.filePath("engine"));
        session.rdap().setSslConfiguration(m_trusting);
        if (automatic)
            session.start({}, query, {true, true});
        else
            session.start(url("/rdap/").toLatin1(), query);
        QTRY_VERIFY_WITH_TIMEOUT(!engine.Busy(), 20000);
        QCOMPARE(view.status(), QString("RDAP answer received"));
        QVERIFY2(view.text.contains(shown), qPrintable(view.text));
        QCOMPARE(view.caption, QString("127.0.0.1"));
        QCOMPARE(view.text.contains("--- RDAP ---"), automatic);
        // With referrals followed, the registry's link leads to the registrar's record, once.
        const bool referred = automatic && query == "example.test";
        QCOMPARE(view.text.contains("\n--- RDAP referral to 127.0.0.1 ---\n"), referred);
        QCOMPARE(view.text.contains("Name: Example Registrant"), referred);
    }

    void untrustedCertificateIsRefused() {
        auto rdap = client("untrusted", false);
        const Outcome outcome = lookUp(*rdap, "example.test");
        // The failure is the certificate's, not any other failure of the bootstrap fetch.
        QVERIFY2(outcome.failure.contains("could not be fetched from 127.0.0.1") &&
                     outcome.failure.contains("certificate", Qt::CaseInsensitive),
                 qPrintable(outcome.failure));
        QVERIFY(outcome.text.isEmpty());
    }
};

QTEST_MAIN(tst_RdapClient)
#include "tst_rdapclient.moc"
