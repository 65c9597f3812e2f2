#include "ProfileFile.h"

#include <QFile>
#include <QSaveFile>

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

bool sameName(const QByteArray& raw, const QByteArray& name) {
    return raw.compare(name, Qt::CaseInsensitive) == 0;
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
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray content = file.readAll();
    const qsizetype firstLf = content.indexOf('\n');
    if (firstLf > 0 && content[firstLf - 1] == '\r')
        m_lineEnd = "\r\n";
    if (content.endsWith('\n'))
        content.chop(1);
    if (content.isEmpty() && file.size() == 0)
        return;
    m_lines = content.split('\n');
    for (QByteArray& line : m_lines)
        if (line.endsWith('\r'))
            line.chop(1);
}

ProfileFile::Position ProfileFile::find(const QString& section, const QString& key) const {
    Position pos;
    const QByteArray sectionBytes = section.toUtf8();
    const QByteArray keyBytes = key.toUtf8();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (isSectionHeader(m_lines[i]) && sameName(sectionName(m_lines[i]), sectionBytes)) {
            pos.sectionLine = i;
            break;
        }
    }
    if (pos.sectionLine < 0)
        return pos;
    pos.insertLine = pos.sectionLine + 1;
    for (qsizetype i = pos.sectionLine + 1; i < m_lines.size(); ++i) {
        const QByteArray& line = m_lines[i];
        if (isSectionHeader(line))
            break;
        if (!trimmed(line).isEmpty())
            pos.insertLine = i + 1;
        QByteArray name;
        if (pos.keyLine < 0 && splitKeyLine(line, &name, nullptr) && sameName(name, keyBytes))
            pos.keyLine = i;
    }
    return pos;
}

std::optional<QByteArray> ProfileFile::rawValue(const QString& section, const QString& key) const {
    const Position pos = find(section, key);
    if (pos.keyLine < 0)
        return std::nullopt;
    QByteArray name;
    QByteArray value;
    splitKeyLine(m_lines[pos.keyLine], &name, &value);
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
    const QByteArray text = rawValue(section, key).value_or(defaultValue.toUtf8());
    return QString::fromUtf8(cutUtf8(text, bufferSize - 1));
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
    const Position pos = find(section, key);
    if (pos.keyLine >= 0) {
        QByteArray name;
        splitKeyLine(m_lines[pos.keyLine], &name, nullptr);
        m_lines[pos.keyLine] = name + '=' + value.toUtf8();
        return;
    }
    const QByteArray line = key.toUtf8() + '=' + value.toUtf8();
    if (pos.sectionLine >= 0) {
        m_lines.insert(pos.insertLine, line);
        return;
    }
    m_lines.append('[' + section.toUtf8() + ']');
    m_lines.append(line);
}

void ProfileFile::writeInt(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

bool ProfileFile::save() {
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray content;
    for (const QByteArray& line : m_lines)
        content += line + m_lineEnd;
    file.write(content);
    return file.commit();
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
