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

// The word at a position as screen readers ask for it (the desktop's "word start" boundary):
// from the start of a word through what follows it up to the next word's start, so the word
// at the space after "12" in "12 Main" is "12 ". Text before the first word makes a span of
// its own. Each scan reaches at most wordReach characters from the position.
struct WordSpan {
    qsizetype start;
    qsizetype end;
};
constexpr qsizetype wordReach = 4096;
WordSpan wordSpanAt(const TextBuffer& text, qsizetype position);

} // namespace view
