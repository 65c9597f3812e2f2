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

} // namespace platform
