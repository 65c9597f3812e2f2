// SPDX-License-Identifier: MIT
#pragma once
// The "Compare servers" dialog: the servers a DNS records query can ask side by side (the
// system resolver and the servers stored in the list), each with a check box, those of the
// current list ticked. OK gives the ticked servers as one list ("9.9.9.9, System resolver"),
// which the records dialog takes as its server.

#include "Base_Dialog.h"

#include <QStringList>

namespace platform {
class CheckList;
}

namespace dialogs {

class CompareServers_Dialog : public Base_Dialog {
    Q_OBJECT
public:
    // offered: the servers to choose from; ticked: those ticked at first.
    CompareServers_Dialog(QWidget* parent, const QStringList& offered, const QStringList& ticked);

    platform::CheckList* list() const { return m_list; }
    // The servers ticked, in the list's order.
    QStringList ticked() const;

private:
    platform::CheckList* m_list;
};

// The servers a server field names: one, or several separated by commas.
QStringList serversOf(const QString& field);

} // namespace dialogs
