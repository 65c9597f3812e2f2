// SPDX-License-Identifier: MIT
#include "TextView.h"
#include "CaretMotion.h"
#include "TextViewAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>
#include <climits>
#include <cmath>

namespace view {

TextView::TextView(QWidget* parent)
    : QAbstractScrollArea(parent), m_layout(font()), m_throttle([this] {
          updateScrollRanges();
          m_announceThrottle.request();
      }),
      m_announceThrottle([this] { announceInsertedText(); }, this, AnnounceMs) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    m_autoScroll.setInterval(50);
    connect(&m_autoScroll, &QTimer::timeout, this, &TextView::autoScrollStep);
    m_releaseSpare.setSingleShot(true);
    m_releaseSpare.setInterval(1000);
    connect(&m_releaseSpare, &QTimer::timeout, this, [this] { m_buffer.releaseSpareMemory(); });
    TextViewAccessible::installFactory();
    updateScrollRanges();
}

void TextView::append(QStringView text) {
    const qsizetype before = m_buffer.size();
    m_buffer.append(text);
    textAppended(before);
}

void TextView::appendLatin1(QLatin1StringView text) {
    const qsizetype before = m_buffer.size();
    m_buffer.appendLatin1(text);
    textAppended(before);
}

void TextView::textAppended(qsizetype before) {
    if (m_buffer.size() == before)
        return;
    // A bare caret at the end moves on with the text, as it would after typing there; a caret
    // or selection the user put elsewhere stays where it is.
    if (m_anchor == m_caret && m_caret == before)
        m_anchor = m_caret = m_buffer.size();
    if (m_announceFrom < 0 && QAccessible::isActive())
        m_announceFrom = before;
    if (m_buffer.hasSpareMemory())
        m_releaseSpare.start();
    setModified(true);
    m_throttle.request();
}

void TextView::announceInsertedText() {
    if (m_announceFrom < 0 || m_announceFrom >= m_buffer.size()) {
        m_announceFrom = -1;
        return;
    }
    const qsizetype size = std::min(m_buffer.size() - m_announceFrom, MaxAnnounced);
    QAccessibleTextInsertEvent inserted(this, int(std::min<qsizetype>(m_announceFrom, INT_MAX)),
                                        m_buffer.mid(m_announceFrom, size));
    m_announceFrom = -1;
    QAccessible::updateAccessibility(&inserted);
}

void TextView::clear() {
    m_announceFrom = -1;
    m_buffer.clear();
    if (m_buffer.hasSpareMemory())
        m_releaseSpare.start();
    m_layout.clearCache();
    m_widestPainted = 0;
    m_preferredX = -1;
    const bool hadSelection = m_anchor != 0 || m_caret != 0;
    m_anchor = m_caret = 0;
    setModified(false);
    updateScrollRanges();
    if (hadSelection)
        emit selectionChanged();
}

void TextView::setModified(bool modified) {
    if (m_modified == modified)
        return;
    m_modified = modified;
    updateCaretBlink();
    emit modificationChanged(modified);
}

QString TextView::selectedText() const {
    return m_buffer.mid(selectionStart(), selectionEnd() - selectionStart());
}

void TextView::setSelection(qsizetype anchor, qsizetype caret) {
    const auto snap = [this](qsizetype p) {
        p = std::clamp<qsizetype>(p, 0, m_buffer.size());
        const TextBuffer& t = m_buffer;
        if (p > 0 && p < t.size() && t.at(p).isLowSurrogate() && t.at(p - 1).isHighSurrogate())
            --p;
        return p;
    };
    anchor = snap(anchor);
    caret = snap(caret);
    if (anchor == m_anchor && caret == m_caret)
        return;
    m_anchor = anchor;
    m_caret = caret;
    m_preferredX = -1;
    m_blinkOn = true;
    viewport()->update();
    emit selectionChanged();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(std::min<qsizetype>(caret, INT_MAX)));
        QAccessible::updateAccessibility(&moved);
        QAccessibleTextSelectionEvent selected(this,
                                               int(std::min<qsizetype>(selectionStart(), INT_MAX)),
                                               int(std::min<qsizetype>(selectionEnd(), INT_MAX)));
        QAccessible::updateAccessibility(&selected);
    }
}

void TextView::selectAll() {
    setSelection(0, m_buffer.size());
}

void TextView::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

int TextView::visibleLines() const {
    return std::max(1, viewport()->height() / lineHeight());
}

qreal TextView::textWidth() {
    const qsizetype longest = m_buffer.longestLine();
    return std::max(std::ceil(m_layout.width(longest, m_buffer.line(longest))), m_widestPainted);
}

