// SPDX-License-Identifier: MIT
// Printing to a real print queue: a CUPS scheduler of the test's own (its files, spool and
// socket in a temporary folder) with a queue that holds its jobs. A job cancelled after its
// first page must never reach the queue; a finished one reaches it whole. Needs root (the
// scheduler runs its jobs as the lp user); fails otherwise, having checked nothing.
#include "ChildProcess.h"
#include "app/PrintCommands.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TStyleStatusBar.h"
#include "view/TFingWnd.h"

#include "WhenModal.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(30000) && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    return ok;
}

} // namespace

class tst_PrintQueue : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_cupsd;
    QString m_socket;
    static constexpr const char* Queue = "VintrelQueue";

    // The queue's jobs that have not printed, as lpstat lists them.
    QByteArray pendingJobs() {
        QByteArray jobs;
        run("lpstat", {"-h", m_socket, "-o", Queue}, &jobs);
        return jobs.trimmed();
    }

private slots:
    void initTestCase() {
        if (geteuid() != 0 || QStandardPaths::findExecutable("cupsd", {"/usr/sbin"}).isEmpty())
            QFAIL("needs root and the cups package for a print scheduler of its own");
        for (const char* folder : {"spool", "tmp", "cache", "state"})
            QVERIFY(QDir(m_dir.path()).mkpath(folder));
        m_socket = m_dir.filePath("cups.sock");
        QFile conf(m_dir.filePath("cupsd.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("Listen " + QFile::encodeName(m_socket) +
                   "\nLogLevel warn\nDefaultAuthType None\nWebInterface No\n"
                   "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                   "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                   "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                   "</Policy>\n");
        conf.close();
        QFile files(m_dir.filePath("cups-files.conf"));
        QVERIFY(files.open(QIODevice::WriteOnly));
        const QByteArray root = QFile::encodeName(m_dir.path());
        files.write("FileDevice Yes\nServerRoot " + root + "\nRequestRoot " + root +
                    "/spool\nTempDir " + root + "/tmp\nCacheDir " + root + "/cache\nStateDir " +
                    root + "/state\nErrorLog " + root + "/error_log\nAccessLog " + root +
                    "/access_log\nPageLog " + root + "/page_log\nSystemGroup root\n");
        files.close();
        endWithThisProcess(m_cupsd);
        m_cupsd.start("cupsd", {"-f", "-c", m_dir.filePath("cupsd.conf"), "-s",
                                m_dir.filePath("cups-files.conf")});
        QVERIFY(m_cupsd.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_socket), 10000);
        // A queue that takes jobs and keeps them: its printing is stopped.
        QVERIFY(run("lpadmin",
                    {"-h", m_socket, "-p", Queue, "-E", "-v", "file:/dev/null", "-m", "raw"}));
        QVERIFY(run("cupsdisable", {"-h", m_socket, Queue}));
        qputenv("CUPS_SERVER", QFile::encodeName(m_socket));
    }
    void cleanupTestCase() {
        m_cupsd.terminate();
        m_cupsd.waitForFinished(5000);
    }

    void cancelledJobsNeverReachTheQueue_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled after the first page") << true;
        QTest::newRow("printed whole") << false;
    }
    void cancelledJobsNeverReachTheQueue() {
        QFETCH(bool, cancel);
        app::TMyDecoratedFrame frame(m_dir.path() + '/');
        frame.show();
        QString text;
        for (int i = 0; i < 30; ++i)
            text += QString("line %1\n").arg(i);
        frame.client().appendText(text);
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(Queue);
        QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat);
        // Ten lines a page: three pages.
        const qreal inches = 11 * QFontMetrics(frame.client().font()).lineSpacing() /
                             qreal(frame.client().logicalDpiY());
        printer.setPageLayout(QPageLayout(QPageSize(QSizeF(8.5, inches), QPageSize::Inch),
                                          QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        const QByteArray before = pendingJobs();
        if (cancel) {
            whenModal<QProgressDialog>([](QProgressDialog* progress) {
                QTRY_VERIFY(progress->value() > 0); // the first page is done
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            });
        }
        const auto result = frame.printCommands().printText(printer);
        QCOMPARE(result,
                 cancel ? view::APXPrintOut::Result::Canceled : view::APXPrintOut::Result::Printed);
        QCOMPARE(printer.printerName(), QString(Queue)); // the queue stays chosen
        QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat);
        const QByteArray after = pendingJobs();
        if (cancel) {
            QCOMPARE(after, before);
            QCOMPARE(frame.statusBarField().text(), QString("Printing canceled"));
            return;
        }
        QCOMPARE(after.count('\n') + 1, before.isEmpty() ? 1 : before.count('\n') + 2);
        // The job the queue holds is the whole document.
        QStringList spooled =
            QDir(m_dir.filePath("spool")).entryList({"d*"}, QDir::Files, QDir::Time);
        QVERIFY(!spooled.isEmpty());
        QByteArray info;
        QVERIFY(run("pdfinfo", {m_dir.filePath("spool/" + spooled.first())}, &info));
        QVERIFY2(info.contains("Pages:           3"), info.constData());
    }
};

QTEST_MAIN(tst_PrintQueue)
#include "tst_printqueue.moc"
