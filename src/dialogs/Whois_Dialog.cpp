// SPDX-License-Identifier: MIT
#include "Whois_Dialog.h"
#include "ByteLimit.h"
#include "StoredList.h"
#include "resources/DialogTemplates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace dialogs {

namespace {
const QString whois = QStringLiteral("WhoIs");
const QString serverKey = QStringLiteral("Server");
const QString followKey = QStringLiteral("follow_referrals");
} // namespace

Whois_Dialog::Whois_Dialog(QWidget* parent, int resourceId, QString settingsPath, WhoisInfo* result)
    : Base_Dialog(parent, resourceId), m_settingsPath(std::move(settingsPath)), m_result(result),
      m_query(control<QLineEdit>(res::IDC_WHOIS_QUERY)),
      m_server(control<QComboBox>(res::IDC_WHOIS_SERVER)),
      m_automatic(control<QCheckBox>(res::IDC_WHOIS_AUTOMATIC)),
      m_follow(control<QCheckBox>(res::IDC_WHOIS_FOLLOW)) {
    // A server typed is the server asked: typing one unticks the automatic choice.
    connect(m_server->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!text.isEmpty())
            m_automatic->setChecked(false);
    });
    // Picking a server from the list is as much a choice of server.
    connect(m_server, &QComboBox::activated, this, [this] { m_automatic->setChecked(false); });
    limitUtf8Bytes(m_query, FieldBufferSize - 1);
    limitUtf8Bytes(m_server->lineEdit(), FieldBufferSize - 1);
    confirmDelete = [this](const QString& question) { return askQuestion(this, question); };
    connect(control<QPushButton>(res::IDC_WHOIS_DELETE), &QPushButton::clicked, this,
            &Whois_Dialog::Delete);
    // Tab goes as the eye reads: the fields, the check boxes, then the buttons left to right.
    setControlTabOrder({res::IDC_WHOIS_QUERY, res::IDC_WHOIS_SERVER, res::IDC_WHOIS_AUTOMATIC,
                        res::IDC_WHOIS_FOLLOW, res::IDCANCEL, res::IDC_WHOIS_DELETE, res::IDOK});
    m_query->setFocus();
}

void Whois_Dialog::SetupWindow() {
    const platform::ProfileFile file(m_settingsPath);
    for (const StoredEntry& entry : loadEntries(file, whois, serverKey))
        m_server->addItem(entry.text, entry.bytes);
    const int index = file.readInt(whois, QStringLiteral("index"), 0);
    m_server->setCurrentIndex(index >= 0 && index < m_server->count() ? index : -1);
    if (m_server->currentIndex() < 0)
        m_server->setEditText(QString());
    m_automatic->setChecked(m_server->count() == 0);
    m_follow->setChecked(file.readInt(whois, followKey, 1) != 0);
    m_query->setFocus();
}

void Whois_Dialog::Delete() {
    if (m_server->count() == 0)
        return;
    int position = m_server->currentIndex();
    const QString entry = position >= 0 ? m_server->itemText(position) : QString();
    if (entry.isEmpty())
        return;
    if (!confirmDelete(deleteQuestion(entry)))
        return;
    m_server->removeItem(position);
    if (position == m_server->count())
        --position;
    m_server->setCurrentIndex(position);
    if (position < 0)
        m_server->setEditText(QString());
}

void Whois_Dialog::done(int result) {
    if (!m_closed) {
        m_closed = true;
        const QString typed = fieldText(m_server->currentText());
        const QString entry = entryText(typed);
        if (m_server->findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0 &&
            passesEntryCheck(typed)) {
            m_server->addItem(entry);
            m_server->setCurrentIndex(m_server->count() - 1);
        }
        platform::ProfileFile file(m_settingsPath);
        file.writeInt(whois, QStringLiteral("count"), m_server->count());
        file.writeInt(whois, QStringLiteral("index"), m_server->currentIndex());
        storeEntries(file, whois, serverKey, listedEntries(*m_server));
        file.writeInt(whois, followKey, m_follow->isChecked() ? 1 : 0);
        saveSettingsAndWarn(this, file, m_settingsPath);
        if (m_result) {
            if (!typed.isEmpty())
                m_result->server = typed;
            const QString query = fieldText(m_query->text());
            if (!query.isEmpty())
                m_result->query = query;
            m_result->automatic = m_automatic->isChecked();
            m_result->followReferrals = m_follow->isChecked();
        }
    }
    Base_Dialog::done(result);
}

} // namespace dialogs
