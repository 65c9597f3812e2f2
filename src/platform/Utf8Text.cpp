// SPDX-License-Identifier: MIT
#include "Utf8Text.h"

namespace platform::utf8 {

int continuationCount(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 2;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 3;
    return 0;
}

bool acceptsContinuation(const unsigned char* gathered, int count, unsigned char byte) {
    if ((byte & 0xC0) != 0x80)
        return false;
    if (count != 1)
        return true;
    switch (gathered[0]) {
    case 0xE0: return byte >= 0xA0;
    case 0xED: return byte <= 0x9F;
    case 0xF0: return byte >= 0x90;
    case 0xF4: return byte <= 0x8F;
    default: return true;
    }
}

char32_t decode(const unsigned char* bytes, int size) {
    char32_t cp = bytes[0] & (0x7F >> size);
    for (int i = 1; i < size; ++i)
        cp = (cp << 6) | (bytes[i] & 0x3F);
    return cp;
}

QString decodeLenient(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const int needed = continuationCount(data[i]);
        int have = 1;
        while (have <= needed && i + have < size &&
               acceptsContinuation(data + i, have, data[i + have]))
            ++have;
        if (needed > 0 && have == needed + 1) {
            const char32_t cp = decode(data + i, have);
            // Appended as code units: QString::fromUcs4 would drop a U+FEFF as a byte-order
            // mark, and one inside a value or a note is text like any other.
            if (QChar::requiresSurrogates(cp)) {
                out.append(QChar(QChar::highSurrogate(cp)));
                out.append(QChar(QChar::lowSurrogate(cp)));
            } else {
                out.append(QChar(char16_t(cp)));
            }
            i += have;
        } else {
            out.append(QChar(data[i])); // ASCII, or a byte that is no UTF-8: its Latin-1 letter
            ++i;
        }
    }
    return out;
}

QString cutCharacters(const QString& text, qsizetype maxCharacters) {
    if (text.size() <= maxCharacters)
        return text;
    qsizetype end = std::max<qsizetype>(0, maxCharacters);
    if (end > 0 && text[end - 1].isHighSurrogate())
        --end;
    return text.left(end);
}

} // namespace platform::utf8
