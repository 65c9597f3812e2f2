// SPDX-License-Identifier: MIT
#pragma once
// What screen readers see of the help page: a read-only, multi-line text with a caret, as the
// answer pane is, rather than the one long label Qt makes of a text browser. Lines are the
// lines on the screen, so moving down a paragraph reads it a line at a time.

#include <QAccessibleWidget>

namespace app {

class HelpBrowser;

class HelpBrowserAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit HelpBrowserAccessible(HelpBrowser* browser);

    // Makes Qt create one of these for the help browser.
    static void installFactory();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    using QAccessibleWidget::text;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                             int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                            int* endOffset) const override;

private:
    HelpBrowser* browser() const;
    // The screen line holding an offset, as [start, end) with its line break.
    void lineSpan(int offset, int* startOffset, int* endOffset) const;
};

} // namespace app
