// SPDX-License-Identifier: MIT
#pragma once
// The command line of a run without a window: help, the version, or a query answered on
// standard output. The window's program comes here for those; vintrel-query always does.

namespace terminal {

// Runs argv to its end and gives the exit status; alwaysText: a query is answered on
// standard output even without --stdout (the program has no window to give it to).
int runCommandLine(int argc, char** argv, bool alwaysText);

} // namespace terminal
