// SPDX-License-Identifier: MIT
// The address-book reader on any bytes: no crash, no read past a field, fields within their
// buffers, and the round trip that saving relies on: what was loaded, written back, loads as
// the same records, and written a second time gives the same bytes.
#include "dialogs/AddressBookFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const dialogs::AddressBookContent content = dialogs::decodeAddressBook(bytes);
    // Every record costs at least 6 bytes in the file: nothing is made up from the count.
    if (content.records.size() * 6 > qsizetype(size))
        std::abort();
    // Whole records and the unread rest account for every byte after the two numbers.
    qsizetype accounted = content.unreadBytes;
    for (const dialogs::InfoBlock& record : content.records)
        accounted += record.original.size();
    if (size >= 8 && accounted + 8 != qsizetype(size))
        std::abort();
    // A field never yields more characters than its buffer has bytes.
    for (const dialogs::InfoBlock& record : content.records) {
        if (record.address.size() >= dialogs::AddressBufferSize ||
            record.notes.size() >= dialogs::NotesBufferSize)
            std::abort();
    }
    const QByteArray written = dialogs::encodeAddressBook(content.records, content.selected);
    const dialogs::AddressBookContent again = dialogs::decodeAddressBook(written);
    if (again.records.size() != content.records.size() || again.unreadBytes != 0 ||
        again.selected != content.selected)
        std::abort();
    for (qsizetype i = 0; i < again.records.size(); ++i) {
        if (again.records[i].address != content.records[i].address ||
            again.records[i].notes != content.records[i].notes ||
            again.records[i].original != content.records[i].original)
            std::abort();
    }
    if (dialogs::encodeAddressBook(again.records, again.selected) != written)
        std::abort();
    // A record encoded anew (as after an edit) reads back cut at a character at most.
    QList<dialogs::InfoBlock> edited = content.records;
    for (dialogs::InfoBlock& record : edited)
        record.original.clear();
    const dialogs::AddressBookContent reencoded =
        dialogs::decodeAddressBook(dialogs::encodeAddressBook(edited, content.selected));
    for (qsizetype i = 0; i < reencoded.records.size(); ++i) {
        const QString& back = reencoded.records[i].address;
        if (back != content.records[i].address.left(back.size()))
            std::abort();
    }
    return 0;
}
