// SPDX-License-Identifier: MIT
#pragma once
// The body of a DNS text, kept within its capacity: once a line would not fit, the records
// that follow are counted and named in one last line.

#include <QString>

namespace net {

class BoundedText {
public:
    explicit BoundedText(qsizetype capacity) : m_capacity(capacity) {}

    void line(const QString& text, bool isRecord = false) {
        if (m_leftOut > 0 || m_text.size() + text.size() + 1 > m_capacity) {
            m_leftOut += isRecord ? 1 : 0;
            m_cut = true;
            return;
        }
        m_text += text;
        m_text += QLatin1Char('\n');
    }
    // Once full, every record still to come is only counted.
    bool full() const { return m_cut; }
    // A record not written (the text is full, or the record's text was not kept).
    void leaveOut() {
        ++m_leftOut;
        m_cut = true;
    }
    QString take() {
        if (m_cut)
            m_text += QStringLiteral("; ... %1 more record%2 not shown: the text of an answer is "
                                     "kept within four times its size\n")
                          .arg(m_leftOut)
                          .arg(m_leftOut == 1 ? QString() : QStringLiteral("s"));
        return std::move(m_text);
    }

private:
    QString m_text;
    qsizetype m_capacity;
    qsizetype m_leftOut = 0;
    bool m_cut = false;
};

} // namespace net
