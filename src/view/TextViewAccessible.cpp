// SPDX-License-Identifier: MIT
#include "TextViewAccessible.h"
#include "CaretMotion.h"
#include "TextView.h"

#include <climits>

namespace view {

namespace {

int clampToInt(qsizetype value) {
    return int(std::clamp<qsizetype>(value, INT_MIN, INT_MAX));
}

// The text as a screen reader is given it: a control character (the window draws it as a
// box with its code) becomes the one character that pictures it (NUL as U+2400 "SYMBOL FOR
// NULL", ESC as U+241B), so it is read out rather than passed on raw, where a NUL would end the
// string on its way to the reader; offsets stay those of the window's text.
QString spoken(QString text) {
    for (QChar& c : text) {
        const char16_t code = c.unicode();
        if (code < 0x20 && code != u'\t' && code != u'\n' && code != u'\r')
            c = QChar(char16_t(0x2400 + code));
        else if (code == 0x7F)
            c = QChar(char16_t(0x2421));
    }
    return text;
}

QAccessibleInterface* createFor(const QString&, QObject* object) {
    if (auto* textView = qobject_cast<TextView*>(object))
        return new TextViewAccessible(textView);
    return nullptr;
}

} // namespace

TextViewAccessible::TextViewAccessible(TextView* view)
    : QAccessibleWidget(view, QAccessible::EditableText) {}

void TextViewAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(createFor);
        return true;
    }();
    Q_UNUSED(installed);
}

TextView* TextViewAccessible::view() const {
    return static_cast<TextView*>(widget());
}

void* TextViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TextViewAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

QString TextViewAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value)
        return spoken(view()->toPlainText());
    return QAccessibleWidget::text(kind);
}

void TextViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !view()->hasSelection())
        return;
    *startOffset = clampToInt(view()->selectionStart());
    *endOffset = clampToInt(view()->selectionEnd());
}

int TextViewAccessible::selectionCount() const {
    return view()->hasSelection() ? 1 : 0;
}

void TextViewAccessible::addSelection(int startOffset, int endOffset) {
    view()->setSelection(startOffset, endOffset);
}

void TextViewAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        view()->setSelection(view()->caretPosition(), view()->caretPosition());
}

void TextViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        view()->setSelection(startOffset, endOffset);
}

int TextViewAccessible::cursorPosition() const {
    return clampToInt(view()->caretPosition());
}

void TextViewAccessible::setCursorPosition(int position) {
    view()->setSelection(position, position);
}

QString TextViewAccessible::text(int startOffset, int endOffset) const {
    const TextBuffer& all = view()->buffer();
    const qsizetype from = std::clamp<qsizetype>(startOffset, 0, all.size());
    const qsizetype to = std::clamp<qsizetype>(endOffset, from, all.size());
    return spoken(all.mid(from, to - from));
}

int TextViewAccessible::characterCount() const {
    return clampToInt(view()->buffer().size());
}

QRect TextViewAccessible::characterRect(int offset) const {
    const QPoint topLeft = view()->pointOf(offset);
    const QPoint next = view()->pointOf(offset + 1);
    const int width = next.y() == topLeft.y() ? std::max(1, next.x() - topLeft.x()) : 1;
    const QRect local(topLeft, QSize(width, view()->lineHeight()));
    return QRect(view()->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int TextViewAccessible::offsetAtPoint(const QPoint& point) const {
    return clampToInt(view()->positionAt(view()->viewport()->mapFromGlobal(point)));
}

void TextViewAccessible::scrollToSubstring(int startIndex, int endIndex) {
    view()->ensureVisible(startIndex, endIndex);
}

QString TextViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // One run without attributes covers the whole text: a run that ended at the offset would
    // make a screen reader drop the character there.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

// Words are the desktop's (a word with what follows it up to the next one), which is what a
// screen reader takes apart when it says the word Ctrl+Right moved over; other units are Qt's.
QString TextViewAccessible::wordText(qsizetype position, int* startOffset, int* endOffset) const {
    const WordSpan span = wordSpanAt(view()->buffer(), position);
    *startOffset = clampToInt(span.start);
    *endOffset = clampToInt(span.end);
    return text(*startOffset, *endOffset);
}

QString TextViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type,
                                         int* startOffset, int* endOffset) const {
    if (type != QAccessible::WordBoundary)
        return QAccessibleTextInterface::textAtOffset(offset, type, startOffset, endOffset);
    return wordText(offset, startOffset, endOffset);
}

QString TextViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type,
                                             int* startOffset, int* endOffset) const {
    if (type != QAccessible::WordBoundary)
        return QAccessibleTextInterface::textBeforeOffset(offset, type, startOffset, endOffset);
    const WordSpan here = wordSpanAt(view()->buffer(), offset);
    if (here.start == 0) {
        *startOffset = *endOffset = 0;
        return {};
    }
    return wordText(here.start - 1, startOffset, endOffset);
}

QString TextViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type,
                                            int* startOffset, int* endOffset) const {
    if (type != QAccessible::WordBoundary)
        return QAccessibleTextInterface::textAfterOffset(offset, type, startOffset, endOffset);
    const WordSpan here = wordSpanAt(view()->buffer(), offset);
    if (here.end >= view()->buffer().size()) {
        *startOffset = *endOffset = characterCount();
        return {};
    }
    return wordText(here.end, startOffset, endOffset);
}

} // namespace view
