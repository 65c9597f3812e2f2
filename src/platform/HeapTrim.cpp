// SPDX-License-Identifier: MIT
#include "HeapTrim.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <malloc.h>

namespace platform {

namespace {

class HeapTrim : public QObject {
public:
    explicit HeapTrim(QObject* parent) : QObject(parent) {
        m_trim.setSingleShot(true);
        m_trim.setInterval(0);
        // After the dialog's owner has gone on and freed it: the next turn of the event loop.
        connect(&m_trim, &QTimer::timeout, this, [] { malloc_trim(0); });
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && watched->isWidgetType()) {
            const auto* widget = static_cast<const QWidget*>(watched);
            if (widget->isWindow() && widget->isModal())
                m_trim.start();
        }
        return false;
    }

private:
    QTimer m_trim;
};

} // namespace

void trimHeapAfterModalDialogs(QObject* parent) {
    new HeapTrim(parent);
}

} // namespace platform
