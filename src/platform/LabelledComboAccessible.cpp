// SPDX-License-Identifier: MIT
#include "LabelledComboAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

#include <algorithm>

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

void LabelledComboAccessible::selection(int, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
}

QString LabelledComboAccessible::text(int startOffset, int endOffset) const {
    const QString shown = combo()->currentText();
    const int from = std::clamp(startOffset, 0, int(shown.size()));
    return shown.mid(from, std::max(0, endOffset - from));
}

int LabelledComboAccessible::characterCount() const {
    return int(combo()->currentText().size());
}

QRect LabelledComboAccessible::characterRect(int) const {
    return {};
}

QString LabelledComboAccessible::attributes(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

} // namespace platform