qreal TextView::scrollX() const {
    return qreal(horizontalScrollBar()->value()) * m_scrollUnit;
}

void TextView::setScrollX(qreal x) {
    horizontalScrollBar()->setValue(
        int(std::clamp<qreal>(std::round(x / m_scrollUnit), 0, INT_MAX)));
}

void TextView::updateScrollRanges() {
    QScrollBar* vertical = verticalScrollBar();
    const bool followEnd = vertical->value() == vertical->maximum();
    const int page = visibleLines();
    const qsizetype lastTop = std::max<qsizetype>(0, m_buffer.lineCount() - page);
    vertical->setRange(0, int(std::min<qsizetype>(lastTop, INT_MAX)));
    vertical->setPageStep(page);
    vertical->setSingleStep(1);
    if (followEnd)
        vertical->setValue(vertical->maximum());

    // A line wider than a scroll bar can count in pixels (a long line in a large font) is
    // scrolled in units of several pixels; positions themselves stay exact.
    QScrollBar* horizontal = horizontalScrollBar();
    const qreal offset = scrollX();
    const int viewWidth = viewport()->width();
    const qreal extent = std::max<qreal>(0, textWidth() + 2 * leftMargin() - viewWidth);
    m_scrollUnit = std::max<qreal>(1, std::ceil(extent / MaxScrollUnits));
    horizontal->setRange(0, int(std::ceil(extent / m_scrollUnit)));
    horizontal->setPageStep(std::max(1, int(viewWidth / m_scrollUnit)));
    horizontal->setSingleStep(std::max(1, int(m_layout.averageCharWidth() / m_scrollUnit)));
    setScrollX(offset);
    viewport()->update();
}

qsizetype TextView::positionAt(QPoint point) {
    const qsizetype line = std::clamp<qsizetype>(
        verticalScrollBar()->value() + qsizetype(std::floor(qreal(point.y()) / lineHeight())), 0,
        m_buffer.lineCount() - 1);
    const qreal x = point.x() - leftMargin() + scrollX();
    return m_buffer.lineStart(line) + m_layout.columnAt(line, m_buffer.line(line), x);
}

QPoint TextView::pointOf(qsizetype position) {
    const qsizetype line = m_buffer.lineOfPosition(position);
    const qsizetype column = position - m_buffer.lineStart(line);
    const qreal x = m_layout.xOf(line, m_buffer.line(line), column);
    const qsizetype row = line - verticalScrollBar()->value();
    return {
        int(std::clamp<qreal>(std::round(x) + leftMargin() - scrollX(), INT_MIN / 2, INT_MAX / 2)),
        int(std::clamp<qsizetype>(row * lineHeight(), INT_MIN / 2, INT_MAX / 2))};
}

void TextView::ensureVisible(qsizetype from, qsizetype to) {
    m_throttle.flush();
    const qsizetype toLine = m_buffer.lineOfPosition(to);
    const qsizetype fromLine = m_buffer.lineOfPosition(from);
    QScrollBar* vertical = verticalScrollBar();
    const int page = visibleLines();
    qsizetype top = vertical->value();
    if (toLine < top || toLine >= top + page)
        top = toLine - page / 2;
    if (fromLine < top && toLine - fromLine < page)
        top = fromLine;
    vertical->setValue(int(std::clamp<qsizetype>(top, 0, INT_MAX)));

    // The line may be wider than the extent known so far.
    const qreal lineWidth = std::ceil(m_layout.width(toLine, m_buffer.line(toLine)));
    if (lineWidth > textWidth()) {
        m_widestPainted = lineWidth;
        updateScrollRanges();
    }
    // In line coordinates, which a long line in a large font takes past the int range.
    const qreal viewWidth = viewport()->width();
    // Three characters of room beyond the caret, but never more than a third of the view.
    const qreal margin =
        std::min(3 * std::max<qreal>(1, m_layout.averageCharWidth()), viewWidth / 3);
    const auto xInLine = [this](qsizetype position) {
        const qsizetype line = m_buffer.lineOfPosition(position);
        return m_layout.xOf(line, m_buffer.line(line), position - m_buffer.lineStart(line)) +
               leftMargin();
    };
    const qreal toX = xInLine(to);
    const qreal fromX = xInLine(from);
    qreal left = scrollX();
    if (toX > left + viewWidth - margin || toX < left)
        left = toX - viewWidth + margin;
    if (fromX < left && toX - fromX < viewWidth - margin)
        left = fromX - margin;
    setScrollX(std::max<qreal>(0, left));
}

void TextView::moveCaret(qsizetype position, bool extend) {
    const qreal preferredX = m_preferredX;
    setSelection(extend ? m_anchor : position, position);
    m_preferredX = preferredX;
    ensureVisible(position, position);
}

