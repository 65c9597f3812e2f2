// SPDX-License-Identifier: MIT
#include "CheckList.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace platform {

CheckList::CheckList(QWidget* parent) : QScrollArea(parent) {
    auto* inside = new QWidget(this);
    m_column = new QVBoxLayout(inside);
    m_column->setContentsMargins(2, 2, 2, 2);
    m_column->setSpacing(0);
    m_column->addStretch();
    setWidget(inside);
    setWidgetResizable(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setBackgroundRole(QPalette::Base);
    inside->setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::NoFocus);
}

void CheckList::addEntry(const QString& text, bool checked) {
    auto* box = new QCheckBox(text, widget());
    box->setChecked(checked);
    box->installEventFilter(this);
    m_column->insertWidget(m_column->count() - 1, box);
    m_boxes.append(box);
    if (m_current < 0)
        makeCurrent(0);
    else
        box->setFocusPolicy(Qt::ClickFocus);
}

int CheckList::count() const {
    return int(m_boxes.size());
}

QString CheckList::text(int row) const {
    return m_boxes.value(row) ? m_boxes[row]->text() : QString();
}

bool CheckList::isChecked(int row) const {
    return m_boxes.value(row) && m_boxes[row]->isChecked();
}

// Only the current box is a Tab stop; the label's mnemonic and Tab come back to it.
void CheckList::makeCurrent(int row) {
    if (row < 0 || row >= count())
        return;
    if (m_current >= 0 && m_current < count())
        m_boxes[m_current]->setFocusPolicy(Qt::ClickFocus);
    m_current = row;
    m_boxes[row]->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_boxes[row]);
}

bool CheckList::eventFilter(QObject* watched, QEvent* event) {
    const int row = int(m_boxes.indexOf(qobject_cast<QCheckBox*>(watched)));
    if (row < 0)
        return QScrollArea::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        makeCurrent(row);
        ensureWidgetVisible(m_boxes[row]);
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        int to = -1;
        switch (key->key()) {
        case Qt::Key_Up: to = row - 1; break;
        case Qt::Key_Down: to = row + 1; break;
        case Qt::Key_Home: to = 0; break;
        case Qt::Key_End: to = count() - 1; break;
        default: return QScrollArea::eventFilter(watched, event);
        }
        if (key->modifiers() & ~Qt::KeypadModifier)
            return QScrollArea::eventFilter(watched, event);
        if (to >= 0 && to < count())
            m_boxes[to]->setFocus(Qt::OtherFocusReason);
        return true; // at either end the focus stays where it is
    }
    return QScrollArea::eventFilter(watched, event);
}

} // namespace platform
