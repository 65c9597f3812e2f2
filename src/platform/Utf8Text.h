// SPDX-License-Identifier: MIT
#pragma once
// UTF-8 as the program reads it from replies and files: well-formed sequences decode to their
// characters, and every byte that is not part of one shows as its Latin-1 character, so text
// written in an older 8-bit code page survives instead of turning into replacement marks.

#include <QByteArray>
#include <QString>

namespace platform::utf8 {

// How many continuation bytes a lead byte announces; 0 for a byte that cannot lead.
int continuationCount(unsigned char lead);

// Whether byte may follow the count bytes gathered so far; rejects overlong forms, surrogates
// and code points above U+10FFFF at the first continuation byte.
bool acceptsContinuation(const unsigned char* gathered, int count, unsigned char byte);

// The code point of a complete, accepted sequence.
char32_t decode(const unsigned char* bytes, int size);

// Decodes a whole text at once, with the Latin-1 fallback above.
QString decodeLenient(const QByteArray& bytes);

// Cuts text to at most maxCharacters UTF-16 units without splitting a surrogate pair.
QString cutCharacters(const QString& text, qsizetype maxCharacters);

} // namespace platform::utf8
