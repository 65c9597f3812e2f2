// SPDX-License-Identifier: MIT
#include "TStyleStatusBar.h"

#include "StatusFieldAccessible.h"

#include <QAccessible>
#include <QPainter>

namespace app {

MessageField::MessageField(QWidget* parent)
    : QFrame(parent), m_repaint([this] {
          update();
          m_announce.request();
      }),
      m_announce([this] { announce(); }, this, AnnounceMs) {
    setObjectName(QStringLiteral("messageField"));
    StatusFieldAccessible::installFactory();
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void MessageField::setText(const QString& text) {
    if (m_text == text)
        return;
    // Copied into the field's own buffer rather than shared, so that a sender that rewrites one
    // string for every received block goes on writing it in place.
    m_text.resize(0);
    m_text.append(text);
    m_repaint.request();
}

void MessageField::announce() {
    // Screen readers hear the status a few times a second, not every count in between.
    if (m_announced == m_text || !QAccessible::isActive()) {
        m_announced = m_text;
        return;
    }
    QAccessibleTextUpdateEvent changed(this, 0, m_announced, m_text);
    QAccessible::updateAccessibility(&changed);
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    m_announced = m_text;
}

QSize MessageField::sizeHint() const {
    const int margin = 2 * (frameWidth() + 2);
    return {100, fontMetrics().height() + margin};
}

void MessageField::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(3, 0, -3, 0);
    const QString shown = fontMetrics().elidedText(m_text, Qt::ElideRight, area.width());
    painter.drawText(area, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
}

TStyleStatusBar::TStyleStatusBar(QWidget* parent)
    : QStatusBar(parent), m_field(new MessageField(this)), m_announcer(new CallAnnouncer(this)) {
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    addWidget(m_field, 1);
    addWidget(m_announcer);
}

void TStyleStatusBar::announce(const QString& text) {
    m_announcer->announce(text);
}

} // namespace app
