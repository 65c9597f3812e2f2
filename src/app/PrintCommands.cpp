#include "PrintCommands.h"
#include "TMyDecoratedFrame.h"
#include "view/APXPrintOut.h"
#include "view/TFingWnd.h"

#include <QCoreApplication>
#include <QDir>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>

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

bool PrintCommands::printText(QPrinter& target) {
    view::APXPrintOut printout(m_window.buffer(), m_window.font(),
                               QSizeF(m_window.logicalDpiX(), m_window.logicalDpiY()));
    QProgressDialog progress(QStringLiteral("Printing"), QStringLiteral("Cancel"), 0, 1, &m_frame);
    progress.setWindowTitle(QStringLiteral("Vintrel"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    return printout.print(target, [&progress](int done, int pages) {
        progress.setMaximum(pages);
        progress.setValue(done);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
}

} // namespace app
