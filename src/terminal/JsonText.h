// SPDX-License-Identifier: MIT
#pragma once
// Long strings written straight into a JSON document, piece by piece, so a long answer costs
// the document and a small buffer rather than copies of itself. Each is a complete JSON
// string: quotes, backslashes, the controls and every character a terminal acts on or that
// hides text are \u escapes; the rest is UTF-8.

#include <QByteArray>
#include <QStringView>

namespace terminal {

// Appends text as a JSON string.
void appendJsonString(QByteArray& out, QStringView text);

// Appends bytes that are well-formed UTF-8 as the JSON string of their characters.
void appendUtf8AsJson(QByteArray& out, const QByteArray& utf8);

// Appends reply bytes as the JSON string of the text the window shows for them.
void appendWindowTextAsJson(QByteArray& out, const QByteArray& bytes);

// Appends bytes as a JSON string of their base64.
void appendBase64AsJson(QByteArray& out, const QByteArray& bytes);

} // namespace terminal
