// SPDX-License-Identifier: MIT
#include "T3DControlBar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QToolButton>

namespace app {

T3DControlBar::T3DControlBar(QWidget* parent) : QToolBar(parent) {
    setObjectName(QStringLiteral("toolBar"));
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setOrientation(Qt::Horizontal);
    QFont gadgetFont = font();
    gadgetFont.setPointSize(10);
    setFont(gadgetFont);
    setContentsMargins(2, 2, 2, 2);
    layout()->setSpacing(0);
}

void T3DControlBar::addGap(int pixels) {
    auto* gap = new QWidget(this);
    gap->setFixedWidth(pixels);
    addWidget(gap);
}

void T3DControlBar::addButton(QToolButton* button) {
    button->setFocusPolicy(Qt::TabFocus);
    button->installEventFilter(this);
    addWidget(button);
    m_buttons.append(button);
}

bool T3DControlBar::holdsFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && isAncestorOf(focus);
}

bool T3DControlBar::focusFirstButton() {
    const qsizetype first = enabledButton(0, 1);
    if (first < 0)
        return false;
    m_buttons[first]->setFocus(Qt::TabFocusReason);
    return true;
}

qsizetype T3DControlBar::enabledButton(qsizetype index, qsizetype step) const {
    for (; index >= 0 && index < m_buttons.size(); index += step)
        if (m_buttons[index]->isEnabled() && m_buttons[index]->isVisible())
            return index;
    return -1;
}

bool T3DControlBar::eventFilter(QObject* watched, QEvent* event) {
    const qsizetype at = m_buttons.indexOf(qobject_cast<QToolButton*>(watched));
    if (at < 0 || event->type() != QEvent::KeyPress)
        return QToolBar::eventFilter(watched, event);
    qsizetype target = -1;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left: target = enabledButton(at - 1, -1); break;
    case Qt::Key_Right: target = enabledButton(at + 1, 1); break;
    case Qt::Key_Home: target = enabledButton(0, 1); break;
    case Qt::Key_End: target = enabledButton(m_buttons.size() - 1, -1); break;
    case Qt::Key_Escape: emit keyboardLeft(); return true;
    default: return QToolBar::eventFilter(watched, event);
    }
    if (target >= 0)
        m_buttons[target]->setFocus(Qt::TabFocusReason);
    return true; // at either end the focus stays on the last button
}

void T3DControlBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    p.fillRect(rect(), palette().button());
    p.setPen(palette().light().color());
    p.drawLine(0, 0, w - 1, 0);
    p.drawLine(0, 1, 0, h - 1);
    p.setPen(palette().dark().color());
    p.drawLine(1, h - 1, w - 1, h - 1);
    p.drawLine(w - 1, 1, w - 1, h - 1);
}

} // namespace app
