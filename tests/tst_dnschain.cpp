// SPDX-License-Identifier: MIT
// The chain of trust against a lab of signed zones under nsd (see ChainLab), one break at a
// time: the verdict agrees with the validating resolver's, delv's and drill -S's, the broken
// link named is the one the lab broke, and the picture (read back as SVG) marks that link and
// no other. Also: hostile names in the picture stay text, a run from the command line writes
// the picture and the JSON, the picture's window zooms and saves, and Cancel ends the call at
// once.
#include "ChainLab.h"
#include "Nsd.h"
#include "RecordingView.h"
#include "TestNetwork.h"
#include "app/ChainWindow.h"
#include "net/dns/chain/ChainPicture.h"
#include "net/dns/records/DnsRecordsSession.h"
#include "net/engine/Transcript.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QXmlStreamReader>

namespace {

// What the picture marks as broken ("zone link" of each broken element), and whether it is
// well-formed XML; the texts it holds, concatenated.
struct SvgReading {
    bool wellFormed = false;
    QStringList broken;
    QString texts;
};

SvgReading readSvg(const QByteArray& svg) {
    SvgReading reading;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters())
            reading.texts += xml.text();
        if (!xml.isStartElement() ||
            !xml.attributes().value(QStringLiteral("class")).contains(QStringLiteral("broken")))
            continue;
        const auto attributes = xml.attributes();
        reading.broken.append(attributes.hasAttribute(QStringLiteral("data-link"))
                                  ? attributes.value(QStringLiteral("data-link")).toString()
                                  : attributes.value(QStringLiteral("id")).toString());
    }
    reading.wellFormed = !xml.hasError();
    return reading;
}

// delv's verdict on the lab's name: "secure", "insecure" or "bogus".
QString delvVerdict(const ChainLab& lab, const QString& name) {
    QByteArray output;
    QString error;
    runTool(lab.path(QString()), QStringLiteral("delv"),
            {QStringLiteral("@") + ChainLab::Address, QStringLiteral("-a"), lab.delvAnchors(),
             QStringLiteral("+root=."), name, QStringLiteral("A")},
            &output, error);
    if (output.contains("fully validated"))
        return QStringLiteral("secure");
    if (output.contains("; unsigned answer"))
        return QStringLiteral("insecure");
    return QStringLiteral("bogus");
}

// Whether drill -S chases the name's signatures to the anchor.
bool drillChases(const ChainLab& lab, const QString& name) {
    QProcess drill;
    drill.start(QStringLiteral("drill"),
                {QStringLiteral("-S"), QStringLiteral("-k"), lab.anchors(),
                 QStringLiteral("@") + ChainLab::Address, name, QStringLiteral("A")});
    drill.waitForFinished(20000);
    return drill.readAll().contains(";; Chase successful");
}

} // namespace

class tst_DnsChain : public QObject {
    Q_OBJECT

    std::unique_ptr<ChainLab> m_lab;
    std::unique_ptr<RecordingTranscriptView> m_view;
    std::unique_ptr<net::QueryEngine> m_engine;
    std::unique_ptr<net::DnsRecordsSession> m_query;
    QList<net::ChainReport> m_reports;

    void startChain(const QString& name) {
        net::DnsRecordsRequest request;
        request.name = name.toUtf8();
        request.type = QStringLiteral("A");
        request.server = QStringLiteral("Authoritative");
        request.chain = true;
        m_query->start(request);
    }

private slots:
    void initTestCase() {
        QVERIFY2(enterOwnNetwork(), "needs root, for a network of the test's own");
        m_lab = std::make_unique<ChainLab>();
        QVERIFY2(m_lab->running(), qPrintable(m_lab->error()));
    }

    void init() {
        m_view = std::make_unique<RecordingTranscriptView>();
        m_engine = std::make_unique<net::QueryEngine>(*m_view);
        m_query = std::make_unique<net::DnsRecordsSession>(*m_engine);
        m_query->setRootServers(QString::fromLatin1(ChainLab::Address));
        m_query->setRunTrustAnchors({m_lab->anchors()});
        m_reports.clear();
        m_query->chain().onReport = [this](const net::ChainReport& r) { m_reports.append(r); };
    }

