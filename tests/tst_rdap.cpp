// SPDX-License-Identifier: MIT
// RDAP against a real HTTPS server on loopback, with a certificate authority made for the test:
// every kind of object and search, the bootstrap files and their cache, one deadline for a
// look-up, errors, a certificate not trusted, and links and redirects judged by the address
// they lead to. As root the test runs in a network namespace of its own, where 198.51.100.1
// stands for a server on the public Internet.
#include "ChildProcess.h"
#include "RecordingView.h"
#include "TestNetwork.h"
#include "net/rdap/BootstrapCache.h"
#include "net/rdap/RdapLookup.h"
#include "net/whois/WhoisSession.h"
#include "platform/WinsockErrors.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSemaphore>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include "TestFiles.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// rdap.public.example is the server on the public side; registrar.public.example is a
// public-looking name that resolves to loopback.
platform::Resolver publicLookingResolver() {
    platform::Resolver resolver;
    resolver.byName = [](const QByteArray& name) {
        platform::LookupAnswer answer;
        answer.entry.officialName = name;
        answer.entry.addresses = {*platform::HostAddress::parse(
            name == "rdap.public.example" ? "198.51.100.1" : "127.0.0.1")};
        return answer;
    };
    return resolver;
}

} // namespace

class tst_Rdap : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_port;
    QSslConfiguration m_trusting;
    bool m_publicAddresses = false; // 198.51.100.1 is this host's

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
    Outcome lookUp(net::RdapLookup& rdap, const QByteArray& query, const QUrl& base = QUrl()) {
        Outcome outcome;
        bool done = false;
        rdap.onAnswer = [&](const net::RegistryLookup::Answer& answer) {
            outcome.text = answer.text, done = true;
        };
        rdap.onFailed = [&](const QString& message, const QString& text) {
            outcome.failure = message, outcome.text = text, done = true;
        };
        rdap.lookUp(query, base, false);
        if (!QTest::qWaitFor([&] { return done; }, 20000))
            outcome.failure = "no answer";
        return outcome;
    }

    QString url(const QString& path, const QString& host = "127.0.0.1") const {
        return "https://" + host + ':' + m_port + path;
    }

    std::unique_ptr<net::RdapLookup> client(const QString& cache, bool trusting = true,
                                            const QString& folder = "/") {
        auto made = std::make_unique<net::RdapLookup>();
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
        m_publicAddresses = enterNetworkWithPublicAddresses();
        const QString ext = m_dir.filePath("ext.cnf");
        QFile file(ext);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("subjectAltName=DNS:localhost,IP:127.0.0.1,IP:198.51.100.1,"
                   "DNS:rdap.public.example,DNS:registrar.public.example\n");
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
                                   m_dir.filePath("server.pem"), m_dir.filePath("server.key"),
                                   m_publicAddresses ? "0.0.0.0" : "127.0.0.1", "0", "",
                                   "registrar.public.example"});
        QVERIFY(m_server.waitForReadyRead(20000));
        m_port = QString::fromLatin1(m_server.readLine().trimmed());
        m_trusting = QSslConfiguration::defaultConfiguration();
        m_trusting.addCaCertificates(QSslCertificate::fromPath(m_dir.filePath("ca.pem")));
    }
    void cleanupTestCase() {
        m_server.kill();
        m_server.waitForFinished();
    }

    // Every object RDAP can be asked for, as a user types it, and what can go wrong.
    void answers_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<bool>("atBase");     // asked at a base URL given, not one found
        QTest::addColumn<QString>("text");    // a line the answer shows
        QTest::addColumn<QString>("failure"); // the start of the failure, if one
        QTest::newRow("a domain") << QByteArray("example.test") << false << "Name: Test Registrar"
                                  << "";
        QTest::newRow("an address") << QByteArray("192.0.2.1") << false << "TEST-NET-1"
                                    << "";
        QTest::newRow("an AS number") << QByteArray("AS64500") << false << "TEST-AS"
                                      << "";
        QTest::newRow("a tagged entity, found through the object tags")
            << QByteArray("entity GOVI-TEST") << false << "Entity: GOVI-TEST"
            << "";
        QTest::newRow("the object tags' malformed entry is skipped, and said")
            << QByteArray("entity GOVI-TEST") << false
            << "--- 1 entry of the RDAP server list object-tags.json is not of its form and was "
               "skipped ---\n\nEntity: GOVI-TEST"
            << "";
        QTest::newRow("a name server")
            << QByteArray("nameserver ns1.example.test") << false << "Name server: ns1.example.test"
            << "";
        QTest::newRow("a domain search")
            << QByteArray("domains exa*.test") << false << "Domains found: 1"
            << "";
        QTest::newRow("an entity search, at a server given")
            << QByteArray("entity-search Test Reg*") << true << "Entities found: 1"
            << "";
        QTest::newRow("a bare handle, at a server given")
            << QByteArray("GOVI-TEST") << true << "Entity: GOVI-TEST"
            << "";
        QTest::newRow("a NUL in the query") << QByteArray("::\0\xC8n", 5) << true << ""
                                            << "The query holds a NUL character";
        QTest::newRow("bytes that are not UTF-8") << QByteArray("M\xFCller.test") << false << ""
                                                  << "The query is not valid UTF-8 text";
        QTest::newRow("an entity search needs a server")
            << QByteArray("entities Test*") << false << ""
            << "No RDAP server can be found for the entity search Test*";
        QTest::newRow("only plain HTTP servers named")
            << QByteArray("x.plainonly") << false << ""
            << "No HTTPS RDAP server is known for the domain x.plainonly";
        QTest::newRow("an entity tagged for a plain HTTP server")
            << QByteArray("entity X-PLAIN") << false << ""
            << "No HTTPS RDAP server is known for the entity X-PLAIN";
        QTest::newRow("a redirect to plain HTTP")
            << QByteArray("to-http.test") << false << ""
            << "RDAP server 127.0.0.1: RDAP is asked only over HTTPS";
        QTest::newRow("not found") << QByteArray("missing.test") << false << "Title: Not Found"
                                   << "RDAP server 127.0.0.1: not found (HTTP 404)";
        QTest::newRow("rate limit") << QByteArray("busy.test") << false << ""
                                    << "RDAP server 127.0.0.1: too many requests";
        QTest::newRow("server error") << QByteArray("down.test") << false << ""
                                      << "RDAP server 127.0.0.1: server error (HTTP 503)";
        QTest::newRow("no JSON") << QByteArray("broken.test") << false << ""
                                 << "RDAP server 127.0.0.1: The RDAP answer is not valid JSON";
        QTest::newRow("too large") << QByteArray("big.test") << false << ""
                                   << "RDAP server 127.0.0.1: the answer is too large";
        QTest::newRow("a server that drips") << QByteArray("drip.test") << false << ""
                                             << "RDAP server 127.0.0.1: Timed out";
        QTest::newRow("no server for the name")
            << QByteArray("example.nowhere") << false << ""
            << "No RDAP server is known for the domain example.nowhere";
    }
    void answers() {
        QFETCH(QByteArray, query);
        QFETCH(bool, atBase);
        QFETCH(QString, text);
        QFETCH(QString, failure);
        auto rdap = client("cache");
        rdap->setMaxAnswer(100 * 1024);
        rdap->setDeadline(1500); // a byte every 0.2 s never resets it
        const Outcome outcome = lookUp(*rdap, query, atBase ? QUrl(url("/rdap/")) : QUrl());
        if (failure.isEmpty())
            QVERIFY2(outcome.failure.isEmpty(), qPrintable(outcome.failure));
        else
            QVERIFY2(outcome.failure.startsWith(failure), qPrintable(outcome.failure));
        if (!text.isEmpty())
            QVERIFY2(outcome.text.contains(text), qPrintable(outcome.text));
    }

    // The bootstrap file and the answer share one deadline: a slow list and a slow answer,
    // each within it, are too slow together.
    void oneDeadlineForALookUp() {
        auto rdap = client("slow", true, "/slow/");
        rdap->setDeadline(1500);
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = lookUp(*rdap, "slow.test");
        QVERIFY2(outcome.failure.endsWith("Timed out"), qPrintable(outcome.failure));
        QVERIFY2(clock.elapsed() < 1900, qPrintable(QString::number(clock.elapsed())));
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
            QVERIFY(net::bootstrap::writeCached(m_dir.filePath(cache), net::RdapQuery::Dns,
                                                "{\"services\": [[[\"test\"], [\"" +
                                                    url("/rdap/").toLatin1() + "\"]]" + gone +
                                                    "]}"));
            age(cacheFile(cache), oldAge);
        }
        auto rdap = client(cache, true, folder);
        const Outcome outcome = lookUp(*rdap, query);
        QCOMPARE(outcome.failure.isEmpty(), answered);
        const auto cached = net::bootstrap::readCached(m_dir.filePath(cache), net::RdapQuery::Dns);
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
        QVERIFY(net::bootstrap::writeCached(m_dir.filePath("private/vintrel"), net::RdapQuery::Dns,
                                            "{\"services\": [[[\"test\"], [\"https://x/\"]]]}"));
        struct stat folder {};
        QCOMPARE(stat(QFile::encodeName(m_dir.filePath("private/vintrel")).constData(), &folder),
                 0);
        QCOMPARE(folder.st_mode & 0777, mode_t(0700));
    }

    // A script's record lists every HTTP request, each redirect with its status, and each body.
    void everyRequestIsRecorded() {
        struct Requests : net::Transcript {
            QStringList seen;
            void exchange(const net::TranscriptExchange&) override {}
            void httpAnswer(const QString& kind, const QUrl& url, int status,
                            const QByteArray& body) override {
                seen << QString("%1 %2 %3%4")
                            .arg(kind, url.path())
                            .arg(status)
                            .arg(body.isEmpty() ? "" : " with its body");
            }
            void record(const QString&, const QJsonValue&) override {}
        } requests;
        auto rdap = client("recorded");
        rdap->setTranscript(&requests);
        QVERIFY(lookUp(*rdap, "moved.test").failure.isEmpty());
        QCOMPARE(requests.seen, (QStringList{"bootstrap /dns.json 200 with its body",
                                             "rdap /rdap/domain/moved.test 302",
                                             "rdap /rdap/domain/example.test 200 with its body"}));
    }

    // The bootstrap files are read, checked and written on a worker thread: with every worker
    // busy, a look-up goes no further than to its cached copy or the file fetched, and the
    // window's thread is free all the while.
    void bootstrapFilesAreReadOffTheWindowThread_data() {
        QTest::addColumn<bool>("cached"); // a fresh copy is read, else the file is fetched
        QTest::newRow("the cached copy") << true;
        QTest::newRow("a file fetched") << false;
    }
    void bootstrapFilesAreReadOffTheWindowThread() {
        QFETCH(bool, cached);
        struct BootstrapSeen : net::Transcript {
            bool fetched = false;
            void exchange(const net::TranscriptExchange&) override {}
            void httpAnswer(const QString& kind, const QUrl&, int, const QByteArray&) override {
                fetched = fetched || kind == "bootstrap";
            }
            void record(const QString&, const QJsonValue&) override {}
        } seen;
        const QString cache = cached ? "offthread-cached" : "offthread-fetched";
        if (cached)
            QVERIFY(net::bootstrap::writeCached(m_dir.filePath(cache), net::RdapQuery::Dns,
                                                "{\"services\": [[[\"test\"], [\"" +
                                                    url("/rdap/").toLatin1() + "\"]]]}"));
        auto rdap = client(cache);
        rdap->setTranscript(&seen);
        QThreadPool* workers = QThreadPool::globalInstance();
        QSemaphore release;
        const auto occupyWorkers = [&] {
            for (int i = 0; i < workers->maxThreadCount(); ++i)
                workers->start([&release] { release.acquire(); });
        };
        QStringList stages;
        rdap->onStatus = [&](const QString& text) {
            stages << text;
            if (text.startsWith("Fetching the RDAP server list"))
                occupyWorkers(); // the cache was read; the file fetched is next
        };
        bool answered = false;
        rdap->onAnswer = [&](const net::RegistryLookup::Answer&) { answered = true; };
        rdap->onFailed = [&](const QString& message, const QString&) {
            QFAIL(qPrintable(message));
        };

        if (cached)
            occupyWorkers();
        rdap->lookUp("example.test", {}, false);
        if (!cached)
            QTRY_VERIFY_WITH_TIMEOUT(seen.fetched, 10000);
        QCoreApplication::processEvents();
        const bool asked = stages.join('\n').contains("Asking RDAP server");
        release.release(workers->maxThreadCount());
        QVERIFY2(!asked, "the bootstrap file was read on the window's thread");
        QTRY_VERIFY_WITH_TIMEOUT(answered, 20000);
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
        QTest::newRow("an entity typed for RDAP, the server found for it")
            << true << QByteArray("entity GOVI-TEST") << QByteArray("unused")
            << "Entity: GOVI-TEST\n";
        QTest::newRow("a search at the server typed")
            << false << QByteArray("domains exa*.test") << QByteArray("unused")
            << "Domains found: 1\n";
    }
    void whoisQueriesFallBackToRdap() {
        QFETCH(bool, automatic);
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, rootAnswer);
        QFETCH(QString, shown);
        RecordingView view;
        net::QueryEngine engine(view);
        net::WhoisSession session(engine);
        const auto rdap = client("engine");
        session.setRegistryLookup(rdap.get());
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
        if (automatic)
            session.start({}, query, {true, true});
        else
            session.start(url("/rdap/").toLatin1(), query);
        QTRY_VERIFY_WITH_TIMEOUT(!engine.Busy(), 20000);
        QCOMPARE(view.status(), QString("RDAP answer received"));
        QVERIFY2(view.text.contains(shown), qPrintable(view.text));
        QCOMPARE(view.caption, QString("127.0.0.1"));
        // WhoIs first, where the query is one WhoIs knows; RDAP straight away for its own.
        QCOMPARE(view.text.contains("--- RDAP ---"), automatic && !query.contains(' '));
        // With referrals followed, the registry's link leads to the registrar's record, once.
        const bool referred = automatic && query == "example.test";
        QCOMPARE(view.text.contains("\n--- RDAP referral to 127.0.0.1 ---\n"), referred);
        QCOMPARE(view.text.contains("Name: Example Registrant"), referred);
    }

    // Links and redirects are judged by the address they lead to, not by how the name looks:
    // from the public side never to loopback, within a lab anywhere in it.
    void judgedByTheAddress_data() {
        QTest::addColumn<QString>("base"); // where the query is asked
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<net::Answer>("answer"); // the registry's answer stays an answer
        const QString refused = "registrar.public.example is a loopback or private address "
                                "(127.0.0.1)";
        QTest::newRow("a public server's link to a name on loopback")
            << "rdap.public.example" << QByteArray("linked-elsewhere.test")
            << "RDAP answer received"
            << "--- registrar.public.example could not be asked: RDAP server "
               "registrar.public.example: " +
                   refused + " ---"
            << net::Answer::Partial;
        QTest::newRow("a public server's redirect to a name on loopback")
            << "rdap.public.example" << QByteArray("redirected-elsewhere.test")
            << "RDAP server registrar.public.example: " + refused
            << "--- RDAP could not be asked: RDAP server registrar.public.example: " + refused +
                   " ---"
            << net::Answer::None;
        QTest::newRow("a link within a lab")
            << "127.0.0.1" << QByteArray("linked-elsewhere.test") << "RDAP answer received"
            << "Name: Example Registrant" << net::Answer::Whole;
    }
    void judgedByTheAddress() {
        QFETCH(QString, base);
        QFETCH(QByteArray, query);
        QFETCH(QString, status);
        QFETCH(QString, shown);
        QFETCH(net::Answer, answer);
        QVERIFY2(m_publicAddresses, "needs root for a network namespace with addresses of its own");
        RecordingView view;
        net::QueryEngine engine(view);
        net::WhoisSession session(engine);
        const auto rdap = client("judged");
        rdap->setResolver(publicLookingResolver());
        session.setRegistryLookup(rdap.get());
        session.start(url("/rdap/", base).toLatin1(), query, {false, true});
        QTRY_VERIFY_WITH_TIMEOUT(!engine.Busy(), 20000);
        QVERIFY2(view.status().startsWith(status), qPrintable(view.status()));
        QVERIFY2(view.text.contains(shown), qPrintable(view.text));
        QCOMPARE(view.outcomes.size(), 1);
        QCOMPARE(view.outcomes[0].answer, answer);
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

QTEST_MAIN(tst_Rdap)
#include "tst_rdap.moc"
