// SPDX-License-Identifier: MIT
#pragma once
// Lists the dialogs keep in the settings file: "count", "index" and one key per entry
// ("Address1", "Server1", ...).

#include "platform/ProfileFile.h"

#include <QStringList>

class QComboBox;
class QWidget;

namespace dialogs {

// A damaged or hostile file may claim any count; no more entries than this are loaded. It is
// far above any list a person keeps, and the first entries are the ones kept.
inline constexpr int MaxStoredEntries = 1000;

// Entries are read into buffers of 55 bytes and typed into fields of 50.
inline constexpr int EntryBufferSize = 55;
inline constexpr int FieldBufferSize = 50;

// Whether a typed address or server joins a stored list: its first byte lies from '!' to 'z'
// and at least one byte lies from '0' to 'z', bytes taken as signed 8-bit values (so no byte of
// a non-ASCII character ever matches).
bool passesEntryCheck(const QString& text);

// One entry of a stored list: its text, and the bytes the file held it in. An entry the user
// did not change is written back with those bytes wherever it moves in the list, so text in
// another encoding (Latin-1) is never re-encoded, and so never cut when read back.
struct StoredEntry {
    QString text;
    QByteArray bytes; // empty: a new entry, written as UTF-8
};

// The entries prefix1 .. prefixN of section, N = "count" capped at MaxStoredEntries, each read
// into a buffer of bufferSize bytes.
QList<StoredEntry> loadEntries(const platform::ProfileFile& file, const QString& section,
                               const QString& prefix, int bufferSize = EntryBufferSize);

void storeEntries(platform::ProfileFile& file, const QString& section, const QString& prefix,
                  const QList<StoredEntry>& entries);

// Saves the settings file. When it would grow past what the program reads
// (ProfileFile::MaxFileSize), the finger history makes room first: keys left over beyond its
// count, then entries from the end of the list, until the file fits with room to spare; the
// user's other settings, and history entries used in this run, are never dropped.
// droppedEntries tells how many history entries went.
bool saveSettings(platform::ProfileFile& file, int* droppedEntries = nullptr);
// A history entry the user has used in this run of the program (the address of a finger query).
void noteUsedThisRun(const QString& entry);
// Tells the user, in a warning box, when saving had to drop history entries (none: nothing).
void warnOfDroppedHistory(QWidget* parent, const QString& path, int droppedEntries);
// saveSettings, then that warning.
bool saveSettingsAndWarn(QWidget* parent, platform::ProfileFile& file, const QString& path);

// The entries of a stored list's box from row from on, each with the bytes it was read in.
QList<StoredEntry> listedEntries(const QComboBox& box, int from = 0);

// Inserts an entry at its place in the case-insensitive order, after equal ones; returns the
// position. The entry's file bytes ride along as the item's data (empty for a typed entry).
int insertSorted(QComboBox* box, const QString& entry, const QByteArray& bytes = {});

// A history as the Finger dialog keeps its addresses: sorted without regard to case, with the
// entry last used selected when the history is kept (keep), an empty field otherwise.
void loadHistory(QComboBox& box, const platform::ProfileFile& file, const QString& section,
                 const QString& prefix, bool keep, int bufferSize = EntryBufferSize);
// Adds typed to the history (when it passes the entry check and is new) and stores the list.
// A list longer than MaxStoredEntries loses entries from its end first (never the entry
// chosen, nor one used in this run); returns how many went.
int storeHistory(QComboBox& box, platform::ProfileFile& file, const QString& section,
                 const QString& prefix, const QString& typed);
// Tells the user, in a warning box, that storeHistory dropped entries (none: nothing).
void warnOfFullHistory(QWidget* parent, int droppedEntries);

// Text cut to what a field of 50 bytes holds: 49 bytes of UTF-8, on one line.
QString fieldText(const QString& text);

// A typed text as a stored list keeps it: the settings file does not keep blanks at the ends
// of a value, so the entry is compared and stored as it will read back.
QString entryText(const QString& typed);

} // namespace dialogs
