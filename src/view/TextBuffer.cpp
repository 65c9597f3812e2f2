#include "TextBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>

namespace view {

namespace {

// Where the run of '\n' that starts at from ends, read four characters at a time.
qsizetype endOfLineEndRun(QStringView text, qsizetype from) {
    constexpr std::uint64_t FourLineEnds = 0x000A000A000A000Au;
    const char16_t* chars = text.utf16();
    qsizetype i = from;
    for (std::uint64_t four = 0; i + 4 <= text.size(); i += 4) {
        std::memcpy(&four, chars + i, sizeof four);
        if (four != FourLineEnds)
            break;
    }
    while (i < text.size() && chars[i] == u'\n')
        ++i;
    return i;
}

} // namespace

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
    if (m_text.capacity() == 0)
        reserveMemory();
    m_text.append(text);
    // The line ends are indexed with the members held in locals. Long runs between line ends
    // are skipped with the vectorised search, and the empty lines of a run of line ends are
    // counted in one step.
    qsizetype lineCount = m_lineCount;
    qsizetype lastLineStart = m_lastLineStart;
    qsizetype nextCheckpointLine = m_checkpoints.back().line + LinesPerCheckpoint;
    qsizetype nextCheckpointPosition = m_checkpoints.back().position + CharactersPerCheckpoint;
    // Starts line lineCount at start, with a checkpoint there when one is due.
    const auto startLine = [&](qsizetype start) {
        lastLineStart = start;
        ++lineCount;
        if (lineCount - 1 >= nextCheckpointLine || start >= nextCheckpointPosition) {
            m_checkpoints.push_back({lineCount - 1, start});
            nextCheckpointLine = lineCount - 1 + LinesPerCheckpoint;
            nextCheckpointPosition = start + CharactersPerCheckpoint;
        }
    };
    const char16_t* chars = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (chars[i] != u'\n') {
            i = text.indexOf(u'\n', i);
            if (i < 0)
                break;
        }
        const qsizetype end = base + i;
        if (end - lastLineStart > m_longestLength)
            noteLineLength(lineCount - 1, end - lastLineStart);
        startLine(end + 1);

        // Each further line end of the run ends an empty line and starts the next one line and
        // one character on. Only the lines where a checkpoint falls are visited.
        const qsizetype runEnd = endOfLineEndRun(text, i + 1);
        const qsizetype empties = runEnd - (i + 1);
        if (empties == 0)
            continue;
        const qsizetype firstLine = lineCount; // the line the first of them starts
        const qsizetype firstStart = lastLineStart + 1;
        qsizetype k = std::max<qsizetype>(0, std::min(nextCheckpointLine - firstLine,
                                                      nextCheckpointPosition - firstStart));
        for (; k < empties; k += LinesPerCheckpoint) {
            m_checkpoints.push_back({firstLine + k, firstStart + k});
            nextCheckpointLine = firstLine + k + LinesPerCheckpoint;
            nextCheckpointPosition = firstStart + k + CharactersPerCheckpoint;
        }
        lineCount += empties;
        lastLineStart = firstStart + empties - 1;
        i = runEnd - 1;
    }
    m_lineCount = lineCount;
    m_lastLineStart = lastLineStart;
    noteLineLength(m_lineCount - 1, m_text.size() - m_lastLineStart);
}

void TextBuffer::reserveMemory() {
    m_text.reserve(ReservedCharacters);
#ifdef MADV_HUGEPAGE
    // Only the whole huge pages inside the reservation can be asked for.
    constexpr std::uintptr_t HugePage = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(m_text.constData());
    const auto end = begin + std::uintptr_t(m_text.capacity()) * sizeof(QChar);
    const std::uintptr_t first = (begin + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t last = end & ~(HugePage - 1);
    if (first < last) // only advice: without huge pages the text still grows in place
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
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
