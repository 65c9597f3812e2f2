// SPDX-License-Identifier: MIT
#include "DnsRecords_Dialog.h"
#include "ByteLimit.h"
#include "StoredList.h"
#include "resources/DialogTemplates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace dialogs {

namespace {

const QString serverKey = QStringLiteral("Server");
// The two servers every list offers first; they are not stored.
constexpr int FixedServers = 2;

} // namespace

DnsRecords_Dialog::DnsRecords_Dialog(QWidget* parent, int resourceId, QString settingsPath,
                                     net::DnsRecordsRequest* result)
    : Base_Dialog(parent, resourceId), m_settingsPath(std::move(settingsPath)), m_result(result),
      m_name(control<QLineEdit>(res::IDC_RECORDS_NAME)),
      m_type(control<QComboBox>(res::IDC_RECORDS_TYPE)),
      m_server(control<QComboBox>(res::IDC_RECORDS_SERVER)),
      m_dnssec(control<QCheckBox>(res::IDC_RECORDS_DNSSEC)) {
    limitUtf8Bytes(m_name, FieldBytes);
    limitUtf8Bytes(m_type->lineEdit(), 16);
    limitUtf8Bytes(m_server->lineEdit(), FieldBytes);
    confirmDelete = [this](const QString& question) { return askQuestion(this, question); };
    connect(control<QPushButton>(res::IDC_RECORDS_DELETE), &QPushButton::clicked, this,
            &DnsRecords_Dialog::Delete);
    m_name->setFocus();
}

void DnsRecords_Dialog::SetupWindow() {
    const platform::ProfileFile file(m_settingsPath);
    m_type->addItems(net::offeredRecordTypes());
    m_type->setEditText(file.readString(Section, QStringLiteral("type"), QStringLiteral("Common"),
                                        EntryBufferSize));
    m_server->addItems({net::DnsServer::SystemText, net::DnsServer::AuthoritativeText});
    for (const StoredEntry& entry : loadEntries(file, Section, serverKey))
        if (!entry.text.isEmpty())
            m_server->addItem(entry.text, entry.bytes);
    const int index = file.readInt(Section, QStringLiteral("index"), 0);
    m_server->setCurrentIndex(index >= 0 && index < m_server->count() ? index : 0);
    m_dnssec->setChecked(file.readInt(Section, QStringLiteral("dnssec"), 1) != 0);
    m_name->setFocus();
}

void DnsRecords_Dialog::Delete() {
    const int position = m_server->currentIndex();
    if (position < FixedServers)
        return; // the system resolver and the root are always offered
    const QString entry = m_server->itemText(position);
    if (!confirmDelete(deleteQuestion(entry)))
        return;
    m_server->removeItem(position);
    m_server->setCurrentIndex(std::min(position, m_server->count() - 1));
}

void DnsRecords_Dialog::done(int result) {
    if (!m_closed) {
        m_closed = true;
        const QString server = m_server->currentText().trimmed();
        const bool fixed = m_server->findText(server, Qt::MatchFixedString) >= 0 &&
                           m_server->findText(server, Qt::MatchFixedString) < FixedServers;
        if (!server.isEmpty() && !fixed &&
            m_server->findText(server, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
            m_server->addItem(server);
            m_server->setCurrentIndex(m_server->count() - 1);
        }
        platform::ProfileFile file(m_settingsPath);
        const QList<StoredEntry> entries = listedEntries(*m_server, FixedServers);
        file.writeInt(Section, QStringLiteral("count"), int(entries.size()));
        file.writeInt(Section, QStringLiteral("index"),
                      m_server->findText(server, Qt::MatchFixedString));
        storeEntries(file, Section, serverKey, entries);
        file.writeString(Section, QStringLiteral("type"), m_type->currentText().trimmed());
        file.writeInt(Section, QStringLiteral("dnssec"), m_dnssec->isChecked() ? 1 : 0);
        saveSettingsAndWarn(this, file, m_settingsPath);
        if (m_result) {
            m_result->name = m_name->text().trimmed().toUtf8();
            m_result->type = m_type->currentText().trimmed();
            m_result->server = server;
            m_result->dnssec = m_dnssec->isChecked();
            const QString anchor =
                file.readString(Section, QStringLiteral("trust_anchor"), {}, 4 * FieldBytes);
            if (!anchor.isEmpty())
                m_result->trustAnchors.append(anchor);
        }
    }
    Base_Dialog::done(result);
}

} // namespace dialogs
