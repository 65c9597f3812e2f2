// SPDX-License-Identifier: MIT
#include "HelpWindow.h"
#include "CallAnnouncer.h"
#include "HelpBrowser.h"
#include "resources/HelpResource.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace app {

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_status(new QStatusBar(this)) {
    // The status bar shows the link the keyboard reached; a screen reader hears it from there.
    auto* announcer = new CallAnnouncer(m_status);
    m_status->addWidget(announcer);
    m_status->setSizeGripEnabled(false);
    auto* browser = new HelpBrowser(announcer, this);
    connect(browser, &HelpBrowser::linkReached, m_status,
            [this](const QString& text) { m_status->showMessage(text); });
    m_browser = browser;
    res::initHelpResource();
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Vintrel Help"));
    resize(560, 480);
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
    layout->addWidget(m_status);
    m_browser->setFocus();
}

QString HelpWindow::statusText() const {
    return m_status->currentMessage();
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
