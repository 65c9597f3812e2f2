// SPDX-License-Identifier: MIT
#pragma once
// The output window's text: one flat string with '\n' between lines, and a sparse index of
// line starts. Text is only ever appended or cleared, so the index only grows.
//
// The index keeps a checkpoint (line number, position of its first character) every 32 lines,
// and at the first line start 64 Ki characters or more past the previous checkpoint. Finding a
// line therefore scans at most 31 line ends within 64 Ki characters, and a line costs the
// index about half a byte on average, so a text of nothing but line ends stays small.
//
// The first append reserves room for ReservedCharacters, the output window's capacity, and for
// the checkpoints such a text can need. That is address space only: the kernel gives memory to
// the pages as they are written, so neither moves or gets copied as it grows, and the room is
// asked to come in huge pages, one page fault per 2 MiB written rather than per 4 KiB. Text
// beyond it, or on a system that will not lend that much address space, grows as it comes.

#include <QString>
#include <QStringView>

#include <vector>

namespace view {

class TextBuffer {
public:
    TextBuffer();

    const QString& text() const { return m_text; }
    qsizetype size() const { return m_text.size(); }
    bool isEmpty() const { return m_text.isEmpty(); }

    // At least one: an empty text has one empty line, and a text ending in '\n' has an empty
    // last line.
    qsizetype lineCount() const { return m_lineCount; }
    qsizetype lineStart(qsizetype line) const;
    qsizetype lineLength(qsizetype line) const;
    QStringView line(qsizetype line) const;
    qsizetype lineOfPosition(qsizetype position) const;

    // The line with the most characters (the first of equals), for the horizontal extent.
    qsizetype longestLine() const { return m_longestLine; }

    void append(QStringView text);
    void clear();

private:
    struct Checkpoint {
        qsizetype line;
        qsizetype position;
    };
    static constexpr qsizetype LinesPerCheckpoint = 32;
    static constexpr qsizetype CharactersPerCheckpoint = 64 * 1024;
    static constexpr qsizetype ReservedCharacters = qsizetype(64) * 1024 * 1024;

    const Checkpoint& checkpointForLine(qsizetype line) const;
    const Checkpoint& checkpointForPosition(qsizetype position) const;
    void noteLineLength(qsizetype line, qsizetype length);
    void reserveMemory();

    QString m_text;
    std::vector<Checkpoint> m_checkpoints;
    qsizetype m_lineCount = 1;
    qsizetype m_lastLineStart = 0;
    qsizetype m_longestLine = 0;
    qsizetype m_longestLength = 0;
};

} // namespace view
