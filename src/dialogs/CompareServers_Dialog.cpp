// SPDX-License-Identifier: MIT
#include "CompareServers_Dialog.h"
#include "resources/DialogTemplates.h"

#include <QListWidget>

namespace dialogs {

CompareServers_Dialog::CompareServers_Dialog(QWidget* parent, const QStringList& offered,
                                             const QStringList& ticked)
    : Base_Dialog(parent, res::DLG_COMPARESERVERS),
      m_list(control<QListWidget>(res::IDC_COMPARE_LIST)) {
    for (const QString& server : offered) {
        auto* item = new QListWidgetItem(server, m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ticked.contains(server, Qt::CaseInsensitive) ? Qt::Checked
                                                                         : Qt::Unchecked);
    }
    m_list->setCurrentRow(0);
    m_list->setFocus();
}

QStringList CompareServers_Dialog::ticked() const {
    QStringList servers;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->checkState() == Qt::Checked)
            servers.append(m_list->item(row)->text());
    return servers;
}

QStringList serversOf(const QString& field) {
    QStringList servers;
    for (const QString& part : field.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty())
            servers.append(part.trimmed());
    return servers;
}

} // namespace dialogs
