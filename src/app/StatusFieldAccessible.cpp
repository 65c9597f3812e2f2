// SPDX-License-Identifier: MIT
#include "StatusFieldAccessible.h"
#include "TStyleStatusBar.h"

#include <algorithm>

namespace app {

namespace {

QAccessibleInterface* createFor(const QString&, QObject* object) {
    if (auto* field = qobject_cast<MessageField*>(object))
        return new StatusFieldAccessible(field);
    return nullptr;
}

} // namespace

StatusFieldAccessible::StatusFieldAccessible(MessageField* field)
    : QAccessibleWidget(field, QAccessible::StaticText) {}

void StatusFieldAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(createFor);
        return true;
    }();
    Q_UNUSED(installed);
}

const QString& StatusFieldAccessible::shown() const {
    return static_cast<const MessageField*>(object())->text();
}

void* StatusFieldAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString StatusFieldAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Name || kind == QAccessible::Value)
        return shown();
    if (kind == QAccessible::Description)
        return QStringLiteral("Status");
    return QAccessibleWidget::text(kind);
}

QRect StatusFieldAccessible::characterRect(int offset) const {
    const QWidget* field = widget();
    const QFontMetrics metrics = field->fontMetrics();
    const int x = metrics.horizontalAdvance(shown().left(offset));
    const QRect local(field->contentsRect().left() + 3 + x, field->contentsRect().top(),
                      metrics.horizontalAdvance(shown().mid(offset, 1)),
                      field->contentsRect().height());
    return QRect(field->mapToGlobal(local.topLeft()), local.size());
}

int StatusFieldAccessible::offsetAtPoint(const QPoint& point) const {
    const QWidget* field = widget();
    const int x = field->mapFromGlobal(point).x() - field->contentsRect().left() - 3;
    const QFontMetrics metrics = field->fontMetrics();
    for (int i = 0; i < characterCount(); ++i)
        if (metrics.horizontalAdvance(shown().left(i + 1)) > x)
            return i;
    return -1;
}

} // namespace app
