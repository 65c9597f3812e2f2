// SPDX-License-Identifier: MIT
#include "MenuItemAccessible.h"

#include <QAction>
#include <QMenu>

namespace app {

namespace {

QAccessibleInterface* createFor(const QString&, QObject* object) {
    auto* action = qobject_cast<QAction*>(object);
    if (!action || !action->text().contains(QLatin1Char('\t')))
        return nullptr;
    for (QObject* owner : action->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(owner))
            return new MenuItemAccessible(action, menu);
    return nullptr;
}

// "Alt-N" as the desktop writes a key: "Alt+N".
QString keyOf(const QString& text) {
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    return tab < 0 ? QString()
                   : text.mid(tab + 1).trimmed().replace(QLatin1Char('-'), QLatin1Char('+'));
}

} // namespace

MenuItemAccessible::MenuItemAccessible(QAction* action, QMenu* menu)
    : m_action(action), m_menu(menu) {}

void MenuItemAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(createFor);
        return true;
    }();
    Q_UNUSED(installed);
}

bool MenuItemAccessible::isValid() const {
    return m_action && m_menu;
}

QObject* MenuItemAccessible::object() const {
    return m_action;
}

QWindow* MenuItemAccessible::window() const {
    return m_menu ? m_menu->windowHandle() : nullptr;
}

QAccessibleInterface* MenuItemAccessible::parent() const {
    return QAccessible::queryAccessibleInterface(m_menu);
}

QString MenuItemAccessible::text(QAccessible::Text kind) const {
    if (!m_action)
        return {};
    const QString whole = m_action->text();
    switch (kind) {
    case QAccessible::Name: {
        QString name = whole.left(whole.indexOf(QLatin1Char('\t')));
        return name.remove(QLatin1Char('&')).trimmed();
    }
    case QAccessible::Accelerator: return keyOf(whole);
    case QAccessible::Help:
    case QAccessible::Description: return m_action->statusTip();
    default: return {};
    }
}

QRect MenuItemAccessible::rect() const {
    if (!isValid())
        return {};
    const QRect local = m_menu->actionGeometry(m_action);
    return QRect(m_menu->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State MenuItemAccessible::state() const {
    QAccessible::State state;
    if (!isValid())
        return state;
    state.disabled = !m_action->isEnabled();
    state.focusable = m_action->isEnabled();
    state.invisible = !m_menu->isVisible();
    state.focused = state.selected = m_menu->activeAction() == m_action;
    state.checkable = m_action->isCheckable();
    state.checked = m_action->isChecked();
    return state;
}

void* MenuItemAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                : nullptr;
}

QStringList MenuItemAccessible::actionNames() const {
    return m_action && m_action->isEnabled() ? QStringList{pressAction()} : QStringList();
}

void MenuItemAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction() && m_action && m_action->isEnabled())
        m_action->trigger();
}

QStringList MenuItemAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName != pressAction() || !m_action)
        return {};
    const QString key = keyOf(m_action->text());
    return key.isEmpty() ? QStringList() : QStringList{key};
}

} // namespace app
