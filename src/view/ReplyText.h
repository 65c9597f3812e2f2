// SPDX-License-Identifier: MIT
#pragma once
// Turns the bytes of a reply into window text, block by block, carrying its state from one
// block to the next:
//  - every line end (LF, CR LF, a lone CR) becomes one '\n', also when a CR ends one block and
//    its LF starts the next;
//  - a NUL byte is kept as the character U+0000 (the window shows it as a box, and Copy, Save
//    As and Find keep it);
//  - bytes decode as UTF-8, a character split between blocks comes out whole, and a byte that is
//    not part of valid UTF-8 shows as its Latin-1 character, so nothing is dropped or replaced.

#include <QByteArray>
#include <QString>

namespace view {

class ReplyText {
public:
    QString convert(const char* data, qsizetype size);
    QString convert(const QByteArray& bytes) { return convert(bytes.constData(), bytes.size()); }
    // The same, adding to out: plain ASCII and CR are converted in bulk, and only LF, NUL, the
    // controls below CR and bytes above 0x7F go through the state machine.
    void convertInto(const char* data, qsizetype size, QString& out);

    // The same for a block whose text is all Latin-1 (up to U+00FF), as most replies are,
    // writing a byte a character. False, with nothing written or changed, when a byte of the
    // block (or a sequence held back from the block before) could start a character beyond.
    bool convertLatin1Into(const char* data, qsizetype size, QByteArray& out);

    // What is still held back at the end of the reply: an unfinished UTF-8 sequence.
    QString finish();

private:
    template <typename Unit>
    Unit* convertBytes(const unsigned char* bytes, qsizetype size, Unit* to);
    template <typename Unit> Unit* emitByte(unsigned char byte, Unit* to);
    template <typename Unit> Unit* flushPending(Unit* to);

    bool m_afterCr = false;
    unsigned char m_pending[4] = {};
    int m_pendingSize = 0;
    int m_pendingNeeded = 0;
};

} // namespace view
