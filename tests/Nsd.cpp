// SPDX-License-Identifier: MIT
#include "Nsd.h"
#include "ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QTest>

bool writeTextFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool startNsd(QProcess& nsd, const QString& folder, const QString& name, const QByteArray& listen,
              const QStringList& zones, QString& error) {
    const QDir dir(folder);
    const auto file = [&](const char* suffix) {
        return QFile::encodeName(dir.filePath(name + QLatin1String(suffix)));
    };
    QByteArray config = "server:\n" + listen + "  zonesdir: \"" + QFile::encodeName(folder) +
                        "\"\n  database: \"\"\n  username: \"\"\n  chroot: \"\"\n"
                        "  server-count: 1\n  pidfile: \"" +
                        file(".pid") + "\"\n  xfrdfile: \"" + file(".xfrd") +
                        "\"\n  zonelistfile: \"" + file(".zones") + "\"\n  logfile: \"" +
                        file(".log") + "\"\nremote-control:\n  control-enable: no\n";
    for (const QString& zone : zones)
        config += "zone:\n  name: \"" + zone.section(':', 0, 0).toLatin1() +
                  "\"\n  zonefile: " + zone.section(':', 1).toLatin1() + "\n";
    if (!writeTextFile(dir.filePath(name + ".conf"), config)) {
        error = name + QStringLiteral(".conf could not be written");
        return false;
    }
    nsd.setProcessChannelMode(QProcess::MergedChannels);
    endWithThisProcess(nsd);
    nsd.start(QStringLiteral("nsd"), {"-d", "-c", dir.filePath(name + ".conf")});
    if (!nsd.waitForStarted(10000)) {
        error = QStringLiteral("nsd did not start (is the nsd package installed?)");
        return false;
    }
    const auto log = [&] {
        QFile text(QFile::decodeName(file(".log")));
        return text.open(QIODevice::ReadOnly) ? text.readAll() : QByteArray();
    };
    if (QTest::qWaitFor([&] { return log().contains("nsd started"); }, 15000))
        return true;
    error = QStringLiteral("nsd did not come up: ") + QString::fromUtf8(log()) +
            QString::fromUtf8(nsd.readAll());
    return false;
}

void stopNsd(QProcess& nsd) {
    if (nsd.state() == QProcess::NotRunning)
        return;
    nsd.terminate();
    if (!nsd.waitForFinished(5000))
        nsd.kill();
    nsd.waitForFinished(5000);
}

bool runTool(const QString& folder, const QString& program, const QStringList& arguments,
             QByteArray* output, QString& error) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(60000) && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput().trimmed();
    if (!ok)
        error = program + QStringLiteral(": ") + QString::fromUtf8(process.readAllStandardError());
    return ok;
}
