// SPDX-License-Identifier: MIT
#pragma once
// The program's dialog base: builds the dialog from its template and, when it is first shown,
// places it centred over the window that opened it, 12 pixels lower, kept on the screen.
// A derived dialog fills its controls in SetupWindow(), after the placing.
// Results: 1 (IDOK) for OK, 2 (IDCANCEL) for Cancel, Escape and the close box.

#include <QDialog>
#include <QHash>

#include <initializer_list>

namespace dialogs {

class Base_Dialog : public QDialog {
    Q_OBJECT
public:
    Base_Dialog(QWidget* parent, int resourceId);

    QWidget* control(int id) const { return m_controls.value(id); }
    template <typename T> T* control(int id) const { return qobject_cast<T*>(control(id)); }

    // Where a dialog of size dialog goes over a parent with the outer rectangle parent on a
    // screen of size screen.
    static QPoint centredPosition(const QRect& parent, const QSize& dialog, const QSize& screen);

    void reject() override;

    // Fills the controls now, as the first showing would (once only); for a query that is
    // handed to the dialog instead of typed into it.
    void fillControls();

protected:
    void showEvent(QShowEvent* event) override;
    // Fills the controls; runs once, before the dialog is first shown.
    virtual void SetupWindow() {}

    // Tab moves through the controls in this order.
    void setControlTabOrder(std::initializer_list<int> ids);
    // Puts the controls in a box of their own named name, so a screen reader says the group's
    // name with each of them. Where they stand does not change; they move to the end of the tab
    // order, so the dialog sets its order afterwards (setControlTabOrder).
    void nameGroup(const QString& name, std::initializer_list<int> ids);

private:
    QHash<int, QWidget*> m_controls;
    bool m_placed = false;
    bool m_filled = false;
};

// The question a Delete button asks before it removes an entry.
QString deleteQuestion(const QString& entry);
// The program's question box: true when the user answers Yes.
bool askQuestion(QWidget* parent, const QString& question);

} // namespace dialogs
