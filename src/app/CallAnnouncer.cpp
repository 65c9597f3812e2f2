// SPDX-License-Identifier: MIT
#include "CallAnnouncer.h"

#include <QAccessible>
#include <QEvent>

namespace app {

namespace {

// How long the window is active before a text is said, and how long a text waits at most.
constexpr int SettleMs = 700;
constexpr int PollMs = 50;
constexpr int LongestWaitMs = 5000;

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
    m_wait.setSingleShot(true);
    m_wait.setInterval(PollMs);
    connect(&m_wait, &QTimer::timeout, this, &CallAnnouncer::sayWhenSettled);
    watchWindow();
}

void CallAnnouncer::watchWindow() {
    QWidget* top = window();
    if (top == this || top == m_watched)
        return;
    if (m_watched)
        m_watched->removeEventFilter(this);
    m_watched = top;
    top->installEventFilter(this);
}

bool CallAnnouncer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_watched && event->type() == QEvent::WindowActivate)
        m_activeSince.start();
    return QWidget::eventFilter(watched, event);
}

void CallAnnouncer::announce(const QString& text) {
    if (!QAccessible::isActive() || text.isEmpty())
        return;
    watchWindow();
    m_pending = text;
    m_waiting.start();
    sayWhenSettled();
}

void CallAnnouncer::sayWhenSettled() {
    if (m_pending.isEmpty())
        return;
    const bool settled = window()->isActiveWindow() &&
                         (!m_activeSince.isValid() || m_activeSince.elapsed() >= SettleMs);
    if (!settled && m_waiting.elapsed() < LongestWaitMs) {
        m_wait.start();
        return;
    }
    // Shown anew with its new name: that is what the screen reader speaks.
    hide();
    setAccessibleName(m_pending);
    m_pending.clear();
    show();
}

} // namespace app
