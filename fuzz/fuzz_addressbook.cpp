// The address-book reader on any bytes: no crash, no read past a field, fields within their
// buffers, and what it loaded writes back and reads again the same.
#include "dialogs/AddressBookFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const dialogs::AddressBookContent content = dialogs::decodeAddressBook(bytes);
    // Every record costs at least 6 bytes in the file: nothing is made up from the count.
    if (content.records.size() * 6 > qsizetype(size))
        std::abort();
    const QByteArray written = dialogs::encodeAddressBook(content.records, content.selected);
    // A field never yields more characters than its buffer has bytes.
    for (const dialogs::InfoBlock& record : content.records) {
        if (record.address.size() >= dialogs::AddressBufferSize ||
            record.notes.size() >= dialogs::NotesBufferSize)
            std::abort();
    }
    const dialogs::AddressBookContent again = dialogs::decodeAddressBook(written);
    if (again.records.size() != content.records.size())
        std::abort();
    // Written back, an address comes back whole or cut at a character (Latin-1 letters take
    // two bytes in UTF-8).
    for (qsizetype i = 0; i < again.records.size(); ++i) {
        const QString& back = again.records[i].address;
        if (back != content.records[i].address.left(back.size()))
            std::abort();
    }
    return 0;
}
