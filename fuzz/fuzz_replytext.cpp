// SPDX-License-Identifier: MIT
// Reply text conversion: the result does not depend on how the bytes are split into blocks,
// and no byte is lost but the line-end conversions.
#include "view/ReplyText.h"

#include <QList>

#include <cstdlib>

namespace {

QString convertInBlocks(const QByteArray& bytes, qsizetype blockSize) {
    view::ReplyText reply;
    QString text;
    for (qsizetype at = 0; at < bytes.size(); at += blockSize)
        reply.convertInto(bytes.constData() + at, std::min(blockSize, bytes.size() - at), text);
    return text + reply.finish();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the block size; the rest is the reply.
    const qsizetype blockSize = 1 + data[0] % 17;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString whole = convertInBlocks(bytes, bytes.size() + 1);
    if (convertInBlocks(bytes, blockSize) != whole)
        std::abort();
    // Every byte but CR and LF (NUL included) shows as at least part of a character; a line end as one
    // '\n', a CR LF pair as one.
    qsizetype kept = 0;
    qsizetype lineEnds = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || (c == '\n' && (i == 0 || bytes[i - 1] != '\r')))
            ++lineEnds;
        else if (c != '\n')
            ++kept;
    }
    if (whole.count(QLatin1Char('\n')) != lineEnds)
        std::abort();
    const qsizetype characters = whole.toUcs4().size() - lineEnds;
    if (characters > kept || characters * 4 < kept)
        std::abort();
    return 0;
}
