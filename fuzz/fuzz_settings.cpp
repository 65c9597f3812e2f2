// SPDX-License-Identifier: MIT
// The settings reader and writer on any bytes: no crash or hang; an unchanged file keeps its
// bytes; a value written reads back equal; every other line survives a write.
#include "platform/ProfileFile.h"

#include <cstdlib>

namespace {

// Whether shorter is longer without one of its lines.
bool withOneLineLess(const QByteArray& longer, const QByteArray& shorter) {
    const QList<QByteArray> a = longer.split('\n');
    const QList<QByteArray> b = shorter.split('\n');
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
    QList<QByteArray> after = now.split('\n');
    after.removeIf(
        [](const QByteArray& line) { return line.contains("x@y [History]  count=999"); });
    const auto headers = [](const QList<QByteArray>& lines) {
        return lines.count(QByteArray("[History]")) + lines.count(QByteArray("[History]\r"));
    };
    if (headers(after) > headers(old.split('\n')))
        after.removeOne(after.contains("[History]\r") ? QByteArray("[History]\r")
                                                      : QByteArray("[History]"));
    const QByteArray rest = after.join('\n');
    const bool same = rest == old || rest == old + '\n' || rest == old + "\r\n";
    if (!same && !withOneLineLess(old, rest))
        std::abort();
    return 0;
}
