// SPDX-License-Identifier: MIT
#pragma once
// A dialog's list of entries. Entering it from the keyboard says the entry the caret is on:
// Qt makes the first entry current as the list takes the focus but tells a screen reader only
// of the list ("list with 3 items"), so the first Down seemed to skip an entry never heard.

#include <QListWidget>

namespace platform {

class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void tellCurrentEntry();
};

} // namespace platform
