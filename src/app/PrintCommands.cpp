// SPDX-License-Identifier: MIT
#include "PrintCommands.h"
#include "TMyDecoratedFrame.h"
#include "platform/MessageBox.h"
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
