// SPDX-License-Identifier: MIT
#include "DnsRecords_Dialog.h"
#include "ByteLimit.h"
#include "CompareServers_Dialog.h"
#include "StoredList.h"
#include "resources/DialogTemplates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

namespace dialogs {

namespace {

const QString& serverKey = dnsrecords::ServerKey;
const QString& nameKey = dnsrecords::NameKey;
const QString& anchorsKey = dnsrecords::AnchorsKey;
using dnsrecords::anchorFiles;
// The servers every list offers first (the system resolver, the root, every authoritative
// server); they are not stored.
constexpr int FixedServers = 3;
constexpr int AuthoritativePosition = 1;
constexpr int EveryPosition = 2;
// Where "index" counts from: files written before the third fixed entry count two, and still do,
// with "every" set when every authoritative server was chosen.
constexpr int StoredFixedServers = 2;
const QString& everyKey = dnsrecords::EveryKey;
// What a stored name or server, and the anchor files, are read back with.
constexpr int EntryBytes = DnsRecords_Dialog::FieldBytes + 5;
constexpr int AnchorsBytes = dnsrecords::AnchorsBytes;

} // namespace

DnsRecords_Dialog::DnsRecords_Dialog(QWidget* parent, int resourceId, QString settingsPath,
                                     net::DnsRecordsRequest* result, bool keepHistory)
    : Base_Dialog(parent, resourceId), m_settingsPath(std::move(settingsPath)), m_result(result),
      m_keepHistory(keepHistory), m_name(control<QComboBox>(res::IDC_RECORDS_NAME)),
      m_type(control<QComboBox>(res::IDC_RECORDS_TYPE)),
      m_server(control<QComboBox>(res::IDC_RECORDS_SERVER)),
      m_dnssec(control<QCheckBox>(res::IDC_RECORDS_DNSSEC)),
      m_anchors(control<QLineEdit>(res::IDC_RECORDS_ANCHORS)) {
    limitUtf8Bytes(m_name->lineEdit(), FieldBytes);
    limitUtf8Bytes(m_type->lineEdit(), 16);
    limitUtf8Bytes(m_server->lineEdit(), FieldBytes);
    limitUtf8Bytes(m_anchors, AnchorsBytes - 1);
    confirmDelete = [this](const QString& question) { return askQuestion(this, question); };
    chooseAnchorFile = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Trust anchor file"));
    };
    connect(control<QPushButton>(res::IDC_RECORDS_DELETE), &QPushButton::clicked, this,
            &DnsRecords_Dialog::Delete);
    connect(control<QPushButton>(res::IDC_RECORDS_BROWSE), &QPushButton::clicked, this,
            &DnsRecords_Dialog::Browse);
    connect(control<QPushButton>(res::IDC_RECORDS_COMPARE), &QPushButton::clicked, this,
            &DnsRecords_Dialog::Compare);
    // Chain: the chain of trust of the name and type, instead of the records.
    connect(control<QPushButton>(res::IDC_RECORDS_CHAIN), &QPushButton::clicked, this, [this] {
        m_chain = true;
        done(res::IDOK);
    });
    m_name->setFocus();
}

