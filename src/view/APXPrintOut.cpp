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
    m_printed.clear();
    // Empty lines at the end of the text print nothing: printing them would only add blank
    // pages whenever the lines before them fill the last page.
    qsizetype lines = m_text.lineCount();
    while (lines > 1 && m_text.lineLength(lines - 1) == 0)
        --lines;
    for (qsizetype line = 0; line < lines; ++line)
        breakLine(line, m_pageWidth);
}

void APXPrintOut::breakLine(qsizetype line, qreal pageWidth) {
    const QStringView text = m_text.line(line);
    qsizetype from = 0;
    do {
        const qreal left = m_layout.xOf(line, text, from);
        qsizetype to = text.size();
        if (m_layout.width(line, text) - left > pageWidth) {
            to = m_layout.columnAt(line, text, left + pageWidth);
            if (m_layout.xOf(line, text, to) - left > pageWidth)
                --to;
            if (to > from && to < text.size() && text[to].isLowSurrogate())
                --to;
            to = std::max(to, from + 1); // at least one character a printed line
        }
        m_printed.append({line, from, to - from});
        from = to;
    } while (from < text.size());
}

int APXPrintOut::pageCount() const {
    const qsizetype lines = m_printed.size();
    return int(std::max<qsizetype>(1, (lines + m_linesPerPage - 1) / m_linesPerPage));
}

void APXPrintOut::printPage(QPainter& painter, int page) {
    painter.save();
    painter.scale(m_printerDpi.width() / m_screenDpi.width(),
                  m_printerDpi.height() / m_screenDpi.height());
    painter.setPen(Qt::black);
    const qsizetype first = qsizetype(page - 1) * m_linesPerPage;
    const qsizetype last = std::min<qsizetype>(first + m_linesPerPage, m_printed.size());
    for (qsizetype i = first; i < last; ++i) {
        const PrintedLine& piece = m_printed[i];
        const QStringView text = m_text.line(piece.line);
        const qreal left = m_layout.xOf(piece.line, text, piece.from);
        const qreal y = qreal(i - first) * m_lineHeight;
        m_layout.drawColumns(painter, text, QPointF(-left, y + m_layout.ascent()), piece.from,
                             piece.from + piece.length, left);
    }
    painter.restore();
}

bool APXPrintOut::print(QPrinter& printer, const std::function<bool(int, int)>& betweenPages) {
    paginate(QSize(printer.width(), printer.height()),
             QSizeF(printer.logicalDpiX(), printer.logicalDpiY()));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const int pages = pageCount();
    for (int page = 1; page <= pages; ++page) {
        if (!betweenPages(page - 1, pages)) {
            printer.abort();
            painter.end();
            return false;
        }
        if (page > 1)
            printer.newPage();
        printPage(painter, page);
    }
    betweenPages(pages, pages);
    return painter.end();
}

} // namespace view
