// SPDX-License-Identifier: MIT
#pragma once
// A read-only, unwrapped text pane for texts of any size. The text lives in a TextBuffer (8-bit
// chunks where they suffice, with a sparse line index) and only the visible parts of lines are
// widened, laid out and painted, so appending, scrolling and painting cost the same at the end
// of 64 MiB as at the start.
//
// Positions count characters of the whole text, a line break counting one. The selection is
// an anchor and a caret position; equal positions are a bare caret. Appends from the network
// arrive far more often than the screen can show them: they change the buffer at once and the
// scroll ranges and the repaint follow at most once per screen frame.

#include "FrameThrottle.h"
#include "LineLayout.h"
#include "TextBuffer.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QTimer>

namespace view {

class TextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TextView(QWidget* parent = nullptr);

    // The text.
    // A copy of the whole text; the view's own paths read the buffer piece by piece.
    QString toPlainText() const { return m_buffer.toString(); }
    const TextBuffer& buffer() const { return m_buffer; }
    qsizetype lineCount() const { return m_buffer.lineCount(); }
    qsizetype lineStart(qsizetype line) const { return m_buffer.lineStart(line); }
    void append(QStringView text);
    void appendLatin1(QLatin1StringView text); // the same, for text that is all Latin-1
    void clear();

    // The edit control's modified flag: set by an append, cleared by clear().
    bool isModified() const { return m_modified; }
    void setModified(bool modified);

    // The selection.
    qsizetype anchorPosition() const { return m_anchor; }
    qsizetype caretPosition() const { return m_caret; }
    qsizetype selectionStart() const { return std::min(m_anchor, m_caret); }
    qsizetype selectionEnd() const { return std::max(m_anchor, m_caret); }
    bool hasSelection() const { return m_anchor != m_caret; }
    QString selectedText() const;
    void setSelection(qsizetype anchor, qsizetype caret);
    void selectAll();
    // Whether Select All is offered; the window that owns a call narrows it.
    virtual bool selectAllAllowed() const { return m_modified; }
    void copy() const;

    // Scrolls so that the range from..to is visible, its end first.
    void ensureVisible(qsizetype from, qsizetype to);
    // Applies pending appends to the scroll ranges at once.
    void flushUpdates() { m_throttle.flush(); }

    // The caret blinks only while the window holds text and has the focus.
    bool caretShown() const { return m_modified && hasFocus(); }
    // The width of the widest line, in pixels: the horizontal scroll extent.
    qreal textWidth();
    // How far the view is scrolled sideways, in pixels.
    qreal scrollX() const;
    void setScrollX(qreal x);
    int lineHeight() const { return int(m_layout.lineHeight()); }
    // The number of whole lines the view shows.
    int visibleLines() const;
    // Text position under a point of the viewport.
    qsizetype positionAt(QPoint point);
    // Where a position's character starts, in viewport coordinates (top of its line).
    QPoint pointOf(qsizetype position);

    // The most text one announcement of arrived text carries.
    static constexpr qsizetype MaxAnnounced = 4096;

signals:
    void selectionChanged();
    void modificationChanged(bool modified);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // After an append: the caret that was at the end follows, the screen reader hears of it.
    void textAppended(qsizetype before);
    void updateScrollRanges();
    // Tells screen readers what text has arrived since the last frame (at most a few
    // kilobytes of it, so a large reply cannot flood the accessibility bus).
    void announceInsertedText();
    void moveCaret(qsizetype position, bool extend);
    void updateCaretBlink();
    qsizetype verticalMove(qsizetype lines);
    void selectWordAt(qsizetype position);
    void selectLineAt(qsizetype position);
    void dragTo(QPoint point);
    void autoScrollStep();
    void paintLine(QPainter& painter, qsizetype line, int y, const QRect& area);
    int leftMargin() const { return 2; }

    TextBuffer m_buffer;
    LineLayout m_layout;
    FrameThrottle m_throttle;
    // A screen reader hears of text that trickles in a few times a second, not every block.
    static constexpr int AnnounceMs = 400;
    FrameThrottle m_announceThrottle;
    qsizetype m_announceFrom = -1; // where the text not yet announced starts; -1: none
    bool m_modified = false;
    qsizetype m_anchor = 0;
    qsizetype m_caret = 0;
    qreal m_preferredX = -1; // kept while moving up and down
    qreal m_widestPainted = 0;
    // Pixels per horizontal scroll bar step: 1, unless the text is too wide for an int range.
    qreal m_scrollUnit = 1;
    static constexpr qreal MaxScrollUnits = 1 << 30;

    QBasicTimer m_blink;
    bool m_blinkOn = true;
    bool m_dragging = false;
    QPoint m_dragPoint;
    QTimer m_autoScroll;
    // Gives back the memory a cleared text left for the next once the text stops growing
    // without having needed it.
    QTimer m_releaseSpare;
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPoint;
};

} // namespace view
