// SPDX-License-Identifier: MIT
#include "TerminalMain.h"
#include "TerminalRun.h"
#include "app/CommandLine.h"
#include "platform/ProgramDirectory.h"

#include <QCoreApplication>

#include <cstdio>

namespace terminal {

namespace {

// Whether the arguments ask for a PNG picture.
bool asksForPng(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        QByteArrayView argument(argv[i]);
        if (argument == "--picture" && i + 1 < argc)
            argument = QByteArrayView(argv[i + 1]);
        else if (argument.startsWith("--picture="))
            argument = argument.sliced(10);
        else
            continue;
        if (argument.size() >= 4 &&
            argument.last(4).toByteArray().toLower() == QByteArrayLiteral(".png"))
            return true;
    }
    return false;
}

} // namespace

int runCommandLine(int argc, char** argv, bool alwaysText, const PictureSupport& pictures) {
    const std::unique_ptr<QCoreApplication> application =
        pictures.application && asksForPng(argc, argv)
            ? pictures.application(argc, argv)
            : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vintrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VINTREL_VERSION));
    // Qt's window options are taken and ignored here, as a window's run takes them.
    app::CommandLine command = app::CommandLine::parse(
        app::CommandLine::withoutWindowOptions(QCoreApplication::arguments()));
    // An argument that is not UTF-8 is sent as its bytes.
    if (command.query.text.contains(QChar::ReplacementCharacter))
        command.query.textBytes = app::CommandLine::argumentBytes(argc, argv, command.query.text);
    if (command.action == app::CommandLine::Action::Run && alwaysText &&
        command.query.kind == app::StartQuery::Kind::None) {
        std::fputs("vintrel-query: a query is needed.\nTry 'vintrel-query --help' for more "
                   "information.\n",
                   stderr);
        return BadCommandLine;
    }
    if (command.action == app::CommandLine::Action::Run && (command.toStdout || alwaysText))
        return runInTerminal(command.query, command.json,
                             platform::dataDirectory(platform::programDirectory()) +
                                 QStringLiteral("vintrel.ini"),
                             pictures.png);
    const bool failed = command.action == app::CommandLine::Action::Error;
    std::fputs(qPrintable(command.output), failed ? stderr : stdout);
    return failed ? BadCommandLine : Answered;
}

} // namespace terminal
