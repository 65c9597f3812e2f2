// SPDX-License-Identifier: MIT
// The settings reader and writer on any bytes: no crash or hang; an unchanged file keeps its
// bytes; a value written reads back equal; every other line survives a write.
#include "platform/ProfileFile.h"

#include <cstdlib>

namespace {

// The lines of a text as the reader splits them: at LF, CR LF or a lone CR, without their ends.
QList<QByteArray> splitLines(const QByteArray& text) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        lines.append(text.mid(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

// Whether b is a without one of its lines.
bool withOneLineLess(const QList<QByteArray>& a, const QList<QByteArray>& b) {
    if (a.size() != b.size() + 1)
        return false;
    qsizetype i = 0;
    while (i < b.size() && a[i] == b[i])
        ++i;
    for (; i < b.size(); ++i)
        if (a[i + 1] != b[i])
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    platform::ProfileFile file = platform::ProfileFile::fromContent(bytes);
    if (file.content() != bytes)
        std::abort();
    // Reads of every kind must not crash.
    file.readInt(QStringLiteral("Window Size"), QStringLiteral("x"), 40);
    file.readString(QStringLiteral("History"), QStringLiteral("Address1"), QString(), 55);

    // A write of a value with a line break in it.
    const QString value = QStringLiteral("x@y\n[History]\r\ncount=999 ");
    file.writeString(QStringLiteral("History"), QStringLiteral("Address1"), value);
    const QString back = file.readString(QStringLiteral("History"), QStringLiteral("Address1"),
                                         QStringLiteral("<none>"), 1000);
    if (back != QStringLiteral("x@y [History]  count=999"))
        std::abort();
    // Every other line survives: without the written line (and a section header that was
    // added for it), the new content is the old one, less the line the value replaced, and
    // with a line end after a last line that had none.
    // A byte order mark stays in front of everything; compare what follows it.
    const QByteArray mark("\xEF\xBB\xBF");
    QByteArray old = bytes;
    QByteArray now = file.content();
    if (old.startsWith(mark)) {
        if (!now.startsWith(mark))
            std::abort();
        old.remove(0, 3);
        now.remove(0, 3);
    }
    QList<QByteArray> after = splitLines(now);
    const QList<QByteArray> before = splitLines(old);
    after.removeIf(
        [](const QByteArray& line) { return line.contains("x@y [History]  count=999"); });
    if (after.count(QByteArray("[History]")) > before.count(QByteArray("[History]")))
        after.removeOne(QByteArray("[History]"));
    if (after != before && !withOneLineLess(before, after))
        std::abort();
    return 0;
}
