// SPDX-License-Identifier: MIT
// Times what hostile replies do to the output window and to printing, with the longest pause
// the event loop sees (the window's answer time; goal: under 100 ms throughout):
//   Select All on one long line, then repaints of the page;
//   a letter under endless combining marks arriving in 64 KiB blocks, a frame after each;
//   printing 64 MiB of line ends, and a million short lines up to the first page.
// Prints one line per case. Run it with QT_QPA_PLATFORM=offscreen or under an X server.

#include "view/APXPrintOut.h"
#include "view/TextBuffer.h"
#include "view/TextView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

long peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QFont fixedFont() {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(12);
    return font;
}

// Runs step until it returns false, an event-loop turn between steps, and reports the total
// and the longest step (while a step runs, the window cannot answer).
void timeSteps(const char* label, const std::function<bool()>& step) {
    QElapsedTimer total;
    total.start();
    qint64 longest = 0;
    for (bool more = true; more;) {
        QElapsedTimer one;
        one.start();
        more = step();
        QCoreApplication::processEvents();
        longest = std::max(longest, one.elapsed());
    }
    std::printf("  %-44s total %8.2f s   longest pause %6lld ms   peak %5ld MiB\n", label,
                double(total.nsecsElapsed()) / 1e9, longest, peakMiB());
}

void selectedLongLine(const char* label, const QString& line) {
    view::TextView view;
    view.setFont(fixedFont());
    view.resize(800, 600);
    view.show();
    view.append(line);
    view.flushUpdates();
    int frames = 0;
    timeSteps(label, [&] {
        if (frames == 0)
            view.selectAll();
        view.viewport()->repaint();
        return ++frames < 10;
    });
}

void markedLetter(const char* label, qsizetype characters) {
    view::TextView view;
    view.setFont(fixedFont());
    view.resize(800, 600);
    view.show();
    const QString block(32 * 1024, QChar(0x301)); // 64 KiB of UTF-8
    view.append(u"a");
    qsizetype arrived = 1;
    timeSteps(label, [&] {
        view.append(block);
        view.flushUpdates();
        view.viewport()->repaint();
        arrived += block.size();
        return arrived < characters;
    });
}

void printing(const char* label, const QString& text, int pages) {
    view::TextBuffer buffer;
    buffer.append(text);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("out.pdf"));
    view::APXPrintOut printout(buffer, fixedFont(), QSizeF(96, 96));
    QElapsedTimer sinceLast;
    sinceLast.start();
    qint64 longest = 0;
    int printed = 0;
    QElapsedTimer total;
    total.start();
    printout.print(printer, [&](qsizetype, qsizetype) {
        longest = std::max(longest, sinceLast.elapsed());
        QCoreApplication::processEvents();
        sinceLast.restart();
        return pages < 0 || printed++ < pages;
    });
    std::printf("  %-44s total %8.2f s   longest pause %6lld ms   peak %5ld MiB\n", label,
                double(total.nsecsElapsed()) / 1e9, longest, peakMiB());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::printf("long lines and printing (goal: every pause under 100 ms)\n");
    selectedLongLine("Select All on a 10 MiB line, 10 frames", QString(10 * 1024 * 1024, 'x'));
    selectedLongLine("Select All on a 64 MiB line, 10 frames", QString(64 * 1024 * 1024, 'x'));
    QString arabic;
    while (arabic.size() < 4 * 1024 * 1024)
        arabic +=
            QString::fromUtf8("\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ");
    selectedLongLine("Select All on a 4 MiB Arabic/Hebrew line", arabic);
    markedLetter("letter + marks, 4 MiB in 64 KiB blocks", 2 * 1024 * 1024);
    markedLetter("letter + marks, 20 MiB in 64 KiB blocks", 10 * 1024 * 1024);
    printing("print 64 MiB of line ends", QString(64 * 1024 * 1024, '\n'), -1);
    QString lines;
    for (int i = 0; i < 1000000; ++i)
        lines += QStringLiteral("line %1 of a long reply\n").arg(i);
    printing("print a million lines, cancel after 20 pages", lines, 20);
    return 0;
}