qsizetype TextView::verticalMove(qsizetype lines) {
    const qsizetype line = m_buffer.lineOfPosition(m_caret);
    if (m_preferredX < 0)
        m_preferredX = m_layout.xOf(line, m_buffer.line(line), m_caret - m_buffer.lineStart(line));
    const qsizetype target = std::clamp<qsizetype>(line + lines, 0, m_buffer.lineCount() - 1);
    return m_buffer.lineStart(target) +
           m_layout.columnAt(target, m_buffer.line(target), m_preferredX);
}

void TextView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (event->matches(QKeySequence::Copy) ||
        (event->key() == Qt::Key_Insert && modifiers == Qt::ControlModifier)) {
        copy();
        event->accept();
        return;
    }
    if (!m_modified) { // no caret, nothing to move
        event->ignore();
        return;
    }
    const bool extend = modifiers & Qt::ShiftModifier;
    const bool control = modifiers & Qt::ControlModifier;
    const qsizetype line = m_buffer.lineOfPosition(m_caret);
    const int page = visibleLines();
    switch (event->key()) {
    case Qt::Key_Left:
        m_preferredX = -1;
        if (control)
            moveCaret(previousWordStart(m_buffer, m_caret), extend);
        else
            moveCaret(hasSelection() && !extend ? selectionStart()
                                                : previousCharacter(m_buffer, m_caret),
                      extend);
        break;
    case Qt::Key_Right:
        m_preferredX = -1;
        if (control)
            moveCaret(nextWordEnd(m_buffer, m_caret), extend);
        else
            moveCaret(hasSelection() && !extend ? selectionEnd() : nextCharacter(m_buffer, m_caret),
                      extend);
        break;
    case Qt::Key_Up: moveCaret(verticalMove(-1), extend); break;
    case Qt::Key_Down: moveCaret(verticalMove(1), extend); break;
    case Qt::Key_PageUp:
        verticalScrollBar()->setValue(verticalScrollBar()->value() - page);
        moveCaret(verticalMove(-page), extend);
        break;
    case Qt::Key_PageDown:
        verticalScrollBar()->setValue(verticalScrollBar()->value() + page);
        moveCaret(verticalMove(page), extend);
        break;
    case Qt::Key_Home:
        m_preferredX = -1;
        moveCaret(control ? 0 : m_buffer.lineStart(line), extend);
        break;
    case Qt::Key_End:
        m_preferredX = -1;
        moveCaret(control ? m_buffer.size() : m_buffer.lineStart(line) + m_buffer.lineLength(line),
                  extend);
        break;
    default: event->ignore(); return;
    }
    event->accept();
}

void TextView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const bool tripleClick =
        m_sinceDoubleClick.isValid() &&
        m_sinceDoubleClick.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (point - m_doubleClickPoint).manhattanLength() <= QApplication::startDragDistance();
    m_sinceDoubleClick.invalidate();
    if (tripleClick) {
        selectLineAt(positionAt(point));
        return;
    }
    m_preferredX = -1;
    moveCaret(positionAt(point), event->modifiers() & Qt::ShiftModifier);
    m_dragging = true;
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        dragTo(event->position().toPoint());
}

void TextView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        m_autoScroll.stop();
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (hasSelection() && clipboard->supportsSelection())
            clipboard->setText(selectedText(), QClipboard::Selection);
    }
}

void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    selectWordAt(positionAt(point));
    m_sinceDoubleClick.start();
    m_doubleClickPoint = point;
}

void TextView::dragTo(QPoint point) {
    m_dragPoint = point;
    const qsizetype position = positionAt(point);
    setSelection(m_anchor, position);
    if (viewport()->rect().contains(point))
        m_autoScroll.stop();
    else if (!m_autoScroll.isActive())
        m_autoScroll.start();
}

void TextView::autoScrollStep() {
    const QRect area = viewport()->rect();
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    if (m_dragPoint.y() < area.top())
        vertical->setValue(vertical->value() - 1);
    else if (m_dragPoint.y() > area.bottom())
        vertical->setValue(vertical->value() + 1);
    if (m_dragPoint.x() < area.left())
        horizontal->setValue(horizontal->value() - horizontal->singleStep());
    else if (m_dragPoint.x() > area.right())
        horizontal->setValue(horizontal->value() + horizontal->singleStep());
    setSelection(m_anchor, positionAt(m_dragPoint));
}

