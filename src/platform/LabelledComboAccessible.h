// SPDX-License-Identifier: MIT
#pragma once
// What screen readers see of a dialog's combo box that a label names: the label's text as its
// name and the chosen entry as its value. (Qt names a combo box after its current text on
// Linux, so a list of servers would be announced as the server picked, not as what it is.)
// A combo box without an edit field shows its entry as a short text, which screen readers
// read as the box's value; one with an edit field has that field's text for it.

#include "ShownTextInterface.h"

#include <QAccessibleWidget>

class QComboBox;

namespace platform {

class LabelledComboAccessible : public QAccessibleWidget, public ShownTextInterface {
public:
    explicit LabelledComboAccessible(QComboBox* combo);

    // Makes Qt create one of these for every combo box that has a name of its own.
    static void installFactory();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;
    using ShownTextInterface::text;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // The entry shown, which cannot be selected or edited.
    QString shownText() const override;

private:
    QComboBox* combo() const;
};

} // namespace platform
