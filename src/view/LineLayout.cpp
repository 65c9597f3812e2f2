#include "LineLayout.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace view {

namespace {

// How many long lines keep their segment positions before the cache starts afresh.
constexpr qsizetype CachedLines = 2048;

bool isControl(QChar c) {
    return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7F;
}

// Whether every character is printable ASCII (0x20 to 0x7E). Written as a reduction without an
// early exit so that the compiler vectorises it: a long line is measured piece by piece as it
// arrives, and this test runs over every character of it.
bool isPrintableAscii(QStringView piece) {
    const char16_t* chars = piece.utf16();
    unsigned outside = 0;
    for (qsizetype i = 0; i < piece.size(); ++i)
        outside |= unsigned(char16_t(chars[i] - 0x20) >= 0x5F); // below 0x20 wraps to the top
    return outside == 0;
}

} // namespace

LineLayout::LineLayout(const QFont& font) : m_metrics(font) {
    setFont(font);
}

void LineLayout::setFont(const QFont& font) {
    m_font = font;
    m_metrics = QFontMetricsF(font);
    m_lineHeight = std::max<qreal>(1, std::ceil(m_metrics.height()));
    m_tabWidth = std::max<qreal>(1, 8 * m_metrics.averageCharWidth());
    m_fixedPitch = QFontInfo(font).fixedPitch();
    m_asciiAdvance = m_metrics.horizontalAdvance(QLatin1Char('x'));
    if (m_fixedPitch && m_metrics.horizontalAdvance(QStringLiteral("iWm")) != 3 * m_asciiAdvance)
        m_fixedPitch = false; // a font that claims a fixed pitch but has none
    m_segments.clear();
    m_rawFont = m_fixedPitch ? QRawFont::fromFont(font) : QRawFont();
    m_asciiGlyphs.clear();
    if (m_rawFont.isValid()) {
        QString ascii;
        for (char16_t c = 0x20; c < 0x7F; ++c)
            ascii += QChar(c);
        const QList<quint32> glyphs = m_rawFont.glyphIndexesForString(ascii);
        // A font without a glyph for some ASCII character is left to drawText and its fallbacks.
        if (glyphs.size() == ascii.size() && !glyphs.contains(0u))
            m_asciiGlyphs.assign(glyphs.begin(), glyphs.end());
    }
}

bool LineLayout::drawAsciiGlyphs(QPainter& painter, QStringView piece, QPointF origin) const {
    // Printers and PDF get text through drawText, which keeps it searchable there.
    if (m_asciiGlyphs.empty() || painter.paintEngine()->type() != QPaintEngine::Raster ||
        !isPrintableAscii(piece))
        return false;
    QList<quint32> glyphs(piece.size());
    QList<QPointF> positions(piece.size());
    const char16_t* chars = piece.utf16();
    for (qsizetype i = 0; i < piece.size(); ++i) {
        glyphs[i] = m_asciiGlyphs[size_t(chars[i] - 0x20)];
        positions[i] = QPointF(qreal(i) * m_asciiAdvance, 0);
    }
    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(origin, run);
    return true;
}

QString LineLayout::displayed(QStringView run) {
    QString shown = run.toString();
    for (QChar& c : shown) {
        if (c.unicode() == 0x7F)
            c = QChar(0x2421);
        else if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
    }
    return shown;
}

qreal LineLayout::nextTabStop(qreal x) const {
    return (std::floor(x / m_tabWidth + 1e-9) + 1) * m_tabWidth;
}

qreal LineLayout::pieceWidth(QStringView piece) const {
    if (m_fixedPitch && isPrintableAscii(piece))
        return qreal(piece.size()) * m_asciiAdvance;
    const bool plain = std::none_of(piece.begin(), piece.end(), isControl);
    return plain ? m_metrics.horizontalAdvance(piece.toString())
                 : m_metrics.horizontalAdvance(displayed(piece));
}

qreal LineLayout::advance(qreal x, QStringView run) const {
    while (!run.isEmpty()) {
        const qsizetype tab = run.indexOf(u'\t');
        const QStringView piece = tab < 0 ? run : run.first(tab);
        if (!piece.isEmpty())
            x += pieceWidth(piece);
        if (tab < 0)
            break;
        x = nextTabStop(x);
        run = run.sliced(tab + 1);
    }
    return x;
}

