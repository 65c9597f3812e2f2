// SPDX-License-Identifier: MIT
#include "LineLayout.h"
#include "CodeCharacters.h"

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

// Calls visit(run, shownAsCode) for each run of plain text and each coded character (one or
// two UTF-16 units).
template <typename Visit> void forEachRun(QStringView piece, Visit visit) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < piece.size();) {
        const CodePoint c = codePointAt(piece, i);
        if (!isShownAsCode(c.value)) {
            i += c.units;
            continue;
        }
        if (i > from)
            visit(piece.sliced(from, i - from), false);
        visit(piece.sliced(i, c.units), true);
        i += c.units;
        from = i;
    }
    if (from < piece.size())
        visit(piece.sliced(from), false);
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

LineLayout::LineLayout(const QFont& font) : m_font(font) {}

void LineLayout::setFont(const QFont& font) {
    m_font = font;
    m_measures.reset();
    m_codeFont.reset();
    m_asciiGlyphs.reset();
    m_segments.clear();
}

const LineLayout::Measures& LineLayout::measures() const {
    if (m_measures)
        return *m_measures;
    Measures m{QFontMetricsF(m_font)};
    m.lineHeight = std::max<qreal>(1, std::ceil(m.metrics.height()));
    m.tabWidth = std::max<qreal>(1, 8 * m.metrics.averageCharWidth());
    m.fixedPitch = QFontInfo(m_font).fixedPitch();
    m.asciiAdvance = m.metrics.horizontalAdvance(QLatin1Char('x'));
    if (m.fixedPitch && m.metrics.horizontalAdvance(QStringLiteral("iWm")) != 3 * m.asciiAdvance)
        m.fixedPitch = false; // a font that claims a fixed pitch but has none
    return m_measures.emplace(std::move(m));
}

const LineLayout::CodeFont& LineLayout::codeFont() const {
    if (m_codeFont)
        return *m_codeFont;
    CodeFont code{m_font};
    code.font.setPixelSize(std::max(6, int(measures().metrics.height() * 0.6)));
    code.digitWidth = QFontMetricsF(code.font).horizontalAdvance(QStringLiteral("0ABCDEF")) / 7;
    return m_codeFont.emplace(std::move(code));
}

const LineLayout::AsciiGlyphs& LineLayout::asciiGlyphs() const {
    if (m_asciiGlyphs)
        return *m_asciiGlyphs;
    AsciiGlyphs ascii;
    if (measures().fixedPitch)
        ascii.rawFont = QRawFont::fromFont(m_font);
    if (ascii.rawFont.isValid()) {
        QString characters;
        for (char16_t c = 0x20; c < 0x7F; ++c)
            characters += QChar(c);
        const QList<quint32> glyphs = ascii.rawFont.glyphIndexesForString(characters);
        // A font without a glyph for some ASCII character is left to drawText and its fallbacks.
        if (glyphs.size() == characters.size() && !glyphs.contains(0u))
            ascii.glyphs.assign(glyphs.begin(), glyphs.end());
    }
    return m_asciiGlyphs.emplace(std::move(ascii));
}

bool LineLayout::drawAsciiGlyphs(QPainter& painter, QStringView piece, QPointF origin) const {
    // Printers and PDF get text through drawText, which keeps it searchable there.
    if (painter.paintEngine()->type() != QPaintEngine::Raster || !isPrintableAscii(piece))
        return false;
    const AsciiGlyphs& ascii = asciiGlyphs();
    if (ascii.glyphs.empty())
        return false;
    const qreal advance = measures().asciiAdvance;
    QList<quint32> glyphs(piece.size());
    QList<QPointF> positions(piece.size());
    const char16_t* chars = piece.utf16();
    for (qsizetype i = 0; i < piece.size(); ++i) {
        glyphs[i] = ascii.glyphs[size_t(chars[i] - 0x20)];
        positions[i] = QPointF(qreal(i) * advance, 0);
    }
    QGlyphRun run;
    run.setRawFont(ascii.rawFont);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(origin, run);
    return true;
}

qreal LineLayout::codeBoxWidth(char32_t c) const {
    return codeDigits(c) * codeFont().digitWidth + 2 * CodeBoxPadding;
}

void LineLayout::drawCodeBox(QPainter& painter, char32_t c, QPointF at) const {
    const QFontMetricsF& metrics = measures().metrics;
    const QRectF box(at.x() + 0.5, at.y() - metrics.ascent() + 1.5, codeBoxWidth(c) - 1,
                     metrics.height() - 3);
    painter.save();
    QColor muted = painter.pen().color();
    muted.setAlphaF(muted.alphaF() * 0.55f);
    painter.setPen(QPen(muted, 0));
    painter.drawRect(box);
    painter.setFont(codeFont().font);
    const QString code = QStringLiteral("%1").arg(uint(c), codeDigits(c), 16, QLatin1Char('0'));
    painter.drawText(box, Qt::AlignCenter, code.toUpper());
    painter.restore();
}

void LineLayout::drawPiece(QPainter& painter, QStringView piece, QPointF at) const {
    // A line is drawn as stored, left to right, whatever the window's layout direction (with
    // -reverse a painter would otherwise start each line's text from the right).
    const Qt::LayoutDirection direction = painter.layoutDirection();
    painter.setLayoutDirection(Qt::LeftToRight);
    forEachRun(piece, [&](QStringView run, bool code) {
        if (code) {
            const char32_t c = codePointAt(run, 0).value;
            drawCodeBox(painter, c, at);
            at.rx() += codeBoxWidth(c);
        } else {
            const QString text = run.toString();
            painter.drawText(at, text);
            at.rx() += measures().metrics.horizontalAdvance(text);
        }
    });
    painter.setLayoutDirection(direction);
}

