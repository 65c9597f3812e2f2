// SPDX-License-Identifier: MIT
#include "AddressBookFile.h"
#include "platform/ProfileFile.h"
#include "platform/RegularFile.h"
#include "platform/SafeSave.h"
#include "platform/Utf8Text.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QtEndian>

namespace dialogs {

namespace {

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

AddressBookContent decodeAddressBook(const QByteArray& bytes, int maxRecords) {
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
        if (i >= maxRecords) {
            content.overLimit = true;
            break;
        }
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
    // Only a regular file is read: a FIFO would block, a device could be endless. A link is
    // followed to the file it names.
    platform::RegularFile file = platform::readRegularFile(path, MaxFileSize);
    if (file.status == platform::RegularFile::Missing)
        return {}; // no book yet
    if (!file.ok()) {
        AddressBookContent unreadable;
        unreadable.unreadable = true;
        unreadable.tooLarge = file.status == platform::RegularFile::TooLarge;
        return unreadable;
    }
    AddressBookContent content = decodeAddressBook(file.bytes);
    content.stamp = {file.bytes.size(), file.modified,
                     QCryptographicHash::hash(file.bytes, QCryptographicHash::Sha256)};
    content.bytes = std::move(file.bytes);
    return content;
}

ListedRecords listRecords(const QList<InfoBlock>& records) {
    ListedRecords listed;
    QHash<QString, qsizetype> at;
    // An empty slot as the program writes one: two fields holding nothing but their NUL.
    static const QByteArray emptySlot = QByteArray::fromHex("010000010000");
    for (const InfoBlock& record : records) {
        if (record.address.isEmpty() && record.notes.isEmpty()) {
            // Nothing to list; but fields holding bytes beyond their NUL are counted, so the
            // file that holds them is kept.
            if (!record.original.isEmpty() && record.original != emptySlot)
                ++listed.unlisted;
            continue;
        }
        const auto earlier = at.constFind(record.address);
        if (!record.address.isEmpty() && earlier == at.cend()) {
            at.insert(record.address, listed.records.size());
            listed.records.append(record);
            continue;
        }
        ++listed.unlisted;
        if (earlier == at.cend() || record.notes.isEmpty())
            continue;
        InfoBlock& kept = listed.records[*earlier];
        if (kept.notes == record.notes)
            continue;
        const QString joined =
            kept.notes.isEmpty() ? record.notes : kept.notes + QLatin1Char('\n') + record.notes;
        // In the file each line end takes two bytes (CR LF).
        if (joined.toUtf8().size() + joined.count(QLatin1Char('\n')) <= NotesBufferSize - 1) {
            kept.notes = joined;
            kept.original.clear();
        }
    }
    return listed;
}

QString keepCopy(const QString& path, const QByteArray& bytes) {
    for (int n = 1; n < 1000; ++n) {
        const QString name =
            path + QStringLiteral(".damaged") + (n > 1 ? QStringLiteral(".%1").arg(n) : QString());
        const platform::RegularFile existing =
            platform::readRegularFile(name, bytes.size(), platform::LinkPolicy::ReplaceLinks);
        if (existing.ok() && existing.bytes == bytes)
            return name; // kept already
        if (existing.status != platform::RegularFile::Missing)
            continue; // an older copy, or something else: never written over
        platform::SaveOptions options;
        options.links = platform::LinkPolicy::ReplaceLinks;
        return platform::saveWholeFile(name, bytes, options) == platform::SaveOutcome::Saved
                   ? name
                   : QString();
    }
    return {};
}

bool saveAddressBook(const QString& path, const QList<InfoBlock>& records, int selected) {
    const QByteArray bytes = encodeAddressBook(records, selected);
    return platform::saveWholeFile(path, bytes) == platform::SaveOutcome::Saved;
}

} // namespace dialogs
