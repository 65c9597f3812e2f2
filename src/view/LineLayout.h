// SPDX-License-Identifier: MIT
#pragma once
// Where the characters of a line stand and how the line is drawn, in one font: tabs advance
// to the next stop (every 8 average character widths, as the classic tabbed text output
// does), and control and invisible format characters show as small boxes holding their hex
// code, drawn here rather than by a font, so nothing that arrived vanishes or reorders text.
//
// A line is measured from its start, so a long line would cost its whole length for every
// caret or paint. Lines longer than one segment keep the x position of each segment start in
// a cache; text is only appended, so a cached segment never changes and a growing line only
// adds segments. Measuring or drawing then costs one segment plus what is visible, and no
// more characters are drawn than the visible width could show apart, however many of them
// have no width. Segments start where a character cluster starts, so a letter and its marks
// are measured and drawn together (a cluster longer than 32 characters is cut).

#include "TextRange.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QRawFont>
#include <QStringView>

#include <optional>
#include <vector>

class QPainter;

namespace view {

class LineLayout {
public:
    explicit LineLayout(const QFont& font = QFont());

    // The font is measured when first needed, so a layout made before its font is known, or
    // a font set twice, costs nothing.
    void setFont(const QFont& font);
    const QFont& font() const { return m_font; }
    qreal lineHeight() const { return measures().lineHeight; }
    qreal ascent() const { return measures().metrics.ascent(); }
    qreal tabWidth() const { return measures().tabWidth; }
    qreal averageCharWidth() const { return measures().metrics.averageCharWidth(); }

    // Forget every cached line (the text was cleared).
    void clearCache() { m_segments.clear(); }

    // x of the boundary before column (0 = line start).
    qreal xOf(qsizetype line, const TextRange& text, qsizetype column);
    qreal width(qsizetype line, const TextRange& text) { return xOf(line, text, text.size()); }
    // The column boundary nearest to x, never inside a surrogate pair.
    qsizetype columnAt(qsizetype line, const TextRange& text, qreal x);

    // Draws the part of the line that lies between left and right (line coordinates), with
    // the line's start at origin.x and its baseline at origin.y.
    void draw(QPainter& painter, qsizetype line, const TextRange& text, QPointF origin, qreal left,
              qreal right);
    // Draws the columns from..to of the line, the first of them at x (line coordinates).
    void drawColumns(QPainter& painter, const TextRange& text, QPointF origin, qsizetype from,
                     qsizetype to, qreal x);

    // The width of the box that shows a control or format character.
    qreal codeBoxWidth(char32_t c) const;

private:
    static constexpr qsizetype SegmentLength = 512;
    static constexpr qsizetype MaxClusterShift = 32;

    // x at the start of every complete segment of the line; [0] is 0.
    const std::vector<qreal>& segmentStarts(qsizetype line, const TextRange& text);
    // Where segment k starts: k * SegmentLength, moved on to the start of a character cluster.
    static qsizetype segmentStart(const TextRange& text, qsizetype k);
    static qsizetype clusterStartFrom(const TextRange& text, qsizetype position);
    static qsizetype segmentOf(const std::vector<qreal>& starts, const TextRange& text,
                               qsizetype column);
    qreal advance(qreal x, QStringView run) const;
    qreal nextTabStop(qreal x) const;
    qreal pieceWidth(QStringView piece) const;
    bool drawAsciiGlyphs(QPainter& painter, QStringView piece, QPointF origin) const;
    void drawPiece(QPainter& painter, QStringView piece, QPointF at) const;
    void drawCodeBox(QPainter& painter, char32_t c, QPointF at) const;

    static constexpr qreal CodeBoxPadding = 2;

    struct Measures {
        QFontMetricsF metrics;
        qreal lineHeight = 1;
        qreal tabWidth = 8;
        // With a fixed-pitch font, printable ASCII is measured by adding up advances instead
        // of shaping: the same result, a hundred times faster on long lines.
        bool fixedPitch = false;
        qreal asciiAdvance = 0;
    };
    // The smaller font of the hex codes in their boxes; most texts have none.
    struct CodeFont {
        QFont font;
        qreal digitWidth = 4;
    };
    // A fixed-pitch font draws printable ASCII on screen as glyphs at those advances, without
    // the shaping that drawText does for every line of every frame. Empty: use drawText.
    struct AsciiGlyphs {
        QRawFont rawFont;
        std::vector<quint32> glyphs; // for 0x20 to 0x7E
    };
    const Measures& measures() const;
    const CodeFont& codeFont() const;
    const AsciiGlyphs& asciiGlyphs() const;

    QFont m_font;
    mutable std::optional<Measures> m_measures;
    mutable std::optional<CodeFont> m_codeFont;
    mutable std::optional<AsciiGlyphs> m_asciiGlyphs;
    QHash<qsizetype, std::vector<qreal>> m_segments;
    std::vector<qreal> m_shortLine{0.0};
};

} // namespace view