void TextView::selectWordAt(qsizetype position) {
    const qsizetype line = m_buffer.lineOfPosition(position);
    const qsizetype start = m_buffer.lineStart(line);
    const TextRange text = m_buffer.line(line);
    qsizetype from = position - start;
    qsizetype to = from;
    if (from < text.size() && isWordCharacter(text[from])) {
        while (from > 0 && isWordCharacter(text[from - 1]))
            --from;
        while (to < text.size() && isWordCharacter(text[to]))
            ++to;
    } else if (from < text.size()) {
        to = nextCharacter(m_buffer, position) - start;
    }
    setSelection(start + from, start + to);
}

void TextView::selectLineAt(qsizetype position) {
    const qsizetype line = m_buffer.lineOfPosition(position);
    const qsizetype start = m_buffer.lineStart(line);
    const bool hasBreak = line < m_buffer.lineCount() - 1;
    setSelection(start, start + m_buffer.lineLength(line) + (hasBreak ? 1 : 0));
}

void TextView::wheelEvent(QWheelEvent* event) {
    QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ShiftModifier)
        delta = QPoint(delta.y() != 0 ? delta.y() : delta.x(), 0);
    if (delta.y() != 0) {
        const int lines = delta.y() * QApplication::wheelScrollLines() / 120;
        verticalScrollBar()->setValue(verticalScrollBar()->value() - lines);
    }
    if (delta.x() != 0) {
        const int step = horizontalScrollBar()->singleStep() * QApplication::wheelScrollLines();
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta.x() * step / 120);
    }
    event->accept();
}

void TextView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(QStringLiteral("&Copy"), this, &TextView::copy);
    copyAction->setEnabled(hasSelection());
    QAction* selectAllAction =
        menu.addAction(QStringLiteral("Select &All"), this, &TextView::selectAll);
    selectAllAction->setEnabled(selectAllAllowed());
    menu.exec(event->globalPos());
}

void TextView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    updateCaretBlink();
}

void TextView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    updateCaretBlink();
}

void TextView::updateCaretBlink() {
    m_blinkOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (caretShown() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
    viewport()->update();
}

void TextView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_blinkOn = !m_blinkOn;
    const QPoint caret = pointOf(m_caret);
    viewport()->update(QRect(caret.x() - 1, caret.y(), 3, lineHeight()));
}

bool TextView::event(QEvent* e) {
    if (e->type() == QEvent::FontChange) {
        m_layout.setFont(font());
        m_widestPainted = 0;
        updateScrollRanges();
    }
    return QAbstractScrollArea::event(e);
}

void TextView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void TextView::scrollContentsBy(int, int) {
    viewport()->update();
}

void TextView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, palette().base());
    const int height = lineHeight();
    const qsizetype first = verticalScrollBar()->value();
    for (qsizetype row = area.top() / height; row * height <= area.bottom(); ++row) {
        const qsizetype line = first + row;
        if (line >= m_buffer.lineCount())
            break;
        paintLine(painter, line, int(row) * height, area);
    }
    if (caretShown() && m_blinkOn) {
        const QPoint caret = pointOf(m_caret);
        painter.fillRect(QRect(caret.x(), caret.y(), 1, height), palette().text());
    }
}

void TextView::paintLine(QPainter& painter, qsizetype line, int y, const QRect& area) {
    const TextRange text = m_buffer.line(line);
    const qsizetype start = m_buffer.lineStart(line);
    const qreal originX = leftMargin() - scrollX();
    const qreal left = area.left() - originX;
    const qreal right = area.right() + 1 - originX;
    const QPointF origin(originX, y + m_layout.ascent());

    const qreal width = std::ceil(m_layout.width(line, text));
    if (width > m_widestPainted) {
        m_widestPainted = width;
        // The scroll range follows after this paint, not inside it.
        QMetaObject::invokeMethod(
            this, [this] { m_throttle.request(); }, Qt::QueuedConnection);
    }

    painter.setPen(palette().text().color());
    m_layout.draw(painter, line, text, origin, left, right);

    const qsizetype lineEnd = start + text.size();
    const qsizetype from = selectionStart();
    const qsizetype to = selectionEnd();
    if (from == to || from > lineEnd || to <= start)
        return;
    const qreal x0 = m_layout.xOf(line, text, std::max(from, start) - start);
    qreal x1 = m_layout.xOf(line, text, std::min(to, lineEnd) - start);
    if (to > lineEnd) // the line break is selected too
        x1 += m_layout.averageCharWidth();
    const QRectF selected(originX + x0, y, x1 - x0, lineHeight());
    painter.save();
    painter.setClipRect(selected);
    painter.fillRect(selected, palette().highlight());
    painter.setPen(palette().highlightedText().color());
    // Only the visible part of the selection is drawn again: a selected line may be long.
    m_layout.draw(painter, line, text, origin, std::max(x0, left), std::min(x1, right));
    painter.restore();
}

} // namespace view
