// SPDX-License-Identifier: MIT
#include "HostNames.h"

#include <QList>

#include <idn2.h>

#include <algorithm>
#include <cstdlib>

namespace net {

namespace {

bool isAscii(const QByteArray& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

} // namespace

QString hostNameProblem(const QByteArray& ascii) {
    QByteArray name = ascii;
    if (name.endsWith('.'))
        name.chop(1); // the root
    if (name.size() > 253)
        return QStringLiteral("the name is longer than 253 characters");
    for (const QByteArray& label : name.split('.')) {
        if (label.isEmpty())
            return QStringLiteral("the name has an empty label");
        if (label.size() > 63)
            return QStringLiteral("a label is longer than 63 characters");
        if (label.toLower().startsWith("xn--")) {
            char* decoded = nullptr;
            const int rc = idn2_to_unicode_8z8z(label.toLower().constData(), &decoded, 0);
            idn2_free(decoded);
            if (rc != IDN2_OK)
                return QStringLiteral("the label %1 does not decode")
                    .arg(QString::fromLatin1(label));
        }
    }
    return {};
}

namespace {

AsciiName checked(const QByteArray& ascii) {
    if (ascii.isEmpty() || ascii.contains(':'))
        return {ascii, {}}; // nothing typed, or an IPv6 address
    const QString problem = hostNameProblem(ascii);
    if (!problem.isEmpty())
        return {{}, QStringLiteral("Invalid host name: ") + problem};
    return {ascii, {}};
}

} // namespace

AsciiName asciiHost(const QByteArray& typed) {
    if (typed.startsWith('[') && typed.endsWith(']') && typed.contains(':'))
        return {typed.mid(1, typed.size() - 2), {}};
    if (isAscii(typed))
        return checked(typed);
    char* output = nullptr;
    const int rc =
        idn2_to_ascii_8z(typed.constData(), &output, IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL);
    if (rc != IDN2_OK)
        return {{},
                QStringLiteral("Invalid international host name: ") +
                    QString::fromUtf8(idn2_strerror(rc))};
    const QByteArray converted(output);
    idn2_free(output);
    return checked(converted);
}

AsciiName asciiFingerAddress(const QByteArray& typed) {
    // The user part is everything before the first "@" that is not the first character; each
    // part after it names a host.
    const qsizetype at = typed.indexOf('@', 1);
    if (at < 0)
        return asciiHost(typed);
    QByteArray out = typed.left(at);
    for (const QByteArray& host : typed.mid(at + 1).split('@')) {
        const AsciiName converted = asciiHost(host);
        if (!converted.error.isEmpty())
            return converted;
        out += '@' + converted.name;
    }
    return {out, {}};
}

QString unicodeHost(const QByteArray& ascii) {
    if (!ascii.toLower().contains("xn--"))
        return QString::fromUtf8(ascii);
    char* output = nullptr;
    if (idn2_to_unicode_8z8z(ascii.constData(), &output, 0) != IDN2_OK)
        return QString::fromUtf8(ascii);
    const QString unicode = QString::fromUtf8(output);
    idn2_free(output);
    return unicode;
}

QString oneLineName(QStringView name) {
    QString line;
    line.reserve(name.size());
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            line += QStringLiteral("\\%1").arg(c.unicode(), 3, 10, QLatin1Char('0'));
        else
            line += c;
    }
    return line;
}

} // namespace net
