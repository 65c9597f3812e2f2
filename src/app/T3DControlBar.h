// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QToolBar>

class QToolButton;

namespace app {

// The tool bar along the top, drawn as a raised panel: button-face background, a highlight
// line along the top and left edges, a shadow line along the bottom and right edges.
class T3DControlBar : public QToolBar {
    Q_OBJECT
public:
    explicit T3DControlBar(QWidget* parent = nullptr);

    // A fixed gap between two buttons.
    void addGap(int pixels);
    // A button that the keyboard reaches too, though a click leaves the focus where it was.
    void addButton(QToolButton* button);

    bool holdsFocus() const;
    // Gives the focus to the first button that can take it; false when none can.
    bool focusFirstButton();

signals:
    // Escape on a button: the keyboard goes back to where the user reads.
    void keyboardLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The next button from index on that can take the focus, stepping by step; -1 when none.
    qsizetype enabledButton(qsizetype index, qsizetype step) const;

    QList<QToolButton*> m_buttons;
};

} // namespace app
