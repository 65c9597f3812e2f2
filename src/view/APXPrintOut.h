// SPDX-License-Identifier: MIT
#pragma once
// Prints the output window's text: one window line per printed line, in the window's font at
// the size it has on the screen (one logical unit on paper is one screen pixel), with one
// line's height left free at the foot of each page and tabs at the screen's tab stops.
//
// A line too wide for the page continues on the next printed lines, and those count in the
// pagination; a page holds at least one line however large the font; the empty lines that end
// a text are not printed, so no blank page ends a job.
//
// Pages are laid out one at a time as they are printed, straight from the text's line index:
// nothing is kept per line, so a text of millions of lines prints in constant memory and a
// cancel takes effect at the next page.

#include "LineLayout.h"
#include "TextBuffer.h"

#include <QSizeF>

#include <functional>

class QPainter;
class QPrinter;

namespace view {

class APXPrintOut {
public:
    // Where the next printed line starts: a window line and a column in it.
    struct Cursor {
        qsizetype line = 0;
        qsizetype from = 0;
    };
    enum class Result { Printed, Canceled, PrinterError };

    APXPrintOut(const TextBuffer& text, const QFont& screenFont, QSizeF screenDpi);

    // Sets up pages of pagePixels printer pixels at printerDpi.
    void paginate(QSize pagePixels, QSizeF printerDpi);
    int lineHeight() const { return m_lineHeight; }
    int linesPerPage() const { return m_linesPerPage; }
    // Counts the pages by laying out the whole text (for tests and previews; printing does not
    // need it).
    int pageCount();

    // Draws the page that starts at cursor and moves cursor past it.
    void printPage(QPainter& painter, Cursor& cursor);
    bool atEnd(const Cursor& cursor) const { return cursor.line >= m_lines; }

    // Prints every page on printer. progress(done, total) runs before each page, with the
    // window lines printed so far and in all, and returns false to cancel the job.
    Result print(QPrinter& printer, const std::function<bool(qsizetype, qsizetype)>& progress);

private:
    // The columns of the printed line at cursor; moves cursor to the next one.
    qsizetype nextPiece(Cursor& cursor);

    const TextBuffer& m_text;
    QFont m_font; // pixel-sized in screen pixels
    LineLayout m_layout;
    QSizeF m_screenDpi;
    QSizeF m_printerDpi{1, 1};
    int m_lineHeight = 10;
    int m_linesPerPage = 1;
    qreal m_pageWidth = 1;
    qsizetype m_lines = 0; // window lines that print
};

} // namespace view
