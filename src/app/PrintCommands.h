// SPDX-License-Identifier: MIT
#pragma once
// Print and Printer Setup. The printer is made on first use and kept for the run, so the one
// chosen in Printer Setup or the print dialog stays chosen. A machine without a printer prints
// to a PDF file, which the print dialog offers as its destination.

#include "view/APXPrintOut.h"

#include <memory>

class QPrinter;

namespace view {
class TFingWnd;
}

namespace app {

class TMyDecoratedFrame;

class PrintCommands {
public:
    PrintCommands(TMyDecoratedFrame& frame, view::TFingWnd& window);
    ~PrintCommands();

    void print();
    void printerSetup();

    QPrinter& printer();
    // Prints the window's text on printer with a progress dialog that can cancel between
    // pages; no print dialog. A cancelled job says so on the status bar, a printer that
    // cannot start shows "Printer error"; either way a partial output file is removed. A job
    // for a print queue is handed to the queue only once every page is done.
    view::APXPrintOut::Result printText(QPrinter& printer);

private:
    view::APXPrintOut::Result printInto(QPrinter& target);

    TMyDecoratedFrame& m_frame;
    view::TFingWnd& m_window;
    std::unique_ptr<QPrinter> m_printer; // Printer
};

} // namespace app
