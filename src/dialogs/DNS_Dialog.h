// SPDX-License-Identifier: MIT
#pragma once
// The "DNS info" dialog: the official name, the aliases (first one shown; the list disabled
// when it holds only "None") and the first address of a host.

#include "Base_Dialog.h"
#include "net/dns/lookup/DnsLookup.h"

class QComboBox;
class QLineEdit;
class QListWidget;

namespace dialogs {

class DNS_Dialog : public Base_Dialog {
    Q_OBJECT
public:
    DNS_Dialog(QWidget* parent, int resourceId, const net::DNStransfer& result);

    QLineEdit* hostNameField() const;
    QComboBox* aliasList() const;
    QLineEdit* addressField() const;
    QListWidget* addressList() const; // every address, IPv4 and IPv6

protected:
    void SetupWindow() override;

private:
    net::DNStransfer m_result;
};

// A one-line input dialog: caption, prompt and a field of at most maxLength bytes of UTF-8.
class InputDialog : public Base_Dialog {
    Q_OBJECT
public:
    InputDialog(QWidget* parent, const QString& caption, const QString& prompt, int maxLength);

    QString text() const;
    QLineEdit* field() const;
};

} // namespace dialogs
