// SPDX-License-Identifier: MIT
#include "TextRange.h"
#include "TextBuffer.h"

namespace view {

QChar TextRange::at(qsizetype i) const {
    return m_buffer ? m_buffer->at(m_start + i) : m_view[i];
}

QStringView TextRange::slice(qsizetype from, qsizetype n) const {
    return m_buffer ? m_buffer->slice(m_start + from, n, m_scratch) : m_view.sliced(from, n);
}

QString TextRange::toString() const {
    return m_buffer ? m_buffer->mid(m_start, m_size) : m_view.toString();
}

} // namespace view
