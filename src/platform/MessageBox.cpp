// SPDX-License-Identifier: MIT
#include "MessageBox.h"

namespace platform {

QMessageBox::StandardButton messageBox(QWidget* owner, const QString& text, const QString& caption,
                                       QMessageBox::Icon icon,
                                       QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(QStringLiteral("messageBox"));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox* openMessageBox(QWidget* owner, const QString& text, const QString& caption,
                            QMessageBox::Icon icon) {
    auto* box = new QMessageBox(icon, caption, text, QMessageBox::Ok, owner);
    box->setTextFormat(Qt::PlainText);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

} // namespace platform
