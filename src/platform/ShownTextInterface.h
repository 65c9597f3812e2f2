// SPDX-License-Identifier: MIT
#pragma once
// A short text a screen reader reads but cannot change (a status line, a combo box's entry):
// no caret, no selection, one run without attributes over the whole text, so no character is
// dropped at a run's end. The subclass says what is shown.

#include <QAccessibleInterface>

namespace platform {

class ShownTextInterface : public QAccessibleTextInterface {
public:
    virtual QString shownText() const = 0;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;
};

} // namespace platform
