// SPDX-License-Identifier: MIT
#pragma once
// What screen readers see of the menu bar's menus and their items, as a desktop's own menus
// show them: a menu named after its title with the role of a menu (so a screen reader says
// "Edit menu" on moving to it), and an item whose text carries its key the classic way
// ("&Finger query\t Alt-N") named without it ("Finger query"), with its keys as the desktop
// reports them: "mnemonic;path;accelerator" ("f;<Alt>m:f;<Alt>n"), disabled items included.
// Items of other menus are Qt's own unless their text carries a key.

#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QPointer>

class QAction;
class QMenu;

namespace app {

class MenuItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    MenuItemAccessible(QAction* action, QMenu* menu);

    // Makes Qt create one of these for every such item, and a MenuAccessible for every menu of
    // a menu bar.
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
    QAccessible::Role role() const override;
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

class MenuAccessible : public QAccessibleWidget {
public:
    explicit MenuAccessible(QMenu* menu);

    QString text(QAccessible::Text kind) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    QMenu* menu() const;
};

} // namespace app
