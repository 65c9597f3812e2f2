#pragma once
// "addrbook.adb": the address book on disk. Little-endian, no header beyond two numbers:
//   int32 N (entries), int32 selected list position (-1: none), then N records of
//   int16 A, A bytes of address with its NUL, int16 B, B bytes of notes with their NUL.
// Text is UTF-8; notes keep CR LF line ends in the file, and '\n' in memory.
//
// A damaged or hostile file loads what is whole and sound: reading stops at the first record
// that is cut short or whose lengths do not fit the fields, nothing is allocated by the
// announced count, and a field never takes more than its buffer holds.

#include <QByteArray>
#include <QList>
#include <QString>

namespace dialogs {

// One entry (the classic record: 50 bytes of address, 250 of notes, each with its NUL).
struct InfoBlock {
    QString address; // empty: a free slot
    QString notes;   // lines separated by '\n'
};

inline constexpr int AddressBufferSize = 50;
inline constexpr int NotesBufferSize = 250;

struct AddressBookContent {
    QList<InfoBlock> records; // in file order
    int selected = -1;        // the saved list position, as stored
};

// Bytes to content and back; encode writes the records in the order given.
AddressBookContent decodeAddressBook(const QByteArray& bytes);
QByteArray encodeAddressBook(const QList<InfoBlock>& records, int selected);

// The notes as the file holds them: UTF-8 with CR LF, cut to fit NotesBufferSize - 1 bytes
// without splitting a character or a line end.
QByteArray notesBytes(const QString& notes);
QString notesFromBytes(const QByteArray& bytes);

// A missing or unreadable file is an empty book.
AddressBookContent loadAddressBook(const QString& path);
// Writes a temporary file and renames it over the old book, so a failed save (a full disk,
// a folder that cannot be written) leaves the old book whole. false on any failure.
bool saveAddressBook(const QString& path, const QList<InfoBlock>& records, int selected);

} // namespace dialogs
