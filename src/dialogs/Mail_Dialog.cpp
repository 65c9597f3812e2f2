// SPDX-License-Identifier: MIT
#include "Mail_Dialog.h"
#include "ByteLimit.h"
#include "DnsRecordsSettings.h"
#include "StoredList.h"
#include "resources/DialogTemplates.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>

namespace dialogs {

namespace {

constexpr int FieldBytes = 255;
constexpr int EntryBytes = FieldBytes + 5;
namespace stored = dnsrecords;

} // namespace

Mail_Dialog::Mail_Dialog(QWidget* parent, QString settingsPath, net::DnsRecordsRequest* result,
                         bool keepHistory)
    : Base_Dialog(parent, res::DLG_MAIL), m_settingsPath(std::move(settingsPath)), m_result(result),
      m_keepHistory(keepHistory), m_domain(control<QComboBox>(res::IDC_MAIL_DOMAIN)),
      m_selectors(control<QLineEdit>(res::IDC_MAIL_SELECTORS)),
      m_server(control<QComboBox>(res::IDC_MAIL_SERVER)) {
    limitUtf8Bytes(m_domain->lineEdit(), FieldBytes);
    limitUtf8Bytes(m_selectors, FieldBytes);
    limitUtf8Bytes(m_server->lineEdit(), FieldBytes);
    m_domain->setFocus();
}

void Mail_Dialog::SetupWindow() {
    const platform::ProfileFile file(m_settingsPath);
    loadHistory(*m_domain, file, stored::NamesSection, stored::NameKey, m_keepHistory, EntryBytes);
    m_server->addItems({net::DnsServer::SystemText, net::DnsServer::AuthoritativeText});
    for (const StoredEntry& entry :
         loadEntries(file, stored::Section, stored::ServerKey, EntryBytes))
        if (!entry.text.isEmpty())
            m_server->addItem(entry.text, entry.bytes);
    // A comparison chosen there asks no single server: the system resolver stands in.
    const int index = file.readInt(stored::Section, stored::IndexKey, 0);
    const bool every = file.readInt(stored::Section, stored::EveryKey, 0) != 0;
    m_server->setCurrentIndex(!every && index >= 0 && index < m_server->count() ? index : 0);
    m_domain->setFocus();
}

void Mail_Dialog::done(int result) {
    if (!m_closed) {
        m_closed = true;
        const QString domain = m_domain->currentText().trimmed();
        platform::ProfileFile file(m_settingsPath);
        if (m_keepHistory && result == res::IDOK) {
            warnOfFullHistory(
                this, storeHistory(*m_domain, file, stored::NamesSection, stored::NameKey, domain));
            saveSettingsAndWarn(this, file, m_settingsPath);
        }
        if (m_result) {
            m_result->name = domain.toUtf8();
            m_result->type = QStringLiteral("Common");
            m_result->server = m_server->currentText().trimmed();
            m_result->dnssec = file.readInt(stored::Section, stored::DnssecKey, 1) != 0;
            m_result->trustAnchors = stored::storedAnchorFiles(file);
            m_result->mail = result == res::IDOK;
            m_result->selectors = m_selectors->text().split(
                QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
        }
    }
    Base_Dialog::done(result);
}

} // namespace dialogs
