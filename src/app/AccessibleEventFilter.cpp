// SPDX-License-Identifier: MIT
#include "AccessibleEventFilter.h"

#include <QAccessible>
#include <QList>

namespace app {

namespace {

QAccessible::UpdateHandler previous = nullptr;

QList<AccessibleEventFilter::Filter>& filters() {
    static QList<AccessibleEventFilter::Filter> list;
    return list;
}

void filtered(QAccessibleEvent* event) {
    for (const AccessibleEventFilter::Filter& filter : std::as_const(filters()))
        if (filter(event))
            return;
    AccessibleEventFilter::pass(event);
}

} // namespace

void AccessibleEventFilter::add(Filter filter) {
    if (filters().isEmpty())
        previous = QAccessible::installUpdateHandler(filtered);
    filters().append(std::move(filter));
}

void AccessibleEventFilter::pass(QAccessibleEvent* event) {
    if (previous) {
        previous(event);
        return;
    }
    // No handler before ours: Qt's own path goes to the bridge while none is installed.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(filtered);
}

} // namespace app
