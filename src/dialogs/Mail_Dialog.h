// SPDX-License-Identifier: MIT
#pragma once
// The "Mail" dialog: the domain whose mail is checked (from the same history of names as DNS
// records), the DKIM selectors whose keys are checked (separated by blanks or commas; none is
// needed), and the DNS server, offered as DNS records offers it and chosen as it was last
// chosen there. DNSSEC and the trust anchors are DNS records' own. Only the names' history is
// stored: the server list belongs to DNS records, and is read here, never written.

#include "Base_Dialog.h"
#include "net/dns/records/DnsRequest.h"

class QComboBox;
class QLineEdit;

namespace dialogs {

class Mail_Dialog : public Base_Dialog {
    Q_OBJECT
public:
    Mail_Dialog(QWidget* parent, QString settingsPath, net::DnsRecordsRequest* result,
                bool keepHistory = true);

    void done(int result) override;

    QComboBox* domainBox() const { return m_domain; }
    QLineEdit* selectorsField() const { return m_selectors; }
    QComboBox* serverBox() const { return m_server; }

protected:
    void SetupWindow() override;

private:
    QString m_settingsPath;
    net::DnsRecordsRequest* m_result;
    bool m_keepHistory;
    QComboBox* m_domain;
    QLineEdit* m_selectors;
    QComboBox* m_server;
    bool m_closed = false;
};

} // namespace dialogs
