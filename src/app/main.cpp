#include "CommandLine.h"
#include "QueryCommands.h"
#include "TMyApp.h"
#include "TMyDecoratedFrame.h"
#include "platform/ProgramDirectory.h"

#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    app::CommandLine command;
    {
        // Parsed before any window exists, so --help and --version work without a display.
        QCoreApplication parsing(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
        command = app::CommandLine::parse(QCoreApplication::arguments());
    }
    switch (command.action) {
    case app::CommandLine::Action::Help:
    case app::CommandLine::Action::Version:
        std::fputs(qPrintable(command.output), stdout);
        return 0;
    case app::CommandLine::Action::Error: std::fputs(qPrintable(command.output), stderr); return 2;
    case app::CommandLine::Action::Run: break;
    }

    app::TMyApp application(argc, argv);
    app::TMyDecoratedFrame* frame =
        application.InitMainWindow(platform::dataDirectory(platform::programDirectory()));
    if (command.query.kind != app::StartQuery::Kind::None)
        QTimer::singleShot(0, frame,
                           [frame, query = command.query] { frame->queryCommands().start(query); });
    return application.exec();
}
