// SPDX-License-Identifier: MIT
#include "CaretMotion.h"
#include "TextBuffer.h"

#include <algorithm>

namespace view {

bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c.isMark();
}

qsizetype previousCharacter(const TextBuffer& t, qsizetype position) {
    if (position <= 0)
        return 0;
    --position;
    if (position > 0 && t.at(position).isLowSurrogate() && t.at(position - 1).isHighSurrogate())
        --position;
    return position;
}

qsizetype nextCharacter(const TextBuffer& t, qsizetype position) {
    if (position >= t.size())
        return t.size();
    ++position;
    if (position < t.size() && t.at(position).isLowSurrogate() &&
        t.at(position - 1).isHighSurrogate())
        ++position;
    return position;
}

qsizetype nextWordEnd(const TextBuffer& t, qsizetype position) {
    while (position < t.size() && !isWordCharacter(t.at(position)))
        ++position;
    while (position < t.size() && isWordCharacter(t.at(position)))
        ++position;
    return position;
}

qsizetype previousWordStart(const TextBuffer& t, qsizetype position) {
    while (position > 0 && !isWordCharacter(t.at(position - 1)))
        --position;
    while (position > 0 && isWordCharacter(t.at(position - 1)))
        --position;
    return position;
}

WordSpan wordSpanAt(const TextBuffer& t, qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, t.size());
    const qsizetype lowest = std::max<qsizetype>(0, position - wordReach);
    const qsizetype highest = std::min(t.size(), position + wordReach);
    qsizetype start = position;
    // Back over the gap to the word before it, then to that word's start.
    while (start > lowest && (start == t.size() || !isWordCharacter(t.at(start))) &&
           !isWordCharacter(t.at(start - 1)))
        --start;
    while (start > lowest && isWordCharacter(t.at(start - 1)))
        --start;
    qsizetype end = start;
    while (end < highest && isWordCharacter(t.at(end)))
        ++end;
    while (end < highest && !isWordCharacter(t.at(end)))
        ++end;
    return {start, std::max(end, position)};
}

} // namespace view
