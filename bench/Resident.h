// SPDX-License-Identifier: MIT
#pragma once
// A process's resident memory now, as the kernel counts it (VmRSS), in MiB.

#include <QByteArray>
#include <QFile>
#include <QString>

inline double residentMiB(const QString& process = QStringLiteral("self")) {
    QFile status(QStringLiteral("/proc/%1/status").arg(process));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}
