// SPDX-License-Identifier: MIT
#include "LineEditAccessible.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace platform {

namespace {

QAccessibleInterface* createFor(const QString&, QObject* object) {
    auto* edit = qobject_cast<QLineEdit*>(object);
    return edit ? new LineEditAccessible(edit) : nullptr;
}

} // namespace

LineEditAccessible::LineEditAccessible(QLineEdit* edit)
    : QAccessibleWidget(edit, QAccessible::EditableText) {}

void LineEditAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(createFor);
        return true;
    }();
    Q_UNUSED(installed);
}

QLineEdit* LineEditAccessible::edit() const {
    return static_cast<QLineEdit*>(widget());
}

QString LineEditAccessible::shownText() const {
    return edit()->echoMode() == QLineEdit::Normal ? edit()->text() : edit()->displayText();
}

void* LineEditAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface && !edit()->isReadOnly())
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State LineEditAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = edit()->isReadOnly();
    state.editable = !state.readOnly;
    state.selectableText = true;
    state.passwordEdit = edit()->echoMode() != QLineEdit::Normal;
    return state;
}

QString LineEditAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value)
        return shownText();
    return QAccessibleWidget::text(kind);
}

void LineEditAccessible::setText(QAccessible::Text kind, const QString& text) {
    if (kind == QAccessible::Value && !edit()->isReadOnly())
        edit()->setText(text);
    else
        QAccessibleWidget::setText(kind, text);
}

void LineEditAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && edit()->hasSelectedText()) {
        *startOffset = edit()->selectionStart();
        *endOffset = edit()->selectionEnd();
    }
}

int LineEditAccessible::selectionCount() const {
    return edit()->hasSelectedText() ? 1 : 0;
}

void LineEditAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void LineEditAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        edit()->deselect();
}

void LineEditAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex != 0)
        return;
    const int size = characterCount();
    startOffset = std::clamp(startOffset, 0, size);
    endOffset = std::clamp(endOffset, 0, size);
    edit()->setSelection(startOffset, endOffset - startOffset);
}

int LineEditAccessible::cursorPosition() const {
    return edit()->cursorPosition();
}

void LineEditAccessible::setCursorPosition(int position) {
    edit()->setCursorPosition(std::clamp(position, 0, characterCount()));
}

QString LineEditAccessible::text(int startOffset, int endOffset) const {
    const QString shown = shownText();
    const qsizetype start = std::clamp<qsizetype>(startOffset, 0, shown.size());
    const qsizetype end = std::clamp<qsizetype>(endOffset, start, shown.size());
    return shown.mid(start, end - start);
}

int LineEditAccessible::characterCount() const {
    return int(shownText().size());
}

QRect LineEditAccessible::characterRect(int offset) const {
    const QString shown = shownText();
    if (offset < 0 || offset >= shown.size())
        return {};
    // Where the field draws its text: inside its frame and margins, scrolled so that the caret
    // shows; the caret's place gives the scroll.
    QStyleOptionFrame option;
    option.initFrom(edit());
    const QRect area = edit()
                           ->style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, edit())
                           .marginsRemoved(edit()->textMargins());
    const QFontMetrics metrics(edit()->font());
    const int caretX = metrics.horizontalAdvance(shown.left(edit()->cursorPosition()));
    const int scroll = std::max(0, caretX - area.width() + 1);
    const int x = area.left() + metrics.horizontalAdvance(shown.left(offset)) - scroll;
    const QRect local(x, area.top(), metrics.horizontalAdvance(shown.at(offset)), area.height());
    return QRect(edit()->mapToGlobal(local.topLeft()), local.size());
}

int LineEditAccessible::offsetAtPoint(const QPoint& point) const {
    return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
}

void LineEditAccessible::scrollToSubstring(int startIndex, int endIndex) {
    Q_UNUSED(endIndex);
    setCursorPosition(startIndex);
}

QString LineEditAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void LineEditAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void LineEditAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void LineEditAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    if (edit()->isReadOnly())
        return;
    setSelection(0, startOffset, endOffset);
    edit()->insert(text); // as typed: the field's length limit and validator apply
}

} // namespace platform
