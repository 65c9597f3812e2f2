// SPDX-License-Identifier: MIT
#include "ProgramDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace platform {

QString directoryOfProgram(const QString& programPath) {
    const qsizetype slash = programPath.lastIndexOf('/');
    if (slash < 0)
        return {};
    return programPath.left(slash + 1);
}

QString programDirectory() {
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (!exe.isEmpty())
        return directoryOfProgram(exe);
    return directoryOfProgram(QCoreApplication::applicationFilePath());
}

QString userConfigDirectory() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/vintrel/");
}

bool isInstalledCopy(const QString& programDir) {
    return programDir.endsWith(QStringLiteral("/bin/"));
}

QString dataDirectory(const QString& programDir) {
    const QString dir = programDir.isEmpty() ? QStringLiteral("./") : programDir;
    if (!isInstalledCopy(programDir) && ::access(QFile::encodeName(dir).constData(), W_OK) == 0)
        return programDir;
    const QString user = userConfigDirectory();
    QDir().mkpath(user);
    return user;
}

} // namespace platform
