// SPDX-License-Identifier: MIT
#include "LabelledComboAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace platform {

namespace {

QAccessibleInterface* createFor(const QString&, QObject* object) {
    auto* combo = qobject_cast<QComboBox*>(object);
    if (combo && !combo->accessibleName().isEmpty())
        return new LabelledComboAccessible(combo);
    return nullptr;
}

} // namespace

LabelledComboAccessible::LabelledComboAccessible(QComboBox* combo)
    : QAccessibleWidget(combo, QAccessible::ComboBox) {}

void LabelledComboAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(createFor);
        return true;
    }();
    Q_UNUSED(installed);
}

QComboBox* LabelledComboAccessible::combo() const {
    return static_cast<QComboBox*>(widget());
}

void* LabelledComboAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface && !combo()->isEditable())
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString LabelledComboAccessible::text(QAccessible::Text kind) const {
    switch (kind) {
    case QAccessible::Name: return combo()->accessibleName();
    case QAccessible::Value: return combo()->currentText();
    default: return QAccessibleWidget::text(kind);
    }
}

QAccessible::State LabelledComboAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = combo()->isEditable();
    state.expandable = true;
    state.expanded = combo()->view() && combo()->view()->isVisible();
    state.collapsed = !state.expanded;
    return state;
}

QStringList LabelledComboAccessible::actionNames() const {
    return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
}

void LabelledComboAccessible::doAction(const QString& actionName) {
    if (actionName == showMenuAction())
        combo()->showPopup();
    else
        QAccessibleWidget::doAction(actionName);
}

QString LabelledComboAccessible::shownText() const {
    return combo()->currentText();
}

} // namespace platform
