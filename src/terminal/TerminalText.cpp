// SPDX-License-Identifier: MIT
#include "TerminalText.h"
#include "view/CodeCharacters.h"

namespace terminal {

QByteArray terminalText(QStringView text, LineEnds lineEnds) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const view::CodePoint c = view::codePointAt(text, i);
        const bool kept = c.value == U'\n' && lineEnds == LineEnds::Kept;
        if (kept || !view::isShownAsCode(c.value))
            out += text.sliced(i, c.units);
        else
            out += QStringLiteral("<%1>")
                       .arg(uint(c.value), view::codeDigits(c.value), 16, QLatin1Char('0'))
                       .toUpper();
        i += c.units;
    }
    return out.toUtf8();
}

QString safeJsonText(QStringView json) {
    QString out;
    out.reserve(json.size());
    bool inString = false;
    bool escaped = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const QChar c = json[i];
        const char16_t u = c.unicode();
        const view::CodePoint point = view::codePointAt(json, i);
        if (inString && !escaped && view::isShownAsCode(point.value)) {
            // A character beyond U+FFFF is escaped as its surrogate pair, as JSON writes it.
            for (qsizetype k = i; k < i + point.units; ++k)
                out += QStringLiteral("\\u%1").arg(unsigned(json[k].unicode()), 4, 16,
                                                   QLatin1Char('0'));
            i += point.units - 1;
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
