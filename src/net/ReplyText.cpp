#include "ReplyText.h"

namespace net {

namespace {

// How many continuation bytes a lead byte announces; 0 for a byte that cannot lead.
int continuationCount(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 2;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 3;
    return 0;
}

// Whether byte may follow the bytes gathered so far; rejects overlong forms, surrogates and
// code points above U+10FFFF at the first continuation byte.
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
            while (bytes<end&& * bytes> '\r' && *bytes < 0x80)
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
