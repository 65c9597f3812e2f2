// SPDX-License-Identifier: MIT
#include "MenuFocusFilter.h"
#include "AccessibleEventFilter.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>

namespace app {

namespace {

// How long an item's focus waits after its menu's title had the focus, so a screen reader says
// the menu's name before the item's.
constexpr int ItemAfterTitleMs = 150;

struct Deferred {
    QElapsedTimer sinceTitle;
    QPointer<QMenu> menu;
    int child = -1;
    QTimer* timer = nullptr;

    void fire() {
        // Only if the item still has the focus: a later key may have moved on.
        if (!menu || !menu->isVisible() || child < 0 || child >= menu->actions().size() ||
            menu->activeAction() != menu->actions().at(child))
            return;
        QAccessibleEvent focus(menu.data(), QAccessible::Focus);
        focus.setChild(child);
        AccessibleEventFilter::pass(&focus);
    }
};

Deferred& deferred() {
    static Deferred instance;
    if (!instance.timer) {
        instance.timer = new QTimer(qApp);
        instance.timer->setSingleShot(true);
        QObject::connect(instance.timer, &QTimer::timeout, [] { instance.fire(); });
    }
    return instance;
}

// Whether the menu bar of the window object is in is open (a menu shown, or its title lit).
bool menuBarOpen(QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    auto* bar = widget ? widget->window()->findChild<QMenuBar*>() : nullptr;
    return qobject_cast<QMenu*>(QApplication::activePopupWidget()) || (bar && bar->activeAction());
}

// True when the event is dropped or held back.
bool filtered(QAccessibleEvent* event) {
    // Opening and closing the menus makes Qt tell of the window being activated again, which
    // it never stopped being: a screen reader would speak the window between two menus.
    if (event->type() == QAccessible::StateChanged &&
        static_cast<QAccessibleStateChangeEvent*>(event)->changedStates().active &&
        menuBarOpen(event->object()))
        return true;
    if (event->type() != QAccessible::Focus)
        return false;
    QObject* object = event->object();
    auto* menu = qobject_cast<QMenu*>(object);
    const bool inMenus = menu || qobject_cast<QMenuBar*>(object) || qobject_cast<QAction*>(object);
    if (!inMenus && qobject_cast<QMenu*>(QApplication::activePopupWidget()))
        return true; // the window behind an open menu
    Deferred& later = deferred();
    if (qobject_cast<QMenuBar*>(object)) {
        later.sinceTitle.start();
        later.timer->stop();
    } else if (menu && later.sinceTitle.isValid() &&
               later.sinceTitle.elapsed() < ItemAfterTitleMs) {
        later.menu = menu;
        later.child = event->child();
        later.timer->start(int(ItemAfterTitleMs - later.sinceTitle.elapsed()));
        return true;
    } else if (menu) {
        later.timer->stop(); // a newer item has the focus
    }
    return false;
}

} // namespace

void MenuFocusFilter::install() {
    static const bool installed = [] {
        AccessibleEventFilter::add(filtered);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace app
