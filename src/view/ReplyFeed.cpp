// SPDX-License-Identifier: MIT
#include "ReplyFeed.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace view {

void writeReceivedCount(quint64 bytes, bool windowFull, QString& out) {
    // Written into a string kept by the caller, so that a block costs no allocation here
    // (QString::setNum would make a new string each time).
    char digits[24];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), bytes);
    out.resize(0);
    out += QLatin1StringView(digits, written.ptr);
    out += QStringView(windowFull ? u" bytes received, window full" : u" bytes received");
}

void ReplyFeed::restart() {
    m_shown = 0;
    m_noted = 0;
    m_full = false;
}

void ReplyFeed::startReply() {
    m_bytes = 0;
    m_decoder = ReplyText();
}

void ReplyFeed::receive(QByteArrayView bytes) {
    m_bytes += quint64(bytes.size());
    if (!bytes.isEmpty()) {
        m_blockLatin1.resize(0);
        if (m_decoder.convertLatin1Into(bytes.data(), bytes.size(), m_blockLatin1)) {
            m_blockLatin1.truncate(roomFor(m_blockLatin1.size()));
            m_shown += m_blockLatin1.size();
            if (!m_blockLatin1.isEmpty())
                m_output.showLatin1Text(QLatin1StringView(m_blockLatin1));
        } else {
            m_blockText.resize(0);
            m_decoder.convertInto(bytes.data(), bytes.size(), m_blockText);
            show(m_blockText);
        }
    }
    writeReceivedCount(m_bytes, m_full, m_countText);
    m_output.showCount(m_countText);
}

void ReplyFeed::endReply() {
    QString rest = m_decoder.finish();
    show(rest);
}

void ReplyFeed::add(QString text) {
    // Past the capacity, what the call writes itself still has a small reserve, so a line that
    // ends a call ("... could not be asked", "given up") is never lost to a long answer.
    const qsizetype room = roomFor(text.size());
    const qsizetype reserve = std::min(text.size() - room, NoteReserve - m_noted);
    const qsizetype shown = show(text, room + reserve);
    m_shown += std::min(shown, room);
    m_noted += shown - std::min(shown, room);
}

void ReplyFeed::show(QString& text) {
    m_shown += show(text, roomFor(text.size()));
}

qsizetype ReplyFeed::show(QString& text, qsizetype fits) {
    // Never leave half of a surrogate pair at the end.
    if (fits < text.size() && fits > 0 && text[fits - 1].isHighSurrogate())
        --fits;
    text.truncate(fits);
    if (!text.isEmpty())
        m_output.showText(text);
    return fits;
}

qsizetype ReplyFeed::roomFor(qsizetype count) {
    if (m_full)
        return 0;
    const qsizetype room = std::max<qsizetype>(0, m_capacity - m_shown);
    if (count <= room)
        return count;
    m_full = true;
    return room;
}

} // namespace view
