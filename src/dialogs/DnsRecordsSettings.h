// SPDX-License-Identifier: MIT
#pragma once
// Where the DNS records dialog keeps its lists and choices in the settings file, and how its
// trust anchor files are written there: the dialog stores them, a terminal run reads them.

#include "platform/ProfileFile.h"

#include <QString>
#include <QStringList>

namespace dialogs::dnsrecords {

inline const QString Section = QStringLiteral("DNS Records");
inline const QString NamesSection = QStringLiteral("DNS Names");
inline const QString DnssecKey = QStringLiteral("dnssec");
inline const QString AnchorsKey = QStringLiteral("trust_anchors");
inline const QString OldAnchorKey = QStringLiteral("trust_anchor"); // one file, as kept before
inline constexpr int AnchorsBytes = 16 * 1024;
// The stored servers ("Server1", ...), the one last used ("index", counted after the system
// resolver and the root; "every" set when every authoritative server was chosen) and the
// names' history ("Name1", ... in NamesSection).
inline const QString ServerKey = QStringLiteral("Server");
inline const QString IndexKey = QStringLiteral("index");
inline const QString EveryKey = QStringLiteral("every");
inline const QString NameKey = QStringLiteral("Name");

// The anchor files a field or a stored value lists, separated by ";".
inline QStringList anchorFiles(const QString& text) {
    QStringList files;
    for (const QString& file : text.split(QLatin1Char(';')))
        if (!file.trimmed().isEmpty())
            files.append(file.trimmed());
    return files;
}

// The anchor files stored, read as the dialog reads them (earlier versions kept one file under
// "trust_anchor", read until the list is stored).
inline QStringList storedAnchorFiles(const platform::ProfileFile& file) {
    const bool listed = file.readBytes(Section, AnchorsKey, AnchorsBytes).has_value();
    return anchorFiles(
        file.readString(Section, listed ? AnchorsKey : OldAnchorKey, QString(), AnchorsBytes));
}

} // namespace dialogs::dnsrecords
