// SPDX-License-Identifier: MIT
#include "ProfileFile.h"
#include "SafeSave.h"

#include "Utf8Text.h"

#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>

namespace platform {

namespace {

QByteArray trimmed(const QByteArray& text) {
    return text.trimmed();
}

bool isSectionHeader(const QByteArray& line) {
    return trimmed(line).startsWith('[');
}

QByteArray sectionName(const QByteArray& line) {
    QByteArray t = trimmed(line).mid(1);
    const qsizetype close = t.indexOf(']');
    if (close >= 0)
        t.truncate(close);
    return t.trimmed();
}

// A key line is any line with "=" that is neither a comment nor a section header.
bool splitKeyLine(const QByteArray& line, QByteArray* key, QByteArray* value) {
    const QByteArray t = trimmed(line);
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('['))
        return false;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return false;
    *key = trimmed(line.left(eq));
    if (value)
        *value = trimmed(line.mid(eq + 1));
    return true;
}

} // namespace

QByteArray cutUtf8(const QByteArray& text, qsizetype maxBytes) {
    if (maxBytes <= 0)
        return {};
    if (text.size() <= maxBytes)
        return text;
    qsizetype end = maxBytes;
    // Step back over continuation bytes so the cut falls between characters.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.left(end);
}

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {
    m_blocks.append(Block{});
    // Only a regular file is read: a FIFO would block, a device could be endless.
    const RegularFile file = readRegularFile(m_path, MaxFileSize);
    if (file.status == RegularFile::Missing)
        return; // a new file
    if (!file.ok()) {
        m_unreadable = true;
        return;
    }
    parse(file.bytes);
}

ProfileFile ProfileFile::fromContent(const QByteArray& content) {
    ProfileFile file;
    file.m_blocks.append(Block{});
    file.parse(content);
    return file;
}

void ProfileFile::parse(const QByteArray& content) {
    // Lines are views into m_raw, which never changes; only written lines own their text.
    m_raw = content;
    qsizetype at = 0;
    if (m_raw.startsWith("\xEF\xBB\xBF")) {
        m_byteOrderMark = true;
        at = 3;
    }
    static const QByteArray crlf("\r\n");
    static const QByteArray lf("\n");
    static const QByteArray cr("\r");
    bool firstEnd = true;
    const char* data = m_raw.constData();
    const char* const end = data + m_raw.size();
    while (at < m_raw.size()) {
        // A line ends at LF, CR LF or a lone CR (as old Mac editors write).
        const char* found = std::find_if(data + at, end, [](char c) { return c == '\n' || c == '\r'; });
        Line line;
        line.text = QByteArray::fromRawData(data + at, found - (data + at));
        if (found == end) {
            at = m_raw.size();
        } else {
            const bool isCrlf = *found == '\r' && found + 1 < end && found[1] == '\n';
            line.end = isCrlf ? crlf : *found == '\r' ? cr : lf;
            if (firstEnd)
                m_lineEnd = line.end;
            firstEnd = false;
            at = (found - data) + (isCrlf ? 2 : 1);
        }
        const QByteArrayView view = QByteArrayView(line.text).trimmed();
        if (view.startsWith('['))
            m_blocks.append(Block{});
        Block& block = m_blocks.last();
        block.lines.append(line);
        if (!view.isEmpty())
            block.insertAt = block.lines.size();
    }
}

void ProfileFile::indexKeys(const Block& block) const {
    // Built on the first look-up in a section: most sections of a large file are never asked.
    if (block.indexed)
        return;
    block.indexed = true;
    for (qsizetype line = 0; line < block.lines.size(); ++line) {
        const QByteArray& text = block.lines[line].text;
        QByteArray name;
        if (!(line == 0 && isSectionHeader(text)) && splitKeyLine(text, &name, nullptr)) {
            const QByteArray lower = name.toLower();
            if (!block.keys.contains(lower))
                block.keys.insert(lower, line);
        }
    }
}

