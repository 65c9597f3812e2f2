// SPDX-License-Identifier: MIT
#include "JsonText.h"
#include "view/CodeCharacters.h"
#include "view/ReplyText.h"

#include <QStringDecoder>

#include <algorithm>

namespace terminal {

namespace {

// Bytes decoded at a time: small beside a long answer, large beside a character.
constexpr qsizetype Piece = 1024 * 1024;

void appendEscape(QByteArray& out, char16_t unit) {
    static const char hex[] = "0123456789abcdef";
    const char escape[] = {'\\',
                           'u',
                           hex[(unit >> 12) & 0xF],
                           hex[(unit >> 8) & 0xF],
                           hex[(unit >> 4) & 0xF],
                           hex[unit & 0xF]};
    out.append(escape, sizeof escape);
}

// The characters of text, without the quotes around them.
void appendCharacters(QByteArray& out, QStringView text) {
    qsizetype plain = 0; // start of the run not yet written
    for (qsizetype i = 0; i < text.size();) {
        const view::CodePoint c = view::codePointAt(text, i);
        const bool lone = c.value >= 0xD800 && c.value < 0xE000; // half a surrogate pair
        const bool escaped = c.value == U'"' || c.value == U'\\' || c.value < 0x20 ||
                             view::isShownAsCode(c.value) || lone;
        if (escaped) {
            out += text.sliced(plain, i - plain).toUtf8();
            if (c.value == U'"' || c.value == U'\\') {
                out += '\\';
                out += char(c.value);
            } else if (lone) {
                appendEscape(out, 0xFFFD); // no reader takes half a pair
            } else {
                for (qsizetype k = i; k < i + c.units; ++k)
                    appendEscape(out, text[k].unicode());
            }
            plain = i + c.units;
        }
        i += c.units;
    }
    out += text.sliced(plain).toUtf8();
}

} // namespace

void appendJsonString(QByteArray& out, QStringView text) {
    out += '"';
    appendCharacters(out, text);
    out += '"';
}

void appendUtf8AsJson(QByteArray& out, const QByteArray& utf8) {
    // Stateful, so a character split between two pieces is read whole.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    out += '"';
    for (qsizetype at = 0; at < utf8.size(); at += Piece) {
        const QString text =
            decoder.decode(QByteArrayView(utf8).sliced(at, std::min(Piece, utf8.size() - at)));
        appendCharacters(out, text);
    }
    out += '"';
}

void appendWindowTextAsJson(QByteArray& out, const QByteArray& bytes) {
    view::ReplyText decoder;
    out += '"';
    for (qsizetype at = 0; at < bytes.size(); at += Piece)
        appendCharacters(
            out, decoder.convert(bytes.constData() + at, std::min(Piece, bytes.size() - at)));
    appendCharacters(out, decoder.finish());
    out += '"';
}

void appendBase64AsJson(QByteArray& out, const QByteArray& bytes) {
    constexpr qsizetype Whole = Piece - Piece % 3; // every piece but the last ends a group
    out += '"';
    for (qsizetype at = 0; at < bytes.size(); at += Whole)
        out += QByteArray::fromRawData(bytes.constData() + at, std::min(Whole, bytes.size() - at))
                   .toBase64();
    out += '"';
}

} // namespace terminal
