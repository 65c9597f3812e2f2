// SPDX-License-Identifier: MIT
#include "TextSearch.h"
#include "TextMatcher.h"

#include <algorithm>

namespace view {

namespace {

// Letters, digits and marks of every script, and the underscore, make words; a character
// outside the Basic Multilingual Plane is looked at as the pair of units it is stored in.
bool isWordCodePoint(char32_t c) {
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c == U'_';
}

bool wordCharacterBefore(const TextRange& text, qsizetype at) {
    if (at == 0)
        return false;
    const QChar last = text[at - 1];
    if (last.isLowSurrogate() && at >= 2 && text[at - 2].isHighSurrogate())
        return isWordCodePoint(QChar::surrogateToUcs4(text[at - 2], last));
    return isWordCodePoint(last.unicode());
}

bool wordCharacterAt(const TextRange& text, qsizetype at) {
    if (at >= text.size())
        return false;
    const QChar first = text[at];
    if (first.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return isWordCodePoint(QChar::surrogateToUcs4(first, text[at + 1]));
    return isWordCodePoint(first.unicode());
}

bool isWholeWord(const TextRange& text, qsizetype at, qsizetype length) {
    return !wordCharacterBefore(text, at) && !wordCharacterAt(text, at + length);
}

} // namespace

qsizetype findText(const TextRange& text, QStringView pattern, qsizetype start,
                   const SearchOptions& options) {
    const qsizetype n = pattern.size();
    if (n == 0 || n > text.size())
        return -1;
    const TextMatcher matcher(pattern, options.caseSensitive);
    start = std::clamp<qsizetype>(start, 0, text.size());
    if (!options.backward) {
        for (qsizetype from = start; from <= text.size() - n;) {
            const qsizetype found = matcher.first(text, from);
            if (found < 0)
                return -1;
            if (!options.wholeWord || isWholeWord(text, found, n))
                return found;
            from = found + 1;
        }
        return -1;
    }
    for (qsizetype latest = start - n; latest >= 0;) {
        const qsizetype found = matcher.last(text, latest);
        if (found < 0)
            return -1;
        if (!options.wholeWord || isWholeWord(text, found, n))
            return found;
        latest = found - n;
    }
    return -1;
}

} // namespace view
