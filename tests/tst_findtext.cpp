// SPDX-License-Identifier: MIT
#include "WhenModal.h"
#include "app/FindCommand.h"
#include "app/TMyDecoratedFrame.h"
#include "dialogs/FindDlg.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "view/TFingWnd.h"
#include "view/TextSearch.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using app::TMyDecoratedFrame;
using dialogs::FindDlg;

class tst_FindText : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TMyDecoratedFrame> m_frame;
    view::TFingWnd* window() { return &m_frame->client(); }

    // F5, then what a user does in the dialog: type (replacing the selected old text), click
    // options, press Enter. A "Text not found" box is answered and its text kept.
    void findWithDialog(const QString& typed, QList<int> clicks = {}, QString* message = nullptr,
                        bool retype = true) {
        // F5 is the main window's key. The offscreen platform has no window manager to give
        // the window the focus back after a dialog, so the test does.
        reactivate();
        whenModal<FindDlg>([=](FindDlg* dialog) {
            QLineEdit* field = dialog->control<QLineEdit>(res::IDC_FIND_TEXT);
            QTRY_COMPARE(focusIn(dialog), static_cast<QWidget*>(field));
            if (retype)
                QTest::keyClicks(field, typed);
            for (int id : clicks)
                QTest::mouseClick(dialog->control<QAbstractButton>(id), Qt::LeftButton);
            field->setFocus();
            if (message)
                whenModal<QMessageBox>([message](QMessageBox* box) {
                    *message = box->text() + '|' + box->windowTitle();
                    box->button(QMessageBox::Ok)->click();
                });
            QTest::keyClick(field, Qt::Key_Return);
        });
        QTest::keyClick(m_frame.get(), Qt::Key_F5);
    }

    void reactivate() {
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }

