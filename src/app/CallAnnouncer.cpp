// SPDX-License-Identifier: MIT
#include "CallAnnouncer.h"

#include <QAccessible>

namespace app {

namespace {

QAccessibleInterface* createFor(const QString&, QObject* object) {
    if (auto* announcer = qobject_cast<CallAnnouncer*>(object))
        return new CallAnnouncerAccessible(announcer);
    return nullptr;
}

} // namespace

void CallAnnouncerAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(createFor);
        return true;
    }();
    Q_UNUSED(installed);
}

CallAnnouncer::CallAnnouncer(QWidget* parent) : QWidget(parent) {
    CallAnnouncerAccessible::installFactory();
    setObjectName(QStringLiteral("callAnnouncer"));
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(0, 0);
    hide();
}

void CallAnnouncer::announce(const QString& text) {
    if (!QAccessible::isActive() || text.isEmpty())
        return;
    // Shown anew with its new name: that is what the screen reader speaks.
    hide();
    setAccessibleName(text);
    show();
}

} // namespace app
