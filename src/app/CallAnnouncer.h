// SPDX-License-Identifier: MIT
#pragma once
// How a screen reader hears that a call has ended: an invisible notification in the status bar
// that shows itself with the outcome as its name ("Connection closed, 12 lines"). Screen
// readers speak a notification when it is shown, unasked, whatever has the focus, as they do
// not speak a status bar's changes or text arriving in a pane the user did not type in.

#include <QAccessibleWidget>
#include <QWidget>

namespace app {

class CallAnnouncer : public QWidget {
    Q_OBJECT
public:
    explicit CallAnnouncer(QWidget* parent = nullptr);

    // Says text once.
    void announce(const QString& text);
    QSize sizeHint() const override { return {0, 0}; }
};

class CallAnnouncerAccessible : public QAccessibleWidget {
public:
    explicit CallAnnouncerAccessible(CallAnnouncer* announcer)
        : QAccessibleWidget(announcer, QAccessible::Notification) {}
    static void installFactory();
};

} // namespace app
