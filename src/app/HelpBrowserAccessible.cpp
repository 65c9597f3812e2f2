// SPDX-License-Identifier: MIT
#include "HelpBrowserAccessible.h"
#include "HelpBrowser.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace app {

namespace {

QAccessibleInterface* createFor(const QString&, QObject* object) {
    if (auto* browser = qobject_cast<HelpBrowser*>(object))
        return new HelpBrowserAccessible(browser);
    return nullptr;
}

// A document's paragraph and table-cell marks become line breaks, one for one, so offsets
// stay the document's own.
QString readable(QString text) {
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QChar(0xFDD0) ||
            c == QChar(0xFDD1) || c == QChar::Nbsp)
            c = c == QChar::Nbsp ? QLatin1Char(' ') : QLatin1Char('\n');
    return text;
}

} // namespace

HelpBrowserAccessible::HelpBrowserAccessible(HelpBrowser* browser)
    : QAccessibleWidget(browser, QAccessible::EditableText) {}

void HelpBrowserAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(createFor);
        return true;
    }();
    Q_UNUSED(installed);
}

HelpBrowser* HelpBrowserAccessible::browser() const {
    return static_cast<HelpBrowser*>(widget());
}

void* HelpBrowserAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State HelpBrowserAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

void HelpBrowserAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    const QTextCursor cursor = browser()->textCursor();
    if (selectionIndex != 0 || !cursor.hasSelection())
        return;
    *startOffset = cursor.selectionStart();
    *endOffset = cursor.selectionEnd();
}

int HelpBrowserAccessible::selectionCount() const {
    return browser()->textCursor().hasSelection() ? 1 : 0;
}

void HelpBrowserAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void HelpBrowserAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        setCursorPosition(cursorPosition());
}

void HelpBrowserAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex != 0)
        return;
    QTextCursor cursor = browser()->textCursor();
    cursor.setPosition(std::clamp(startOffset, 0, characterCount()));
    cursor.setPosition(std::clamp(endOffset, 0, characterCount()), QTextCursor::KeepAnchor);
    browser()->setTextCursor(cursor);
}

int HelpBrowserAccessible::cursorPosition() const {
    return browser()->textCursor().position();
}

void HelpBrowserAccessible::setCursorPosition(int position) {
    setSelection(0, position, position);
}

QString HelpBrowserAccessible::text(int startOffset, int endOffset) const {
    const int count = characterCount();
    const int from = std::clamp(startOffset, 0, count);
    const int to = std::clamp(endOffset, from, count);
    QTextCursor cursor(browser()->document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    return readable(cursor.selectedText());
}

int HelpBrowserAccessible::characterCount() const {
    // The document's last position is the mark after its end, which no cursor can select.
    return std::max(0, browser()->document()->characterCount() - 1);
}

QRect HelpBrowserAccessible::characterRect(int offset) const {
    QTextCursor cursor(browser()->document());
    cursor.setPosition(std::clamp(offset, 0, characterCount()));
    const QRect local = browser()->cursorRect(cursor);
    return QRect(browser()->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int HelpBrowserAccessible::offsetAtPoint(const QPoint& point) const {
    return browser()->cursorForPosition(browser()->viewport()->mapFromGlobal(point)).position();
}

void HelpBrowserAccessible::scrollToSubstring(int startIndex, int endIndex) {
    Q_UNUSED(endIndex);
    QTextCursor cursor(browser()->document());
    cursor.setPosition(std::clamp(startIndex, 0, characterCount()));
    const QRect rect = browser()->cursorRect(cursor);
    browser()->verticalScrollBar()->setValue(browser()->verticalScrollBar()->value() + rect.top());
}

QString HelpBrowserAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // One run without attributes over the whole page: a run ending at the caret would make a
    // screen reader drop the character there.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void HelpBrowserAccessible::lineSpan(int offset, int* startOffset, int* endOffset) const {
    const int count = characterCount();
    offset = std::clamp(offset, 0, count);
    const QTextBlock block = browser()->document()->findBlock(offset);
    const QTextLayout* layout = block.layout();
    const QTextLine line =
        layout ? layout->lineForTextPosition(offset - block.position()) : QTextLine();
    if (!line.isValid()) {
        *startOffset = block.position();
        *endOffset = std::min(count, block.position() + block.length());
        return;
    }
    *startOffset = block.position() + line.textStart();
    const bool lastLine = line.lineNumber() == layout->lineCount() - 1;
    // The last line of a paragraph takes its line break along, as a text editor's does.
    *endOffset = std::min(count, *startOffset + line.textLength() + (lastLine ? 1 : 0));
}

QString HelpBrowserAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type,
                                            int* startOffset, int* endOffset) const {
    if (type != QAccessible::LineBoundary)
        return QAccessibleTextInterface::textAtOffset(offset, type, startOffset, endOffset);
    lineSpan(offset, startOffset, endOffset);
    return text(*startOffset, *endOffset);
}

QString HelpBrowserAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type,
                                                int* startOffset, int* endOffset) const {
    if (type != QAccessible::LineBoundary)
        return QAccessibleTextInterface::textBeforeOffset(offset, type, startOffset, endOffset);
    lineSpan(offset, startOffset, endOffset);
    if (*startOffset == 0) {
        *endOffset = 0;
        return {};
    }
    lineSpan(*startOffset - 1, startOffset, endOffset);
    return text(*startOffset, *endOffset);
}

QString HelpBrowserAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type,
                                               int* startOffset, int* endOffset) const {
    if (type != QAccessible::LineBoundary)
        return QAccessibleTextInterface::textAfterOffset(offset, type, startOffset, endOffset);
    lineSpan(offset, startOffset, endOffset);
    if (*endOffset >= characterCount()) {
        *startOffset = *endOffset = characterCount();
        return {};
    }
    lineSpan(*endOffset, startOffset, endOffset);
    return text(*startOffset, *endOffset);
}

} // namespace app
