#include "TextBuffer.h"

#include <algorithm>

namespace view {

TextBuffer::TextBuffer() {
    clear();
}

void TextBuffer::clear() {
    m_text = QString();
    m_checkpoints.assign(1, Checkpoint{0, 0});
    m_lineCount = 1;
    m_lastLineStart = 0;
    m_longestLine = 0;
    m_longestLength = 0;
}

void TextBuffer::append(QStringView text) {
    if (text.isEmpty())
        return;
    const qsizetype base = m_text.size();
    m_text.append(text);
    // Long runs between line ends are skipped with the vectorised search; a run of bare line
    // ends never pays for a search call.
    const char16_t* chars = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (chars[i] != u'\n') {
            i = text.indexOf(u'\n', i);
            if (i < 0)
                break;
        }
        const qsizetype end = base + i;
        noteLineLength(m_lineCount - 1, end - m_lastLineStart);
        m_lastLineStart = end + 1;
        ++m_lineCount;
        const Checkpoint& last = m_checkpoints.back();
        if (m_lineCount - 1 - last.line >= LinesPerCheckpoint ||
            m_lastLineStart - last.position >= CharactersPerCheckpoint)
            m_checkpoints.push_back({m_lineCount - 1, m_lastLineStart});
    }
    noteLineLength(m_lineCount - 1, m_text.size() - m_lastLineStart);
}

void TextBuffer::noteLineLength(qsizetype line, qsizetype length) {
    if (length > m_longestLength) {
        m_longestLength = length;
        m_longestLine = line;
    }
}

const TextBuffer::Checkpoint& TextBuffer::checkpointForLine(qsizetype line) const {
    auto after = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), line,
                                  [](qsizetype l, const Checkpoint& c) { return l < c.line; });
    return *std::prev(after);
}

const TextBuffer::Checkpoint& TextBuffer::checkpointForPosition(qsizetype position) const {
    auto after = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), position,
                                  [](qsizetype p, const Checkpoint& c) { return p < c.position; });
    return *std::prev(after);
}

qsizetype TextBuffer::lineStart(qsizetype line) const {
    line = std::clamp<qsizetype>(line, 0, m_lineCount - 1);
    if (line == m_lineCount - 1)
        return m_lastLineStart;
    const Checkpoint& checkpoint = checkpointForLine(line);
    qsizetype position = checkpoint.position;
    const QStringView all(m_text);
    for (qsizetype l = checkpoint.line; l < line; ++l)
        position = all.indexOf(u'\n', position) + 1;
    return position;
}

qsizetype TextBuffer::lineLength(qsizetype line) const {
    const qsizetype start = lineStart(line);
    if (line >= m_lineCount - 1)
        return m_text.size() - start;
    return QStringView(m_text).indexOf(u'\n', start) - start;
}

QStringView TextBuffer::line(qsizetype line) const {
    const qsizetype start = lineStart(line);
    return QStringView(m_text).mid(start, lineLength(line));
}

qsizetype TextBuffer::lineOfPosition(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, m_text.size());
    if (position >= m_lastLineStart)
        return m_lineCount - 1;
    const Checkpoint& checkpoint = checkpointForPosition(position);
    // Every line start between this checkpoint and the position lies within the checkpoint's
    // reach, so the count of line ends stops there.
    const qsizetype reach = std::min(position, checkpoint.position + CharactersPerCheckpoint);
    const QStringView span =
        QStringView(m_text).mid(checkpoint.position, reach - checkpoint.position);
    return checkpoint.line + span.count(u'\n');
}

} // namespace view
