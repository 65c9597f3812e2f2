// SPDX-License-Identifier: MIT
#include "TextBuffer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>
#include <sys/mman.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace view {

namespace {

// Line ends are looked for eight characters at a time with SSE2: QStringView::indexOf costs
// more in call overhead than the scan of a short line, and runs of line ends are common.
#ifdef __SSE2__
// Two bits for each of the eight characters at chars, set where the character is '\n'.
unsigned lineEndBits(const char16_t* chars) {
    const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars));
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(eight, _mm_set1_epi16('\n'))));
}
#endif

// The first '\n' at or after from, or size when there is none.
qsizetype findLineEnd(const char16_t* chars, qsizetype from, qsizetype size) {
    qsizetype i = from;
#ifdef __SSE2__
    for (; i + 8 <= size; i += 8)
        if (const unsigned bits = lineEndBits(chars + i); bits != 0)
            return i + std::countr_zero(bits) / 2;
#endif
    while (i < size && chars[i] != u'\n')
        ++i;
    return i;
}

// The first character at or after from that is not '\n', or size when there is none.
qsizetype endOfLineEndRun(const char16_t* chars, qsizetype from, qsizetype size) {
    qsizetype i = from;
#ifdef __SSE2__
    for (; i + 8 <= size; i += 8)
        if (const unsigned bits = lineEndBits(chars + i); bits != 0xFFFF)
            return i + std::countr_zero(~bits) / 2;
#endif
    while (i < size && chars[i] == u'\n')
        ++i;
    return i;
}

// Asks for huge pages in the whole 2 MiB pages inside the range. Only advice: without them the
// memory is the same, in smaller pages.
void adviseHugePages([[maybe_unused]] const void* start, [[maybe_unused]] size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t HugePage = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t first = (begin + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(HugePage - 1);
    if (first < last)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

} // namespace

TextBuffer::TextBuffer() {
    clear();
}

void TextBuffer::clear() {
    m_text = QString();
    m_checkpoints = std::vector<Checkpoint>(1, Checkpoint{0, 0}); // gives the memory back
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
    // The line ends are indexed with the members held in locals, and the empty lines of a run
    // of line ends are counted in one step.
    qsizetype lineCount = m_lineCount;
    qsizetype lastLineStart = m_lastLineStart;
    qsizetype nextCheckpointLine = m_checkpoints.back().line + LinesPerCheckpoint;
    qsizetype nextCheckpointPosition = m_checkpoints.back().position + CharactersPerCheckpoint;
    const char16_t* chars = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        i = findLineEnd(chars, i, size);
        if (i == size)
            break;
        const qsizetype end = base + i;
        if (end - lastLineStart > m_longestLength)
            noteLineLength(lineCount - 1, end - lastLineStart);
        // The next line starts after the line end, with a checkpoint there when one is due.
        lastLineStart = end + 1;
        ++lineCount;
        if (lineCount - 1 >= nextCheckpointLine || lastLineStart >= nextCheckpointPosition) {
            m_checkpoints.push_back({lineCount - 1, lastLineStart});
            nextCheckpointLine = lineCount - 1 + LinesPerCheckpoint;
            nextCheckpointPosition = lastLineStart + CharactersPerCheckpoint;
        }

        // Each further line end of the run ends an empty line and starts the next one line and
        // one character on. Only the lines where a checkpoint falls are visited.
        const qsizetype runEnd = endOfLineEndRun(chars, i + 1, size);
        const qsizetype empties = runEnd - (i + 1);
        if (empties == 0)
            continue;
        const qsizetype firstLine = lineCount; // the line the first of them starts
        const qsizetype firstStart = lastLineStart + 1;
        qsizetype k = std::max<qsizetype>(
            0, std::min(nextCheckpointLine - firstLine, nextCheckpointPosition - firstStart));
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
    try {
        m_text.reserve(ReservedCharacters);
        // A text of nothing but line ends has a checkpoint every LinesPerCheckpoint characters.
        m_checkpoints.reserve(ReservedCharacters / LinesPerCheckpoint + 1);
    } catch (const std::bad_alloc&) {
        return; // a system that will not lend the address space: both grow as they must
    }
    adviseHugePages(m_text.constData(), size_t(m_text.capacity()) * sizeof(QChar));
    adviseHugePages(m_checkpoints.data(), m_checkpoints.capacity() * sizeof(Checkpoint));
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