    void labCases_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("brokenZone"); // empty: nothing broke
        QTest::addColumn<QString>("brokenLink");
        QTest::addColumn<QString>("reason"); // a part of the sentence at the top
        QTest::newRow("secure") << "www.good.lab"
                                << "secure"
                                << ""
                                << ""
                                << "every link";
        QTest::newRow("four zones deep") << "www.deep.good.lab"
                                         << "secure"
                                         << ""
                                         << ""
                                         << "every link";
        QTest::newRow("rollover, a DS of a key gone") << "www.rollover.lab"
                                                      << "secure"
                                                      << ""
                                                      << ""
                                                      << "every link";
        QTest::newRow("NXDOMAIN proven") << "nothere.good.lab"
                                         << "secure"
                                         << ""
                                         << ""
                                         << "";
        QTest::newRow("no DS, NSEC3 proof") << "www.nods.lab"
                                            << "insecure"
                                            << ""
                                            << ""
                                            << "its NSEC3 proves it";
        QTest::newRow("unsigned TLD, NSEC proof") << "www.plain"
                                                  << "insecure"
                                                  << ""
                                                  << ""
                                                  << "its NSEC proves it";
        QTest::newRow("DS of an unsupported algorithm") << "www.unsupported.lab"
                                                        << "insecure"
                                                        << ""
                                                        << ""
                                                        << "algorithm 200";
        QTest::newRow("DS digest mismatch") << "www.mismatch.lab"
                                            << "bogus"
                                            << "mismatch.lab."
                                            << "digest"
                                            << "the digest of key";
        QTest::newRow("DNSKEY set signature expired") << "www.keyexpired.lab"
                                                      << "bogus"
                                                      << "keyexpired.lab."
                                                      << "dnskey"
                                                      << "expired 2020-01-01 00:00:00 UTC";
        QTest::newRow("answer signature expired") << "www.answerexpired.lab"
                                                  << "bogus"
                                                  << "answerexpired.lab."
                                                  << "answer"
                                                  << "expired 2020-01-01";
        QTest::newRow("answer signature not yet valid") << "www.answerfuture.lab"
                                                        << "bogus"
                                                        << "answerfuture.lab."
                                                        << "answer"
                                                        << "valid only from 2040-01-01";
        QTest::newRow("answer signature altered") << "www.badsig.lab"
                                                  << "bogus"
                                                  << "badsig.lab."
                                                  << "answer"
                                                  << "does not verify";
        QTest::newRow("DNSKEY set signed by the ZSK alone") << "www.zsk.lab"
                                                            << "bogus"
                                                            << "zsk.lab."
                                                            << "dnskey"
                                                            << "is not signed by key";
        QTest::newRow("KSK revoked") << "www.revoked.lab"
                                     << "bogus"
                                     << "revoked.lab."
                                     << "digest"
                                     << "is revoked";
    }

    void labCases() {
        QFETCH(QString, name);
        QFETCH(QString, verdict);
        QFETCH(QString, brokenZone);
        QFETCH(QString, brokenLink);
        QFETCH(QString, reason);
        startChain(name);
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 15000);
        QCOMPARE(m_view->outcomes.size(), 1);
        QCOMPARE(m_reports.size(), 1);
        const net::ChainReport& report = m_reports.first();
        QCOMPARE(net::verdictText(report.verdict), verdict);
        QVERIFY2(report.reason.contains(reason), qPrintable(report.reason));
        const QString broken =
            report.brokenZone >= 0 ? report.zones[report.brokenZone].name : QString();
        QCOMPARE(broken, brokenZone);
        QCOMPARE(report.brokenLink, brokenLink);
        // Beside the peers: the same verdict as the resolver's, delv's and drill's.
        QCOMPARE(report.resolverVerdict, verdict);
        QCOMPARE(delvVerdict(*m_lab, name), verdict);
        // drill -S takes a DNSKEY set signed by any of its own keys; a validator asks for a
        // key a DS record names (RFC 4035, 5.2), so drill alone calls that chain good.
        QCOMPARE(drillChases(*m_lab, name),
                 verdict == QLatin1String("secure") || name == QLatin1String("www.zsk.lab"));
        // The window's text opens with the verdict; the JSON says the same.
        QVERIFY2(m_view->text.contains(QStringLiteral("; Verdict: %1. ").arg(verdict)),
                 qPrintable(m_view->text));
        const QJsonObject json = m_view->records.value(QStringLiteral("chain")).toObject();
        QCOMPARE(json.value(QStringLiteral("verdict")).toString(), verdict);
        QCOMPARE(json.value(QStringLiteral("broken"))
                     .toObject()
                     .value(QStringLiteral("zone"))
                     .toString(),
                 brokenZone);
        // The picture marks the broken link, and nothing when nothing broke.
        const SvgReading svg = readSvg(net::chainSvg(report));
        QVERIFY(svg.wellFormed);
        if (brokenZone.isEmpty()) {
            QCOMPARE(svg.broken, QStringList());
        } else {
            const QString node = brokenLink == QLatin1String("answer") ? QStringLiteral("answer")
                                 : brokenLink == QLatin1String("dnskey")
                                     ? QStringLiteral("dnskey-") + brokenZone
                                     : QStringLiteral("ds-") + brokenZone;
            QVERIFY2(svg.broken.contains(node), qPrintable(svg.broken.join(u' ')));
        }
    }

    // An anchor that is the key itself (as the system's root anchor file holds it) vouches for
    // that key as a DS record would.
    void keyAsAnchor() {
        m_query->setRunTrustAnchors({m_lab->path(QStringLiteral("anchors.key"))});
        startChain(QStringLiteral("www.good.lab"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 15000);
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(net::verdictText(m_reports.first().verdict), QStringLiteral("secure"));
    }

    // Names from servers are text in the picture, never markup.
    void hostileNamesStayText() {
        net::ChainReport report;
        report.name = QStringLiteral("<script>&amp;\x01.");
        report.type = QStringLiteral("A");
        report.reason = QStringLiteral("a \"reason\" <b>");
        net::ChainZone zone;
        zone.name = QStringLiteral("]]><x>.");
        zone.keys.append(net::ChainKey{});
        report.zones.append(zone);
        const SvgReading svg = readSvg(net::chainSvg(report));
        QVERIFY(svg.wellFormed);
        QVERIFY(svg.texts.contains(QStringLiteral("<script>&amp;")));
        QVERIFY(svg.texts.contains(QStringLiteral("]]><x>.")));
        QVERIFY(svg.texts.contains(QStringLiteral("a \"reason\" <b>")));
    }

    // From a shell: the picture and the JSON, and the exit status a script reads.
    void commandLine_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("status");
        QTest::newRow("secure, SVG") << "chain.svg"
                                     << "www.good.lab" << 0;
        QTest::newRow("bogus, PNG") << "chain.png"
                                    << "www.keyexpired.lab" << 1;
    }

    void commandLine() {
        QFETCH(QString, picture);
        QFETCH(QString, name);
        QFETCH(int, status);
        const QString file = m_lab->path(picture);
        QFile::remove(file);
        QProcess run;
        run.start(QStringLiteral(VINTREL_BINARY),
                  {QStringLiteral("--chain"), name, QStringLiteral("--resolver"),
                   QString::fromLatin1(ChainLab::Address), QStringLiteral("--trust-anchor"),
                   m_lab->anchors(), QStringLiteral("--json"), QStringLiteral("--picture"), file});
        QVERIFY(run.waitForFinished(30000));
        QVERIFY2(run.exitCode() == status, run.readAllStandardError().constData());
        const QJsonObject chain = QJsonDocument::fromJson(run.readAllStandardOutput())
                                      .object()
                                      .value(QStringLiteral("chain"))
                                      .toObject();
        QCOMPARE(chain.value(QStringLiteral("verdict")).toString(),
                 status == 0 ? QStringLiteral("secure") : QStringLiteral("bogus"));
        QFile drawn(file);
        QVERIFY(drawn.open(QIODevice::ReadOnly));
        const QByteArray head = drawn.read(8);
        QVERIFY2(picture.endsWith(QLatin1String(".png")) ? head == QByteArray("\x89PNG\r\n\x1a\n")
                                                         : head.startsWith("<svg"),
                 head.constData());
    }

    // The picture in its window: zoomed from the keyboard, saved as PNG, its verdict said.
    void chainWindow() {
        startChain(QStringLiteral("www.keyexpired.lab"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_engine->Busy(), 15000);
        QCOMPARE(m_reports.size(), 1);
        app::ChainWindow window;
        const QString saved = m_lab->path(QStringLiteral("window.png"));
        window.chooseSaveFile = [&] { return saved; };
        window.show(m_reports.first());
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget* picture = QApplication::focusWidget();
        QVERIFY(picture);
        QVERIFY(picture->accessibleDescription().contains(QLatin1String("expired 2020-01-01")));
        const QSize before = picture->size();
        QTest::keyClick(picture, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(window.zoom(), 1.25);
        QVERIFY(picture->width() > before.width());
        QTest::keyClick(picture, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(picture->size(), before);
        QTest::keyClick(picture, Qt::Key_S, Qt::ControlModifier);
        QFile png(saved);
        QVERIFY(png.open(QIODevice::ReadOnly));
        QCOMPARE(png.read(8), QByteArray("\x89PNG\r\n\x1a\n"));
    }

    void cancelEndsOnce() {
        startChain(QStringLiteral("www.good.lab"));
        QVERIFY(m_engine->Busy());
        m_engine->CancelCall();
        QVERIFY(!m_engine->Busy());
        QTest::qWait(500);
        QCOMPARE(m_view->outcomes.size(), 1);
        QVERIFY(m_reports.isEmpty());
        QVERIFY(!m_view->text.contains(QLatin1String("Verdict")));
    }
};

QTEST_MAIN(tst_DnsChain)
#include "tst_dnschain.moc"
