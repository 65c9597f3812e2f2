// SPDX-License-Identifier: MIT
#pragma once
// The output window's text: characters with '\n' between lines, and a sparse index of line
// starts. Text is only ever appended or cleared, so the index only grows.
//
// The characters are stored in chunks of 256 Ki characters, each in 8 bits (Latin-1) until a
// character beyond U+00FF arrives in it, and in UTF-16 from then on: a reply that is all
// Latin-1, as most are, costs a byte a character, and one with other characters costs two
// only in the chunks that hold them. A chunk is mapped memory of its own, its pages made in
// one step when it is started, so nothing moves or is copied as the text grows. Clear keeps
// the 8-bit chunks' memory for the next text (a query clears the window, and making pages
// costs more than filling them); the window gives back what the next text has not taken.
//
// The index keeps a checkpoint (line number, position of its first character) every 32 lines,
// and at the first line start 64 Ki characters or more past the previous checkpoint. Finding a
// line therefore scans at most 31 line ends within 64 Ki characters, and a line costs the
// index about half a byte on average, so a text of nothing but line ends stays small. Room for
// the checkpoints of the output window's whole capacity is reserved at the first append: again
// address space only, written as it is needed.

#include "TextRange.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

namespace view {

class TextBuffer {
public:
    TextBuffer();
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    QChar at(qsizetype position) const;
    // Characters [from, from + n) as UTF-16: a view of the text where it is stored so, else
    // written into scratch. The view lasts until scratch changes or the text is cleared.
    QStringView slice(qsizetype from, qsizetype n, QString& scratch) const;
    QString mid(qsizetype from, qsizetype n) const;
    QString toString() const { return mid(0, m_size); }
    TextRange range(qsizetype from, qsizetype n) const { return TextRange(*this, from, n); }
    // The size without the line ends at the end of the text.
    qsizetype endBeforeTrailingLineEnds() const;
    // The memory the characters are stored in (the chunks' written part).
    qsizetype storedBytes() const;

    // At least one: an empty text has one empty line, and a text ending in '\n' has an empty
    // last line.
    qsizetype lineCount() const { return m_lineCount; }
    qsizetype lineStart(qsizetype line) const;
    qsizetype lineLength(qsizetype line) const;
    TextRange line(qsizetype line) const;
    qsizetype lineOfPosition(qsizetype position) const;

    // The line with the most characters (the first of equals), for the horizontal extent.
    qsizetype longestLine() const { return m_longestLine; }

    void append(QStringView text);
    void appendLatin1(QLatin1StringView text);
    // Empties the text. The memory of its 8-bit chunks is kept for the next text until
    // releaseSpareMemory() gives it back.
    void clear();
    bool hasSpareMemory() const { return !m_spare.empty(); }
    void releaseSpareMemory();

private:
    class Chunk;
    struct Checkpoint {
        qsizetype line;
        qsizetype position;
    };
    static constexpr qsizetype LinesPerCheckpoint = 32;
    static constexpr qsizetype CharactersPerCheckpoint = 64 * 1024;
    static constexpr qsizetype IndexedCharacters = qsizetype(64) * 1024 * 1024;

    void reserveIndex();
    Chunk& chunkWithRoom();
    // Indexes the line ends of text just stored at base.
    template <typename Unit> void index(const Unit* chars, qsizetype size, qsizetype base);
    // The first '\n' at or after from, or size() when there is none.
    qsizetype findLineEnd(qsizetype from) const;
    qsizetype countLineEnds(qsizetype from, qsizetype to) const;
    void copyOut(qsizetype from, qsizetype n, char16_t* out) const;
    const Checkpoint& checkpointForLine(qsizetype line) const;
    const Checkpoint& checkpointForPosition(qsizetype position) const;
    void noteLineLength(qsizetype line, qsizetype length);

    std::vector<std::unique_ptr<Chunk>> m_chunks;
    std::vector<char*> m_spare; // 8-bit chunk memory of a cleared text, its pages made
    qsizetype m_size = 0;
    std::vector<Checkpoint> m_checkpoints;
    qsizetype m_lineCount = 1;
    qsizetype m_lastLineStart = 0;
    qsizetype m_longestLine = 0;
    qsizetype m_longestLength = 0;
};

} // namespace view
