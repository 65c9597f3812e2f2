// SPDX-License-Identifier: MIT
// Times Find Text's search over a 64 MiB text of reply lines for a word that is not there:
// case-sensitive, any case, and whole words, forward and backward, then over 64 MiB of one
// letter for a pattern that nearly matches everywhere. Prints one line each.

#include "view/TextSearch.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

int main() {
    const QString line =
        QStringLiteral("Login: someone        Name: Some One         Directory: /home/someone\n");
    QString text;
    text.reserve(64 * 1024 * 1024 + line.size());
    while (text.size() < 64 * 1024 * 1024)
        text += line;
    struct Case {
        const char* label;
        view::SearchOptions options;
    };
    const Case cases[] = {
        {"case-sensitive, forward", {true, false, false}},
        {"any case, forward", {false, false, false}},
        {"whole word, any case, forward", {false, true, false}},
        {"any case, backward", {false, false, true}},
    };
    std::printf("search of 64 MiB for a missing word\n");
    for (const Case& c : cases) {
        QElapsedTimer timer;
        timer.start();
        const qsizetype start = c.options.backward ? text.size() : 0;
        const qsizetype found = view::findText(text, QStringLiteral("Nowhere"), start, c.options);
        std::printf("  %-32s %7.3f s%s\n", c.label, double(timer.nsecsElapsed()) / 1e9,
                    found < 0 ? "" : " (found?)");
    }
    // Whole words stepping over a rejected candidate every five characters.
    {
        QString cats;
        cats.reserve(64 * 1024 * 1024);
        while (cats.size() < 64 * 1024 * 1024)
            cats += QStringLiteral("cats ");
        QElapsedTimer timer;
        timer.start();
        const qsizetype found =
            view::findText(cats, QStringLiteral("cat"), 0, {false, true, false});
        std::printf("whole word \"cat\" in 64 MiB of \"cats \": %7.3f s%s\n",
                    double(timer.nsecsElapsed()) / 1e9, found < 0 ? "" : " (found?)");
    }
    // Repetitive text is the worst case of a naive search: every position nearly matches.
    const QString xs(64 * 1024 * 1024, 'x');
    std::printf("search of 64 MiB of x for 48 x and a y (goal: under 0.5 s each)\n");
    for (const int y : {0, 24, 48}) {
        const QString nearly = QString(48, 'x').insert(y, 'y');
        for (const Case& c : cases) {
            QElapsedTimer timer;
            timer.start();
            const qsizetype start = c.options.backward ? xs.size() : 0;
            const qsizetype found = view::findText(xs, nearly, start, c.options);
            std::printf("  y at %2d, %-32s %7.3f s%s\n", y, c.label,
                        double(timer.nsecsElapsed()) / 1e9, found < 0 ? "" : " (found?)");
        }
    }
    return 0;
}
