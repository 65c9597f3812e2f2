// SPDX-License-Identifier: MIT
#pragma once
// Where the caret goes in the text for a key: by character (a surrogate pair is one), and by
// word as on the Linux desktop, where screen readers expect it: Ctrl+Right to the end of this
// or the next word, Ctrl+Left to the start of this or the previous one.

#include <QChar>
#include <QtGlobal>

namespace view {

class TextBuffer;

bool isWordCharacter(QChar c);
qsizetype previousCharacter(const TextBuffer& text, qsizetype position);
qsizetype nextCharacter(const TextBuffer& text, qsizetype position);
qsizetype nextWordEnd(const TextBuffer& text, qsizetype position);
qsizetype previousWordStart(const TextBuffer& text, qsizetype position);

} // namespace view
