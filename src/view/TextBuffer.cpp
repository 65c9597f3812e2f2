// SPDX-License-Identifier: MIT
#include "TextBuffer.h"
#include "TextScan.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace view {

using scan::endBeforeLineEnds;
using scan::endOfLineEndRun;
using scan::narrowInto;
using scan::widenInto;

namespace {

// Anonymous memory for a chunk, its pages made at once: one call for the whole chunk costs
// half of what a fault for each page would.
void* mapPages(size_t bytes) {
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    return memory;
}

} // namespace

// Room for Size characters in mapped memory: 8 bits each until one does not fit, then the
// chunk is copied once into 16-bit storage.
class TextBuffer::Chunk {
public:
    static constexpr int Shift = 18;
    static constexpr qsizetype Size = qsizetype(1) << Shift;

    // memory: Size bytes of mapped memory, which the chunk owns from now on.
    explicit Chunk(char* memory) : m_narrow(memory) {}
    ~Chunk() {
        if (m_wide)
            munmap(m_wide, Size * sizeof(char16_t));
        if (m_narrow)
            munmap(m_narrow, Size);
    }
    Chunk(const Chunk&) = delete;
    Chunk& operator=(const Chunk&) = delete;

    qsizetype size() const { return m_size; }
    qsizetype room() const { return Size - m_size; }
    const char* narrow() const { return m_wide ? nullptr : m_narrow; }
    const char16_t* wide() const { return m_wide; }
    QChar at(qsizetype i) const {
        return m_wide ? QChar(m_wide[i]) : QChar(static_cast<unsigned char>(m_narrow[i]));
    }
    qsizetype bytes() const { return m_size * (m_wide ? 2 : 1); }
    // Gives up its 8-bit memory for another chunk; nullptr when the chunk holds UTF-16.
    char* takeNarrowMemory() { return m_wide ? nullptr : std::exchange(m_narrow, nullptr); }

    // Adds text, which must fit.
    void append(QStringView text) {
        const char16_t* chars = text.utf16();
        qsizetype n = text.size();
        if (!m_wide) {
            const qsizetype narrowed = narrowInto(chars, n, m_narrow + m_size);
            m_size += narrowed;
            if (narrowed == n)
                return;
            widen();
            chars += narrowed;
            n -= narrowed;
        }
        std::memcpy(m_wide + m_size, chars, size_t(n) * sizeof(char16_t));
        m_size += n;
    }

    // Adds Latin-1 text, which must fit.
    void appendLatin1(const char* chars, qsizetype n) {
        if (m_wide)
            widenInto(chars, n, m_wide + m_size);
        else
            std::memcpy(m_narrow + m_size, chars, size_t(n));
        m_size += n;
    }

private:
    void widen() {
        auto* wide = static_cast<char16_t*>(mapPages(Size * sizeof(char16_t)));
        widenInto(m_narrow, m_size, wide);
        munmap(m_narrow, Size);
        m_narrow = nullptr;
        m_wide = wide;
    }

    char* m_narrow = nullptr;
    char16_t* m_wide = nullptr;
    qsizetype m_size = 0;
};

TextBuffer::TextBuffer() {
    clear();
}

TextBuffer::~TextBuffer() {
    m_chunks.clear();
    releaseSpareMemory();
}

void TextBuffer::clear() {
    // The 8-bit chunks' memory is kept for the next text: its pages are made already.
    for (const auto& chunk : m_chunks)
        if (char* memory = chunk->takeNarrowMemory())
            m_spare.push_back(memory);
    m_chunks.clear();
    m_size = 0;
    m_checkpoints = std::vector<Checkpoint>(1, Checkpoint{0, 0}); // gives the memory back
    m_lineCount = 1;
    m_lastLineStart = 0;
    m_longestLine = 0;
    m_longestLength = 0;
}

QChar TextBuffer::at(qsizetype position) const {
    return m_chunks[size_t(position >> Chunk::Shift)]->at(position & (Chunk::Size - 1));
}

