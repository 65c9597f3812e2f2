// SPDX-License-Identifier: MIT
#pragma once
// What screen readers see of the status bar's message field: a status line whose name is its
// text, readable through the text interface, so "Connection refused" can be spoken when it
// appears and read again on demand. The field announces each change (at most once a frame).

#include <QAccessibleWidget>

namespace app {

class MessageField;

class StatusFieldAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit StatusFieldAccessible(MessageField* field);

    // Makes Qt create one of these for every message field.
    static void installFactory();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;

    // QAccessibleTextInterface: the status text, read-only, without a caret of its own.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    const QString& shown() const;
};

} // namespace app
