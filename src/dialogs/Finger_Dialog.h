// SPDX-License-Identifier: MIT
#pragma once
// The "Finger" dialog: an address with the finger history as its drop-down list (kept sorted
// without regard to case), and the " Full user info" switch. Closing, by either button,
// stores the history (when the frame keeps it) and the switch, and fills the AddrInfo.

#include "Base_Dialog.h"
#include "app/RequestRecords.h"

class QCheckBox;
class QComboBox;

namespace dialogs {

class Finger_Dialog : public Base_Dialog {
    Q_OBJECT
public:
    Finger_Dialog(QWidget* parent, int resourceId, QString settingsPath, bool keepHistory,
                  AddrInfo* result);

    void done(int result) override;

    QComboBox* addressBox() const { return m_address; }
    QCheckBox* fullInfoBox() const { return m_fullInfo; }

protected:
    void SetupWindow() override;

private:
    QString m_settingsPath;
    bool m_keepHistory;
    AddrInfo* m_result;
    QComboBox* m_address;
    QCheckBox* m_fullInfo;
    bool m_closed = false;
};

} // namespace dialogs
