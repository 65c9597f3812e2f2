// SPDX-License-Identifier: MIT
#pragma once
// Message boxes as the program shows them: a caption, a text that is never read as markup,
// an icon and a set of buttons. Returns the button pressed.

#include <QMessageBox>

namespace platform {

QMessageBox::StandardButton messageBox(QWidget* owner, const QString& text, const QString& caption,
                                       QMessageBox::Icon icon,
                                       QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// The same box shown without waiting for it: it deletes itself when answered.
QMessageBox* openMessageBox(QWidget* owner, const QString& text, const QString& caption,
                            QMessageBox::Icon icon);

} // namespace platform
