// SPDX-License-Identifier: MIT
#pragma once
// The "DNS records" dialog: a name or an address, the record type (Common, a type picked from
// the list, or TYPE and a number typed), the server (the system resolver, the zone's own
// servers found from the root, or one typed, kept in a stored list like the WhoIs servers,
// "&Delete" removing a stored one) and whether DNSSEC is checked. Closing, by either button,
// stores the list, the type and the DNSSEC switch in the "DNS Records" section of the settings
// file and fills the request.

#include "Base_Dialog.h"
#include "net/dns/DnsRequest.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace dialogs {

class DnsRecords_Dialog : public Base_Dialog {
    Q_OBJECT
public:
    static inline const QString Section = QStringLiteral("DNS Records");
    // A DNS name holds up to 253 characters; a server with its port and TLS name a few more.
    static constexpr int FieldBytes = 255;

    DnsRecords_Dialog(QWidget* parent, int resourceId, QString settingsPath,
                      net::DnsRecordsRequest* result);

    void done(int result) override;

    QLineEdit* nameField() const { return m_name; }
    QComboBox* typeBox() const { return m_type; }
    QComboBox* serverBox() const { return m_server; }
    QCheckBox* dnssecBox() const { return m_dnssec; }

    // The question Delete asks; replaceable so tests can answer it.
    std::function<bool(const QString& question)> confirmDelete;

public slots:
    void Delete();

protected:
    void SetupWindow() override;

private:
    QString m_settingsPath;
    net::DnsRecordsRequest* m_result;
    QLineEdit* m_name;
    QComboBox* m_type;
    QComboBox* m_server;
    QCheckBox* m_dnssec;
    bool m_closed = false;
};

} // namespace dialogs
