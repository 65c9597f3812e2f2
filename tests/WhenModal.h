// SPDX-License-Identifier: MIT
#pragma once
// Drives a modal dialog from inside: runs action on the first modal dialog of type Dialog once
// it is open and has become the active window, so keys sent to it cannot reach the window
// behind it. It polls without blocking, so it also works when the dialog opens inside a
// nested event loop.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

template <typename Dialog> void whenModal(std::function<void(Dialog*)> action) {
    auto* poll = new QTimer(qApp);
    poll->setObjectName(QStringLiteral("whenModal"));
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isActiveWindow()) {
            poll->stop();
            poll->deleteLater();
            action(dialog);
        }
    });
    poll->start(5);
}

// Drops the actions whose dialog never came, so that none of them (and none of what it writes
// to) outlives the test that set it.
inline void forgetModalHandlers() {
    for (QTimer* poll :
         qApp->findChildren<QTimer*>(QStringLiteral("whenModal"), Qt::FindDirectChildrenOnly)) {
        poll->stop();
        poll->deleteLater();
    }
}

// The widget inside dialog that has the keyboard focus (the dialog itself when none has).
inline QWidget* focusIn(QWidget* dialog) {
    QWidget* focus = dialog->focusWidget();
    return focus ? focus : dialog;
}
