// SPDX-License-Identifier: MIT
#include "ScrollValueThrottle.h"
#include "AccessibleEventFilter.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

namespace app {

namespace {

constexpr int IntervalMs = 250;

// One bar's last told change, and the timer that tells the change held back.
struct BarState {
    QElapsedTimer sinceTold;
    QTimer timer;
};

QHash<QScrollBar*, BarState*>& states() {
    static QHash<QScrollBar*, BarState*> map;
    return map;
}

BarState* stateOf(QScrollBar* bar) {
    BarState*& state = states()[bar];
    if (state)
        return state;
    state = new BarState;
    state->timer.setSingleShot(true);
    QPointer<QScrollBar> guarded(bar);
    QObject::connect(&state->timer, &QTimer::timeout, bar, [guarded] {
        if (!guarded)
            return;
        states().value(guarded)->sinceTold.start();
        QAccessibleValueChangeEvent change(guarded.data(), guarded->value());
        AccessibleEventFilter::pass(&change);
    });
    QObject::connect(bar, &QObject::destroyed, [bar] { delete states().take(bar); });
    return state;
}

bool throttled(QAccessibleEvent* event) {
    if (event->type() != QAccessible::ValueChanged)
        return false;
    auto* bar = qobject_cast<QScrollBar*>(event->object());
    if (!bar)
        return false;
    BarState* state = stateOf(bar);
    if (!state->sinceTold.isValid() || state->sinceTold.elapsed() >= IntervalMs) {
        state->timer.stop();
        state->sinceTold.start();
        return false;
    }
    if (!state->timer.isActive())
        state->timer.start(int(IntervalMs - state->sinceTold.elapsed()));
    return true;
}

} // namespace

void ScrollValueThrottle::install() {
    static const bool installed = [] {
        AccessibleEventFilter::add(throttled);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace app
