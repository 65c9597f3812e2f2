#include "ReplyText.h"
#include "platform/Utf8Text.h"

namespace net {

using platform::utf8::acceptsContinuation;
using platform::utf8::continuationCount;
using platform::utf8::decode;

namespace {

// A byte that stands for itself: ASCII above CR (line ends, NUL and the UTF-8 lead and
// continuation bytes go through the state machine; the few controls below CR are rare).
bool isPlainAscii(unsigned char byte) {
    return byte > '\r' && byte < 0x80;
}

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
    while (bytes < end) {
        if (m_pendingSize == 0) { // the common case: a run of plain ASCII
            const auto* run = bytes;
            while (bytes < end && isPlainAscii(*bytes))
                *to++ = QChar(*bytes++);
            if (bytes != run) {
                m_afterCr = false;
                if (bytes == end)
                    break;
            }
        }
        const unsigned char byte = *bytes++;
        const bool afterCr = m_afterCr;
        m_afterCr = byte == '\r';
        switch (byte) {
        case '\r':
            to = flushPending(to);
            *to++ = QLatin1Char('\n');
            break;
        case '\n':
            to = flushPending(to);
            if (!afterCr) // a CR LF pair is one line end, wherever the blocks split it
                *to++ = QLatin1Char('\n');
            break;
        case '\0': to = flushPending(to); break;
        default: to = emitByte(byte, to);
        }
    }
    out.truncate(before + (to - begin));
}

QString ReplyText::finish() {
    QString out(m_pendingSize, Qt::Uninitialized);
    flushPending(out.data());
    m_afterCr = false;
    return out;
}

} // namespace net
