// SPDX-License-Identifier: MIT
#pragma once
// The "WhoIs query" dialog: a query string and a server picked from, or typed into, the
// stored server list. "&Delete" removes the selected server after a question. Closing, by
// either button, always stores the list and fills the WhoisInfo.
// "Automatic server" lets the root registry choose the server instead (ticked when the stored
// list is empty, never stored); "Follow referrals" (on by default, kept in the WhoIs section)
// takes the query on to the servers answers refer to.

#include "Base_Dialog.h"
#include "app/RequestRecords.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace dialogs {

class Whois_Dialog : public Base_Dialog {
    Q_OBJECT
public:
    Whois_Dialog(QWidget* parent, int resourceId, QString settingsPath, WhoisInfo* result);

    void done(int result) override;

    QComboBox* serverBox() const { return m_server; }
    QLineEdit* queryField() const { return m_query; }
    QCheckBox* automaticBox() const { return m_automatic; }
    QCheckBox* followBox() const { return m_follow; }

    // The question Delete asks; replaceable so tests can answer it.
    std::function<bool(const QString& question)> confirmDelete;

public slots:
    void Delete();

protected:
    void SetupWindow() override;

private:
    QString m_settingsPath;
    WhoisInfo* m_result;
    QLineEdit* m_query;
    QComboBox* m_server;
    QCheckBox* m_automatic;
    QCheckBox* m_follow;
    bool m_closed = false;
};

} // namespace dialogs
