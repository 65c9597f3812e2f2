// SPDX-License-Identifier: MIT
#include "CommandLine.h"
#include "QueryCommands.h"
#include "TMyApp.h"
#include "TMyDecoratedFrame.h"
#include "platform/ProgramDirectory.h"
#include "terminal/TerminalRun.h"

#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    // Help, version and answers on standard output come without the application object of a
    // window: they need no display.
    if (app::CommandLine::asksForText(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Vintrel"));
        QCoreApplication::setApplicationVersion(QStringLiteral(VINTREL_VERSION));
        // Qt's window options are taken and ignored here, as a window's run takes them.
        app::CommandLine command = app::CommandLine::parse(
            app::CommandLine::withoutWindowOptions(QCoreApplication::arguments()));
        // An argument that is not UTF-8 is sent as its bytes.
        if (command.query.text.contains(QChar::ReplacementCharacter))
            command.query.textBytes =
                app::CommandLine::argumentBytes(argc, argv, command.query.text);
        if (command.action == app::CommandLine::Action::Run && command.toStdout)
            return terminal::runInTerminal(command.query, command.json,
                                           platform::dataDirectory(platform::programDirectory()) +
                                               QStringLiteral("vintrel.ini"));
        const bool failed = command.action == app::CommandLine::Action::Error;
        std::fputs(qPrintable(command.output), failed ? stderr : stdout);
        return failed ? 2 : 0;
    }
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
