// SPDX-License-Identifier: MIT
#include "T3DControlBar.h"

#include <QLayout>
#include <QPainter>

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
