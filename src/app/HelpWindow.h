// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QStatusBar;
class QTextBrowser;

namespace app {

// The help window: the program's help document with Back, Forward and Index.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the topic with the given anchor ("index", "using-help", ...).
    void showTopic(const QString& anchor);
    QTextBrowser* browser() const { return m_browser; }
    // What the status bar at the foot shows: the link the keyboard reached.
    QString statusText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* m_browser;
    QStatusBar* m_status;
};

} // namespace app
