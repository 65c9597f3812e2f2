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

namespace net {

class ReplyText {
public:
    QString convert(const char* data, qsizetype size);
    QString convert(const QByteArray& bytes) { return convert(bytes.constData(), bytes.size()); }
    // The same, adding to out: plain ASCII and CR are converted in bulk, and only LF, NUL, the
    // controls below CR and bytes above 0x7F go through the state machine.
    void convertInto(const char* data, qsizetype size, QString& out);

    // What is still held back at the end of the reply: an unfinished UTF-8 sequence.
    QString finish();

private:
    QChar* emitByte(unsigned char byte, QChar* to);
    QChar* flushPending(QChar* to);

    bool m_afterCr = false;
    unsigned char m_pending[4] = {};
    int m_pendingSize = 0;
    int m_pendingNeeded = 0;
};

} // namespace net
