#include "TextSearch.h"

#include <algorithm>

namespace view {

namespace {

bool isWordCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_';
}

bool isWholeWord(QStringView text, qsizetype at, qsizetype length) {
    const bool startsWord = at == 0 || !isWordCharacter(text[at - 1]);
    const bool endsWord = at + length == text.size() || !isWordCharacter(text[at + length]);
    return startsWord && endsWord;
}

} // namespace

qsizetype findText(QStringView text, QStringView pattern, qsizetype start,
                   const SearchOptions& options) {
    const qsizetype n = pattern.size();
    if (n == 0 || n > text.size())
        return -1;
    const Qt::CaseSensitivity cs = options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    start = std::clamp<qsizetype>(start, 0, text.size());
    if (!options.backward) {
        for (qsizetype from = start; from <= text.size() - n;) {
            const qsizetype found = text.indexOf(pattern, from, cs);
            if (found < 0 || found > text.size() - n)
                return -1;
            if (!options.wholeWord || isWholeWord(text, found, n))
                return found;
            from = found + 1;
        }
        return -1;
    }
    for (qsizetype from = start - n; from >= 0;) {
        const qsizetype found = text.lastIndexOf(pattern, from, cs);
        if (found < 0)
            return -1;
        if (!options.wholeWord || isWholeWord(text, found, n))
            return found;
        from = found - n;
    }
    return -1;
}

} // namespace view
