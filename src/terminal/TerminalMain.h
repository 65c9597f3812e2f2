// SPDX-License-Identifier: MIT
#pragma once
// The command line of a run without a window: help, the version, or a query answered on
// standard output. The window's program comes here for those; vintrel-query always does.

#include "TerminalRun.h"

#include <QCoreApplication>

#include <functional>
#include <memory>

namespace terminal {

// What a program with a window lends a run without one to draw PNG pictures: an application
// object with fonts (made only when a PNG is asked for), and the drawing.
struct PictureSupport {
    std::function<std::unique_ptr<QCoreApplication>(int& argc, char** argv)> application;
    PictureWriter png;
};

// Runs argv to its end and gives the exit status; alwaysText: a query is answered on
// standard output even without --stdout (the program has no window to give it to).
int runCommandLine(int argc, char** argv, bool alwaysText, const PictureSupport& pictures = {});

} // namespace terminal
