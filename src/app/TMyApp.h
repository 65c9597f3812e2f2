// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>

namespace app {

class TMyDecoratedFrame;

// The application: makes the main window and runs the event loop until it is closed.
class TMyApp : public QApplication {
    Q_OBJECT
public:
    TMyApp(int& argc, char** argv);

    // Builds the main window in dataDirectory's settings and shows it.
    TMyDecoratedFrame* InitMainWindow(const QString& dataDirectory);
};

} // namespace app
