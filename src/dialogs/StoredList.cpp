// SPDX-License-Identifier: MIT
#include "StoredList.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QSet>

#include <algorithm>
#include <climits>

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

QList<StoredEntry> loadEntries(const platform::ProfileFile& file, const QString& section,
                               const QString& prefix, int bufferSize) {
    const int count = std::min(file.readInt(section, QStringLiteral("count"), 0), MaxStoredEntries);
    QList<StoredEntry> entries;
    for (int i = 1; i <= count; ++i) {
        const QString key = prefix + QString::number(i);
        StoredEntry entry;
        entry.bytes = file.readBytes(section, key, bufferSize).value_or(QByteArray());
        entry.text = file.readString(section, key, QString(), bufferSize);
        entries.append(entry);
    }
    return entries;
}

void storeEntries(platform::ProfileFile& file, const QString& section, const QString& prefix,
                  const QList<StoredEntry>& entries) {
    for (int i = 0; i < entries.size(); ++i) {
        const QString key = prefix + QString::number(i + 1);
        if (entries[i].bytes.isEmpty())
            file.writeString(section, key, entries[i].text);
        else
            file.writeBytes(section, key, entries[i].bytes);
    }
}

namespace {

const QString historySection = QStringLiteral("History");
const QByteArray historyPrefix = "address";

// The number of a history entry key ("address12" -> 12), or 0 for any other key.
int entryNumber(const QByteArray& lowerKey) {
    if (!lowerKey.startsWith(historyPrefix))
        return 0;
    bool ok = false;
    const int number = lowerKey.mid(historyPrefix.size()).toInt(&ok);
    return ok && number > 0 ? number : 0;
}

QSet<QString>& usedEntries() {
    static QSet<QString> used;
    return used;
}

int fitHistory(platform::ProfileFile& file) {
    // Only as much goes as the cap needs: an entry dropped early is lost for nothing.
    const qint64 goal = platform::ProfileFile::MaxFileSize;
    const int stored = file.readInt(historySection, QStringLiteral("count"), 0);
    const int count = std::clamp(stored, 0, MaxStoredEntries);
    // First what no one reads: entry keys numbered beyond the count, or beyond the entries a
    // start reads (a count another program wrote larger is made true).
    file.removeKeysIf(historySection,
                      [count](const QByteArray& key) { return entryNumber(key) > count; });
    if (stored != count) {
        file.writeInt(historySection, QStringLiteral("count"), count);
        if (file.readInt(historySection, QStringLiteral("index"), -1) >= count)
            file.writeInt(historySection, QStringLiteral("index"), -1);
    }
    if (file.contentSize() <= goal)
        return 0;
    // Then entries from the end of the list, as many as the excess needs, but never one used
    // in this run: the address just typed may well sort last.
    const QList<StoredEntry> entries =
        loadEntries(file, historySection, QStringLiteral("Address"), INT_MAX);
    QList<bool> drop(entries.size(), false);
    qint64 excess = file.contentSize() - goal;
    for (qsizetype i = entries.size() - 1; i >= 0 && excess > 0; --i) {
        if (usedEntries().contains(entries[i].text))
            continue;
        drop[i] = true;
        excess -= qint64(entries[i].bytes.size()) + 10; // the key, "=" and the line end
    }
    const int index = file.readInt(historySection, QStringLiteral("index"), -1);
    QList<StoredEntry> kept;
    int keptIndex = -1;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (drop[i])
            continue;
        if (i == index)
            keptIndex = int(kept.size());
        kept.append(entries[i]);
    }
    file.removeKeysIf(historySection, [](const QByteArray& key) { return entryNumber(key) > 0; });
    storeEntries(file, historySection, QStringLiteral("Address"), kept);
    file.writeInt(historySection, QStringLiteral("count"), int(kept.size()));
    file.writeInt(historySection, QStringLiteral("index"), keptIndex);
    return int(entries.size() - kept.size());
}

} // namespace

void noteUsedThisRun(const QString& entry) {
    if (!entry.isEmpty())
        usedEntries().insert(entry);
}

bool saveSettings(platform::ProfileFile& file, int* droppedEntries) {
    int dropped = 0;
    if (file.contentSize() > platform::ProfileFile::MaxFileSize)
        dropped = fitHistory(file);
    if (droppedEntries)
        *droppedEntries = dropped;
    return file.save();
}

void warnOfDroppedHistory(QWidget* parent, const QString& path, int droppedEntries) {
    if (droppedEntries <= 0)
        return;
    const QString text =
        QStringLiteral("The settings file %1 would grow past the %2 MiB the program reads, so "
                       "%3 finger history entries were dropped to keep it readable.")
            .arg(path)
            .arg(platform::ProfileFile::MaxFileSize / (1024 * 1024))
            .arg(droppedEntries);
    platform::messageBox(parent, text, QStringLiteral("Warning"), QMessageBox::Warning);
}

bool saveSettingsAndWarn(QWidget* parent, platform::ProfileFile& file, const QString& path) {
    int dropped = 0;
    const bool saved = saveSettings(file, &dropped);
    warnOfDroppedHistory(parent, path, dropped);
    return saved;
}

QList<StoredEntry> listedEntries(const QComboBox& box, int from) {
    QList<StoredEntry> entries;
    for (int i = from; i < box.count(); ++i)
        entries.append({box.itemText(i), box.itemData(i).toByteArray()});
    return entries;
}

int insertSorted(QComboBox* box, const QString& entry, const QByteArray& bytes) {
    int position = box->count();
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).compare(entry, Qt::CaseInsensitive) > 0) {
            position = i;
            break;
        }
    }
    box->insertItem(position, entry, bytes);
    return position;
}

void loadHistory(QComboBox& box, const platform::ProfileFile& file, const QString& section,
                 const QString& prefix, bool keep, int bufferSize) {
    for (const StoredEntry& entry : loadEntries(file, section, prefix, bufferSize))
        insertSorted(&box, entry.text, entry.bytes);
    const int index = keep ? file.readInt(section, QStringLiteral("index"), 0) : -1;
    box.setCurrentIndex(index >= 0 && index < box.count() ? index : -1);
    if (box.currentIndex() < 0)
        box.setEditText(QString());
}

int storeHistory(QComboBox& box, platform::ProfileFile& file, const QString& section,
                 const QString& prefix, const QString& typed) {
    const QString entry = entryText(typed);
    if (box.findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0 &&
        passesEntryCheck(typed))
        box.setCurrentIndex(insertSorted(&box, entry));
    // A start reads back MaxStoredEntries entries, so no more are stored: entries from the end
    // make room, never the one chosen now nor one used in this run.
    int dropped = 0;
    for (int i = box.count() - 1; i >= 0 && box.count() > MaxStoredEntries; --i) {
        if (i == box.currentIndex() || usedEntries().contains(box.itemText(i)))
            continue;
        box.removeItem(i);
        ++dropped;
    }
    const int count = box.count();
    if (count == 0)
        return dropped;
    file.writeInt(section, QStringLiteral("count"), count);
    file.writeInt(section, QStringLiteral("index"), box.currentIndex());
    storeEntries(file, section, prefix, listedEntries(box));
    return dropped;
}

void warnOfFullHistory(QWidget* parent, int droppedEntries) {
    if (droppedEntries <= 0)
        return;
    platform::messageBox(parent,
                         QStringLiteral("The history keeps at most %1 entries, so %2 entries at "
                                        "the end of its list were dropped.")
                             .arg(MaxStoredEntries)
                             .arg(droppedEntries),
                         QStringLiteral("Warning"), QMessageBox::Warning);
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
