// SPDX-License-Identifier: MIT
#pragma once
// Characters that no font shows usefully, or that would move or hide other text: the C0 and
// C1 controls (the tab aside), DEL, the line and paragraph separators, and every invisible
// format character (Unicode's category Cf: the soft hyphen, bidi controls, zero-width
// characters, the byte-order mark, the interlinear annotation marks, the tag characters). The
// window draws each as a small box holding its code, so it shows exactly what arrived; a
// terminal gets the code as text, so no escape sequence from a server can act on it.

#include <QChar>
#include <QStringView>

namespace view {

inline bool isShownAsCode(char32_t c) {
    if (c >= 0x20 && c < 0x7F)
        return false;
    if (c < 0x20)
        return c != U'\t';
    if (c <= 0x9F)
        return true;
    return c == 0x2028 || c == 0x2029 || QChar::category(c) == QChar::Other_Format;
}

// The character at i, with the number of UTF-16 units it takes: a surrogate pair is one
// character, a lone surrogate stands for itself.
struct CodePoint {
    char32_t value;
    qsizetype units;
};
inline CodePoint codePointAt(QStringView text, qsizetype i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return {QChar::surrogateToUcs4(c, text[i + 1]), 2};
    return {c.unicode(), 1};
}

// How many hex digits the code shows: two below U+0100, four below U+10000, else five or six.
constexpr int codeDigits(char32_t c) {
    return c < 0x100 ? 2 : c < 0x10000 ? 4 : c < 0x100000 ? 5 : 6;
}

} // namespace view
