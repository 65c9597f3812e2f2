// SPDX-License-Identifier: MIT
#include "CaretMotion.h"
#include "TextBuffer.h"

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

} // namespace view
