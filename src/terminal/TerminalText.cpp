// SPDX-License-Identifier: MIT
#include "TerminalText.h"
#include "view/CodeCharacters.h"

namespace terminal {

QByteArray terminalText(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' || !view::isShownAsCode(u))
            out += c;
        else
            out += QStringLiteral("<%1>")
                       .arg(unsigned(u), view::codeDigits(u), 16, QLatin1Char('0'))
                       .toUpper();
    }
    return out.toUtf8();
}

QString safeJsonText(QStringView json) {
    QString out;
    out.reserve(json.size());
    bool inString = false;
    bool escaped = false;
    for (const QChar c : json) {
        const char16_t u = c.unicode();
        if (inString && !escaped && view::isShownAsCode(u)) {
            out += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
            continue;
        }
        out += c;
        if (escaped)
            escaped = false;
        else if (inString && u == u'\\')
            escaped = true;
        else if (u == u'"')
            inString = !inString;
    }
    return out;
}

} // namespace terminal
