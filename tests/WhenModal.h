#pragma once
// Drives a modal dialog from inside: runs action on the first modal dialog of type Dialog once
// it is open. It polls without blocking, so it also works when the dialog opens inside a
// nested event loop.

#include <QApplication>
#include <QTimer>

#include <functional>

template <typename Dialog> void whenModal(std::function<void(Dialog*)> action) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            action(dialog);
        }
    });
    poll->start(5);
}
