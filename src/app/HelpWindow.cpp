// SPDX-License-Identifier: MIT
#include "HelpWindow.h"
#include "resources/HelpResource.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace app {

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this)) {
    res::initHelpResource();
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Vintrel Help"));
    resize(560, 480);
    m_browser->setOpenExternalLinks(false);
    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
    auto* index = new QPushButton(QStringLiteral("&Index"), this);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(index, &QPushButton::clicked, this, [this] { showTopic(QStringLiteral("index")); });
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(index);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    // Escape closes the help, as it closes every dialog of the program.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::showTopic(const QString& anchor) {
    QUrl url(QStringLiteral("qrc:/help/vintrel.html"));
    url.setFragment(anchor);
    m_browser->setSource(url);
    show();
    raise();
    activateWindow();
}

} // namespace app
