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
    m_address->setFocus();
}

int Finger_Dialog::insertSorted(QComboBox* box, const QString& entry, const QByteArray& bytes) {
    int position = box->count();
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).compare(entry, Qt::CaseInsensitive) > 0) {
            position = i;
            break;
        }
    }
    box->insertItem(position, entry, bytes);
    return position;
}

void Finger_Dialog::SetupWindow() {
    const platform::ProfileFile file(m_settingsPath);
    m_fullInfo->setChecked(file.readInt(options, QStringLiteral("full_info"), 1) != 0);
    for (const StoredEntry& entry : loadEntries(file, history, QStringLiteral("Address")))
        insertSorted(m_address, entry.text, entry.bytes);
    if (m_keepHistory) {
        const int index = file.readInt(history, QStringLiteral("index"), 0);
        m_address->setCurrentIndex(index >= 0 && index < m_address->count() ? index : -1);
    } else {
        m_address->setCurrentIndex(-1);
    }
    if (m_address->currentIndex() < 0)
        m_address->setEditText(QString());
    m_address->setFocus();
}

void Finger_Dialog::done(int result) {
    if (!m_closed) {
        m_closed = true;
        const QString typed = fieldText(m_address->currentText());
        platform::ProfileFile file(m_settingsPath);
        if (m_keepHistory) {
            const QString entry = entryText(typed);
            if (m_address->findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0 &&
                passesEntryCheck(typed))
                m_address->setCurrentIndex(insertSorted(m_address, entry));
            const int count = m_address->count();
            if (count > 0) {
                file.writeInt(history, QStringLiteral("count"), count);
                file.writeInt(history, QStringLiteral("index"), m_address->currentIndex());
                storeEntries(file, history, QStringLiteral("Address"), listedEntries(*m_address));
            }
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
