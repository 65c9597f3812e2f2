// SPDX-License-Identifier: MIT
#pragma once
// Settings files in the classic profile format: "[section]" lines open a section, "key=value"
// lines hold values; a line ends in LF, CR LF or a lone CR. Section and key names compare without regard to case; the first section
// of a name and its first key of a name count; a missing file, section or key reads as the
// caller's default. Values are UTF-8, and bytes that are not UTF-8 read as Latin-1 letters.
//
// The file is read once into blocks, one per section, each with an index of its keys, so a
// look-up costs the same in a file of a million lines as in one of ten. A write changes only
// its own value line (or adds one) and keeps every other line byte for byte, line end included;
// a value written equal to the one there leaves its line untouched. A load and save of an
// unchanged file writes nothing at all.
//
// Only a regular file of at most MaxFileSize bytes is read. A file that exists but cannot be
// read (no permission, a FIFO, a device, a link to one, too large) reads as empty and is never
// written over.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace platform {

class ProfileFile {
public:
    // Far above any settings file the program writes (about 60 KB with full lists).
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    explicit ProfileFile(QString path);
    // A file's content without the file, for tests and fuzzing; save() then fails.
    static ProfileFile fromContent(const QByteArray& content);

    const QString& path() const { return m_path; }
    // The file exists but could not be read; save() refuses to write over it.
    bool unreadable() const { return m_unreadable; }

    // The value's leading decimal number with an optional minus sign ("7abc" reads 7,
    // "abc" reads 0), saturated to the int range; the default when the key is missing.
    int readInt(const QString& section, const QString& key, int defaultValue) const;

    // The value as text, cut to at most bufferSize - 1 of the bytes the file holds (never
    // inside a UTF-8 character); the default when the key is missing.
    QString readString(const QString& section, const QString& key, const QString& defaultValue,
                       int bufferSize) const;

    // Sets the value in memory, creating section and key as needed; save() stores it. A line
    // break in a key or value becomes a blank: no value can add lines to the file.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int value);

    // The value's bytes as the file holds them, cut like readString; nothing when the key is
    // missing. writeBytes stores bytes as they are (a line break becomes a blank), so a value
    // read in another encoding can be written back unchanged wherever it moves.
    std::optional<QByteArray> readBytes(const QString& section, const QString& key,
                                        int bufferSize) const;
    void writeBytes(const QString& section, const QString& key, const QByteArray& value);
    // Takes out of the section every key line whose lower-case name drop accepts, in one pass;
    // the number of lines taken.
    qsizetype removeKeysIf(const QString& section,
                           const std::function<bool(const QByteArray& lowerKey)>& drop);
    // The size of the file save() would write.
    qint64 contentSize() const;

    // Replaces the file atomically (temporary file, then rename), checking that every byte was
    // written; on any failure the old file stays as it was. Nothing is written when nothing
    // changed. False when it failed, the file was unreadable or the content would pass
    // MaxFileSize (a file the program would not read back).
    bool save();
    // Test seam: the bytes save() would write.
    QByteArray content() const;

private:
    ProfileFile() = default;

    struct Line {
        QByteArray text; // without its line end
        QByteArray end;  // "\r\n", "\n", "\r", or empty for a last line without one
    };
    struct Block {
        QList<Line> lines; // a section's first line is its header
        // Lower-case key name -> line within the block, made on the block's first look-up.
        mutable QHash<QByteArray, qsizetype> keys;
        mutable bool indexed = false;
        qsizetype insertAt = 0; // after the last line that is not blank
    };

    void parse(const QByteArray& content);
    void indexKeys(const Block& block) const;
    void endLastLine();
    void setValue(const QString& section, const QString& key, const QByteArray& value);
    std::optional<QByteArray> rawValue(const QString& section, const QString& key) const;
    const Block* sectionBlock(const QString& section) const;
    qsizetype findSection(const QByteArray& lowerName) const;

    QString m_path;
    QByteArray m_raw; // the file as read; unchanged lines are views into it
    bool m_unreadable = false;
    bool m_changed = false;
    bool m_byteOrderMark = false;
    QByteArray m_lineEnd = "\n"; // for new lines: the style of the file's first line end
    QList<Block> m_blocks;       // [0] holds the lines before the first section
    // Lower-case section name -> its first block (-1: none), filled as names are asked for.
    mutable QHash<QByteArray, qsizetype> m_sections;
};

// The same operations as one-shot calls on a file: each read loads the file anew and each
// write saves it at once, as the classic profile functions do.
int getProfileInt(const QString& section, const QString& key, int defaultValue,
                  const QString& path);
QString getProfileString(const QString& section, const QString& key, const QString& defaultValue,
                         int bufferSize, const QString& path);
bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& path);

// Cuts UTF-8 text to at most maxBytes bytes without splitting a character.
QByteArray cutUtf8(const QByteArray& text, qsizetype maxBytes);

} // namespace platform
