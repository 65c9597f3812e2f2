// SPDX-License-Identifier: MIT
#include "PrintCommands.h"
#include "TMyDecoratedFrame.h"
#include "platform/MessageBox.h"
#include "platform/PrintQueue.h"
#include "view/APXPrintOut.h"
#include "view/TFingWnd.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QTemporaryDir>

#include <algorithm>
#include <climits>

namespace app {

PrintCommands::PrintCommands(TMyDecoratedFrame& frame, view::TFingWnd& window)
    : m_frame(frame), m_window(window) {}

PrintCommands::~PrintCommands() = default;

QPrinter& PrintCommands::printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setDocName(QStringLiteral("Vintrel"));
        if (QPrinterInfo::availablePrinterNames().isEmpty()) {
            m_printer->setOutputFormat(QPrinter::PdfFormat);
            m_printer->setOutputFileName(QDir::home().filePath(QStringLiteral("vintrel.pdf")));
        }
    }
    return *m_printer;
}

void PrintCommands::print() {
    QPrintDialog dialog(&printer(), &m_frame);
    dialog.setObjectName(QStringLiteral("printDialog"));
    // No page numbers and no selection: the whole text is printed.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printText(printer());
    m_window.viewport()->update();
}

void PrintCommands::printerSetup() {
    QPageSetupDialog dialog(&printer(), &m_frame);
    dialog.setObjectName(QStringLiteral("pageSetupDialog"));
    dialog.exec();
}

view::APXPrintOut::Result PrintCommands::printText(QPrinter& target) {
    // A job for a print queue is printed into a file of its own and handed to the queue only
    // when every page is done, so a cancelled job reaches no printer (see PrintQueue.h).
    const bool queue =
        target.outputFormat() == QPrinter::NativeFormat && !target.printerName().isEmpty();
    if (!queue)
        return printInto(target);
    const QString queueName = target.printerName();
    platform::QueueOptions options;
    options.copies = target.copyCount();
    options.collate = target.collateCopies();
    options.sides = target.duplex() == QPrinter::DuplexLongSide ? platform::QueueOptions::LongEdge
                    : target.duplex() == QPrinter::DuplexShortSide
                        ? platform::QueueOptions::ShortEdge
                        : platform::QueueOptions::OneSided;
    options.grayscale = target.colorMode() == QPrinter::GrayScale;
    QTemporaryDir spool;
    const QString file = spool.filePath(QStringLiteral("vintrel.pdf"));
    target.setOutputFileName(file);
    auto result = spool.isValid() ? printInto(target) : view::APXPrintOut::Result::PrinterError;
    target.setOutputFileName(QString());
    target.setPrinterName(queueName);
    QString error;
    if (result == view::APXPrintOut::Result::Printed &&
        platform::submitToQueue(queueName, file, target.docName(), options, &error) == 0) {
        result = view::APXPrintOut::Result::PrinterError;
        platform::messageBox(&m_frame, QStringLiteral("Printer error\n") + error,
                             QStringLiteral("Vintrel"), QMessageBox::Critical);
    }
    return result;
}

view::APXPrintOut::Result PrintCommands::printInto(QPrinter& target) {
    view::APXPrintOut printout(m_window.buffer(), m_window.font(),
                               QSizeF(m_window.logicalDpiX(), m_window.logicalDpiY()));
    // Up before the first page is laid out, so Cancel works from the start of a long job.
    QProgressDialog progress(QStringLiteral("Printing"), QStringLiteral("Cancel"), 0, 1, &m_frame);
    progress.setObjectName(QStringLiteral("printProgress"));
    progress.setWindowTitle(QStringLiteral("Vintrel"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    const auto result = printout.print(target, [&progress](qsizetype done, qsizetype lines) {
        progress.setMaximum(int(std::min<qsizetype>(lines, INT_MAX)));
        progress.setValue(int(std::min<qsizetype>(done, INT_MAX)));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
    // A job that did not finish leaves no partial file that looks like a finished one.
    const QString file = target.outputFileName();
    if (result != view::APXPrintOut::Result::Printed && !file.isEmpty())
        QFile::remove(file);
    switch (result) {
    case view::APXPrintOut::Result::Printed: break;
    case view::APXPrintOut::Result::Canceled:
        m_frame.SetStatusText(QStringLiteral("Printing canceled"));
        break;
    case view::APXPrintOut::Result::PrinterError:
        platform::messageBox(&m_frame, QStringLiteral("Printer error"), QStringLiteral("Vintrel"),
                             QMessageBox::Critical);
        break;
    }
    return result;
}

} // namespace app
