// SPDX-License-Identifier: MIT
#pragma once

#include <QToolBar>

namespace app {

// The tool bar along the top, drawn as a raised panel: button-face background, a highlight
// line along the top and left edges, a shadow line along the bottom and right edges.
class T3DControlBar : public QToolBar {
    Q_OBJECT
public:
    explicit T3DControlBar(QWidget* parent = nullptr);

    // A fixed gap between two buttons.
    void addGap(int pixels);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace app
