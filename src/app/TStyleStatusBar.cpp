#include "TStyleStatusBar.h"

namespace app {

TStyleStatusBar::TStyleStatusBar(QWidget* parent) : QStatusBar(parent), m_field(new QLabel(this)) {
    m_field->setObjectName(QStringLiteral("messageField"));
    m_field->setTextFormat(Qt::PlainText);
    m_field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // A fixed policy keeps a new text from laying the bar out again for every received block.
    m_field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_field->setMinimumHeight(m_field->sizeHint().height());
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    addWidget(m_field, 1);
}

void TStyleStatusBar::setText(const QString& text) {
    if (m_field->text() != text)
        m_field->setText(text);
}

} // namespace app
