// SPDX-License-Identifier: MIT
#include "DNS_Dialog.h"
#include "ByteLimit.h"
#include "resources/DialogTemplates.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace dialogs {

DNS_Dialog::DNS_Dialog(QWidget* parent, int resourceId, const net::DNStransfer& result)
    : Base_Dialog(parent, resourceId), m_result(result) {}

QLineEdit* DNS_Dialog::hostNameField() const {
    return control<QLineEdit>(res::IDC_DNS_HOSTNAME);
}
QComboBox* DNS_Dialog::aliasList() const {
    return control<QComboBox>(res::IDC_DNS_ALIASES);
}
QLineEdit* DNS_Dialog::addressField() const {
    return control<QLineEdit>(res::IDC_DNS_ADDRESS);
}
QListWidget* DNS_Dialog::addressList() const {
    return control<QListWidget>(res::IDC_DNS_ALLADDRESSES);
}

void DNS_Dialog::SetupWindow() {
    // The fields take the whole name, however long; they scroll to show it.
    hostNameField()->setText(m_result.HostName);
    hostNameField()->setCursorPosition(0);
    aliasList()->addItems(m_result.Aliases);
    aliasList()->setCurrentIndex(0);
    addressField()->setText(m_result.Address);
    addressList()->addItems(m_result.Addresses.isEmpty() ? QStringList{m_result.Address}
                                                         : m_result.Addresses);
    if (aliasList()->itemText(0) == QStringLiteral("None")) {
        aliasList()->setEnabled(false);
        // A disabled field is passed over by Tab; the dialog says it as it opens instead.
        setAccessibleDescription(QStringLiteral("Alias(es): None"));
    }
}

InputDialog::InputDialog(QWidget* parent, const QString& caption, const QString& prompt,
                         int maxLength)
    : Base_Dialog(parent, res::DLG_INPUT) {
    setWindowTitle(caption);
    control<QLabel>(res::IDC_INPUT_PROMPT)->setText(prompt);
    field()->setAccessibleName(prompt); // the prompt names the field, for screen readers
    limitUtf8Bytes(field(), maxLength);
    field()->setFocus();
}

QString InputDialog::text() const {
    return field()->text();
}

QLineEdit* InputDialog::field() const {
    return control<QLineEdit>(res::IDC_INPUT_TEXT);
}

} // namespace dialogs