void TextBuffer::copyOut(qsizetype from, qsizetype n, char16_t* out) const {
    while (n > 0) {
        const Chunk& chunk = *m_chunks[size_t(from >> Chunk::Shift)];
        const qsizetype offset = from & (Chunk::Size - 1);
        const qsizetype take = std::min(n, chunk.size() - offset);
        if (chunk.wide())
            std::memcpy(out, chunk.wide() + offset, size_t(take) * sizeof(char16_t));
        else
            widenInto(chunk.narrow() + offset, take, out);
        out += take;
        from += take;
        n -= take;
    }
}

QStringView TextBuffer::slice(qsizetype from, qsizetype n, QString& scratch) const {
    from = std::clamp<qsizetype>(from, 0, m_size);
    n = std::clamp<qsizetype>(n, 0, m_size - from);
    if (n == 0)
        return {};
    const Chunk& chunk = *m_chunks[size_t(from >> Chunk::Shift)];
    const qsizetype offset = from & (Chunk::Size - 1);
    if (chunk.wide() && offset + n <= chunk.size())
        return QStringView(chunk.wide() + offset, n);
    scratch.resize(n);
    copyOut(from, n, reinterpret_cast<char16_t*>(scratch.data()));
    return scratch;
}

QString TextBuffer::mid(qsizetype from, qsizetype n) const {
    from = std::clamp<qsizetype>(from, 0, m_size);
    n = std::clamp<qsizetype>(n, 0, m_size - from);
    QString text(n, Qt::Uninitialized);
    copyOut(from, n, reinterpret_cast<char16_t*>(text.data()));
    return text;
}

qsizetype TextBuffer::endBeforeTrailingLineEnds() const {
    qsizetype end = m_size;
    for (auto chunk = m_chunks.rbegin(); chunk != m_chunks.rend(); ++chunk) {
        const qsizetype size = (*chunk)->size();
        const qsizetype kept = (*chunk)->wide() ? endBeforeLineEnds((*chunk)->wide(), size)
                                                : endBeforeLineEnds((*chunk)->narrow(), size);
        end -= size - kept;
        if (kept > 0)
            break;
    }
    return end;
}

qsizetype TextBuffer::storedBytes() const {
    qsizetype bytes = 0;
    for (const auto& chunk : m_chunks)
        bytes += chunk->bytes();
    return bytes;
}

void TextBuffer::reserveIndex() {
    if (m_checkpoints.capacity() >= size_t(IndexedCharacters / LinesPerCheckpoint))
        return;
    try {
        // A text of nothing but line ends has a checkpoint every LinesPerCheckpoint characters.
        m_checkpoints.reserve(size_t(IndexedCharacters / LinesPerCheckpoint) + 1);
    } catch (const std::bad_alloc&) {
        // a system that will not lend the address space: the index grows as it must
    }
}

TextBuffer::Chunk& TextBuffer::chunkWithRoom() {
    if (m_chunks.empty() || m_chunks.back()->room() == 0) {
        char* memory = nullptr;
        if (m_spare.empty()) {
            memory = static_cast<char*>(mapPages(Chunk::Size));
        } else {
            memory = m_spare.back();
            m_spare.pop_back();
        }
        m_chunks.push_back(std::make_unique<Chunk>(memory));
    }
    return *m_chunks.back();
}

void TextBuffer::releaseSpareMemory() {
    for (char* memory : m_spare)
        munmap(memory, Chunk::Size);
    m_spare.clear();
}

void TextBuffer::append(QStringView text) {
    if (text.isEmpty())
        return;
    reserveIndex();
    const qsizetype base = m_size;
    for (QStringView rest = text; !rest.isEmpty();) {
        Chunk& chunk = chunkWithRoom();
        const qsizetype take = std::min(rest.size(), chunk.room());
        chunk.append(rest.first(take));
        m_size += take;
        rest = rest.sliced(take);
    }
    index(text.utf16(), text.size(), base);
}

