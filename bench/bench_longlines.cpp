// SPDX-License-Identifier: MIT
// Times what hostile replies do to the output window and to printing, with the longest pause
// the event loop sees (the window's answer time; goal: under 100 ms throughout):
//   Select All on one long line, then repaints of the page;
//   a letter under endless combining marks arriving in 64 KiB blocks, a frame after each;
//   printing 64 MiB of line ends, and a million short lines up to the first page.
// Prints one line per case: medians of a few runs, with the lowest and highest, and the
// process's peak memory so far. Run it with QT_QPA_PLATFORM=offscreen or under an X server.

#include "Figure.h"
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

struct Pauses {
    double totalSeconds = 0;
    double longestMs = 0;
};

// Runs step until it returns false, an event-loop turn between steps, and gives the total
// and the longest step (while a step runs, the window cannot answer).
Pauses timeSteps(const std::function<bool()>& step) {
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
    return {double(total.nsecsElapsed()) / 1e9, double(longest)};
}

Pauses selectedLongLine(const QString& line) {
    view::TextView view;
    view.setFont(fixedFont());
    view.resize(800, 600);
    view.show();
    view.append(line);
    view.flushUpdates();
    int frames = 0;
    return timeSteps([&] {
        if (frames == 0)
            view.selectAll();
        view.viewport()->repaint();
        return ++frames < 10;
    });
}

Pauses markedLetter(qsizetype characters) {
    view::TextView view;
    view.setFont(fixedFont());
    view.resize(800, 600);
    view.show();
    const QString block(32 * 1024, QChar(0x301)); // 64 KiB of UTF-8
    view.append(u"a");
    qsizetype arrived = 1;
    return timeSteps([&] {
        view.append(block);
        view.flushUpdates();
        view.viewport()->repaint();
        arrived += block.size();
        return arrived < characters;
    });
}

Pauses printing(const QString& text, int pages) {
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
    return {double(total.nsecsElapsed()) / 1e9, double(longest)};
}

// Runs a case a few times and prints the median total and longest pause, with their spreads.
void report(const char* label, const std::function<Pauses()>& run) {
    constexpr int Runs = 3;
    Figure total, longest;
    for (int i = 0; i < Runs; ++i) {
        const Pauses pauses = run();
        total.runs.push_back(pauses.totalSeconds);
        longest.runs.push_back(pauses.longestMs);
    }
    std::printf("  %-42s total %s   longest pause %s   peak %ld MiB\n", label,
                total.text("s").c_str(), longest.text("ms", 0).c_str(), peakMiB());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::printf("long lines and printing (goal: every pause under 100 ms); median of 3 runs "
                "(lowest to highest)\n");
    const QString line10(10 * 1024 * 1024, 'x');
    report("Select All on a 10 MiB line, 10 frames", [&] { return selectedLongLine(line10); });
    const QString line64(64 * 1024 * 1024, 'x');
    report("Select All on a 64 MiB line, 10 frames", [&] { return selectedLongLine(line64); });
    QString arabic;
    while (arabic.size() < 4 * 1024 * 1024)
        arabic +=
            QString::fromUtf8("\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ");
    report("Select All on a 4 MiB Arabic/Hebrew line", [&] { return selectedLongLine(arabic); });
    report("letter + marks, 4 MiB in 64 KiB blocks", [] { return markedLetter(2 * 1024 * 1024); });
    report("letter + marks, 20 MiB in 64 KiB blocks", [] { return markedLetter(10 * 1024 * 1024); });
    const QString ends(64 * 1024 * 1024, '\n');
    report("print 64 MiB of line ends", [&] { return printing(ends, -1); });
    QString lines;
    for (int i = 0; i < 1000000; ++i)
        lines += QStringLiteral("line %1 of a long reply\n").arg(i);
    report("print a million lines, cancel after 20 pages", [&] { return printing(lines, 20); });
    return 0;
}
