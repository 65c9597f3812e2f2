// SPDX-License-Identifier: MIT
#pragma once
// What screen readers see of the status bar's message field: a status line whose name is its
// text, readable through the text interface, so "Connection refused" can be spoken when it
// appears and read again on demand. The field announces each change (at most once a frame).

#include "platform/ShownTextInterface.h"

#include <QAccessibleWidget>

namespace app {

class MessageField;

class StatusFieldAccessible : public QAccessibleWidget, public platform::ShownTextInterface {
public:
    explicit StatusFieldAccessible(MessageField* field);

    // Makes Qt create one of these for every message field.
    static void installFactory();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;
    using platform::ShownTextInterface::text;

    // The status text, read-only, without a caret of its own; placed as the field draws it.
    QString shownText() const override { return shown(); }
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;

private:
    const QString& shown() const;
};

} // namespace app
