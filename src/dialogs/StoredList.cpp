// SPDX-License-Identifier: MIT
#include "StoredList.h"

#include <algorithm>

namespace dialogs {

bool passesEntryCheck(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty())
        return false;
    auto inRange = [](char c, char low, char high) {
        const auto value = static_cast<signed char>(c);
        return value >= low && value <= high;
    };
    if (!inRange(bytes.front(), '!', 'z'))
        return false;
    return std::any_of(bytes.cbegin(), bytes.cend(), [&](char c) { return inRange(c, '0', 'z'); });
}

QStringList loadEntries(const platform::ProfileFile& file, const QString& section,
                        const QString& prefix) {
    const int count = std::min(file.readInt(section, QStringLiteral("count"), 0), MaxStoredEntries);
    QStringList entries;
    for (int i = 1; i <= count; ++i)
        entries.append(
            file.readString(section, prefix + QString::number(i), QString(), EntryBufferSize));
    return entries;
}

void storeEntries(platform::ProfileFile& file, const QString& section, const QString& prefix,
                  const QStringList& entries) {
    for (int i = 0; i < entries.size(); ++i)
        file.writeString(section, prefix + QString::number(i + 1), entries[i]);
}

QString fieldText(const QString& text) {
    // A pasted line break would end the field's line in the settings file.
    QString oneLine = text;
    for (QChar& c : oneLine)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return QString::fromUtf8(platform::cutUtf8(oneLine.toUtf8(), FieldBufferSize - 1));
}

QString entryText(const QString& typed) {
    return typed.trimmed();
}

} // namespace dialogs
