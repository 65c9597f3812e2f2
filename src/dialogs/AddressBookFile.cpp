// SPDX-License-Identifier: MIT
#include "AddressBookFile.h"
#include "platform/ProfileFile.h"
#include "platform/SafeSave.h"
#include "platform/Utf8Text.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace dialogs {

namespace {

// Far above the largest sound book (8 + N * 304 bytes for any list a person keeps).
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

// Reads little-endian numbers and fields from a byte array, never past its end.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool readInt32(qint32& value) { return read(value); }
    bool readInt16(qint16& value) { return read(value); }
    // A field of length bytes, ending in NUL; what comes before the first NUL is its text.
    bool readField(qint16 length, int capacity, QByteArray& text) {
        if (length < 1 || length > capacity || m_bytes.size() - m_at < length)
            return false;
        const QByteArray field = m_bytes.mid(m_at, length);
        m_at += length;
        const qsizetype nul = field.indexOf('\0');
        // A field without its NUL keeps what its buffer could hold.
        text = nul >= 0 ? field.left(nul) : platform::cutUtf8(field, capacity - 1);
        return true;
    }

private:
    template <typename T> bool read(T& value) {
        if (m_bytes.size() - m_at < qsizetype(sizeof(T)))
            return false;
        value = qFromLittleEndian<T>(m_bytes.constData() + m_at);
        m_at += qsizetype(sizeof(T));
        return true;
    }

public:
    qsizetype position() const { return m_at; }

private:
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
};

void appendInt16(QByteArray& out, qint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendInt32(QByteArray& out, qint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendField(QByteArray& out, const QByteArray& text) {
    appendInt16(out, qint16(text.size() + 1));
    out.append(text);
    out.append('\0');
}

} // namespace

QByteArray notesBytes(const QString& notes) {
    QString withCrLf = notes;
    withCrLf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QByteArray bytes = platform::cutUtf8(withCrLf.toUtf8(), NotesBufferSize - 1);
    if (bytes.endsWith('\r')) // never half a line end
        bytes.chop(1);
    return bytes;
}

QString notesFromBytes(const QByteArray& bytes) {
    // UTF-8 with the Latin-1 fallback of replies; every line end (CR LF, CR, LF) becomes '\n'.
    QString notes = platform::utf8::decodeLenient(bytes);
    notes.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return notes;
}

AddressBookContent decodeAddressBook(const QByteArray& bytes) {
    AddressBookContent content;
    Reader reader(bytes);
    qint32 count = 0;
    qint32 selected = -1;
    if (!reader.readInt32(count) || !reader.readInt32(selected)) {
        content.unreadBytes = bytes.size();
        return content;
    }
    content.selected = selected;
    qsizetype whole = reader.position(); // the end of the last whole record
    for (qint32 i = 0; i < count; ++i) {
        const qsizetype start = reader.position();
        qint16 length = 0;
        QByteArray address;
        QByteArray notes;
        if (!reader.readInt16(length) || !reader.readField(length, AddressBufferSize, address) ||
            !reader.readInt16(length) || !reader.readField(length, NotesBufferSize, notes))
            break; // the rest is damaged: keep the whole records before it
        content.records.append({platform::utf8::decodeLenient(address)
                                    .remove(QLatin1Char('\r'))
                                    .remove(QLatin1Char('\n')),
                                notesFromBytes(notes),
                                bytes.mid(start, reader.position() - start)});
        whole = reader.position();
    }
    content.unreadBytes = bytes.size() - whole;
    return content;
}

QByteArray encodeAddressBook(const QList<InfoBlock>& records, int selected) {
    QByteArray out;
    appendInt32(out, qint32(records.size()));
    appendInt32(out, selected);
    for (const InfoBlock& record : records) {
        if (!record.original.isEmpty()) {
            out.append(record.original);
            continue;
        }
        appendField(out, platform::cutUtf8(record.address.toUtf8(), AddressBufferSize - 1));
        appendField(out, notesBytes(record.notes));
    }
    return out;
}

AddressBookContent loadAddressBook(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {}; // no book yet
    AddressBookContent unreadable;
    unreadable.unreadable = true;
    QFile file(path);
    // Only a regular file is read: a FIFO would block, a device could be endless. A link is
    // followed; isFile() answers for what it points to.
    if (!info.isFile() || info.size() > MaxFileSize || !file.open(QIODevice::ReadOnly))
        return unreadable;
    const QByteArray bytes = file.read(MaxFileSize);
    if (file.error() != QFileDevice::NoError)
        return unreadable;
    AddressBookContent content = decodeAddressBook(bytes);
    content.stamp = {bytes.size(), info.lastModified().toMSecsSinceEpoch(),
                     QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)};
    return content;
}

bool saveAddressBook(const QString& path, const QList<InfoBlock>& records, int selected) {
    const QByteArray bytes = encodeAddressBook(records, selected);
    return platform::saveWholeFile(path, bytes) == platform::SaveOutcome::Saved;
}

} // namespace dialogs
