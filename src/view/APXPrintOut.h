#pragma once
// Prints the output window's text: one window line per printed line, in the window's font at
// the size it has on the screen (one logical unit on paper is one screen pixel), with one
// line's height left free at the foot of each page and tabs at the screen's tab stops.
//
// A line too wide for the page continues on the next printed lines, and those count in the
// pagination; a page holds at least one line however large the font; the page count is the
// printed lines divided by the lines per page, rounded up, and the empty lines that end a
// text are not printed, so no blank page ends a job.

#include "LineLayout.h"
#include "TextBuffer.h"

#include <QList>
#include <QSizeF>

#include <functional>

class QPainter;
class QPrinter;

namespace view {

class APXPrintOut {
public:
    // A piece of a window line that fills one printed line.
    struct PrintedLine {
        qsizetype line;
        qsizetype from;
        qsizetype length;
    };

    APXPrintOut(const TextBuffer& text, const QFont& screenFont, QSizeF screenDpi);

    // Lays the text out for pages of pagePixels printer pixels at printerDpi.
    void paginate(QSize pagePixels, QSizeF printerDpi);
    int lineHeight() const { return m_lineHeight; }
    int linesPerPage() const { return m_linesPerPage; }
    int pageCount() const;
    const QList<PrintedLine>& printedLines() const { return m_printed; }

    // Draws page (from 1) with painter, which paints on a device of the paginated resolution.
    void printPage(QPainter& painter, int page);

    // Prints every page on printer; betweenPages(done, pages) runs before each page and returns
    // false to cancel the job. Returns true when every page was printed.
    bool print(QPrinter& printer, const std::function<bool(int, int)>& betweenPages);

private:
    void breakLine(qsizetype line, qreal pageWidth);

    const TextBuffer& m_text;
    QFont m_font; // pixel-sized in screen pixels
    LineLayout m_layout;
    QSizeF m_screenDpi;
    QSizeF m_printerDpi{1, 1};
    int m_lineHeight = 10;
    int m_linesPerPage = 1;
    qreal m_pageWidth = 1;
    QList<PrintedLine> m_printed;
};

} // namespace view
