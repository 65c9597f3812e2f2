// SPDX-License-Identifier: MIT
#pragma once
// Where the DNS records dialog keeps its lists and choices in the settings file, and how its
// trust anchor files are written there: the dialog stores them, a terminal run reads them.

#include <QString>
#include <QStringList>

namespace dialogs::dnsrecords {

inline const QString Section = QStringLiteral("DNS Records");
inline const QString NamesSection = QStringLiteral("DNS Names");
inline const QString DnssecKey = QStringLiteral("dnssec");
inline const QString AnchorsKey = QStringLiteral("trust_anchors");
inline const QString OldAnchorKey = QStringLiteral("trust_anchor"); // one file, as kept before
inline constexpr int AnchorsBytes = 16 * 1024;

// The anchor files a field or a stored value lists, separated by ";".
inline QStringList anchorFiles(const QString& text) {
    QStringList files;
    for (const QString& file : text.split(QLatin1Char(';')))
        if (!file.trimmed().isEmpty())
            files.append(file.trimmed());
    return files;
}

} // namespace dialogs::dnsrecords
