// SPDX-License-Identifier: MIT
// Times what opening and closing the Finger dialog does to the settings file: one load, 1,000
// history look-ups, 1,000 writes and one save, on files of 60 KB, 1 MB and 16 MiB (the
// largest that is read). Prints one line each.

#include "platform/ProfileFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main() {
    QTemporaryDir dir;
    const QString path = dir.filePath("vintrel.ini");
    std::printf("settings file: load + 1000 reads, then 1000 writes + save\n");
    for (const qint64 size :
         {qint64(60) * 1024, qint64(1024) * 1024, platform::ProfileFile::MaxFileSize - 64 * 1024}) {
        QByteArray content = "[Window Size]\nx=40\n[History]\ncount=1000\nindex=0\n";
        for (int i = 1; i <= 1000; ++i)
            content += "Address" + QByteArray::number(i) + "=user" + QByteArray::number(i) +
                       "@host.example.org\n";
        for (int i = 0; content.size() < size; ++i)
            content += "[Junk" + QByteArray::number(i) + "]\nkey=" + QByteArray(40, 'j') + '\n';
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 1;
        file.close();

        QElapsedTimer timer;
        timer.start();
        platform::ProfileFile opened(path);
        qsizetype found = 0;
        for (int i = 1; i <= 1000; ++i)
            found += opened.readString("History", "Address" + QString::number(i), "", 55).size();
        const double openMs = double(timer.nsecsElapsed()) / 1e6;
        timer.restart();
        platform::ProfileFile closing(path);
        for (int i = 1; i <= 1000; ++i)
            closing.writeString("History", "Address" + QString::number(i),
                                "someone" + QString::number(i) + "@host.example.org");
        const bool saved = closing.save();
        const double closeMs = double(timer.nsecsElapsed()) / 1e6;
        std::printf("  %8.1f KB   open %7.1f ms   close %7.1f ms%s\n",
                    double(content.size()) / 1024, openMs, closeMs,
                    saved && found > 0 ? "" : "  (failed)");
    }
    return 0;
}
