#pragma once
// Print and Printer Setup. The printer is made on first use and kept for the run, so the one
// chosen in Printer Setup or the print dialog stays chosen. A machine without a printer prints
// to a PDF file, which the print dialog offers as its destination.

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
    // pages; no print dialog. Returns true when every page was printed.
    bool printText(QPrinter& printer);

private:
    TMyDecoratedFrame& m_frame;
    view::TFingWnd& m_window;
    std::unique_ptr<QPrinter> m_printer; // Printer
};

} // namespace app
