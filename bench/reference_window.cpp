// SPDX-License-Identifier: MIT
// The reference for the start-up benchmark: a minimal Qt Widgets window with a menu bar and a
// line of text, built beside the benchmark so the comparison is fair to fonts and libraries.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Reference"));
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
    window.setCentralWidget(new QLabel(QStringLiteral("A line of text."), &window));
    window.resize(560, 360);
    window.show();
    return application.exec();
}
