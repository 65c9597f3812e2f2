// SPDX-License-Identifier: MIT
#include "app/PrintCommands.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TStyleStatusBar.h"
#include "resources/Commands.h"
#include "view/APXPrintOut.h"
#include "view/TFingWnd.h"

#include "WhenModal.h"

#include <QFile>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using app::TMyDecoratedFrame;

namespace {

QFont monoFont(int pixels) {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(pixels);
    return font;
}

QString numberedLines(int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString("line %1\n").arg(i, 3, 10, QChar('0'));
    text.chop(1);
    return text;
}

} // namespace

class tst_Printing : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TMyDecoratedFrame> m_frame;
    view::TFingWnd* window() { return &m_frame->client(); }

    // A PDF printer whose page holds `lines` lines of font (one more line stays free at the
    // foot), 8.5 inches wide, without margins.
    std::unique_ptr<QPrinter> pdfPrinter(const QString& name, const QFont& font, int lines) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(m_dir.filePath(name));
        const qreal dpi = window()->logicalDpiY();
        const qreal inches = (lines + 1) * QFontMetrics(font).lineSpacing() / dpi;
        printer->setPageLayout(QPageLayout(QPageSize(QSizeF(8.5, inches), QPageSize::Inch),
                                           QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        return printer;
    }

    // The text of each page of a PDF, lines without trailing blanks, blank lines at a page's
    // end dropped.
    QList<QStringList> pagesOf(const QString& pdf) {
        QProcess process;
        process.start(QStringLiteral("pdftotext"), {"-layout", pdf, "-"});
        if (!process.waitForFinished(30000))
            return {};
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        QList<QStringList> pages;
        QStringList parts = text.split('\f');
        if (!parts.isEmpty() && parts.last().trimmed().isEmpty())
            parts.removeLast();
        for (const QString& part : parts) {
            QStringList lines;
            for (const QString& line : part.split('\n'))
                lines.append(line.trimmed().isEmpty()
                                 ? QString()
                                 : QString(line).remove(QRegularExpression("\\s+$")));
            while (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
            pages.append(lines);
        }
        return pages;
    }

    QList<QStringList> print(const QString& text, const QFont& font, int linesPerPage,
                             const QString& name) {
        window()->setFont(font);
        window()->appendText(text);
        auto printer = pdfPrinter(name, font, linesPerPage);
        if (m_frame->printCommands().printText(*printer) != view::APXPrintOut::Result::Printed)
            return {};
        return pagesOf(m_dir.filePath(name));
    }

private slots:
    void initTestCase() {
        QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty(),
                 "pdftotext is missing: scripts/setup installs poppler-utils");
    }
    void init() {
        m_frame = std::make_unique<TMyDecoratedFrame>(m_dir.path() + '/');
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() { m_frame.reset(); }

    void enabledWithTextAndNoCall() {
        QVERIFY(!m_frame->commandEnabled(res::CM_PRINT));
        QVERIFY(!m_frame->commandEnabled(res::CM_PRINTSETUP));
        window()->appendText("something");
        QVERIFY(m_frame->commandEnabled(res::CM_PRINT));
        QVERIFY(m_frame->commandEnabled(res::CM_PRINTSETUP));
        QCOMPARE(m_frame->printCommands().printer().docName(), QString("Vintrel"));
        // The same printer object for the whole run.
        QCOMPARE(&m_frame->printCommands().printer(), &m_frame->printCommands().printer());
    }

    void printCommandPrintsToThePdfChosenInItsDialog() {
        window()->appendText(numberedLines(3));
        QPrinter& printer = m_frame->printCommands().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath("dialog.pdf"));
        whenModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->accept(); });
        m_frame->command(res::CM_PRINT);
        const QList<QStringList> pages = pagesOf(m_dir.filePath("dialog.pdf"));
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0], (QStringList{"line 000", "line 001", "line 002"}));

        // Printer Setup works on the same printer, and a cancelled print dialog prints nothing.
        whenModal<QPageSetupDialog>([](QPageSetupDialog* dialog) { dialog->reject(); });
        m_frame->command(res::CM_PRINTSETUP);
        QVERIFY(QFile::remove(m_dir.filePath("dialog.pdf")));
        whenModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->reject(); });
        m_frame->command(res::CM_PRINT);
        QVERIFY(!QFile::exists(m_dir.filePath("dialog.pdf")));
    }

    void hundredLinesAtFiftyArePrintedOnTwoPages() {
        const QList<QStringList> pages = print(numberedLines(100), monoFont(12), 50, "100.pdf");
        QCOMPARE(pages.size(), 2);
        QCOMPARE(pages[0].size(), 50);
        QCOMPARE(pages[0].first(), QString("line 000"));
        QCOMPARE(pages[0].last(), QString("line 049"));
        QCOMPARE(pages[1].first(), QString("line 050"));
        QCOMPARE(pages[1].last(), QString("line 099"));
    }

    void finalLineBreaksAddNoBlankPage_data() {
        QTest::addColumn<QString>("ending");
        QTest::newRow("one line break") << "\n";
        QTest::newRow("two line breaks") << "\n\n";
        QTest::newRow("blank lines") << "\n \n\n";
    }
    void finalLineBreaksAddNoBlankPage() {
        QFETCH(QString, ending);
        view::TextBuffer text;
        text.append(QString(numberedLines(50) + ending));
        view::APXPrintOut printout(text, monoFont(12), QSizeF(96, 96));
        printout.paginate(QSize(8160, 51 * QFontMetrics(monoFont(12)).lineSpacing() * 12),
                          QSizeF(1152, 1152));
        QCOMPARE(printout.linesPerPage(), 50);
        QCOMPARE(printout.pageCount(), ending.contains(' ') ? 2 : 1);
    }

    void tabsStopEveryEightCharacters() {
        print("a\tb\nabcdefgh\tc", monoFont(12), 50, "tabs.pdf");
        // Word positions in points: one screen pixel is 72 / dpi points on paper.
        QProcess process;
        process.start("pdftotext", {"-bbox", m_dir.filePath("tabs.pdf"), "-"});
        QVERIFY(process.waitForFinished(30000));
        const QString boxes = QString::fromUtf8(process.readAllStandardOutput());
        const auto xOf = [&boxes](const QString& word) {
            const QRegularExpression box("<word xMin=\"([0-9.]+)\"[^>]*>" + word + "</word>");
            return box.match(boxes).captured(1).toDouble();
        };
        const qreal stop =
            8 * QFontMetricsF(monoFont(12)).averageCharWidth() * 72 / window()->logicalDpiX();
        QVERIFY2(qAbs(xOf("b") - stop) < 1, qPrintable(QString::number(xOf("b"))));
        QVERIFY2(qAbs(xOf("c") - 2 * stop) < 1, qPrintable(QString::number(xOf("c"))));
    }

    void longLineContinuesOnNextLines() {
        QString line;
        for (int i = 0; i < 1000; ++i)
            line += QChar('a' + i % 26);
        const QList<QStringList> pages = print(line + "\nend", monoFont(12), 50, "long.pdf");
        QCOMPARE(pages.size(), 1);
        const QStringList& printed = pages[0];
        QVERIFY(printed.size() > 2);
        QCOMPARE(printed.last().trimmed(), QString("end"));
        QString joined;
        for (const QString& piece : printed.mid(0, printed.size() - 1))
            joined += piece.trimmed();
        QCOMPARE(joined, line);
    }

    void largerFontPrintsFewerLinesPerPage() {
        // A page made for 50 lines of 12 pixels holds about half as many lines of 24.
        const QFont small = monoFont(12);
        const QFont large = monoFont(24);
        window()->setFont(large);
        window()->appendText(numberedLines(100));
        auto printer = pdfPrinter("large.pdf", small, 50);
        QCOMPARE(m_frame->printCommands().printText(*printer), view::APXPrintOut::Result::Printed);
        const int spacing = QFontMetrics(large).lineSpacing();
        const int pageHeight = 51 * QFontMetrics(small).lineSpacing() - spacing;
        const int perPage = (pageHeight + spacing / 2) / spacing;
        const QList<QStringList> pages = pagesOf(m_dir.filePath("large.pdf"));
        QCOMPARE(pages.size(), (100 + perPage - 1) / perPage);
        QCOMPARE(pages[0].size(), perPage);
        QCOMPARE(pages[1].first(), QString("line %1").arg(perPage, 3, 10, QChar('0')));
    }

    void pageTooSmallForALineStillPrintsOnePerPage() {
        view::TextBuffer text;
        text.append(u"one\ntwo\nthree");
        view::APXPrintOut printout(text, monoFont(500), QSizeF(96, 96));
        printout.paginate(QSize(120000, 1200), QSizeF(1200, 1200)); // one inch high
        QCOMPARE(printout.linesPerPage(), 1);
        QCOMPARE(printout.pageCount(), 3);
    }

    void cancelRemovesThePartialFile() {
        window()->appendText(numberedLines(3000));
        auto printer = pdfPrinter("cancel.pdf", window()->font(), 1); // a page a line
        whenModal<QProgressDialog>([](QProgressDialog* progress) {
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        });
        QCOMPARE(m_frame->printCommands().printText(*printer), view::APXPrintOut::Result::Canceled);
        QVERIFY(!QFile::exists(m_dir.filePath("cancel.pdf")));
        QCOMPARE(m_frame->statusBarField().text(), QString("Printing canceled"));
    }

    void printerThatCannotStartSaysPrinterError() {
        window()->appendText("text");
        auto printer = pdfPrinter("missing/folder.pdf", window()->font(), 50);
        QString text;
        whenModal<QMessageBox>([&text](QMessageBox* box) {
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        QCOMPARE(m_frame->printCommands().printText(*printer),
                 view::APXPrintOut::Result::PrinterError);
        QCOMPARE(text, QString("Printer error"));
    }

    void windowAndFrameUnchangedAfterPrinting() {
        const QSize frameSize = m_frame->size();
        print(numberedLines(120), monoFont(12), 50, "after.pdf");
        QCOMPARE(window()->toPlainText(), numberedLines(120));
        QCOMPARE(m_frame->size(), frameSize);
        QVERIFY(window()->isModified());
    }
};

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
