// SPDX-License-Identifier: MIT
// Times Find Text's search over a 64 MiB text of reply lines for a word that is not there:
// case-sensitive, any case, and whole words, forward and backward, then over 64 MiB of one
// letter for a pattern that nearly matches everywhere. The texts are held as the window holds
// them. Prints one line each: the median of a few runs, with the lowest and highest.

#include "Figure.h"
#include "view/TextBuffer.h"
#include "view/TextSearch.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <memory>

namespace {

constexpr int Runs = 5;

// The text as the output window holds it.
std::unique_ptr<view::TextBuffer> windowText(const QString& text) {
    auto buffer = std::make_unique<view::TextBuffer>();
    buffer->append(text);
    return buffer;
}

} // namespace

int main() {
    const QString line =
        QStringLiteral("Login: someone        Name: Some One         Directory: /home/someone\n");
    QString lines;
    lines.reserve(64 * 1024 * 1024 + line.size());
    while (lines.size() < 64 * 1024 * 1024)
        lines += line;
    const auto stored = windowText(lines);
    lines = QString();
    const view::TextRange text = stored->range(0, stored->size());
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
    std::printf("search of 64 MiB for a missing word, median of %d runs (lowest to highest)\n",
                Runs);
    for (const Case& c : cases) {
        bool found = false;
        const Figure figure = measureRuns(Runs, [&] {
            QElapsedTimer timer;
            timer.start();
            const qsizetype start = c.options.backward ? text.size() : 0;
            found = found ||
                    view::findText(text, QStringLiteral("Nowhere"), start, c.options) >= 0;
            return double(timer.nsecsElapsed()) / 1e9;
        });
        std::printf("  %-32s %s%s\n", c.label, figure.text("s", 3).c_str(), found ? " (found?)" : "");
    }
    // Whole words stepping over a rejected candidate every five characters.
    {
        QString repeated;
        repeated.reserve(64 * 1024 * 1024);
        while (repeated.size() < 64 * 1024 * 1024)
            repeated += QStringLiteral("cats ");
        const auto stored = windowText(repeated);
        repeated = QString();
        const view::TextRange cats = stored->range(0, stored->size());
        bool found = false;
        const Figure figure = measureRuns(Runs, [&] {
            QElapsedTimer timer;
            timer.start();
            found = found || view::findText(cats, QStringLiteral("cat"), 0, {false, true, false}) >= 0;
            return double(timer.nsecsElapsed()) / 1e9;
        });
        std::printf("whole word \"cat\" in 64 MiB of \"cats \": %s%s\n", figure.text("s", 3).c_str(),
                    found ? " (found?)" : "");
    }
    // Repetitive text is the worst case of a naive search: every position nearly matches.
    const auto storedXs = windowText(QString(64 * 1024 * 1024, 'x'));
    const view::TextRange xs = storedXs->range(0, storedXs->size());
    std::printf("search of 64 MiB of x for 48 x and a y (goal: under 0.5 s each)\n");
    for (const int y : {0, 24, 48}) {
        const QString nearly = QString(48, 'x').insert(y, 'y');
        for (const Case& c : cases) {
            bool found = false;
            const Figure figure = measureRuns(Runs, [&] {
                QElapsedTimer timer;
                timer.start();
                const qsizetype start = c.options.backward ? xs.size() : 0;
                found = found || view::findText(xs, nearly, start, c.options) >= 0;
                return double(timer.nsecsElapsed()) / 1e9;
            });
            std::printf("  y at %2d, %-32s %s%s\n", y, c.label, figure.text("s", 3).c_str(),
                        found ? " (found?)" : "");
        }
    }
    return 0;
}
