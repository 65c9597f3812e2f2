// SPDX-License-Identifier: MIT
#pragma once
// The text search of Find Text, over the window's whole text.
//
// Forward, the candidates are the positions from start towards the end; backward, the
// positions from start - n towards 0, so a backward match ends at or before start. Without
// case sensitivity letters match whatever their case (Unicode case folding). With whole
// words a match must not touch a word character on either side; word characters are the
// letters, digits and combining marks of every script and the underscore (so "cat_name" and
// "écat" are one word each), and every other character separates words.
// After a candidate rejected for that, forward goes on at the next position and backward
// with the candidates that end at or before it.

#include "TextRange.h"

#include <QString>

namespace view {

struct SearchOptions {
    bool caseSensitive = true;
    bool wholeWord = false;
    bool backward = false;
};

// The position of the first match from start in the search's direction, or -1.
qsizetype findText(const TextRange& text, QStringView pattern, qsizetype start,
                   const SearchOptions& options);

} // namespace view
