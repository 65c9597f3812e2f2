// SPDX-License-Identifier: MIT
#include "TMyApp.h"
#include "TMyDecoratedFrame.h"
#include "platform/HeapTrim.h"
#include "platform/LogFont.h"

namespace app {

TMyApp::TMyApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Vintrel"));
    setApplicationVersion(QStringLiteral(VINTREL_VERSION));
    platform::installFontSubstitutes();
    platform::trimHeapAfterModalDialogs(this);
}

TMyDecoratedFrame* TMyApp::InitMainWindow(const QString& dataDirectory) {
    auto* frame = new TMyDecoratedFrame(dataDirectory);
    // Closing destroys the frame, which writes the settings.
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->show();
    return frame;
}

} // namespace app
