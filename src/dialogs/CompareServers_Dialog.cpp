// SPDX-License-Identifier: MIT
#include "CompareServers_Dialog.h"
#include "resources/DialogTemplates.h"

#include "platform/CheckList.h"

namespace dialogs {

CompareServers_Dialog::CompareServers_Dialog(QWidget* parent, const QStringList& offered,
                                             const QStringList& ticked)
    : Base_Dialog(parent, res::DLG_COMPARESERVERS),
      m_list(control<platform::CheckList>(res::IDC_COMPARE_LIST)) {
    for (const QString& server : offered)
        m_list->addEntry(server, ticked.contains(server, Qt::CaseInsensitive));
    m_list->setFocus();
}

QStringList CompareServers_Dialog::ticked() const {
    QStringList servers;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->isChecked(row))
            servers.append(m_list->text(row));
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
