// SPDX-License-Identifier: MIT
#pragma once
// "addrbook.adb": the address book on disk. Little-endian, no header beyond two numbers:
//   int32 N (entries), int32 selected list position (-1: none), then N records of
//   int16 A, A bytes of address with its NUL, int16 B, B bytes of notes with their NUL.
// Text is UTF-8; notes keep CR LF line ends in the file, and '\n' in memory.
//
// A damaged or hostile file loads what is whole and sound: reading stops at the first record
// that is cut short or whose lengths do not fit the fields, nothing is allocated by the
// announced count, and a field never takes more than its buffer holds. How many bytes were
// left unread is reported, so the user can be told before a save replaces them.

#include <QByteArray>
#include <QList>
#include <QString>

namespace dialogs {

// One entry (the classic record: 50 bytes of address, 250 of notes, each with its NUL).
struct InfoBlock {
    QString address; // empty: a free slot
    QString notes;   // lines separated by '\n'
    // The record's bytes as the file held them. While the record is not edited they are
    // written back as they were, so text another program wrote (Latin-1, bare LF, fields
    // without their NUL) is never re-encoded or cut; an edit clears them.
    QByteArray original = {};
};

inline constexpr int AddressBufferSize = 50;
inline constexpr int NotesBufferSize = 250;

// What the file on disk was when it was read: saving compares it with the file as it is then,
// to notice a change made meanwhile by another copy of the program.
struct FileStamp {
    qint64 size = -1;    // -1: no file
    qint64 modified = 0; // milliseconds since the epoch
    QByteArray hash;
    bool operator==(const FileStamp&) const = default;
};

// Far above any book a person keeps (50,000 entries take 1.5 MB): a file beyond either limit
// is not loaded whole, so no file can make the dialog slow or take all memory.
inline constexpr int MaxRecords = 100000;
inline constexpr qint64 MaxFileSize = 32 * 1024 * 1024;

struct AddressBookContent {
    QList<InfoBlock> records;  // in file order
    int selected = -1;         // the saved list position, as stored
    qsizetype unreadBytes = 0; // bytes of a damaged file that no whole record holds
    bool overLimit = false;    // reading stopped at MaxRecords; unreadBytes holds the rest
    // Whether a file stands at the path that cannot be read as a book: not a regular file
    // (a FIFO, a device, a link to one of them or to nothing), not readable, or larger than
    // MaxFileSize (tooLarge). Such a file is never written over.
    bool unreadable = false;
    bool tooLarge = false;
    FileStamp stamp;
    QByteArray bytes; // the file as read, for a copy kept aside
};

// The records as the list can show them: one per address text. A record that cannot be listed
// as it is (no address but notes, or the address of an earlier record, which includes a
// Latin-1 address that reads as the same text as a UTF-8 one) has its notes joined to the
// earlier record's where they fit; unlisted counts those records. A record with neither address
// nor notes is left out, and counted only when its fields hold bytes beyond their NUL.
struct ListedRecords {
    QList<InfoBlock> records;
    int unlisted = 0;
};
ListedRecords listRecords(const QList<InfoBlock>& records);

// Keeps bytes beside the book as path.damaged, or .damaged.2, .damaged.3, ... (the first name
// that is free, or that already holds the same bytes). The copy's path, or empty when none
// could be made.
QString keepCopy(const QString& path, const QByteArray& bytes);

// Bytes to content and back; encode writes the records in the order given. Decoding stops
// after maxRecords records.
AddressBookContent decodeAddressBook(const QByteArray& bytes, int maxRecords = MaxRecords);
QByteArray encodeAddressBook(const QList<InfoBlock>& records, int selected);

// The notes as the file holds them: UTF-8 with CR LF, cut to fit NotesBufferSize - 1 bytes
// without splitting a character or a line end.
QByteArray notesBytes(const QString& notes);
QString notesFromBytes(const QByteArray& bytes);

// A missing file is an empty book; see AddressBookContent for an unreadable one. Reading stops
// after MaxRecords records.
AddressBookContent loadAddressBook(const QString& path);
// Writes a temporary file and renames it over the old book, so a failed save (a full disk,
// a folder that cannot be written, something other than a regular file swapped in at the
// path) leaves the old book whole; the file keeps its permissions. false on any failure.
bool saveAddressBook(const QString& path, const QList<InfoBlock>& records, int selected);

} // namespace dialogs
