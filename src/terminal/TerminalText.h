// SPDX-License-Identifier: MIT
#pragma once
// Text for a terminal, in a form it cannot act on: every character the window draws as a box
// with its code (the controls, DEL, the C1 controls, the invisible format characters) is
// written as that code in angle brackets, "<1B>", "<202E>", "<E0001>", so no escape sequence a
// server sends can move the cursor, set the title or write a file. Line ends and tabs stay.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace terminal {

// Whether a line feed stays a line end, or is shown as its code (in a line of its own making,
// such as a stage line that echoes what was typed).
enum class LineEnds { Kept, Coded };

// The text as UTF-8 for a terminal.
QByteArray terminalText(QStringView text, LineEnds lineEnds = LineEnds::Kept);

// JSON text as QJsonDocument writes it (no raw control character, every escape whole), with
// every such character inside a string written as a \uXXXX escape (the same value to a JSON
// reader); what lies outside strings is left as it is.
QString safeJsonText(QStringView json);

} // namespace terminal