qsizetype ProfileFile::findSection(const QByteArray& lowerName) const {
    // Found by a scan of the headers on the first look-up of a name, then remembered: a large
    // file's sections cost nothing until one is asked for.
    const auto known = m_sections.constFind(lowerName);
    if (known != m_sections.cend())
        return *known;
    qsizetype found = -1;
    for (qsizetype i = 1; i < m_blocks.size() && found < 0; ++i)
        if (sectionName(m_blocks[i].lines.first().text).compare(lowerName, Qt::CaseInsensitive) ==
            0)
            found = i;
    m_sections.insert(lowerName, found);
    return found;
}

const ProfileFile::Block* ProfileFile::sectionBlock(const QString& section) const {
    const qsizetype found = findSection(section.toUtf8().trimmed().toLower());
    return found < 0 ? nullptr : &m_blocks[found];
}

std::optional<QByteArray> ProfileFile::rawValue(const QString& section, const QString& key) const {
    const Block* block = sectionBlock(section);
    if (!block)
        return std::nullopt;
    indexKeys(*block);
    const auto found = block->keys.constFind(key.toUtf8().trimmed().toLower());
    if (found == block->keys.cend())
        return std::nullopt;
    QByteArray name;
    QByteArray value;
    splitKeyLine(block->lines[*found].text, &name, &value);
    // A value wrapped in matching quotes reads without them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

int ProfileFile::readInt(const QString& section, const QString& key, int defaultValue) const {
    const std::optional<QByteArray> value = rawValue(section, key);
    if (!value)
        return defaultValue;
    qsizetype i = 0;
    const bool negative = i < value->size() && value->at(i) == '-';
    if (negative)
        ++i;
    long long number = 0;
    for (; i < value->size() && value->at(i) >= '0' && value->at(i) <= '9'; ++i) {
        number = number * 10 + (value->at(i) - '0');
        if (number > static_cast<long long>(INT_MAX) + 1)
            number = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        number = -number;
    if (number > INT_MAX)
        number = INT_MAX;
    return static_cast<int>(number);
}

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& defaultValue, int bufferSize) const {
    // The buffer limits the bytes as the file holds them, so text another program wrote in an
    // 8-bit code page is not cut shorter for taking more bytes once in UTF-8.
    const std::optional<QByteArray> raw = rawValue(section, key);
    return utf8::decodeLenient(cutUtf8(raw ? *raw : defaultValue.toUtf8(), bufferSize - 1));
}

namespace {

QString singleLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString cleanSection = singleLine(section).remove(QLatin1Char(']'));
    const QString cleanKey = singleLine(key).remove(QLatin1Char('='));
    const QString cleanValue = singleLine(value);
    // The value as it will read back: blanks at its ends are not kept by the format.
    const std::optional<QByteArray> current = rawValue(cleanSection, cleanKey);
    if (current && utf8::decodeLenient(*current) == cleanValue.trimmed())
        return;
    setValue(cleanSection, cleanKey, cleanValue.toUtf8());
}

void ProfileFile::writeBytes(const QString& section, const QString& key, const QByteArray& value) {
    const QString cleanSection = singleLine(section).remove(QLatin1Char(']'));
    const QString cleanKey = singleLine(key).remove(QLatin1Char('='));
    QByteArray cleanValue = value;
    cleanValue.replace('\r', ' ').replace('\n', ' ');
    const std::optional<QByteArray> current = rawValue(cleanSection, cleanKey);
    if (current && *current == cleanValue.trimmed())
        return;
    setValue(cleanSection, cleanKey, cleanValue);
}

std::optional<QByteArray> ProfileFile::readBytes(const QString& section, const QString& key,
                                                 int bufferSize) const {
    const std::optional<QByteArray> raw = rawValue(section, key);
    if (!raw)
        return std::nullopt;
    return cutUtf8(*raw, bufferSize - 1);
}

void ProfileFile::setValue(const QString& section, const QString& key, const QByteArray& value) {
    m_changed = true;
    const QByteArray keyBytes = key.toUtf8().trimmed();
    const QByteArray lowerSection = section.toUtf8().trimmed().toLower();
    qsizetype found = findSection(lowerSection);
    if (found < 0) {
        endLastLine();
        Block block;
        block.lines.append({'[' + section.toUtf8().trimmed() + ']', m_lineEnd});
        block.insertAt = 1;
        block.indexed = true;
        m_blocks.append(block);
        found = m_blocks.size() - 1;
        m_sections.insert(lowerSection, found);
    }
    Block& block = m_blocks[found];
    indexKeys(block);
    const auto keyLine = block.keys.constFind(keyBytes.toLower());
    if (keyLine != block.keys.cend()) {
        QByteArray name;
        splitKeyLine(block.lines[*keyLine].text, &name, nullptr);
        block.lines[*keyLine].text = name + '=' + value;
        return;
    }
    // A new key goes after the section's last line that is not blank.
    Line& before = block.lines[block.insertAt - 1];
    if (before.end.isEmpty())
        before.end = m_lineEnd; // it was the file's last line
    block.lines.insert(block.insertAt, Line{keyBytes + '=' + value, m_lineEnd});
    block.keys.insert(keyBytes.toLower(), block.insertAt);
    ++block.insertAt;
}

void ProfileFile::endLastLine() {
    for (auto block = m_blocks.rbegin(); block != m_blocks.rend(); ++block) {
        if (block->lines.isEmpty())
            continue;
        if (block->lines.last().end.isEmpty())
            block->lines.last().end = m_lineEnd;
        return;
    }
}

void ProfileFile::writeInt(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

QByteArray ProfileFile::content() const {
    QByteArray out;
    if (m_byteOrderMark)
        out += "\xEF\xBB\xBF";
    for (const Block& block : m_blocks)
        for (const Line& line : block.lines)
            out += line.text + line.end;
    return out;
}

qsizetype ProfileFile::removeKeysIf(const QString& section,
                                    const std::function<bool(const QByteArray&)>& drop) {
    const qsizetype found = findSection(section.toUtf8().trimmed().toLower());
    if (found < 0)
        return 0;
    Block& block = m_blocks[found];
    QList<Line> kept;
    kept.reserve(block.lines.size());
    qsizetype removed = 0;
    qsizetype insertAt = 0;
    for (qsizetype line = 0; line < block.lines.size(); ++line) {
        QByteArray name;
        const bool header = line == 0 && isSectionHeader(block.lines[line].text);
        if (!header && splitKeyLine(block.lines[line].text, &name, nullptr) &&
            drop(name.toLower())) {
            ++removed;
            continue;
        }
        kept.append(block.lines[line]);
        if (line < block.insertAt)
            insertAt = kept.size();
    }
    if (removed == 0)
        return 0;
    block.lines = std::move(kept);
    block.insertAt = std::max<qsizetype>(insertAt, 1);
    block.keys.clear();
    block.indexed = false;
    m_changed = true;
    return removed;
}

qint64 ProfileFile::contentSize() const {
    qint64 size = m_byteOrderMark ? 3 : 0;
    for (const Block& block : m_blocks)
        for (const Line& line : block.lines)
            size += line.text.size() + line.end.size();
    return size;
}

bool ProfileFile::save() {
    if (m_unreadable || m_path.isEmpty())
        return false;
    if (!m_changed && QFileInfo::exists(m_path))
        return true;
    // Never a file the program itself would refuse to read at its next start.
    if (contentSize() > MaxFileSize)
        return false;
    if (saveWholeFile(m_path, content()) != SaveOutcome::Saved)
        return false; // the old file stays whole
    m_changed = false;
    return true;
}

int getProfileInt(const QString& section, const QString& key, int defaultValue,
                  const QString& path) {
    return ProfileFile(path).readInt(section, key, defaultValue);
}

QString getProfileString(const QString& section, const QString& key, const QString& defaultValue,
                         int bufferSize, const QString& path) {
    return ProfileFile(path).readString(section, key, defaultValue, bufferSize);
}

bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& path) {
    ProfileFile file(path);
    file.writeString(section, key, value);
    return file.save();
}

} // namespace platform
