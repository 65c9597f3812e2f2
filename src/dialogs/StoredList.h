// SPDX-License-Identifier: MIT
#pragma once
// Lists the dialogs keep in the settings file: "count", "index" and one key per entry
// ("Address1", "Server1", ...).

#include "platform/ProfileFile.h"

#include <QStringList>

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

// The entries prefix1 .. prefixN of section, N = "count" capped at MaxStoredEntries.
QStringList loadEntries(const platform::ProfileFile& file, const QString& section,
                        const QString& prefix);

void storeEntries(platform::ProfileFile& file, const QString& section, const QString& prefix,
                  const QStringList& entries);

// Text cut to what a field of 50 bytes holds: 49 bytes of UTF-8, on one line.
QString fieldText(const QString& text);

// A typed text as a stored list keeps it: the settings file does not keep blanks at the ends
// of a value, so the entry is compared and stored as it will read back.
QString entryText(const QString& typed);

} // namespace dialogs
