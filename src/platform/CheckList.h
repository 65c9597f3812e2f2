// SPDX-License-Identifier: MIT
#pragma once
// A list of entries each with a check box, as a keyboard and a screen reader use one: Up and
// Down (Home, End) move along the boxes, Space ticks or unticks the one with the focus, and
// the list is one stop for Tab, entered at the box last used. Each entry is a real check box,
// so a screen reader says its state as it is reached and as Space changes it.

#include <QScrollArea>

class QCheckBox;
class QVBoxLayout;

namespace platform {

class CheckList : public QScrollArea {
    Q_OBJECT
public:
    explicit CheckList(QWidget* parent = nullptr);

    void addEntry(const QString& text, bool checked);
    int count() const;
    QString text(int row) const;
    bool isChecked(int row) const;
    int currentRow() const { return m_current; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeCurrent(int row);

    QList<QCheckBox*> m_boxes;
    QVBoxLayout* m_column;
    int m_current = -1;
};

} // namespace platform
