// SPDX-License-Identifier: MIT
#pragma once
// What screen readers see of a TextView: a read-only, multi-line text with its caret and
// selection, through Qt's accessible text interface.

#include <QAccessibleWidget>

namespace view {

class TextView;

class TextViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TextViewAccessible(TextView* view);

    // Makes Qt create one of these for every TextView.
    static void installFactory();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
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
    TextView* view() const;
    QString wordText(qsizetype position, int* startOffset, int* endOffset) const;
};

} // namespace view
