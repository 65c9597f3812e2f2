// SPDX-License-Identifier: MIT
#pragma once
// Finds a pattern in a long text in time linear in the text whatever the two hold, using the
// C library's memmem (a two-way search). The text is searched in chunks of 1 Mi characters,
// each case-folded first when letter case does not count (simple Unicode case folding keeps
// every character's length, so positions carry over) and written as three bytes a UTF-16 unit
// in a self-synchronising form: only a unit's first byte has its top bit set, so a match of the
// pattern's bytes can only start where a unit starts, and byte offset / 3 is the position.

#include "TextRange.h"

#include <QByteArray>
#include <QStringView>

namespace view {

// A matcher serves one text: the chunk it keeps between calls belongs to that text.
class TextMatcher {
public:
    TextMatcher(QStringView pattern, bool caseSensitive);

    // The first match that starts at or after from, or -1.
    qsizetype first(const TextRange& text, qsizetype from) const;
    // The last match that starts at or before latestStart, or -1.
    qsizetype last(const TextRange& text, qsizetype latestStart) const;

private:
    // Encodes text[begin, end) into m_chunk, folded as the pattern is; backwards reverses the
    // order of the units (each keeps its own three bytes).
    void encodeChunk(const TextRange& text, qsizetype begin, qsizetype end, bool backwards) const;

    qsizetype m_length;
    bool m_caseSensitive;
    QByteArray m_needle;         // the pattern, encoded
    QByteArray m_reversedNeedle; // its units in reverse order, encoded
    // The chunk last encoded, kept for the next call on the same text.
    mutable QByteArray m_chunk;
    mutable qsizetype m_chunkBegin = -1;
    mutable qsizetype m_chunkEnd = -1;
    mutable bool m_chunkBackwards = false;
};

} // namespace view
