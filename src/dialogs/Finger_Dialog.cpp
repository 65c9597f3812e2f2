// SPDX-License-Identifier: MIT
#include "Finger_Dialog.h"
#include "ByteLimit.h"
#include "StoredList.h"
#include "resources/DialogTemplates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace dialogs {

namespace {
const QString history = QStringLiteral("History");
const QString options = QStringLiteral("Options");
} // namespace

Finger_Dialog::Finger_Dialog(QWidget* parent, int resourceId, QString settingsPath,
                             bool keepHistory, AddrInfo* result)
    : Base_Dialog(parent, resourceId), m_settingsPath(std::move(settingsPath)),
      m_keepHistory(keepHistory), m_result(result),
      m_address(control<QComboBox>(res::IDC_FINGER_ADDRESS)),
      m_fullInfo(control<QCheckBox>(res::IDC_FINGER_FULLINFO)) {
    limitUtf8Bytes(m_address->lineEdit(), FieldBufferSize - 1);
    // The template's system-modal style: the dialog stays above other windows.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    // Tab goes as the eye reads: the field, the check box under it, then the buttons left to right.
    setControlTabOrder(
        {res::IDC_FINGER_ADDRESS, res::IDC_FINGER_FULLINFO, res::IDCANCEL, res::IDOK});
    m_address->setFocus();
}

void Finger_Dialog::SetupWindow() {
    const platform::ProfileFile file(m_settingsPath);
    m_fullInfo->setChecked(file.readInt(options, QStringLiteral("full_info"), 1) != 0);
    loadHistory(*m_address, file, history, QStringLiteral("Address"), m_keepHistory);
    m_address->setFocus();
}

void Finger_Dialog::done(int result) {
    if (!m_closed) {
        m_closed = true;
        const QString typed = fieldText(m_address->currentText());
        platform::ProfileFile file(m_settingsPath);
        if (m_keepHistory) {
            if (result == res::IDOK)
                noteUsedThisRun(entryText(typed));
            warnOfFullHistory(
                this, storeHistory(*m_address, file, history, QStringLiteral("Address"), typed));
        }
        file.writeInt(options, QStringLiteral("full_info"), m_fullInfo->isChecked() ? 1 : 0);
        saveSettingsAndWarn(this, file, m_settingsPath);
        if (m_result) {
            if (!typed.isEmpty())
                m_result->address = typed;
            m_result->fullInfo = m_fullInfo->isChecked() ? 1 : 0;
        }
    }
    Base_Dialog::done(result);
}

} // namespace dialogs
