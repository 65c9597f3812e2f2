// SPDX-License-Identifier: MIT
#include "TextMatcher.h"

#include <QChar>

#include <algorithm>
#include <string.h>

namespace view {

namespace {

constexpr qsizetype ChunkLength = 1024 * 1024;

char16_t folded(char16_t c) {
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return char16_t(QChar::toCaseFolded(char32_t(c)));
}

void putUnit(char* at, char16_t unit) {
    at[0] = char(0x80 | (unit >> 9));
    at[1] = char((unit >> 2) & 0x7F);
    at[2] = char(unit & 0x03);
}

// Writes text into out as the matcher compares it: folded when case does not count (a
// surrogate pair folded as its code point), three bytes a unit, in reverse unit order when
// backwards. out keeps its buffer from chunk to chunk.
void encodeInto(QStringView text, bool caseSensitive, bool backwards, QByteArray& out) {
    const char16_t* in = text.utf16();
    const qsizetype size = text.size();
    out.resize(size * 3);
    char* bytes = out.data();
    const auto at = [&](qsizetype i) { return bytes + 3 * (backwards ? size - 1 - i : i); };
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i];
        if (caseSensitive) {
            putUnit(at(i), c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(in[i + 1])) {
            const char32_t code = QChar::toCaseFolded(QChar::surrogateToUcs4(c, in[i + 1]));
            putUnit(at(i), QChar::highSurrogate(code));
            putUnit(at(i + 1), QChar::lowSurrogate(code));
            ++i;
        } else {
            putUnit(at(i), folded(c));
        }
    }
}

QByteArray encoded(QStringView text, bool caseSensitive, bool backwards) {
    QByteArray out;
    encodeInto(text, caseSensitive, backwards, out);
    return out;
}

} // namespace

TextMatcher::TextMatcher(QStringView pattern, bool caseSensitive)
    : m_length(pattern.size()), m_caseSensitive(caseSensitive),
      m_needle(encoded(pattern, caseSensitive, false)),
      m_reversedNeedle(encoded(pattern, caseSensitive, true)) {}

void TextMatcher::encodeChunk(const TextRange& text, qsizetype begin, qsizetype end,
                              bool backwards) const {
    encodeInto(text.slice(begin, end - begin), m_caseSensitive, backwards, m_chunk);
    m_chunkBegin = begin;
    m_chunkEnd = end;
    m_chunkBackwards = backwards;
}

qsizetype TextMatcher::first(const TextRange& text, qsizetype from) const {
    const qsizetype n = m_length;
    if (n == 0)
        return -1;
    // A chunk holds the starts from its beginning to ChunkLength - 1 past it, with room for a
    // whole match. The chunk of the last call is searched on when from lies in it, so stepping
    // through the matches costs no more than one search.
    for (qsizetype begin = std::max<qsizetype>(0, from); begin <= text.size() - n;) {
        const bool cached = m_chunkBegin >= 0 && !m_chunkBackwards && m_chunkBegin <= begin &&
                            begin < m_chunkBegin + ChunkLength;
        if (!cached)
            encodeChunk(text, begin, std::min(text.size(), begin + ChunkLength + n - 1), false);
        const qsizetype offset = (begin - m_chunkBegin) * 3;
        const void* found = ::memmem(m_chunk.constData() + offset, size_t(m_chunk.size() - offset),
                                     m_needle.constData(), size_t(m_needle.size()));
        if (found)
            return m_chunkBegin + (static_cast<const char*>(found) - m_chunk.constData()) / 3;
        begin = m_chunkBegin + ChunkLength;
    }
    return -1;
}

qsizetype TextMatcher::last(const TextRange& text, qsizetype latestStart) const {
    const qsizetype n = m_length;
    if (n == 0)
        return -1;
    // Chunks from the end backwards, their units reversed: the first match in a reversed chunk
    // is the last one in the text.
    for (qsizetype end = std::min(text.size(), latestStart + n); end >= n;) {
        const bool cached =
            m_chunkBegin >= 0 && m_chunkBackwards && end <= m_chunkEnd && end >= m_chunkBegin + n;
        if (!cached)
            encodeChunk(text, std::max<qsizetype>(0, end - ChunkLength - (n - 1)), end, true);
        const qsizetype offset = (m_chunkEnd - end) * 3;
        const void* found = ::memmem(m_chunk.constData() + offset, size_t(m_chunk.size() - offset),
                                     m_reversedNeedle.constData(), size_t(m_reversedNeedle.size()));
        if (found)
            return m_chunkEnd - (static_cast<const char*>(found) - m_chunk.constData()) / 3 - n;
        if (m_chunkBegin == 0)
            return -1;
        end = m_chunkBegin + n - 1;
    }
    return -1;
}

} // namespace view