void DnsRecords_Dialog::SetupWindow() {
    const platform::ProfileFile file(m_settingsPath);
    loadHistory(*m_name, file, NamesSection, nameKey, m_keepHistory, EntryBytes);
    m_type->addItems(net::offeredRecordTypes());
    m_type->setEditText(file.readString(Section, QStringLiteral("type"), QStringLiteral("Common"),
                                        EntryBufferSize));
    m_server->addItems(
        {net::DnsServer::SystemText, net::DnsServer::AuthoritativeText, net::DnsServer::EveryText});
    for (const StoredEntry& entry : loadEntries(file, Section, serverKey, EntryBytes))
        if (!entry.text.isEmpty())
            m_server->addItem(entry.text, entry.bytes);
    int index = file.readInt(Section, dnsrecords::IndexKey, 0);
    if (file.readInt(Section, everyKey, 0) != 0)
        index = EveryPosition;
    else if (index >= StoredFixedServers)
        index += FixedServers - StoredFixedServers;
    m_server->setCurrentIndex(index >= 0 && index < m_server->count() ? index : 0);
    m_dnssec->setChecked(file.readInt(Section, dnsrecords::DnssecKey, 1) != 0);
    // Earlier versions kept one file under "trust_anchor", read until the list is stored.
    const bool stored = file.readBytes(Section, anchorsKey, AnchorsBytes).has_value();
    m_anchors->setText(file.readString(Section, stored ? anchorsKey : dnsrecords::OldAnchorKey,
                                       QString(), AnchorsBytes));
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

void DnsRecords_Dialog::Browse() {
    const QString file = chooseAnchorFile ? chooseAnchorFile() : QString();
    if (file.isEmpty())
        return;
    QStringList files = anchorFiles(m_anchors->text());
    if (!files.contains(file))
        files.append(file);
    m_anchors->setText(files.join(QStringLiteral(";")));
}

void DnsRecords_Dialog::Compare() {
    QStringList offered{net::DnsServer::SystemText};
    for (int position = FixedServers; position < m_server->count(); ++position)
        if (serversOf(m_server->itemText(position)).size() == 1)
            offered.append(m_server->itemText(position));
    const QStringList current = serversOf(m_server->currentText());
    for (const QString& server : current) {
        const int position = m_server->findText(server, Qt::MatchFixedString);
        // The root and every authoritative server are not resolvers to line up.
        if (!offered.contains(server, Qt::CaseInsensitive) && position != AuthoritativePosition &&
            position != EveryPosition)
            offered.append(server);
    }
    CompareServers_Dialog dialog(this, offered, current);
    if (dialog.exec() != res::IDOK || dialog.ticked().isEmpty())
        return;
    m_server->setEditText(dialog.ticked().join(QStringLiteral(", ")));
    // The field that changed takes the focus, so a screen reader says what it now holds.
    m_server->setFocus(Qt::OtherFocusReason);
}

void DnsRecords_Dialog::done(int result) {
    if (!m_closed) {
        m_closed = true;
        const QString name = m_name->currentText().trimmed();
        const QString server = m_server->currentText().trimmed();
        const bool fixed = m_server->findText(server, Qt::MatchFixedString) >= 0 &&
                           m_server->findText(server, Qt::MatchFixedString) < FixedServers;
        if (!server.isEmpty() && !fixed &&
            m_server->findText(server, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
            m_server->addItem(server);
            m_server->setCurrentIndex(m_server->count() - 1);
        }
        platform::ProfileFile file(m_settingsPath);
        if (m_keepHistory)
            warnOfFullHistory(this, storeHistory(*m_name, file, NamesSection, nameKey, name));
        const QList<StoredEntry> entries = listedEntries(*m_server, FixedServers);
        file.writeInt(Section, QStringLiteral("count"), int(entries.size()));
        const int position = m_server->findText(server, Qt::MatchFixedString);
        file.writeInt(Section, dnsrecords::IndexKey,
                      position == EveryPosition  ? AuthoritativePosition
                      : position > EveryPosition ? position - (FixedServers - StoredFixedServers)
                                                 : position);
        file.writeInt(Section, everyKey, position == EveryPosition ? 1 : 0);
        storeEntries(file, Section, serverKey, entries);
        file.writeString(Section, QStringLiteral("type"), m_type->currentText().trimmed());
        file.writeInt(Section, dnsrecords::DnssecKey, m_dnssec->isChecked() ? 1 : 0);
        const QStringList anchors = anchorFiles(m_anchors->text());
        file.writeString(Section, anchorsKey, anchors.join(QStringLiteral(";")));
        saveSettingsAndWarn(this, file, m_settingsPath);
        if (m_result) {
            m_result->name = name.toUtf8();
            m_result->type = m_type->currentText().trimmed();
            m_result->server = server;
            m_result->dnssec = m_dnssec->isChecked();
            m_result->trustAnchors = anchors;
            m_result->chain = m_chain && result == res::IDOK;
        }
    }
    Base_Dialog::done(result);
}

} // namespace dialogs
