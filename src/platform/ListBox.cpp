// SPDX-License-Identifier: MIT
#include "ListBox.h"

#include <QAccessible>

namespace platform {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {}

void ListBox::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    if (count() == 0)
        return;
    if (!currentIndex().isValid())
        setCurrentRow(0, QItemSelectionModel::NoUpdate);
    // After the list's own focus event, which Qt sends once this handler has returned.
    QMetaObject::invokeMethod(this, &ListBox::tellCurrentEntry, Qt::QueuedConnection);
}

void ListBox::tellCurrentEntry() {
    if (!QAccessible::isActive() || !hasFocus() || currentRow() < 0)
        return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(currentRow());
    QAccessible::updateAccessibility(&focus);
}

} // namespace platform