private slots:
    void init() {
        m_frame = std::make_unique<TMyDecoratedFrame>(m_dir.path() + '/');
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }
    void cleanup() { m_frame.reset(); }

    void search_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<int>("expected");
        QTest::newRow("forward") << "the cat sat"
                                 << "cat" << 0 << true << false << false << 4;
        QTest::newRow("forward from after it") << "the cat sat"
                                               << "cat" << 5 << true << false << false << -1;
        QTest::newRow("empty pattern") << "abc"
                                       << "" << 0 << true << false << false << -1;
        QTest::newRow("longer than text") << "ab"
                                          << "abc" << 0 << true << false << false << -1;
        QTest::newRow("capitals, case sensitive") << "the cat"
                                                  << "CAT" << 0 << true << false << false << -1;
        QTest::newRow("capitals, any case") << "the cat"
                                            << "CAT" << 0 << false << false << false << 4;
        QTest::newRow("umlauts fold")
            << QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                                 "e \xC3\x84\xC3\x96")
            << QString::fromUtf8("\xC3\xA4\xC3\xB6") << 0 << false << false << false << 6;
        QTest::newRow("greek with final sigma")
            << QString::fromUtf8("\xCE\xA3\xCE\x99\xCE\xA3\xCE\xA5\xCE\xA6\xCE\x9F\xCE\xA3")
            << QString::fromUtf8("\xCF\x83\xCE\xB9\xCF\x83\xCF\x85\xCF\x86\xCE\xBF\xCF\x82") << 0
            << false << false << false << 0;
        QTest::newRow("cyrillic, case sensitive misses")
            << QString::fromUtf8("\xD0\x9C\xD0\x98\xD0\xA0")
            << QString::fromUtf8("\xD0\xBC\xD0\xB8\xD1\x80") << 0 << true << false << false << -1;
        QTest::newRow("whole word before a full stop") << "a cat."
                                                       << "cat" << 0 << true << true << false << 2;
        QTest::newRow("whole word in parentheses") << "(cat)"
                                                   << "cat" << 0 << true << true << false << 1;
        QTest::newRow("whole word at start") << "cat x"
                                             << "cat" << 0 << true << true << false << 0;
        QTest::newRow("whole word at end") << "x cat"
                                           << "cat" << 0 << true << true << false << 2;
        QTest::newRow("not in cats") << "cats"
                                     << "cat" << 0 << true << true << false << -1;
        QTest::newRow("not in concat") << "concat"
                                       << "cat" << 0 << true << true << false << -1;
        QTest::newRow("underscore joins") << "cat_name"
                                          << "cat" << 0 << true << true << false << -1;
        QTest::newRow("digits join") << "cat9"
                                     << "cat" << 0 << true << true << false << -1;
        QTest::newRow("non-ASCII letter joins") << QString::fromUtf8("\xC3\xA9"
                                                                     "cat")
                                                << "cat" << 0 << true << true << false << -1;
        QTest::newRow("letter beyond the BMP joins") << QString::fromUtf8("cat\xF0\x9D\x90\x80")
                                                     << "cat" << 0 << true << true << false << -1;
        QTest::newRow("Arabic digit joins") << QString::fromUtf8("\xD9\xA3"
                                                                 "cat")
                                            << "cat" << 0 << true << true << false << -1;
        QTest::newRow("non-ASCII punctuation separates")
            << QString::fromUtf8("\xC2\xAB"
                                 "cat\xC2\xBB")
            << "cat" << 0 << true << true << false << 1;
        const QString aroundChunk = QString(1024 * 1024 - 3, 'a') + "NeEdLe" + QString(9, 'b');
        QTest::newRow("across a chunk boundary, any case")
            << aroundChunk << "needle" << 0 << false << false << false << 1024 * 1024 - 3;
        QTest::newRow("across a chunk boundary, backward")
            << aroundChunk << "NeEdLe" << int(aroundChunk.size()) << true << false << true
            << 1024 * 1024 - 3;
        QTest::newRow("repetitive text") << "xxxxxxxxxy"
                                         << "xxxy" << 0 << true << false << false << 6;
        QTest::newRow("repetitive text, backward") << "xyxxxxxxxy"
                                                   << "xxy" << 10 << true << false << true << 7;
        QTest::newRow("after a rejected one") << "cats cat"
                                              << "cat" << 0 << true << true << false << 5;
        QTest::newRow("line break separates") << "x\ncat\ny"
                                              << "cat" << 0 << true << true << false << 2;
        QTest::newRow("backward ends at start") << "cat cat"
                                                << "cat" << 7 << true << false << true << 4;
        QTest::newRow("backward must end before start") << "cat cat"
                                                        << "cat" << 6 << true << false << true << 0;
        QTest::newRow("backward nothing before") << "cat cat"
                                                 << "cat" << 2 << true << false << true << -1;
        QTest::newRow("backward whole word skips cats") << "cat cats"
                                                        << "cat" << 8 << true << true << true << 0;
    }
    void search() {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(int, start);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, wholeWord);
        QFETCH(bool, backward);
        QFETCH(int, expected);
        QCOMPARE(view::findText(text, pattern, start, {caseSensitive, wholeWord, backward}),
                 expected);
    }

    void initialSettingsFindTheFirstMatchEveryTime() {
        window()->appendText("alpha beta\ngamma beta\nbeta");
        QVERIFY(m_frame->commandEnabled(res::CM_FINDTEXT));
        findWithDialog("beta");
        QCOMPARE(window()->selectionStart(), 6);
        QCOMPARE(window()->selectedText(), QString("beta"));
        findWithDialog(QString(), {}, nullptr, false); // F5, Enter: the same search again
        QCOMPARE(window()->selectionStart(), 6);
        const dialogs::FindTransferBuffer& settings = m_frame->findCommand().settings();
        QCOMPARE(settings.text, QString("beta"));
        QCOMPARE(settings.forward, 1u);
        QCOMPARE(settings.entireScope, 1u);
        QCOMPARE(settings.caseSensitive, 1u);
        QCOMPARE(settings.wholeWord, 0u);
    }

    void fromCursorStepsForwardThenReportsNotFound() {
        window()->appendText("beta one beta two beta");
        window()->setSelection(0, 0);
        findWithDialog("beta", {res::IDC_FIND_FROMCURSOR});
        QCOMPARE(window()->selectionStart(), 0);
        QCOMPARE(m_frame->findCommand().settings().fromCursor, 1u);
        QCOMPARE(m_frame->findCommand().settings().entireScope, 0u);
        findWithDialog(QString(), {}, nullptr, false);
        QCOMPARE(window()->selectionStart(), 9);
        findWithDialog(QString(), {}, nullptr, false);
        QCOMPARE(window()->selectionStart(), 18);
        QString message;
        findWithDialog(QString(), {}, &message, false);
        QCOMPARE(message, QString("Text not found|Find text message box"));
        QVERIFY(!window()->hasSelection());
        QCOMPARE(window()->caretPosition(), 22); // the end of the last match
    }

    void fromCursorBackwardFindsMatchEndingAtCaret() {
        window()->appendText("one two one");
        window()->setSelection(7, 7);
        findWithDialog("two", {res::IDC_FIND_FROMCURSOR, res::IDC_FIND_BACKWARD});
        QCOMPARE(window()->selectionStart(), 4);
        QString message;
        findWithDialog(QString(), {}, &message, false);
        QCOMPARE(message, QString("Text not found|Find text message box"));
        QCOMPARE(window()->selectedText(), QString()); // nothing before: caret at the start
        QCOMPARE(window()->caretPosition(), 4);
    }

    void entireScopeBackwardFindsMatchInLastLineWithoutBreak() {
        window()->appendText("first\nlast word");
        findWithDialog("word", {res::IDC_FIND_BACKWARD});
        QCOMPARE(window()->selectionStart(), 11);
        QCOMPARE(window()->selectedText(), QString("word"));
    }

    void notFoundWithNothingSelectedKeepsCaret() {
        window()->appendText("abc def");
        window()->setSelection(3, 3);
        QString message;
        findWithDialog("xyz", {}, &message);
        QCOMPARE(message, QString("Text not found|Find text message box"));
        QCOMPARE(window()->caretPosition(), 3);
    }

    void emptyTextSearchesNothingAndSaysNothing() {
        window()->appendText("abc");
        window()->setSelection(1, 2);
        findWithDialog(QString());
        QCOMPARE(window()->selectionStart(), 1);
        QCOMPARE(window()->selectionEnd(), 2);
    }

    void cancelKeepsTheSettings() {
        window()->appendText("abc");
        findWithDialog("abc", {res::IDC_FIND_WHOLEWORD});
        whenModal<FindDlg>([](FindDlg* dialog) {
            QLineEdit* field = dialog->control<QLineEdit>(res::IDC_FIND_TEXT);
            QTRY_COMPARE(focusIn(dialog), static_cast<QWidget*>(field));
            QTest::keyClicks(field, "other");
            QTest::mouseClick(dialog->control<QAbstractButton>(res::IDC_FIND_BACKWARD),
                              Qt::LeftButton);
            QTest::mouseClick(dialog->control<QAbstractButton>(res::IDC_FIND_CASE), Qt::LeftButton);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        reactivate();
        QTest::keyClick(m_frame.get(), Qt::Key_F5);
        const dialogs::FindTransferBuffer& settings = m_frame->findCommand().settings();
        QCOMPARE(settings.text, QString("abc"));
        QCOMPARE(settings.backward, 0u);
        QCOMPARE(settings.caseSensitive, 1u);
        QCOMPARE(settings.wholeWord, 1u);
        // The next opening shows the settings of the last search started with Find.
        QString shown;
        bool wholeWordShown = false;
        whenModal<FindDlg>([&](FindDlg* dialog) {
            shown = dialog->control<QLineEdit>(res::IDC_FIND_TEXT)->text();
            wholeWordShown = dialog->control<QAbstractButton>(res::IDC_FIND_WHOLEWORD)->isChecked();
            dialog->reject();
        });
        reactivate();
        QTest::keyClick(m_frame.get(), Qt::Key_F5);
        QCOMPARE(shown, QString("abc"));
        QVERIFY(wholeWordShown);
    }

    // Tab goes through the groups left to right, then the buttons; a screen reader hears each
    // group's name from the box around its controls.
    void tabFollowsTheScreenThroughNamedGroups() {
        window()->appendText("abc");
        QList<QPair<QWidget*, QString>> visited; // focused control, its group's name
        QList<QWidget*> expected;
        whenModal<FindDlg>([&](FindDlg* dialog) {
            QLineEdit* field = dialog->control<QLineEdit>(res::IDC_FIND_TEXT);
            QTRY_COMPARE(focusIn(dialog), static_cast<QWidget*>(field));
            // A group of radio buttons is one stop, at its checked button.
            const auto checked = [&](int first, int second) {
                return dialog->control<QRadioButton>(first)->isChecked() ? first : second;
            };
            for (int id : std::initializer_list<int>{
                     res::IDC_FIND_CASE, res::IDC_FIND_WHOLEWORD,
                     checked(res::IDC_FIND_FORWARD, res::IDC_FIND_BACKWARD),
                     checked(res::IDC_FIND_FROMCURSOR, res::IDC_FIND_ENTIRESCOPE), res::IDOK,
                     res::IDCANCEL})
                expected.append(dialog->control(id));
            for (int step = 0; step < expected.size(); ++step) {
                QTest::keyClick(focusIn(dialog), Qt::Key_Tab);
                QWidget* focused = focusIn(dialog);
                QAccessibleInterface* around =
                    QAccessible::queryAccessibleInterface(focused)->parent();
                visited.append({focused, around->role() == QAccessible::Grouping
                                             ? around->text(QAccessible::Name)
                                             : QString()});
            }
            dialog->reject();
        });
        reactivate();
        QTest::keyClick(m_frame.get(), Qt::Key_F5);
        QCOMPARE(visited.size(), expected.size());
        const QStringList groups{"Options", "Options", "Direction", "Origin", "", ""};
        for (int i = 0; i < visited.size(); ++i) {
            QCOMPARE(visited[i].first, expected[i]);
            QCOMPARE(visited[i].second, groups[i]);
        }
    }

    // A group of radio buttons is entered at its checked button, whichever it is, from either
    // side: Up and Down move within the group (checking as they go), Tab leaves it at once.
    void tabEntersARadioGroupAtItsCheckedButton() {
        window()->appendText("abc");
        QStringList steps; // where each key left the focus: "in, checked", "in", "out"
        whenModal<FindDlg>([&](FindDlg* dialog) {
            const QList<QWidget*> origin{dialog->control(res::IDC_FIND_FROMCURSOR),
                                         dialog->control(res::IDC_FIND_ENTIRESCOPE)};
            const auto where = [&] {
                auto* radio = qobject_cast<QRadioButton*>(focusIn(dialog));
                if (!origin.contains(radio))
                    return QString("out");
                return radio->isChecked() ? QString("in, checked") : QString("in");
            };
            QTRY_VERIFY(focusIn(dialog) != nullptr);
            for (int step = 0; step < 4 && where() == "out"; ++step)
                QTest::keyClick(focusIn(dialog), Qt::Key_Tab);
            steps.append(where());
            for (const int key : {Qt::Key_Down, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Up,
                                  Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Backtab, Qt::Key_Tab}) {
                QTest::keyClick(focusIn(dialog), Qt::Key(key));
                steps.append(where());
            }
            dialog->reject();
        });
        reactivate();
        QTest::keyClick(m_frame.get(), Qt::Key_F5);
        QCOMPARE(steps, QStringList({"in, checked", "in, checked", "out", "in, checked",
                                     "in, checked", "out", "in, checked", "out", "in, checked"}));
    }

    void textFieldTakesFortyNineCharacters() {
        window()->appendText("x");
        QString message;
        findWithDialog(QString(60, 'q'), {}, &message);
        QCOMPARE(m_frame->findCommand().settings().text, QString(49, 'q'));
    }

    void disabledWithoutTextOrDuringACall() {
        QVERIFY(!m_frame->commandEnabled(res::CM_FINDTEXT));
        bool opened = false;
        QTimer::singleShot(100, [&] {
            if (auto* dialog = qobject_cast<FindDlg*>(QApplication::activeModalWidget())) {
                opened = true;
                dialog->reject();
            }
        });
        QTest::keyClick(m_frame.get(), Qt::Key_F5);
        QTest::qWait(150);
        QVERIFY(!opened);
    }
};

QTEST_MAIN(tst_FindText)
#include "tst_findtext.moc"
