// SPDX-License-Identifier: MIT
#pragma once
// A read-only run of characters: a plain string, or a part of the window's text, which keeps
// most of its characters in 8 bits. Characters are read one at a time, or as slices in UTF-16
// that are widened only when asked for, so a long line costs only the part that is measured,
// drawn or searched.

#include <QString>
#include <QStringView>

#include <type_traits>

namespace view {

class TextBuffer;

class TextRange {
public:
    TextRange() = default;
    // From anything that is a string: a QStringView, a QString, a u"" literal.
    TextRange(QStringView text) : m_view(text), m_size(text.size()) {} // NOLINT(implicit)
    template <typename Text,
              std::enable_if_t<std::is_constructible_v<QStringView, const Text&>, bool> = true>
    TextRange(const Text& text) : TextRange(QStringView(text)) {} // NOLINT(implicit)
    TextRange(const TextBuffer& buffer, qsizetype start, qsizetype size)
        : m_buffer(&buffer), m_start(start), m_size(size) {}

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    QChar at(qsizetype i) const;
    QChar operator[](qsizetype i) const { return at(i); }
    // Characters [from, from + n) as UTF-16. The view lasts until the next slice of this range
    // (or until the text it belongs to is cleared).
    QStringView slice(qsizetype from, qsizetype n) const;
    QString toString() const;

private:
    QStringView m_view;
    const TextBuffer* m_buffer = nullptr;
    qsizetype m_start = 0;
    qsizetype m_size = 0;
    mutable QString m_scratch; // a slice widened from 8-bit storage
};

} // namespace view
