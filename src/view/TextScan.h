// SPDX-License-Identifier: MIT
#pragma once
// The character scans of the window's text, on its 8-bit (Latin-1) and its UTF-16 storage:
// line ends, and copies between the two widths. They run over every character that arrives,
// so they work sixteen bytes at a time with SSE2 where the machine has it.

#include <QtGlobal>

#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace view::scan {

// Line ends are looked for sixteen bytes at a time with SSE2: QStringView::indexOf costs more
// in call overhead than the scan of a short line, and runs of line ends are common. Each
// character gives one bit (Latin-1) or two (UTF-16) of a 16-bit mask.
template <typename Unit> struct LineEnds;
template <> struct LineEnds<char16_t> {
    static constexpr qsizetype Step = 8;
    static constexpr int BitsPerCharacter = 2;
#ifdef __SSE2__
    static unsigned bits(const char16_t* chars) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars));
        return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(eight, _mm_set1_epi16('\n'))));
    }
#endif
};
template <> struct LineEnds<char> {
    static constexpr qsizetype Step = 16;
    static constexpr int BitsPerCharacter = 1;
#ifdef __SSE2__
    static unsigned bits(const char* chars) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars));
        return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(sixteen, _mm_set1_epi8('\n'))));
    }
#endif
};

// The first '\n' at or after from, or size when there is none.
template <typename Unit> qsizetype findLineEnd(const Unit* chars, qsizetype from, qsizetype size) {
    using Scan = LineEnds<Unit>;
    qsizetype i = from;
#ifdef __SSE2__
    for (; i + Scan::Step <= size; i += Scan::Step)
        if (const unsigned bits = Scan::bits(chars + i); bits != 0)
            return i + std::countr_zero(bits) / Scan::BitsPerCharacter;
#endif
    while (i < size && chars[i] != '\n')
        ++i;
    return i;
}

// The first character at or after from that is not '\n', or size when there is none.
template <typename Unit>
qsizetype endOfLineEndRun(const Unit* chars, qsizetype from, qsizetype size) {
    using Scan = LineEnds<Unit>;
    qsizetype i = from;
#ifdef __SSE2__
    for (; i + Scan::Step <= size; i += Scan::Step)
        if (const unsigned bits = Scan::bits(chars + i); bits != 0xFFFF)
            return i + std::countr_zero(~bits) / Scan::BitsPerCharacter;
#endif
    while (i < size && chars[i] == '\n')
        ++i;
    return i;
}

// Copies characters into out as Latin-1 up to the first one beyond U+00FF; returns how many.
inline qsizetype narrowInto(const char16_t* in, qsizetype n, char* out) {
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i highByte = _mm_set1_epi16(short(0xFF00));
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 8));
        const __m128i high = _mm_and_si128(_mm_or_si128(a, b), highByte);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < n && in[i] <= 0xFF; ++i)
        out[i] = char(in[i]);
    return i;
}

inline void widenInto(const char* in, qsizetype n, char16_t* out) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(in);
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(sixteen, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(sixteen, zero));
    }
#endif
    for (; i < n; ++i)
        out[i] = bytes[i];
}

// Where the last character that is not '\n' ends, or 0.
inline qsizetype endBeforeLineEnds(const char* chars, qsizetype size) {
    // Eight at a time while all eight are line ends, as a text of nothing else may be long.
    constexpr std::uint64_t EightLineEnds = 0x0A0A0A0A0A0A0A0AULL;
    while (size >= 8) {
        std::uint64_t eight;
        std::memcpy(&eight, chars + size - 8, sizeof eight);
        if (eight != EightLineEnds)
            break;
        size -= 8;
    }
    while (size > 0 && chars[size - 1] == '\n')
        --size;
    return size;
}

inline qsizetype endBeforeLineEnds(const char16_t* chars, qsizetype size) {
    while (size > 0 && chars[size - 1] == u'\n')
        --size;
    return size;
}

} // namespace view::scan