const std::vector<qreal>& LineLayout::segmentStarts(qsizetype line, QStringView text) {
    const qsizetype complete = text.size() / SegmentLength;
    if (complete == 0)
        return m_shortLine;
    auto found = m_segments.find(line);
    if (found == m_segments.end()) {
        if (m_segments.size() >= CachedLines)
            m_segments.clear();
        found = m_segments.insert(line, std::vector<qreal>{0.0});
    }
    std::vector<qreal>& starts = *found;
    while (qsizetype(starts.size()) <= complete) {
        const qsizetype k = qsizetype(starts.size()) - 1;
        starts.push_back(advance(starts.back(), text.mid(k * SegmentLength, SegmentLength)));
    }
    return starts;
}

qreal LineLayout::xOf(qsizetype line, QStringView text, qsizetype column) {
    column = std::clamp<qsizetype>(column, 0, text.size());
    const std::vector<qreal>& starts = segmentStarts(line, text);
    const qsizetype k = std::min<qsizetype>(column / SegmentLength, qsizetype(starts.size()) - 1);
    const qsizetype from = k * SegmentLength;
    return advance(starts[size_t(k)], text.mid(from, column - from));
}

qsizetype LineLayout::columnAt(qsizetype line, QStringView text, qreal x) {
    if (x <= 0 || text.isEmpty())
        return 0;
    const std::vector<qreal>& starts = segmentStarts(line, text);
    const auto after = std::upper_bound(starts.begin(), starts.end(), x);
    const qsizetype k = qsizetype(after - starts.begin()) - 1;
    // Binary search for the last boundary at or left of x within segment k.
    qsizetype low = k * SegmentLength;
    qsizetype high = std::min(text.size(), low + SegmentLength);
    if (xOf(line, text, high) <= x)
        return high;
    while (high - low > 1) {
        const qsizetype mid = (low + high) / 2;
        if (xOf(line, text, mid) <= x)
            low = mid;
        else
            high = mid;
    }
    // The nearer of the two boundaries around x.
    qsizetype column = (x - xOf(line, text, low) < xOf(line, text, high) - x) ? low : high;
    if (column > 0 && column < text.size() && text[column].isLowSurrogate() &&
        text[column - 1].isHighSurrogate())
        --column;
    return column;
}

void LineLayout::draw(QPainter& painter, qsizetype line, QStringView text, QPointF origin,
                      qreal left, qreal right) {
    if (text.isEmpty())
        return;
    const std::vector<qreal>& starts = segmentStarts(line, text);
    const auto first = std::upper_bound(starts.begin(), starts.end(), left);
    const qsizetype k = std::max<qsizetype>(0, qsizetype(first - starts.begin()) - 1);
    const auto past = std::upper_bound(starts.begin(), starts.end(), right);
    const qsizetype end = std::min(text.size(), qsizetype(past - starts.begin()) * SegmentLength);
    drawColumns(painter, text, origin, k * SegmentLength, end, starts[size_t(k)]);
}

void LineLayout::drawColumns(QPainter& painter, QStringView text, QPointF origin, qsizetype from,
                             qsizetype to, qreal x) {
    painter.setFont(m_font);
    qsizetype column = from;
    while (column < to) {
        const QStringView rest = text.sliced(column, to - column);
        const qsizetype tab = rest.first(std::min(rest.size(), SegmentLength)).indexOf(u'\t');
        // Pieces of at most one segment, so a line without tabs is not drawn whole.
        qsizetype pieceLength = std::min<qsizetype>(tab < 0 ? rest.size() : tab, SegmentLength);
        if (pieceLength > 1 && pieceLength < rest.size() && rest[pieceLength - 1].isHighSurrogate())
            --pieceLength;
        if (pieceLength > 0) {
            const QStringView piece = rest.first(pieceLength);
            const QPointF at(origin.x() + x, origin.y());
            if (!drawAsciiGlyphs(painter, piece, at))
                painter.drawText(at, displayed(piece));
            x += pieceWidth(piece);
            column += pieceLength;
        } else {
            x = nextTabStop(x);
            ++column;
        }
    }
}

} // namespace view
