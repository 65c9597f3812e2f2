// SPDX-License-Identifier: MIT
#pragma once
// What a window makes of a call's output: each exchange's reply bytes decoded block by block
// (ReplyText), the running count on the status bar ("N bytes received"), and never more text
// than the window can hold; past that the call only counts bytes (", window full"). Text the
// call writes itself (a referral line, an RDAP answer, DNS records) shares the same capacity,
// with a small reserve past it so that the line that ends a call is never lost.

#include "ReplyText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>

namespace view {

// The status text of a running call's count: "N bytes received", and ", window full" once the
// window holds all it can. N counts in 64 bits: a long reply passes 4 GiB.
void writeReceivedCount(quint64 bytes, bool windowFull, QString& out);

class ReplyFeed {
public:
    // The most text a window is given in one call.
    static constexpr qsizetype DefaultCapacity = qsizetype(64) * 1024 * 1024;

    // Where the feed's text and count go.
    class Output {
    public:
        virtual ~Output() = default;
        virtual void showText(const QString& text) = 0;
        // The same for text that is all Latin-1, which a window may keep a byte a character.
        virtual void showLatin1Text(QLatin1StringView text) { showText(QString(text)); }
        virtual void showCount(const QString& status) = 0;
    };

    explicit ReplyFeed(Output& output) : m_output(output) {}

    void setCapacity(qsizetype characters) { m_capacity = characters; }
    // The window was emptied: its whole capacity is free again.
    void restart();
    // A new exchange: its count starts at 0 and its decoder afresh.
    void startReply();
    // One block as read from the socket (possibly empty), and the count after it.
    void receive(QByteArrayView bytes);
    // The end of the exchange: whatever the decoder still held back.
    void endReply();
    // Text the call writes itself, within the capacity.
    void add(QString text);

    quint64 bytesReceived() const { return m_bytes; }
    bool full() const { return m_full; }

private:
    // Shows what fits of text, cutting it in place; the second form shows its first fits
    // characters (fewer rather than half a surrogate pair) and says how many it showed.
    void show(QString& text);
    qsizetype show(QString& text, qsizetype fits);
    // How many of count characters still fit; the window is full once some do not.
    qsizetype roomFor(qsizetype count);

    Output& m_output;
    ReplyText m_decoder;
    quint64 m_bytes = 0;
    qsizetype m_shown = 0;
    qsizetype m_capacity = DefaultCapacity;
    // Characters of the call's own lines shown past the capacity, at most NoteReserve.
    static constexpr qsizetype NoteReserve = 64 * 1024;
    qsizetype m_noted = 0;
    bool m_full = false;
    // One block's text, their buffers kept from block to block: a byte a character when the
    // block is all Latin-1, as most are, else UTF-16.
    QByteArray m_blockLatin1;
    QString m_blockText;
    QString m_countText; // the status text of the count, its buffer kept likewise
};

} // namespace view
