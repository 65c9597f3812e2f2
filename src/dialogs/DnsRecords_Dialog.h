// SPDX-License-Identifier: MIT
#pragma once
// The "DNS records" dialog: a name or an address (with a history, as the Finger dialog keeps
// its addresses), the record type (Common, a type picked from the list, or TYPE and a number
// typed), the server (the system resolver, the zone's own servers found from the root, every
// authoritative server compared, or one typed, kept in a stored list like the WhoIs servers,
// "&Delete" removing a stored one; "Co&mpare..." ticks several to ask side by side),
// whether DNSSEC is checked, and trust anchor files (DS or DNSKEY records, for a lab's or a
// private zone) added to the root's. "C&hain" closes the dialog as "&Look up" does, but asks
// for the name's chain of trust instead of its records. Closing, by any button, stores the
// lists, the type, the DNSSEC switch and the anchors in the settings file and fills the
// request.

#include "Base_Dialog.h"
#include "DnsRecordsSettings.h"
#include "net/dns/records/DnsRequest.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace dialogs {

class DnsRecords_Dialog : public Base_Dialog {
    Q_OBJECT
public:
    static inline const QString Section = dnsrecords::Section;
    static inline const QString NamesSection = dnsrecords::NamesSection;
    // A DNS name holds up to 253 characters; a server with its port and TLS name a few more.
    static constexpr int FieldBytes = 255;

    DnsRecords_Dialog(QWidget* parent, int resourceId, QString settingsPath,
                      net::DnsRecordsRequest* result, bool keepHistory = true);

    void done(int result) override;

    QComboBox* nameBox() const { return m_name; }
    QComboBox* typeBox() const { return m_type; }
    QComboBox* serverBox() const { return m_server; }
    QCheckBox* dnssecBox() const { return m_dnssec; }
    QLineEdit* anchorsField() const { return m_anchors; }

    // The question Delete asks; replaceable so tests can answer it.
    std::function<bool(const QString& question)> confirmDelete;
    // The file Browse adds to the anchors; replaceable so tests can pick one.
    std::function<QString()> chooseAnchorFile;

public slots:
    void Delete();
    void Browse();
    void Compare();

protected:
    void SetupWindow() override;

private:
    QString m_settingsPath;
    net::DnsRecordsRequest* m_result;
    bool m_keepHistory;
    QComboBox* m_name;
    QComboBox* m_type;
    QComboBox* m_server;
    QCheckBox* m_dnssec;
    bool m_chain = false; // Chain was pressed
    QLineEdit* m_anchors;
    bool m_closed = false;
};

} // namespace dialogs
