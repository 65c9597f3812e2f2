// SPDX-License-Identifier: MIT
#include "view/LineLayout.h"
#include "view/TextBuffer.h"
#include "view/TextSearch.h"
#include "view/TextView.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <climits>

using view::TextBuffer;
using view::TextView;

namespace {

// Appends text in pieces of the given sizes (cycled), as replies arrive in blocks.
// Every other piece that is all Latin-1 goes in as Latin-1, as the query engine adds most text.
void appendInPieces(TextBuffer& buffer, const QString& text, QList<int> sizes) {
    qsizetype at = 0;
    for (int i = 0; at < text.size(); ++i) {
        const qsizetype n = sizes.isEmpty() ? text.size() : sizes[i % sizes.size()];
        const QStringView piece = QStringView(text).mid(at, n);
        const bool latin1 =
            std::all_of(piece.begin(), piece.end(), [](QChar c) { return c.unicode() <= 0xFF; });
        if (latin1 && i % 2 == 1)
            buffer.appendLatin1(QLatin1StringView(piece.toLatin1()));
        else
            buffer.append(piece);
        at += n;
    }
}

QFont fixedFont() {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::Monospace);
    return font;
}

} // namespace

class tst_TextView : public QObject {
    Q_OBJECT

    std::unique_ptr<TextView> m_view;

    // A shown view with the given text, caret at 0.
    TextView* viewWith(const QString& text) {
        m_view = std::make_unique<TextView>();
        m_view->setFont(fixedFont());
        m_view->resize(400, 200);
        m_view->show();
        m_view->activateWindow();
        m_view->setFocus();
        if (!QTest::qWaitForWindowExposed(m_view.get()))
            return nullptr;
        m_view->append(text);
        m_view->flushUpdates();
        return m_view.get();
    }

private slots:
    void cleanup() { m_view.reset(); }

