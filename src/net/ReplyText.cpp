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

void ReplyText::flushPending(QString& out) {
    // An unfinished sequence shows byte by byte as Latin-1.
    for (int i = 0; i < m_pendingSize; ++i)
        out += QChar(m_pending[i]);
    m_pendingSize = 0;
    m_pendingNeeded = 0;
}

void ReplyText::emitByte(unsigned char byte, QString& out) {
    if (m_pendingSize > 0) {
        if (acceptsContinuation(m_pending, m_pendingSize, byte)) {
            m_pending[m_pendingSize++] = byte;
            if (m_pendingSize == m_pendingNeeded + 1) {
                const char32_t cp = decode(m_pending, m_pendingSize);
                out += QString::fromUcs4(&cp, 1);
                m_pendingSize = 0;
                m_pendingNeeded = 0;
            }
            return;
        }
        flushPending(out);
    }
    if (byte < 0x80) {
        out += QChar(byte);
        return;
    }
    m_pendingNeeded = continuationCount(byte);
    if (m_pendingNeeded == 0) {
        out += QChar(byte);
        return;
    }
    m_pending[0] = byte;
    m_pendingSize = 1;
}

QString ReplyText::convert(const char* data, qsizetype size) {
    QString out;
    out.reserve(size + 8);
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        const bool afterCr = m_afterCr;
        m_afterCr = byte == '\r';
        switch (byte) {
        case '\r':
            flushPending(out);
            out += QLatin1Char('\n');
            break;
        case '\n':
            flushPending(out);
            if (!afterCr) // a CR LF pair is one line end, wherever the blocks split it
                out += QLatin1Char('\n');
            break;
        case '\0': flushPending(out); break;
        default: emitByte(byte, out);
        }
    }
    return out;
}

QString ReplyText::finish() {
    QString out;
    flushPending(out);
    m_afterCr = false;
    return out;
}

} // namespace net
