// SPDX-License-Identifier: MIT
#pragma once
// A query of the command line answered on standard output, with no window and no display: the
// same sessions the window drives, reporting to a TerminalView. The settings file is read for
// the defaults the dialogs would take from it (full user info, whether referrals are followed,
// the DNSSEC switch and stored trust anchors) and never written; the histories stay untouched.

#include "app/CommandLine.h"

#include <functional>

namespace terminal {

// Exit statuses, the same for every kind of query.
enum ExitStatus {
    Answered = 0,       // an answer came (an NXDOMAIN is one)
    NoAnswer = 1,       // none did: refused, timed out, host not found, DNSSEC bogus
    BadCommandLine = 2, // a malformed command line or an option value no query can use
    PartialAnswer = 3,  // some of a chain answered and a later hop failed, or data then a break
    ServersDiffer = 4,  // servers compared answered, and their answers differ
    OutputFailed = 5,   // standard output could not be written (a full disk, say)
    ChecksFailed = 6,   // a check (a domain's mail) ran to its end and found a fault
    OutputClosed = 141, // standard output's reader went away (| head): 128 + SIGPIPE, quietly
};

// Draws an SVG picture into a PNG file at path; why not, or empty when written. The program
// with a window gives one; the one without writes SVG only.
using PictureWriter = std::function<QString(const QByteArray& svg, const QString& path)>;

// Runs query to its end in the running QCoreApplication; json: one JSON document on standard
// output instead of the text.
int runInTerminal(const app::StartQuery& query, bool json, const QString& settingsPath,
                  const PictureWriter& pictures = {});

} // namespace terminal
