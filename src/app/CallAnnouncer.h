// SPDX-License-Identifier: MIT
#pragma once
// How a screen reader hears that a call has ended: an invisible notification in the status bar
// that shows itself with the outcome as its name ("Connection closed, 12 lines"). Screen
// readers speak a notification when it is shown, unasked, whatever has the focus, as they do
// not speak a status bar's changes or text arriving in a pane the user did not type in.
// It waits until its window has been active for a moment: a call that ends as its dialog
// closes would otherwise be told while the screen reader still presents the window coming
// back, which either drops the notification or talks over it.

#include <QAccessibleWidget>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace app {

class CallAnnouncer : public QWidget {
    Q_OBJECT
public:
    explicit CallAnnouncer(QWidget* parent = nullptr);

    // Says text once; a newer text not yet said replaces it.
    void announce(const QString& text);
    QSize sizeHint() const override { return {0, 0}; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sayWhenSettled();
    void watchWindow();

    QString m_pending;
    QTimer m_wait;
    QElapsedTimer m_waiting;     // since the text came
    QElapsedTimer m_activeSince; // since the window was last activated
    QPointer<QWidget> m_watched;
};

class CallAnnouncerAccessible : public QAccessibleWidget {
public:
    explicit CallAnnouncerAccessible(CallAnnouncer* announcer)
        : QAccessibleWidget(announcer, QAccessible::Notification) {}
    static void installFactory();
};

} // namespace app