    // The index against a plain split of the same text, whatever the blocks.
    void lineIndex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("pieces");
        QTest::newRow("empty") << QString() << QList<int>{};
        QTest::newRow("one line, no break") << QString("abc") << QList<int>{};
        QTest::newRow("ends in a break: empty last line") << QString("a\nb\n") << QList<int>{1};
        QTest::newRow("only breaks") << QString(100, '\n') << QList<int>{7};
        QTest::newRow("empty lines between") << QString("a\n\n\nb") << QList<int>{2, 1};
        QTest::newRow("1 MiB line then short ones") << QString(1 << 20, 'x') + "\nshort\nlines\n"
                                                    << QList<int>{800};
        QTest::newRow("short, 200k line, short")
            << QString("a\n") + QString(200000, 'y') + "\nb\nc" << QList<int>{65536, 3};
        QString many;
        for (int i = 0; i < 5000; ++i)
            many += QString(i % 97, 'z') + '\n';
        QTest::newRow("5000 lines across checkpoints") << many << QList<int>{800, 13};
        QTest::newRow("10000 breaks in one piece") << QString(10000, '\n') << QList<int>{};
        // A run of empty lines where the 64 Ki-character checkpoint falls due part way through.
        QTest::newRow("65530-character line, then 100 breaks")
            << QString(65530, 'x') + QString(100, '\n') + "end" << QList<int>{800};
        QString runs;
        for (int i = 0; i < 2000; ++i)
            runs += QString(i % 5, 'a') + QString(i % 70, '\n');
        QTest::newRow("runs of breaks of every length") << runs << QList<int>{800, 31, 1};
        // The text is kept in chunks of 256 Ki characters, 8-bit until a wider one arrives.
        QString mixed;
        for (int i = 0; mixed.size() < 600000; ++i)
            mixed += QString(i % 300, i % 7 ? u'\u00E9' : u'\u03A9') + '\n';
        QTest::newRow("wide and Latin-1 lines across chunks") << mixed << QList<int>{70000, 9};
        QTest::newRow("a wide character where a chunk ends")
            << QString(262143, 'a') + QChar(0x3A9) + "\nb\n" + QString(262144, 'c')
            << QList<int>{262143, 1, 5000};
        QTest::newRow("line ends over a chunk's end")
            << QString("x") + QString(300000, '\n') << QList<int>{100000};
    }
    void lineIndex() {
        QFETCH(QString, text);
        QFETCH(QList<int>, pieces);
        TextBuffer buffer;
        appendInPieces(buffer, text, pieces);
        const QStringList lines = text.split('\n');
        QCOMPARE(buffer.toString(), text);
        QCOMPARE(buffer.lineCount(), lines.size());
        qsizetype start = 0;
        qsizetype longest = 0;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QCOMPARE(buffer.lineStart(i), start);
            QCOMPARE(buffer.line(i).toString(), lines[i]);
            QCOMPARE(buffer.lineOfPosition(start), i);
            QCOMPARE(buffer.lineOfPosition(start + lines[i].size()), i); // at its line end
            if (lines[i].size() > lines[longest].size())
                longest = i;
            start += lines[i].size() + 1;
        }
        QCOMPARE(buffer.longestLine(), longest);
        qsizetype end = text.size();
        while (end > 0 && text[end - 1] == '\n')
            --end;
        QCOMPARE(buffer.endBeforeTrailingLineEnds(), end);
        QString scratch;
        for (const qsizetype at : {qsizetype(0), text.size() / 3, qsizetype(262140)}) {
            if (at >= text.size())
                continue;
            QCOMPARE(buffer.at(at), text[at]);
            QCOMPARE(buffer.slice(at, 9, scratch).toString(), text.mid(at, 9));
        }
    }

    // Latin-1 text costs a byte a character; a wider character costs two bytes a character in
    // its own chunk of 256 Ki characters only. Search finds a word across a chunk's end.
    void storage_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("bytes");
        constexpr qsizetype Chunk = 262144;
        QTest::newRow("Latin-1") << QString(600000, u'\u00E9') << qsizetype(600000);
        QString middle(600000, 'a');
        middle[300000] = QChar(0x3A9);
        QTest::newRow("one wide character in the second chunk")
            << middle << Chunk + 2 * Chunk + (600000 - 2 * Chunk);
        QTest::newRow("wide from the start")
            << QString(1000, QChar(0x3A9)) + QString(1000, 'a') << qsizetype(4000);
    }
    void storage() {
        QFETCH(QString, text);
        QFETCH(qsizetype, bytes);
        TextBuffer buffer;
        appendInPieces(buffer, text, {65536});
        QCOMPARE(buffer.storedBytes(), bytes);
        QCOMPARE(buffer.toString(), text);
        if (text.size() < 262150)
            return;
        text.replace(262140, 8, QStringLiteral("needle!!"));
        buffer.clear();
        buffer.append(text);
        QCOMPARE(
            view::findText(buffer.range(0, buffer.size()), u"NEEDLE", 0, {false, false, false}),
            qsizetype(262140));
    }

    // A cleared text's memory serves the next reply, and what that one does not take goes back
    // to the system once the text stops growing.
    void clearedMemoryIsReusedThenGivenBack() {
        TextView view;
        view.append(QString(600000, 'x'));
        view.clear();
        QVERIFY(view.buffer().hasSpareMemory());
        view.append(QString(600000, 'y'));
        QVERIFY(!view.buffer().hasSpareMemory()); // all three chunks taken again
        QCOMPARE(view.toPlainText(), QString(600000, 'y'));
        view.clear();
        view.append(u"short");
        QVERIFY(view.buffer().hasSpareMemory());
        QTRY_VERIFY_WITH_TIMEOUT(!view.buffer().hasSpareMemory(), 5000);
        QCOMPARE(view.toPlainText(), QString("short"));
    }

    void clearStartsAfresh() {
        TextBuffer buffer;
        buffer.append(u"one\ntwo\n");
        buffer.clear();
        QCOMPARE(buffer.lineCount(), 1);
        QCOMPARE(buffer.size(), 0);
        buffer.append(u"x\ny");
        QCOMPARE(buffer.lineCount(), 2);
        QCOMPARE(buffer.line(1).toString(), QString("y"));
    }

    // Key presses from a caret at position `at` in "alpha beta\ngamma\n\ndelta epsilon".
    void keys_data() {
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("caret");
        const int none = Qt::NoModifier;
        const int shift = Qt::ShiftModifier;
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("right") << 0 << int(Qt::Key_Right) << none << 1 << 1;
        QTest::newRow("left at start stays") << 0 << int(Qt::Key_Left) << none << 0 << 0;
        QTest::newRow("right across line end") << 10 << int(Qt::Key_Right) << none << 11 << 11;
        QTest::newRow("shift+right extends") << 2 << int(Qt::Key_Right) << shift << 2 << 3;
        QTest::newRow("down keeps column") << 3 << int(Qt::Key_Down) << none << 14 << 14;
        QTest::newRow("down into empty line") << 14 << int(Qt::Key_Down) << none << 17 << 17;
        QTest::newRow("up from first line stays on it") << 3 << int(Qt::Key_Up) << none << 3 << 3;
        QTest::newRow("down to shorter line ends it") << 9 << int(Qt::Key_Down) << none << 16 << 16;
        QTest::newRow("home") << 14 << int(Qt::Key_Home) << none << 11 << 11;
        QTest::newRow("end") << 12 << int(Qt::Key_End) << none << 16 << 16;
        QTest::newRow("shift+end") << 12 << int(Qt::Key_End) << shift << 12 << 16;
        QTest::newRow("ctrl+end") << 0 << int(Qt::Key_End) << ctrl << 31 << 31;
        QTest::newRow("ctrl+shift+home") << 20 << int(Qt::Key_Home) << (ctrl | shift) << 20 << 0;
        QTest::newRow("ctrl+right to the word's end") << 2 << int(Qt::Key_Right) << ctrl << 5 << 5;
        QTest::newRow("ctrl+right to the next word's end")
            << 5 << int(Qt::Key_Right) << ctrl << 10 << 10;
        QTest::newRow("ctrl+right across lines") << 10 << int(Qt::Key_Right) << ctrl << 16 << 16;
        QTest::newRow("ctrl+right over an empty line")
            << 16 << int(Qt::Key_Right) << ctrl << 23 << 23;
        QTest::newRow("ctrl+right at the end stays")
            << 31 << int(Qt::Key_Right) << ctrl << 31 << 31;
        QTest::newRow("ctrl+left to the word's start") << 8 << int(Qt::Key_Left) << ctrl << 6 << 6;
        QTest::newRow("ctrl+left across lines") << 18 << int(Qt::Key_Left) << ctrl << 11 << 11;
        QTest::newRow("ctrl+shift+right extends by a word")
            << 0 << int(Qt::Key_Right) << (ctrl | shift) << 0 << 5;
        QTest::newRow("page down to last line") << 0 << int(Qt::Key_PageDown) << none << 18 << 18;
        QTest::newRow("shift+page up") << 20 << int(Qt::Key_PageUp) << shift << 20 << 2;
    }
    void keys() {
        QFETCH(int, at);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, anchor);
        QFETCH(int, caret);
        TextView* view = viewWith("alpha beta\ngamma\n\ndelta epsilon");
        QVERIFY(view);
        view->setSelection(at, at);
        QTest::keyClick(view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(view->anchorPosition(), anchor);
        QCOMPARE(view->caretPosition(), caret);
    }

    void leftAndRightCollapseASelection() {
        TextView* view = viewWith("abcdef");
        QVERIFY(view);
        view->setSelection(4, 1);
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(view->caretPosition(), 4);
        QVERIFY(!view->hasSelection());
        view->setSelection(4, 1);
        QTest::keyClick(view, Qt::Key_Left);
        QCOMPARE(view->caretPosition(), 1);
    }

    void arrowsStepOverSurrogatePairs() {
        TextView* view = viewWith(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                                    "b"));
        QVERIFY(view);
        QCOMPARE(view->caretPosition(), 4); // the caret came along with the text
        QTest::keyClick(view, Qt::Key_Home);
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(view->caretPosition(), 3);
        QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(view->selectedText(), QString::fromUtf8("\xF0\x9F\x98\x80"));
    }

    void copyAcrossLinesWithBothShortcuts() {
        TextView* view = viewWith("first\nsecond\nthird");
        QVERIFY(view);
        view->setSelection(3, 9);
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("st\nsec"));
        view->selectAll();
        QTest::keyClick(view, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("first\nsecond\nthird"));
    }

    void clearEmptiesTextSelectionAndFlag() {
        TextView* view = viewWith("some\ntext");
        QVERIFY(view);
        view->selectAll();
        QSignalSpy modified(view, &TextView::modificationChanged);
        view->clear();
        QCOMPARE(view->toPlainText(), QString());
        QCOMPARE(view->lineCount(), 1);
        QVERIFY(!view->hasSelection());
        QVERIFY(!view->isModified());
        QCOMPARE(modified.size(), 1);
        QCOMPARE(view->verticalScrollBar()->maximum(), 0);
    }

    void caretOnlyWithTextAndFocus() {
        TextView* view = viewWith(QString());
        QVERIFY(view);
        QVERIFY(view->hasFocus());
        QVERIFY(!view->caretShown()); // focus but no text
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(view->caretPosition(), 0);
        view->append(u"text");
        QVERIFY(view->caretShown());
        view->clearFocus();
        QVERIFY(!view->caretShown());
    }

    void appendKeepsSelectionAndFollowsEndOnlyAtEnd() {
        QString many;
        for (int i = 0; i < 300; ++i)
            many += QString("line %1\n").arg(i);
        TextView* view = viewWith(many);
        QVERIFY(view);
        view->setSelection(2, 7);
        QScrollBar* bar = view->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum()); // an empty view is at its end, and follows it
        view->append(many);
        view->flushUpdates();
        QCOMPARE(bar->value(), bar->maximum()); // followed the end
        QCOMPARE(bar->maximum(), 600 + 1 - view->visibleLines());
        QCOMPARE(view->selectedText(), QString("ne 0\n"));
        bar->setValue(20);
        view->append(many);
        view->flushUpdates();
        QCOMPARE(bar->value(), 20); // scrolled away: stays
    }

    void clickAndDragSelect() {
        TextView* view = viewWith("alpha beta\ngamma delta\nepsilon");
        QVERIFY(view);
        QWidget* area = view->viewport();
        const QPoint start = view->pointOf(2) + QPoint(0, view->lineHeight() / 2);
        const QPoint end = view->pointOf(17) + QPoint(0, view->lineHeight() / 2);
        QTest::mouseClick(area, Qt::LeftButton, {}, start);
        QCOMPARE(view->caretPosition(), 2);
        QTest::mousePress(area, Qt::LeftButton, {}, start);
        QMouseEvent move(QEvent::MouseMove, end, area->mapToGlobal(end), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(area, &move);
        QTest::mouseRelease(area, Qt::LeftButton, {}, end);
        QCOMPARE(view->selectedText(), QString("pha beta\ngamma "));
        // Shift+click extends from the same anchor.
        QTest::mouseClick(area, Qt::LeftButton, Qt::ShiftModifier, view->pointOf(24));
        QCOMPARE(view->anchorPosition(), 2);
        QCOMPARE(view->caretPosition(), 24);
    }

    void doubleClickWordTripleClickLine() {
        TextView* view = viewWith("one two_three four\nnext line");
        QVERIFY(view);
        QWidget* area = view->viewport();
        const QPoint inWord = view->pointOf(6) + QPoint(2, 2);
        QTest::mouseDClick(area, Qt::LeftButton, {}, inWord);
        QCOMPARE(view->selectedText(), QString("two_three"));
        QTest::mousePress(area, Qt::LeftButton, {}, inWord);
        QTest::mouseRelease(area, Qt::LeftButton, {}, inWord);
        QCOMPARE(view->selectedText(), QString("one two_three four\n"));
    }

    void dragBelowTheViewScrollsAndExtends() {
        QString many;
        for (int i = 0; i < 100; ++i)
            many += QString("row %1\n").arg(i);
        TextView* view = viewWith(many);
        QVERIFY(view);
        view->verticalScrollBar()->setValue(0);
        QWidget* area = view->viewport();
        QTest::mousePress(area, Qt::LeftButton, {}, QPoint(3, 3));
        const QPoint below(10, area->height() + 20);
        QMouseEvent move(QEvent::MouseMove, below, area->mapToGlobal(below), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(area, &move);
        QTRY_VERIFY(view->verticalScrollBar()->value() > 2);
        QTest::mouseRelease(area, Qt::LeftButton, {}, below);
        QVERIFY(view->caretPosition() > view->lineStart(view->visibleLines()));
        QCOMPARE(view->anchorPosition(), 0);
    }

    void wheelScrollsShiftWheelScrollsSideways() {
        QString wide;
        for (int i = 0; i < 100; ++i)
            wide += QString(300, 'w') + '\n';
        TextView* view = viewWith(wide);
        QVERIFY(view);
        view->verticalScrollBar()->setValue(0);
        QWheelEvent down(QPointF(5, 5), view->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &down);
        QCOMPARE(view->verticalScrollBar()->value(), QApplication::wheelScrollLines());
        QWheelEvent sideways(QPointF(5, 5), view->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                             Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &sideways);
        QVERIFY(view->horizontalScrollBar()->value() > 0);
        QCOMPARE(view->verticalScrollBar()->value(), QApplication::wheelScrollLines());
    }

    // A line wider than the int range in pixels (a long line in a large font): End and
    // Ctrl+End still bring its end into view, and Home its start.
    void endReachesTheEndOfALineWiderThanAnInt() {
        TextView* view = viewWith(QString(4 * 1024 * 1024, 'x') + "END");
        QVERIFY(view);
        QFont huge = fixedFont();
        huge.setPixelSize(1000);
        view->setFont(huge);
        QVERIFY(view->textWidth() > qreal(INT_MAX));
        for (const auto modifier : {Qt::NoModifier, Qt::ControlModifier}) {
            QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
            QCOMPARE(view->horizontalScrollBar()->value(), 0);
            QTest::keyClick(view, Qt::Key_End, modifier);
            QCOMPARE(view->caretPosition(), view->toPlainText().size());
            const QPoint caret = view->pointOf(view->caretPosition());
            QVERIFY2(caret.x() > 0 && caret.x() <= view->viewport()->width(),
                     qPrintable(QString::number(caret.x())));
        }
    }

    void horizontalExtentIsTheWidestLine() {
        TextView* view = viewWith(QString("short\n") + QString(120, 'm') + "\nend");
        QVERIFY(view);
        const QFontMetricsF metrics(fixedFont());
        const int expected = int(std::ceil(120 * metrics.horizontalAdvance('m')));
        QVERIFY(qAbs(view->textWidth() - expected) <= 1);
        QCOMPARE(view->horizontalScrollBar()->maximum(),
                 view->textWidth() + 4 - view->viewport()->width());
    }

    // Plain ASCII in a fixed-pitch font is measured by counting; one other character anywhere
    // in the line, also past the first sixteen, must send it to the font's own measure.
    void lineWidthMatchesTheFont_data() {
        QTest::addColumn<QString>("line");
        const QString ascii(40, 'a');
        QTest::newRow("plain ASCII") << ascii;
        QTest::newRow("space and tilde") << QString(" ~") + ascii;
        QTest::newRow("combining acute at 20, no advance")
            << QString(ascii).insert(20, QChar(0x301));
        QTest::newRow("e acute at 17") << QString(ascii).insert(17, QChar(0xE9));
    }
    void lineWidthMatchesTheFont() {
        QFETCH(QString, line);
        view::LineLayout layout(fixedFont());
        const qreal expected = QFontMetricsF(fixedFont()).horizontalAdvance(line);
        QVERIFY2(qAbs(layout.xOf(0, line, line.size()) - expected) < 0.5,
                 qPrintable(QString::number(layout.xOf(0, line, line.size())) + " vs " +
                            QString::number(expected)));
    }

    // On screen, plain ASCII in a fixed-pitch font is drawn as glyphs without shaping; it must
    // look exactly as the font draws the same text.
    void asciiIsDrawnAsTheFontDrawsIt_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("letters and signs") << QString("Login: someone  Name: Some One {x} ~!");
        QTest::newRow("with a non-ASCII letter") << QString("caf") + QChar(0xE9) + " au lait";
    }
    void asciiIsDrawnAsTheFontDrawsIt() {
        QFETCH(QString, line);
        const QSize size(400, 30);
        const QPointF origin(3, 20);
        QImage drawn(size, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::white);
        {
            QPainter painter(&drawn);
            view::LineLayout layout(fixedFont());
            layout.drawColumns(painter, line, origin, 0, line.size(), 0);
        }
        QImage expected(size, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setFont(fixedFont());
            painter.drawText(origin, line);
        }
        QCOMPARE(drawn, expected);
    }

    void tabsStopEveryEightCharacters() {
        view::LineLayout layout(fixedFont());
        const qreal cell = QFontMetricsF(fixedFont()).horizontalAdvance('x');
        QCOMPARE(layout.tabWidth(), 8 * QFontMetricsF(fixedFont()).averageCharWidth());
        QVERIFY(qAbs(layout.xOf(0, u"\tx", 1) - 8 * cell) < 0.5);
        QVERIFY(qAbs(layout.xOf(0, u"abc\tx", 4) - 8 * cell) < 0.5);
        QVERIFY(qAbs(layout.xOf(0, u"abcdefgh\tx", 9) - 16 * cell) < 0.5);
        QCOMPARE(layout.columnAt(0, u"abc\tx", 8 * cell + 1), 4);
    }

    // A line keeps its own direction in a right-to-left window (-reverse): drawn as stored,
    // left to right, it looks the same as in a left-to-right one.
    void linesKeepTheirDirectionInAReversedWindow() {
        const QString line = QString::fromUtf8("UTF-8: Gr\xC3\xBC\xC3\x9F"
                                               "e \xE6\x9D\xB1\xE4\xBA\xAC \xC3\xB1 \xE2\x82\xAC");
        view::LineLayout layout(fixedFont());
        QImage images[2];
        for (int i = 0; i < 2; ++i) {
            images[i] = QImage(400, 30, QImage::Format_ARGB32_Premultiplied);
            images[i].fill(Qt::white);
            QPainter painter(&images[i]);
            painter.setLayoutDirection(i == 0 ? Qt::LeftToRight : Qt::RightToLeft);
            layout.drawColumns(painter, line, QPointF(0, 20), 0, line.size(), 0);
        }
        QVERIFY(images[0] == images[1]);
    }

    // Controls and invisible format characters are drawn as boxes of their own width, never
    // handed to the font: U+009C would end Qt's measuring there, U+202E would reverse what
    // follows, a soft hyphen or a tag character would vanish. The line measures as its plain
    // parts plus the box, and the box is inked.
    void controlAndFormatCharactersShowAsCodeBoxes_data() {
        QTest::addColumn<char32_t>("code");
        QTest::newRow("NUL") << char32_t(0x00);
        QTest::newRow("bell") << char32_t(0x07);
        QTest::newRow("escape") << char32_t(0x1B);
        QTest::newRow("DEL") << char32_t(0x7F);
        QTest::newRow("C1 string terminator (byte 0x9C)") << char32_t(0x9C);
        QTest::newRow("soft hyphen") << char32_t(0xAD);
        QTest::newRow("zero width space") << char32_t(0x200B);
        QTest::newRow("line separator") << char32_t(0x2028);
        QTest::newRow("paragraph separator") << char32_t(0x2029);
        QTest::newRow("right-to-left override") << char32_t(0x202E);
        QTest::newRow("byte order mark") << char32_t(0xFEFF);
        QTest::newRow("interlinear annotation anchor") << char32_t(0xFFF9);
        QTest::newRow("language tag") << char32_t(0xE0001);
        QTest::newRow("tag letter g") << char32_t(0xE0067);
    }
    void controlAndFormatCharactersShowAsCodeBoxes() {
        QFETCH(char32_t, code);
        const QString before = QString::fromUtf8("abc \xC5\x93 ");
        const QString after = QString::fromUtf8("\xC5\x93 def ghi");
        const auto chars = QChar::fromUcs4(code); // QString::fromUcs4 would drop a BOM
        const QString line = before + QStringView(chars).toString() + after;
        view::LineLayout layout(fixedFont());
        const QFontMetricsF metrics(fixedFont());
        const qreal expected = metrics.horizontalAdvance(before) + layout.codeBoxWidth(code) +
                               metrics.horizontalAdvance(after);
        QVERIFY(layout.codeBoxWidth(code) >= metrics.averageCharWidth());
        QVERIFY2(qAbs(layout.width(0, line) - expected) < 1,
                 qPrintable(QString::number(layout.width(0, line)) + " vs " +
                            QString::number(expected)));
        QCOMPARE(layout.columnAt(0, line, layout.width(0, line) + 5), line.size());

        QImage drawn(400, 30, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::white);
        {
            QPainter painter(&drawn);
            layout.drawColumns(painter, line, QPointF(0, 20), 0, line.size(), 0);
        }
        const int boxLeft = int(metrics.horizontalAdvance(before));
        bool inked = false;
        for (int x = boxLeft; x < boxLeft + int(layout.codeBoxWidth(code)); ++x)
            for (int y = 0; y < 30; ++y)
                inked = inked || drawn.pixel(x, y) != qRgb(255, 255, 255);
        QVERIFY(inked);
        // The text after the box is drawn where it is measured, left to right.
        const int lastLetter = int(expected) - 2;
        bool tailInked = false;
        for (int x = lastLetter - int(metrics.averageCharWidth()); x <= lastLetter; ++x)
            for (int y = 0; y < 30; ++y)
                tailInked = tailInked || drawn.pixel(x, y) != qRgb(255, 255, 255);
        QVERIFY(tailInked);
    }

    void screenReadersReadTextAndSelection() {
        TextView* view = viewWith("hello\nworld");
        QVERIFY(view);
        view->setSelection(6, 9);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
        QVERIFY(accessible);
        QAccessibleTextInterface* text = accessible->textInterface();
        QVERIFY(text);
        QVERIFY(accessible->state().readOnly);
        QCOMPARE(text->characterCount(), 11);
        QCOMPARE(text->text(3, 8), QString("lo\nwo"));
        QCOMPARE(text->text(-5, 99), QString("hello\nworld")); // offsets are clamped
        QCOMPARE(text->cursorPosition(), 9);
        int start = -1;
        int end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(start, 6);
        QCOMPARE(end, 9);
        text->setCursorPosition(2);
        QCOMPARE(view->caretPosition(), 2);
        QVERIFY(!view->hasSelection());
    }

    // A screen reader says the word Ctrl+Right moved over from the word at the new caret, so
    // words run to the next word's start as on the rest of the desktop.
    void screenReadersGetDesktopWords() {
        const QString line = "Office: 12 Main St\nnext";
        TextView* view = viewWith(line);
        QVERIFY(view);
        QAccessibleTextInterface* text =
            QAccessible::queryAccessibleInterface(view)->textInterface();
        QVERIFY(text);
        struct Case {
            int offset;
            QAccessible::TextBoundaryType type;
            const char* at;
            const char* before;
            const char* after;
        };
        const Case cases[] = {
            {0, QAccessible::WordBoundary, "Office: ", "", "12 "},
            {6, QAccessible::WordBoundary, "Office: ", "", "12 "},
            {10, QAccessible::WordBoundary, "12 ", "Office: ", "Main "},
            {12, QAccessible::WordBoundary, "Main ", "12 ", "St\n"},
            {18, QAccessible::WordBoundary, "St\n", "Main ", "next"},
            {23, QAccessible::WordBoundary, "next", "St\n", ""},
            {8, QAccessible::LineBoundary, "Office: 12 Main St\n", "", "next"},
        };
        for (const Case& c : cases) {
            int start = -1;
            int end = -1;
            QCOMPARE(text->textAtOffset(c.offset, c.type, &start, &end), QString(c.at));
            QCOMPARE(line.mid(start, end - start), QString(c.at));
            QCOMPARE(text->textBeforeOffset(c.offset, c.type, &start, &end), QString(c.before));
            QCOMPARE(text->textAfterOffset(c.offset, c.type, &start, &end), QString(c.after));
        }
        TextView* gap = viewWith("  lead");
        QVERIFY(gap);
        int start = -1;
        int end = -1;
        QCOMPARE(QAccessible::queryAccessibleInterface(gap)->textInterface()->textAtOffset(
                     1, QAccessible::WordBoundary, &start, &end),
                 QString("  "));
    }

    // Control characters reach a screen reader as the characters that picture them, one for
    // one: a NUL never cuts the text short on its way over the bus.
    void screenReadersHearControlCharacters() {
        const QString raw = QString("a") + QChar(0) + "b\a\x1b\x7f\x0c" + "\tend";
        TextView* view = viewWith(raw);
        QVERIFY(view);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
        QVERIFY(accessible && accessible->textInterface());
        const QString expected = QString("a") + QChar(0x2400) + "b" + QChar(0x2407) +
                                 QChar(0x241B) + QChar(0x2421) + QChar(0x240C) + "\tend";
        QCOMPARE(accessible->textInterface()->text(0, int(raw.size())), expected);
        QCOMPARE(accessible->text(QAccessible::Value), expected);
    }

    void longLineMeasuresLikeItsPieces() {
        // Segment positions are cached; a grown line must give the same x as a fresh one.
        view::LineLayout cached(fixedFont());
        view::LineLayout fresh(fixedFont());
        QString line;
        for (int i = 0; i < 3000; ++i)
            line += (i % 37 == 0) ? QChar('\t') : QChar('a' + i % 26);
        QStringView part = QStringView(line).first(1500);
        cached.xOf(7, part, part.size());
        QCOMPARE(cached.xOf(7, line, 2999), fresh.xOf(7, line, 2999));
        const qreal x = fresh.xOf(7, line, 2222);
        QCOMPARE(cached.columnAt(7, line, x), 2222);
    }
};

QTEST_MAIN(tst_TextView)
#include "tst_textview.moc"
