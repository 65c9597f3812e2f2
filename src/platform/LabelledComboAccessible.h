// SPDX-License-Identifier: MIT
#pragma once
// What screen readers see of a dialog's combo box that a label names: the label's text as its
// name and the chosen entry as its value. (Qt names a combo box after its current text on
// Linux, so a list of servers would be announced as the server picked, not as what it is.)

#include <QAccessibleWidget>

class QComboBox;

namespace platform {

class LabelledComboAccessible : public QAccessibleWidget {
public:
    explicit LabelledComboAccessible(QComboBox* combo);

    // Makes Qt create one of these for every combo box that has a name of its own.
    static void installFactory();

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QComboBox* combo() const;
};

} // namespace platform
