// SPDX-License-Identifier: MIT
#include "MenuItemAccessible.h"

#include <QAction>
#include <QHash>
#include <QMenu>
#include <QMenuBar>

namespace app {

namespace {

QMenu* menuOf(QAction* action) {
    for (QObject* owner : action->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(owner))
            return menu;
    return nullptr;
}

bool ofMenuBar(const QMenu* menu) {
    return menu && qobject_cast<QMenuBar*>(menu->parentWidget());
}

QAccessibleInterface* createFor(const QString&, QObject* object) {
    if (auto* menu = qobject_cast<QMenu*>(object))
        return ofMenuBar(menu) ? new MenuAccessible(menu) : nullptr;
    auto* action = qobject_cast<QAction*>(object);
    if (!action || action->menu())
        return nullptr; // a menu's title in the bar: Qt's item, with the menu as its child
    QMenu* menu = menuOf(action);
    if (!menu || (!ofMenuBar(menu) && !action->text().contains(QLatin1Char('\t'))))
        return nullptr;
    return new MenuItemAccessible(action, menu);
}

// "Alt-N" as the desktop writes a key: "Alt+N".
QString keyOf(const QString& text) {
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    return tab < 0 ? QString()
                   : text.mid(tab + 1).trimmed().replace(QLatin1Char('-'), QLatin1Char('+'));
}

// "Alt+N", "Ctrl+Ins" as a desktop's key binding names them: "<Alt>n", "<Control>Insert".
QString bindingOf(const QString& key) {
    static const QHash<QString, QString> names{
        {QStringLiteral("Ctrl"), QStringLiteral("<Control>")},
        {QStringLiteral("Shift"), QStringLiteral("<Shift>")},
        {QStringLiteral("Alt"), QStringLiteral("<Alt>")},
        {QStringLiteral("Ins"), QStringLiteral("Insert")},
        {QStringLiteral("Del"), QStringLiteral("Delete")}};
    QString binding;
    for (const QString& part : key.split(QLatin1Char('+'), Qt::SkipEmptyParts))
        binding += names.value(part, part.size() == 1 ? part.toLower() : part);
    return binding;
}

// The letter after the "&" of a text, lower case; empty when it has none.
QString mnemonicOf(const QString& text) {
    for (qsizetype at = text.indexOf(QLatin1Char('&')); at >= 0 && at + 1 < text.size();
         at = text.indexOf(QLatin1Char('&'), at + 2))
        if (text[at + 1] != QLatin1Char('&'))
            return text.mid(at + 1, 1).toLower();
    return {};
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

QAccessible::Role MenuItemAccessible::role() const {
    return m_action && m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
}

// Disabled items keep their action, so their keys are still told.
QStringList MenuItemAccessible::actionNames() const {
    return m_action && !m_action->isSeparator() ? QStringList{pressAction()} : QStringList();
}

void MenuItemAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction() && m_action && m_action->isEnabled())
        m_action->trigger();
}

QStringList MenuItemAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName != pressAction() || !m_action || !m_menu)
        return {};
    const QString text = m_action->text();
    const QString mnemonic = mnemonicOf(text.left(text.indexOf(QLatin1Char('\t'))));
    const QString menuKey = mnemonicOf(m_menu->title());
    const QString path = mnemonic.isEmpty() || menuKey.isEmpty()
                             ? QString()
                             : QStringLiteral("<Alt>") + menuKey + QLatin1Char(':') + mnemonic;
    const QString accelerator = bindingOf(keyOf(text));
    if (mnemonic.isEmpty() && accelerator.isEmpty())
        return {};
    return {mnemonic + QLatin1Char(';') + path + QLatin1Char(';') + accelerator};
}

MenuAccessible::MenuAccessible(QMenu* menu) : QAccessibleWidget(menu, QAccessible::PopupMenu) {}

QMenu* MenuAccessible::menu() const {
    return static_cast<QMenu*>(widget());
}

QString MenuAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Name)
        return menu()->title().remove(QLatin1Char('&'));
    return QAccessibleWidget::text(kind);
}

int MenuAccessible::childCount() const {
    return int(menu()->actions().size());
}

QAccessibleInterface* MenuAccessible::child(int index) const {
    const QList<QAction*> actions = menu()->actions();
    return index >= 0 && index < actions.size()
               ? QAccessible::queryAccessibleInterface(actions[index])
               : nullptr;
}

int MenuAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return child ? int(menu()->actions().indexOf(qobject_cast<QAction*>(child->object()))) : -1;
}

QAccessibleInterface* MenuAccessible::childAt(int x, int y) const {
    QAction* action = menu()->actionAt(menu()->mapFromGlobal(QPoint(x, y)));
    return action ? QAccessible::queryAccessibleInterface(action) : nullptr;
}

QAccessibleInterface* MenuAccessible::focusChild() const {
    QAction* active = menu()->activeAction();
    return active ? QAccessible::queryAccessibleInterface(active) : nullptr;
}

} // namespace app
