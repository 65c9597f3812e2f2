// SPDX-License-Identifier: MIT
#pragma once
// A query of the command line answered on standard output, with no window and no display: the
// same sessions the window drives, reporting to a TerminalView. The settings file is read for
// the defaults the dialogs would take from it (full user info, whether referrals are followed,
// the DNSSEC switch and stored trust anchors) and never written; the histories stay untouched.

#include "app/CommandLine.h"

namespace terminal {

// Exit statuses: an answer came (an NXDOMAIN is an answer), or none did (refused, timed out,
// host not found, DNSSEC bogus). A malformed command line is the command line's, 2.
enum ExitStatus { Answered = 0, NoAnswer = 1 };

// Runs query to its end in the running QCoreApplication; json: one JSON document on standard
// output instead of the text.
int runInTerminal(const app::StartQuery& query, bool json, const QString& settingsPath);

} // namespace terminal
