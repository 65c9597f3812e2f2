// SPDX-License-Identifier: MIT
// Times what opening and closing the Finger dialog does to the settings file: one load, 1,000
// history look-ups, 1,000 writes and one save, on files of 60 KB, 1 MB and 16 MiB (the
// largest that is read). Prints one line each.

#include "platform/ProfileFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "Figure.h"

#include <cstdio>

int main() {
    QTemporaryDir dir;
    const QString path = dir.filePath("vintrel.ini");
    constexpr int Runs = 5;
    std::printf("settings file: load + 1000 reads, then 1000 writes + save; median of %d runs "
                "(lowest to highest)\n",
                Runs);
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

        qsizetype found = 0;
        const Figure open = measureRuns(Runs, [&] {
            QElapsedTimer timer;
            timer.start();
            platform::ProfileFile opened(path);
            for (int i = 1; i <= 1000; ++i)
                found += opened.readString("History", "Address" + QString::number(i), "", 55).size();
            return double(timer.nsecsElapsed()) / 1e6;
        });
        bool saved = true;
        const Figure close = measureRuns(Runs, [&] {
            QElapsedTimer timer;
            timer.start();
            platform::ProfileFile closing(path);
            for (int i = 1; i <= 1000; ++i)
                closing.writeString("History", "Address" + QString::number(i),
                                    "someone" + QString::number(i) + "@host.example.org");
            saved = closing.save() && saved;
            return double(timer.nsecsElapsed()) / 1e6;
        });
        std::printf("  %8.1f KB   open %s   close %s%s\n", double(content.size()) / 1024,
                    open.text("ms", 1).c_str(), close.text("ms", 1).c_str(),
                    saved && found > 0 ? "" : "  (failed)");
    }
    return 0;
}
