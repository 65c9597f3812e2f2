// SPDX-License-Identifier: MIT
#pragma once
// What screen readers see of a menu item whose text carries its key the classic way
// ("&Finger query\t Alt-N"): the name without the key ("Finger query"), and the key as the
// item's key binding, as a desktop's own menus report them. Other items are Qt's own.

#include <QAccessibleInterface>
#include <QPointer>

class QAction;
class QMenu;

namespace app {

class MenuItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    MenuItemAccessible(QAction* action, QMenu* menu);

    // Makes Qt create one of these for every such item.
    static void installFactory();

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleActionInterface
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QPointer<QAction> m_action;
    QPointer<QMenu> m_menu;
};

} // namespace app
