// SPDX-License-Identifier: MIT
#include "APXPrintOut.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace view {

namespace {

// value * numerator / denominator, rounded to the nearest whole number.
int mulDiv(qreal value, qreal numerator, qreal denominator) {
    return denominator > 0 ? int(std::lround(value * numerator / denominator)) : 0;
}

QFont inScreenPixels(QFont font, qreal screenDpiY) {
    // A point size would be resolved against the printer's resolution; the page is drawn in
    // screen pixels, so the font is given in those.
    if (font.pixelSize() <= 0)
        font.setPixelSize(std::max(1, int(std::lround(font.pointSizeF() * screenDpiY / 72.0))));
    return font;
}

} // namespace

APXPrintOut::APXPrintOut(const TextBuffer& text, const QFont& screenFont, QSizeF screenDpi)
    : m_text(text), m_font(inScreenPixels(screenFont, screenDpi.height())), m_layout(m_font),
      m_screenDpi(screenDpi) {
    const int spacing = QFontMetrics(m_font).lineSpacing();
    m_lineHeight = spacing > 0 ? spacing : 10;
}

void APXPrintOut::paginate(QSize pagePixels, QSizeF printerDpi) {
    m_printerDpi = printerDpi;
    m_pageWidth = mulDiv(pagePixels.width(), m_screenDpi.width(), printerDpi.width());
    const int pageHeight = mulDiv(pagePixels.height(), m_screenDpi.height(), printerDpi.height()) -
                           m_lineHeight; // one line's height stays free at the foot
    m_linesPerPage = std::max(1, mulDiv(pageHeight, 1, m_lineHeight));
    // Empty lines at the end of the text print nothing: printing them would only add blank
    // pages whenever the lines before them fill the last page.
    const qsizetype end = m_text.endBeforeTrailingLineEnds();
    m_lines = end == 0 ? 1 : m_text.lineOfPosition(end - 1) + 1;
}

qsizetype APXPrintOut::nextPiece(Cursor& cursor) {
    const qsizetype line = cursor.line;
    const TextRange text = m_text.line(line);
    const qsizetype from = cursor.from;
    qsizetype to = text.size();
    const qreal left = from == 0 ? 0 : m_layout.xOf(line, text, from);
    if (!text.isEmpty() && m_layout.width(line, text) - left > m_pageWidth) {
        to = m_layout.columnAt(line, text, left + m_pageWidth);
        if (m_layout.xOf(line, text, to) - left > m_pageWidth)
            --to;
        if (to > from && to < text.size() && text[to].isLowSurrogate())
            --to;
        to = std::max(to, from + 1); // at least one character a printed line
    }
    if (to >= text.size())
        cursor = {line + 1, 0};
    else
        cursor.from = to;
    return to - from;
}

int APXPrintOut::pageCount() {
    qsizetype printed = 0;
    for (Cursor cursor; !atEnd(cursor); ++printed)
        nextPiece(cursor);
    return int(std::max<qsizetype>(1, (printed + m_linesPerPage - 1) / m_linesPerPage));
}

void APXPrintOut::printPage(QPainter& painter, Cursor& cursor) {
    painter.save();
    painter.scale(m_printerDpi.width() / m_screenDpi.width(),
                  m_printerDpi.height() / m_screenDpi.height());
    painter.setPen(Qt::black);
    for (int row = 0; row < m_linesPerPage && !atEnd(cursor); ++row) {
        const Cursor at = cursor;
        const qsizetype length = nextPiece(cursor);
        const TextRange text = m_text.line(at.line);
        const qreal left = at.from == 0 ? 0 : m_layout.xOf(at.line, text, at.from);
        const qreal y = qreal(row) * m_lineHeight;
        m_layout.drawColumns(painter, text, QPointF(-left, y + m_layout.ascent()), at.from,
                             at.from + length, left);
    }
    painter.restore();
}

APXPrintOut::Result APXPrintOut::print(QPrinter& printer,
                                       const std::function<bool(qsizetype, qsizetype)>& progress) {
    paginate(QSize(printer.width(), printer.height()),
             QSizeF(printer.logicalDpiX(), printer.logicalDpiY()));
    if (!progress(0, m_lines))
        return Result::Canceled;
    QPainter painter;
    if (!painter.begin(&printer))
        return Result::PrinterError;
    Cursor cursor;
    for (bool first = true; first || !atEnd(cursor); first = false) {
        if (!first) {
            if (!progress(cursor.line, m_lines)) {
                printer.abort();
                painter.end();
                return Result::Canceled;
            }
            printer.newPage();
        }
        printPage(painter, cursor);
    }
    progress(m_lines, m_lines);
    return painter.end() ? Result::Printed : Result::PrinterError;
}

} // namespace view