qreal LineLayout::nextTabStop(qreal x) const {
    const qreal tab = measures().tabWidth;
    return (std::floor(x / tab + 1e-9) + 1) * tab;
}

qreal LineLayout::pieceWidth(QStringView piece) const {
    const Measures& m = measures();
    if (m.fixedPitch && isPrintableAscii(piece))
        return qreal(piece.size()) * m.asciiAdvance;
    qreal width = 0;
    forEachRun(piece, [&](QStringView run, bool code) {
        width += code ? codeBoxWidth(codePointAt(run, 0).value)
                      : m.metrics.horizontalAdvance(run.toString());
    });
    return width;
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

qsizetype LineLayout::segmentStart(const TextRange& text, qsizetype k) {
    return k == 0 ? 0 : clusterStartFrom(text, k * SegmentLength);
}

qsizetype LineLayout::clusterStartFrom(const TextRange& text, qsizetype position) {
    // A piece must not begin with what belongs to the character before it: a combining mark,
    // the second half of a surrogate pair, a joiner or what a joiner joins. A cluster longer
    // than MaxClusterShift (a letter under endless marks) is cut all the same.
    const qsizetype limit = std::min(text.size(), position + MaxClusterShift);
    while (position < limit) {
        const QChar c = text[position];
        const bool continues = c.isMark() || c.isLowSurrogate() || c == QChar(0x200D) ||
                               (position > 0 && text[position - 1] == QChar(0x200D));
        if (!continues)
            break;
        ++position;
    }
    return std::min(position, text.size());
}

const std::vector<qreal>& LineLayout::segmentStarts(qsizetype line, const TextRange& text) {
    // Segment k starts near k * SegmentLength; its start is known for good once the text
    // reaches past the farthest place it could move to, and only such starts are cached.
    const qsizetype complete =
        text.size() > MaxClusterShift ? (text.size() - MaxClusterShift - 1) / SegmentLength : 0;
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
        const qsizetype from = segmentStart(text, k);
        starts.push_back(
            advance(starts.back(), text.slice(from, segmentStart(text, k + 1) - from)));
    }
    return starts;
}

qsizetype LineLayout::segmentOf(const std::vector<qreal>& starts, const TextRange& text,
                                qsizetype column) {
    qsizetype k = std::min<qsizetype>(column / SegmentLength, qsizetype(starts.size()) - 1);
    if (k > 0 && segmentStart(text, k) > column)
        --k;
    return k;
}

qreal LineLayout::xOf(qsizetype line, const TextRange& text, qsizetype column) {
    column = std::clamp<qsizetype>(column, 0, text.size());
    const std::vector<qreal>& starts = segmentStarts(line, text);
    const qsizetype k = segmentOf(starts, text, column);
    const qsizetype from = segmentStart(text, k);
    return advance(starts[size_t(k)], text.slice(from, column - from));
}

qsizetype LineLayout::columnAt(qsizetype line, const TextRange& text, qreal x) {
    if (x <= 0 || text.isEmpty())
        return 0;
    const std::vector<qreal>& starts = segmentStarts(line, text);
    const auto after = std::upper_bound(starts.begin(), starts.end(), x);
    const qsizetype k = qsizetype(after - starts.begin()) - 1;
    // Binary search for the last boundary at or left of x within segment k.
    qsizetype low = segmentStart(text, k);
    qsizetype high = k + 1 < qsizetype(starts.size()) ? segmentStart(text, k + 1) : text.size();
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

void LineLayout::draw(QPainter& painter, qsizetype line, const TextRange& text, QPointF origin,
                      qreal left, qreal right) {
    if (text.isEmpty())
        return;
    const std::vector<qreal>& starts = segmentStarts(line, text);
    const auto first = std::upper_bound(starts.begin(), starts.end(), left);
    const qsizetype k = std::max<qsizetype>(0, qsizetype(first - starts.begin()) - 1);
    const auto past = std::upper_bound(starts.begin(), starts.end(), right);
    const qsizetype pastIndex = qsizetype(past - starts.begin());
    qsizetype end =
        pastIndex < qsizetype(starts.size()) ? segmentStart(text, pastIndex) : text.size();
    // Characters without width (marks piled on one letter, format characters) would put a
    // whole line inside the visible area; no more are drawn than the area could show apart.
    const qsizetype from = segmentStart(text, k);
    const qsizetype most = 2 * SegmentLength + 4 * qsizetype(std::max<qreal>(0, right - left));
    end = std::min(end, from + most);
    drawColumns(painter, text, origin, from, end, starts[size_t(k)]);
}

void LineLayout::drawColumns(QPainter& painter, const TextRange& text, QPointF origin,
                             qsizetype from, qsizetype to, qreal x) {
    painter.setFont(m_font);
    const QStringView shown = text.slice(from, to - from);
    qsizetype column = from;
    while (column < to) {
        const QStringView rest = shown.sliced(column - from);
        const qsizetype tab = rest.first(std::min(rest.size(), SegmentLength)).indexOf(u'\t');
        // Pieces of about one segment, so a line without tabs is not drawn whole; a piece ends
        // where a character cluster starts, so marks are drawn with their letter.
        qsizetype pieceLength = tab;
        if (tab < 0)
            pieceLength =
                std::min(rest.size(), clusterStartFrom(text, column + SegmentLength) - column);
        if (pieceLength > 0) {
            const QStringView piece = rest.first(pieceLength);
            const QPointF at(origin.x() + x, origin.y());
            if (!drawAsciiGlyphs(painter, piece, at))
                drawPiece(painter, piece, at);
            x += pieceWidth(piece);
            column += pieceLength;
        } else {
            x = nextTabStop(x);
            ++column;
        }
    }
}

} // namespace view
