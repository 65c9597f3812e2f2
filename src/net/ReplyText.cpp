// SPDX-License-Identifier: MIT
#include "ReplyText.h"
#include "platform/Utf8Text.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace net {

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

QChar oneToOne(unsigned char byte) {
    return QChar(byte == '\r' ? u'\n' : char16_t(byte));
}

#ifdef __SSE2__
constexpr int ChunkSize = 16;

// Converts sixteen bytes into to when every one of them maps one to one. As signed bytes, the
// bytes above 0x7F are negative, so one comparison finds them and the bytes below CR.
bool convertChunk(const unsigned char* bytes, QChar* to) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i cr = _mm_set1_epi8('\r');
    if (_mm_movemask_epi8(_mm_cmplt_epi8(chunk, cr)) != 0)
        return false;
    const __m128i crToLf = _mm_and_si128(_mm_cmpeq_epi8(chunk, cr), _mm_set1_epi8('\r' - '\n'));
    const __m128i mapped = _mm_sub_epi8(chunk, crToLf);
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(mapped, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_unpackhi_epi8(mapped, zero));
    return true;
}
#endif

} // namespace

QChar* ReplyText::flushPending(QChar* to) {
    // An unfinished sequence shows byte by byte as Latin-1.
    for (int i = 0; i < m_pendingSize; ++i)
        *to++ = QChar(m_pending[i]);
    m_pendingSize = 0;
    m_pendingNeeded = 0;
    return to;
}

QChar* ReplyText::emitByte(unsigned char byte, QChar* to) {
    if (m_pendingSize > 0) {
        if (acceptsContinuation(m_pending, m_pendingSize, byte)) {
            m_pending[m_pendingSize++] = byte;
            if (m_pendingSize == m_pendingNeeded + 1) {
                const char32_t cp = decode(m_pending, m_pendingSize);
                if (QChar::requiresSurrogates(cp)) {
                    *to++ = QChar(QChar::highSurrogate(cp));
                    *to++ = QChar(QChar::lowSurrogate(cp));
                } else {
                    *to++ = QChar(char16_t(cp));
                }
                m_pendingSize = 0;
                m_pendingNeeded = 0;
            }
            return to;
        }
        to = flushPending(to);
    }
    if (byte < 0x80) {
        *to++ = QChar(byte);
        return to;
    }
    m_pendingNeeded = continuationCount(byte);
    if (m_pendingNeeded == 0) {
        *to++ = QChar(byte);
        return to;
    }
    m_pending[0] = byte;
    m_pendingSize = 1;
    return to;
}

QString ReplyText::convert(const char* data, qsizetype size) {
    QString out;
    convertInto(data, size, out);
    return out;
}

void ReplyText::convertInto(const char* data, qsizetype size, QString& out) {
    // Every byte gives at most one character, and a pending sequence at most four more, so the
    // text is written in place and cut to its length at the end.
    const qsizetype before = out.size();
    out.resize(before + size + 4);
    QChar* const begin = out.data() + before;
    QChar* to = begin;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    const auto* const end = bytes + size;
    bool afterCr = m_afterCr;
    while (bytes < end) {
        if (m_pendingSize == 0 && mapsOneToOne(*bytes)) { // the common case, in bulk
#ifdef __SSE2__
            while (end - bytes >= ChunkSize && convertChunk(bytes, to)) {
                to += ChunkSize;
                bytes += ChunkSize;
            }
#endif
            while (bytes < end && mapsOneToOne(*bytes))
                *to++ = oneToOne(*bytes++);
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
                *to++ = QChar(u'\0');
            else if (byte == '\r' || (byte == '\n' && !lineEndBefore))
                *to++ = QLatin1Char('\n');
        } else {
            to = emitByte(byte, to);
        }
    }
    m_afterCr = afterCr;
    out.truncate(before + (to - begin));
}

QString ReplyText::finish() {
    QString out(m_pendingSize, Qt::Uninitialized);
    flushPending(out.data());
    m_afterCr = false;
    return out;
}

} // namespace net