void TextBuffer::appendLatin1(QLatin1StringView text) {
    if (text.isEmpty())
        return;
    reserveIndex();
    const qsizetype base = m_size;
    for (qsizetype done = 0; done < text.size();) {
        Chunk& chunk = chunkWithRoom();
        const qsizetype take = std::min(text.size() - done, chunk.room());
        chunk.appendLatin1(text.data() + done, take);
        m_size += take;
        done += take;
    }
    index(text.data(), text.size(), base);
}

template <typename Unit> void TextBuffer::index(const Unit* chars, qsizetype size, qsizetype base) {
    // The line ends are indexed with the members held in locals, and the empty lines of a run
    // of line ends are counted in one step.
    qsizetype lineCount = m_lineCount;
    qsizetype lastLineStart = m_lastLineStart;
    qsizetype nextCheckpointLine = m_checkpoints.back().line + LinesPerCheckpoint;
    qsizetype nextCheckpointPosition = m_checkpoints.back().position + CharactersPerCheckpoint;
    for (qsizetype i = 0; i < size; ++i) {
        i = scan::findLineEnd(chars, i, size);
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
    noteLineLength(m_lineCount - 1, m_size - m_lastLineStart);
}

qsizetype TextBuffer::findLineEnd(qsizetype from) const {
    while (from < m_size) {
        const Chunk& chunk = *m_chunks[size_t(from >> Chunk::Shift)];
        const qsizetype offset = from & (Chunk::Size - 1);
        const qsizetype chunkStart = from - offset;
        if (chunk.wide()) {
            const qsizetype end = scan::findLineEnd(chunk.wide(), offset, chunk.size());
            if (end < chunk.size())
                return chunkStart + end;
        } else if (const void* found =
                       std::memchr(chunk.narrow() + offset, '\n', size_t(chunk.size() - offset))) {
            return chunkStart + (static_cast<const char*>(found) - chunk.narrow());
        }
        from = chunkStart + chunk.size();
    }
    return m_size;
}

qsizetype TextBuffer::countLineEnds(qsizetype from, qsizetype to) const {
    qsizetype count = 0;
    while (from < to) {
        const Chunk& chunk = *m_chunks[size_t(from >> Chunk::Shift)];
        const qsizetype offset = from & (Chunk::Size - 1);
        const qsizetype n = std::min(to - from, chunk.size() - offset);
        if (chunk.wide())
            count += QStringView(chunk.wide() + offset, n).count(u'\n');
        else
            count += std::count(chunk.narrow() + offset, chunk.narrow() + offset + n, '\n');
        from += n;
    }
    return count;
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
    for (qsizetype l = checkpoint.line; l < line; ++l)
        position = findLineEnd(position) + 1;
    return position;
}

qsizetype TextBuffer::lineLength(qsizetype line) const {
    const qsizetype start = lineStart(line);
    if (line >= m_lineCount - 1)
        return m_size - start;
    return findLineEnd(start) - start;
}

TextRange TextBuffer::line(qsizetype line) const {
    line = std::clamp<qsizetype>(line, 0, m_lineCount - 1);
    const qsizetype start = lineStart(line);
    const qsizetype end = line == m_lineCount - 1 ? m_size : findLineEnd(start);
    return TextRange(*this, start, end - start);
}

qsizetype TextBuffer::lineOfPosition(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, m_size);
    if (position >= m_lastLineStart)
        return m_lineCount - 1;
    const Checkpoint& checkpoint = checkpointForPosition(position);
    // Every line start between this checkpoint and the position lies within the checkpoint's
    // reach, so the count of line ends stops there.
    const qsizetype reach = std::min(position, checkpoint.position + CharactersPerCheckpoint);
    return checkpoint.line + countLineEnds(checkpoint.position, reach);
}

} // namespace view
