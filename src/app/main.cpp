// SPDX-License-Identifier: MIT
#include "CommandLine.h"
#include "PngPicture.h"
#include "QueryCommands.h"
#include "TMyApp.h"
#include "TMyDecoratedFrame.h"
#include "platform/ProgramDirectory.h"
#include "terminal/TerminalMain.h"

#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    // Help, version, answers on standard output and pictures drawn into files come without the
    // application object of a window: they need no display.
    if (app::CommandLine::asksForText(argc, argv))
        return terminal::runCommandLine(argc, argv, false, app::pngPictureSupport());
    // The application object takes Qt's own options out of the arguments first.
    app::TMyApp application(argc, argv);
    const app::CommandLine command = app::CommandLine::parse(QCoreApplication::arguments());
    if (command.action == app::CommandLine::Action::Error) {
        std::fputs(qPrintable(command.output), stderr);
        return 2;
    }
    app::TMyDecoratedFrame* frame =
        application.InitMainWindow(platform::dataDirectory(platform::programDirectory()));
    if (command.query.kind != app::StartQuery::Kind::None)
        QTimer::singleShot(0, frame,
                           [frame, query = command.query] { frame->queryCommands().start(query); });
    return application.exec();
}
