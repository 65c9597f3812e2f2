#pragma once
// Settings files in the classic profile format: "[section]" lines open a section, "key=value"
// lines hold values. Section and key names compare without regard to case; a missing file,
// section or key reads as the caller's default. A write changes only the one value line (or
// adds it) and keeps every other line of the file in place, byte for byte.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace platform {

class ProfileFile {
public:
    // Loads the file; a missing or unreadable file reads as empty.
    explicit ProfileFile(QString path);

    const QString& path() const { return m_path; }

    // The value's leading decimal number with an optional minus sign ("7abc" reads 7,
    // "abc" reads 0), saturated to the int range; the default when the key is missing.
    int readInt(const QString& section, const QString& key, int defaultValue) const;

    // The value as text, cut to at most bufferSize - 1 bytes of UTF-8 (never inside a
    // character); the default when the key is missing.
    QString readString(const QString& section, const QString& key, const QString& defaultValue,
                       int bufferSize) const;

    // Sets the value in memory, creating section and key as needed; save() stores it.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int value);

    // Replaces the file atomically (temporary file, then rename). False when it failed.
    bool save();

private:
    struct Position {
        qsizetype sectionLine = -1; // line of the "[section]" header, -1 when missing
        qsizetype keyLine = -1;     // line of the key, -1 when missing
        qsizetype insertLine = -1;  // where a new key of the section goes
    };
    Position find(const QString& section, const QString& key) const;
    std::optional<QByteArray> rawValue(const QString& section, const QString& key) const;

    QString m_path;
    QList<QByteArray> m_lines; // without their line ends
    QByteArray m_lineEnd = "\n";
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
