// SPDX-License-Identifier: MIT
#pragma once
// Characters that no font shows usefully, or that would move or hide other text: the C0 and
// C1 controls (the tab aside), DEL, the line and paragraph separators, and the invisible
// format characters that reorder or hide text. The window draws each as a small box holding
// its code, so it shows exactly what arrived; a terminal gets the code as text, so no escape
// sequence from a server can act on it.

namespace view {

constexpr bool isShownAsCode(char16_t c) {
    return (c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F) || c == 0x061C ||
           (c >= 0x200B && c <= 0x200F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

// How many hex digits the code shows: two below U+0100, four above.
constexpr int codeDigits(char16_t c) {
    return c < 0x100 ? 2 : 4;
}

} // namespace view
