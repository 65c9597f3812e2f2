// SPDX-License-Identifier: MIT
#include "ReplyText.h"
#include "platform/Utf8Text.h"

#include <bit>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace view {

using platform::utf8::acceptsContinuation;
using platform::utf8::continuationCount;
using platform::utf8::decode;

namespace {

// A byte that gives one character of its own: ASCII above CR, and CR itself, a line end
// ('\n') whatever follows. LF, NUL and the UTF-8 lead and continuation bytes go through the
// state machine; the few controls below CR are rare.
bool mapsOneToOne(unsigned char byte) {
    return byte >= '\r' && byte < 0x80;
}

unsigned char oneToOne(unsigned char byte) {
    return byte == '\r' ? '\n' : byte;
}

// Lead bytes from 0xC4 on start characters beyond U+00FF.
constexpr unsigned char FirstWideLead = 0xC4;

// Room past the converted text: a pending sequence's four bytes, and a bulk store's sixteen.
constexpr qsizetype Slack = 4 + 16;

#ifdef __SSE2__
constexpr int ChunkSize = 16;

// The sixteen bytes with CR made LF in mapped, and a bit for each byte that does not map one to
// one (0 when they all do). As signed bytes, the bytes above 0x7F are negative, so one
// comparison finds them and the bytes below CR.
unsigned mapChunk(const unsigned char* bytes, __m128i& mapped) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i crToLf = _mm_and_si128(_mm_cmpeq_epi8(chunk, cr), _mm_set1_epi8('\r' - '\n'));
    mapped = _mm_sub_epi8(chunk, crToLf);
    return unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(chunk, cr)));
}

void storeChunk(__m128i mapped, QChar* to) {
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(mapped, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_unpackhi_epi8(mapped, zero));
}

void storeChunk(__m128i mapped, char* to) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), mapped);
}
#endif

// One unit of the output: UTF-16, or a byte a character.
template <typename Unit> Unit unitOf(char32_t code);
template <> QChar unitOf<QChar>(char32_t code) {
    return QChar(char16_t(code));
}
template <> char unitOf<char>(char32_t code) {
    return char(code);
}

// Writes a decoded character; a block converted a byte a character has none beyond U+00FF.
QChar* put(QChar* to, char32_t code) {
    if (QChar::requiresSurrogates(code)) {
        *to++ = QChar(QChar::highSurrogate(code));
        *to++ = QChar(QChar::lowSurrogate(code));
    } else {
        *to++ = QChar(char16_t(code));
    }
    return to;
}

char* put(char* to, char32_t code) {
    Q_ASSERT(code <= 0xFF);
    *to++ = char(code);
    return to;
}

} // namespace

template <typename Unit> Unit* ReplyText::flushPending(Unit* to) {
    // An unfinished sequence shows byte by byte as Latin-1.
    for (int i = 0; i < m_pendingSize; ++i)
        *to++ = unitOf<Unit>(m_pending[i]);
    m_pendingSize = 0;
    m_pendingNeeded = 0;
    return to;
}

template <typename Unit> Unit* ReplyText::emitByte(unsigned char byte, Unit* to) {
    if (m_pendingSize > 0) {
        if (acceptsContinuation(m_pending, m_pendingSize, byte)) {
            m_pending[m_pendingSize++] = byte;
            if (m_pendingSize == m_pendingNeeded + 1) {
                to = put(to, decode(m_pending, m_pendingSize));
                m_pendingSize = 0;
                m_pendingNeeded = 0;
            }
            return to;
        }
        to = flushPending(to);
    }
    if (byte < 0x80) {
        *to++ = unitOf<Unit>(byte);
        return to;
    }
    m_pendingNeeded = continuationCount(byte);
    if (m_pendingNeeded == 0) {
        *to++ = unitOf<Unit>(byte);
        return to;
    }
    m_pending[0] = byte;
    m_pendingSize = 1;
    return to;
}

template <typename Unit>
Unit* ReplyText::convertBytes(const unsigned char* bytes, qsizetype size, Unit* to) {
    const unsigned char* const end = bytes + size;
    bool afterCr = m_afterCr;
    while (bytes < end) {
        if (m_pendingSize == 0 && mapsOneToOne(*bytes)) { // the common case, in bulk
#ifdef __SSE2__
            // All sixteen are stored; the output moves on over those before the first byte that
            // needs more, and what follows them is written over next. An LF is taken here too:
            // after a CR it belongs to the CR's line end, else it is one, already stored.
            while (end - bytes >= ChunkSize) {
                __m128i mapped;
                const unsigned special = mapChunk(bytes, mapped);
                storeChunk(mapped, to);
                const int ordinary = special == 0 ? ChunkSize : std::countr_zero(special);
                to += ordinary;
                bytes += ordinary;
                if (special == 0)
                    continue;
                if (*bytes != '\n')
                    break;
                if (bytes[-1] != '\r') // never the first byte: the bulk starts on a plain one
                    ++to;
                ++bytes;
            }
#endif
            while (bytes < end && mapsOneToOne(*bytes))
                *to++ = unitOf<Unit>(oneToOne(*bytes++));
            afterCr = bytes[-1] == '\r';
            continue;
        }
        const unsigned char byte = *bytes++;
        const bool lineEndBefore = afterCr;
        afterCr = byte == '\r';
        if (byte == '\r' || byte == '\n' || byte == '\0') {
            if (m_pendingSize != 0)
                to = flushPending(to);
            // A CR LF pair is one line end, wherever the blocks split it; NUL is a character
            // like any other (the window shows it as a box).
            if (byte == '\0')
                *to++ = unitOf<Unit>(0);
            else if (byte == '\r' || (byte == '\n' && !lineEndBefore))
                *to++ = unitOf<Unit>('\n');
        } else {
            // A byte a character holds nothing beyond U+00FF, which only these bytes can start.
            if constexpr (std::is_same_v<Unit, char>)
                if (byte >= FirstWideLead)
                    return nullptr;
            to = emitByte(byte, to);
        }
    }
    m_afterCr = afterCr;
    return to;
}

QString ReplyText::convert(const char* data, qsizetype size) {
    QString out;
    convertInto(data, size, out);
    return out;
}

void ReplyText::convertInto(const char* data, qsizetype size, QString& out) {
    // Every byte gives at most one character, and a pending sequence at most four more, so the
    // text is written in place and cut to its length at the end; a bulk store may write up to
    // Slack units past the last character.
    const qsizetype before = out.size();
    out.resize(before + size + Slack);
    QChar* const begin = out.data() + before;
    QChar* const to = convertBytes(reinterpret_cast<const unsigned char*>(data), size, begin);
    out.truncate(before + (to - begin));
}

bool ReplyText::convertLatin1Into(const char* data, qsizetype size, QByteArray& out) {
    if (m_pendingSize > 0 && m_pending[0] >= FirstWideLead)
        return false;
    const ReplyText before = *this;
    const qsizetype length = out.size();
    out.resize(length + size + Slack);
    char* const begin = out.data() + length;
    char* const to = convertBytes(reinterpret_cast<const unsigned char*>(data), size, begin);
    if (!to) {
        *this = before;
        out.truncate(length);
        return false;
    }
    out.truncate(length + (to - begin));
    return true;
}

QString ReplyText::finish() {
    QString out(m_pendingSize, Qt::Uninitialized);
    flushPending(out.data());
    m_afterCr = false;
    return out;
}

} // namespace view
