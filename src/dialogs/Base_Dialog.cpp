// SPDX-License-Identifier: MIT
#include "Base_Dialog.h"
#include "platform/MessageBox.h"
#include "resources/DialogTemplates.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QScreen>

namespace dialogs {

namespace {

// A box that only holds a group of controls; a screen reader sees it as a named group (a
// panel), whose name it says on entering the group.
class ControlGroup : public QWidget {
public:
    using QWidget::QWidget;
};

QAccessibleInterface* groupAccessible(const QString&, QObject* object) {
    auto* group = dynamic_cast<ControlGroup*>(object);
    return group ? new QAccessibleWidget(group, QAccessible::Grouping) : nullptr;
}

} // namespace

Base_Dialog::Base_Dialog(QWidget* parent, int resourceId) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog%1").arg(resourceId));
    m_controls = platform::buildDialog(*this, res::dialogTemplate(resourceId));
    if (auto* ok = control<QAbstractButton>(res::IDOK))
        connect(ok, &QAbstractButton::clicked, this, [this] { done(res::IDOK); });
    if (auto* cancel = control<QAbstractButton>(res::IDCANCEL))
        connect(cancel, &QAbstractButton::clicked, this, [this] { done(res::IDCANCEL); });
}

void Base_Dialog::reject() {
    done(res::IDCANCEL);
}

QPoint Base_Dialog::centredPosition(const QRect& parent, const QSize& dialog, const QSize& screen) {
    const int w = dialog.width();
    const int h = dialog.height();
    // Integer division rounds toward zero, as the placing always has.
    int x = parent.left() + (parent.width() - w) / 2;
    int y = parent.top() + (parent.height() - h) / 2;
    if (x < 0)
        x = 0;
    if (x > screen.width() - w)
        x = screen.width() - w;
    if (y < 0)
        y = 0;
    if (y > screen.height() - h)
        y = screen.height() - h - 12;
    return {x, y + 12};
}

void Base_Dialog::fillControls() {
    if (m_filled)
        return;
    m_filled = true;
    SetupWindow();
}

void Base_Dialog::showEvent(QShowEvent* event) {
    if (!m_placed) {
        m_placed = true;
        if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
            const QScreen* screen = owner->screen();
            const QSize screenSize = screen ? screen->geometry().size() : QSize(1024, 768);
            move(centredPosition(owner->frameGeometry(), frameGeometry().size(), screenSize));
        }
    }
    fillControls();
    QDialog::showEvent(event);
}

void Base_Dialog::setControlTabOrder(std::initializer_list<int> ids) {
    QWidget* previous = nullptr;
    for (int id : ids) {
        QWidget* next = control(id);
        if (previous && next)
            QWidget::setTabOrder(previous, next);
        previous = next;
    }
}

void Base_Dialog::nameGroup(const QString& name, std::initializer_list<int> ids) {
    QRect around;
    for (int id : ids)
        if (QWidget* member = control(id))
            around = around.united(member->geometry());
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(groupAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    auto* box = new ControlGroup(this);
    box->setAccessibleName(name);
    box->setGeometry(around);
    for (int id : ids) {
        if (QWidget* member = control(id)) {
            const QPoint at = member->pos() - around.topLeft();
            member->setParent(box);
            member->move(at);
            member->show();
        }
    }
}

QString deleteQuestion(const QString& entry) {
    return QStringLiteral("Are you sure you want to delete\n %1 ?").arg(entry);
}

bool askQuestion(QWidget* parent, const QString& question) {
    return platform::messageBox(parent, question, QStringLiteral("Question box"),
                                QMessageBox::Question,
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace dialogs
