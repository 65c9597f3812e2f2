// SPDX-License-Identifier: MIT
#include "app/TMyDecoratedFrame.h"
#include "app/TextCommands.h"
#include "platform/LogFont.h"
#include "resources/Commands.h"
#include "view/TFingWnd.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>

#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "TestFiles.h"

#include "WhenModal.h"
#include <QTimer>
#include <QToolButton>

using app::TextCommands;
using app::TMyDecoratedFrame;

class tst_TextCommands : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TMyDecoratedFrame> m_frame;
    view::TFingWnd* window() { return &m_frame->client(); }

private slots:
    void init() {
        m_frame = std::make_unique<TMyDecoratedFrame>(m_dir.path() + '/');
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() { m_frame.reset(); }

    void emptyWindowDisablesTextCommands() {
        QVERIFY(!m_frame->commandEnabled(res::CM_CLEAR));
        QVERIFY(!m_frame->commandEnabled(res::CM_SELECTALL));
        QVERIFY(!m_frame->commandEnabled(res::CM_SAVEAS));
        QVERIFY(!m_frame->commandEnabled(res::CM_EDITCOPY));
        QVERIFY(m_frame->commandEnabled(res::CM_FONT));
        QVERIFY(!m_frame->toolButton(res::CM_CLEAR)->isEnabled());
    }

    void receivedTextEnablesThem() {
        window()->appendText("line one\nline two\n");
        QVERIFY(m_frame->commandEnabled(res::CM_CLEAR));
        QVERIFY(m_frame->commandEnabled(res::CM_SELECTALL));
        QVERIFY(m_frame->commandEnabled(res::CM_SAVEAS));
        QVERIFY(m_frame->action(res::CM_SAVEAS)->isEnabled());
        QVERIFY(m_frame->toolButton(res::CM_CLEAR)->isEnabled());
        QVERIFY(!m_frame->commandEnabled(res::CM_EDITCOPY)); // nothing selected yet
    }

    void selectAllThenCopyTakesWholeText() {
        window()->appendText(QString("alpha\nbeta") + QChar(0) + "!");
        QWidget* focusBefore = QApplication::focusWidget();
        m_frame->command(res::CM_SELECTALL);
        QCOMPARE(QApplication::focusWidget(), focusBefore);
        QVERIFY(m_frame->commandEnabled(res::CM_EDITCOPY));
        QVERIFY(m_frame->action(res::CM_EDITCOPY)->isEnabled());
        m_frame->command(res::CM_EDITCOPY);
        QCOMPARE(QApplication::clipboard()->text(), QString("alpha\nbeta") + QChar(0) + "!");
    }

    void clearEmptiesTextAndCaption() {
        window()->appendText("reply");
        m_frame->SetCaptionSuffix("user@host");
        m_frame->command(res::CM_CLEAR);
        QCOMPARE(window()->toPlainText(), QString());
        QCOMPARE(m_frame->windowTitle(), QString("Vintrel"));
        QVERIFY(!window()->holdsText());
        QVERIFY(!m_frame->commandEnabled(res::CM_CLEAR));
        QVERIFY(!window()->caretShown());
    }

    void disabledCommandDoesNothing() {
        window()->appendText("keep me");
        m_frame->command(res::CM_SELECTALL);
        m_frame->command(res::CM_CLEAR);
        QCOMPARE(window()->toPlainText(), QString()); // enabled: cleared
        window()->appendText("keep me");
        window()->clearCommand();
        window()->appendText("still here");
        window()->setModified(false); // as if nothing had arrived
        m_frame->command(res::CM_CLEAR);
        QCOMPARE(window()->toPlainText(), QString("still here"));
    }

    void appendGoesToEndAndKeepsSelection() {
        window()->appendText("first line\nsecond line\n");
        window()->setSelection(0, 5);
        window()->appendText("third");
        QCOMPARE(window()->toPlainText(), QString("first line\nsecond line\nthird"));
        QCOMPARE(window()->selectedText(), QString("first"));

        // A bare caret in the middle does not pull the text there either.
        window()->setSelection(3, 3);
        window()->appendText(" more");
        QCOMPARE(window()->toPlainText(), QString("first line\nsecond line\nthird more"));
        QCOMPARE(window()->caretPosition(), 3);

        // A caret at the end goes on with the end, where Find from the cursor starts.
        window()->setSelection(window()->toPlainText().size(), window()->toPlainText().size());
        window()->appendText("\nlast");
        QCOMPARE(window()->caretPosition(), window()->toPlainText().size());
        QVERIFY(!window()->hasSelection());
    }

    void viewFollowsEndOnlyUntilUserScrollsAway() {
        QString many;
        for (int i = 0; i < 300; ++i)
            many += QString("line %1\n").arg(i);
        window()->appendText(many);
        QScrollBar* bar = window()->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        bar->setValue(10);
        window()->appendText(many);
        QCOMPARE(bar->value(), 10);
    }

    void saveTextKeepsLongLines() {
        const QString longLine(150, 'x');
        window()->appendText(longLine + "\nshort");
        const QString path = m_dir.filePath("long.txt");
        QCOMPARE(TextCommands::saveText(window()->buffer(), path), TextCommands::SaveResult::Saved);
        QCOMPARE(contentOf(path), longLine.toUtf8() + "\nshort\n");
    }

    void saveTextEndingInLineBreakAddsEmptyLine() {
        window()->appendText("a\nb\n");
        const QString path = m_dir.filePath("trailing.txt");
        QCOMPARE(TextCommands::saveText(window()->buffer(), path), TextCommands::SaveResult::Saved);
        QCOMPARE(contentOf(path), QByteArray("a\nb\n\n"));
    }

    void saveTextKeepsUtf8() {
        window()->appendText(QString::fromUtf8("gr\xC3\xBC\xC3\x9F"
                                               "e") +
                             QChar(0));
        const QString path = m_dir.filePath("utf8.txt");
        QCOMPARE(TextCommands::saveText(window()->buffer(), path), TextCommands::SaveResult::Saved);
        QCOMPARE(contentOf(path), QByteArray("gr\xC3\xBC\xC3\x9F"
                                             "e\0\n",
                                             9));
    }

    void saveTextIntoMissingDirectoryFails() {
        window()->appendText("x");
        QCOMPARE(TextCommands::saveText(window()->buffer(), m_dir.filePath("no/dir/x.txt")),
                 TextCommands::SaveResult::OpenFailed);
    }

    void saveAsCommandThroughItsDialog() {
        window()->appendText("saved through the dialog");
        const QString path = m_dir.filePath("chosen.txt");
        whenModal<QFileDialog>([path](QFileDialog* dialog) {
            QCOMPARE(dialog->defaultSuffix(), QString("TXT"));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            auto* fileName = qobject_cast<QLineEdit*>(focusIn(dialog));
            QVERIFY(fileName);
            QTest::keyClicks(fileName, path);
            QTest::keyClick(fileName, Qt::Key_Return);
        });
        m_frame->command(res::CM_SAVEAS);
        QCOMPARE(contentOf(path), QByteArray("saved through the dialog\n"));
    }

    void saveAsOffersTheClassicFilters() {
        window()->appendText("x");
        QStringList filters;
        QString selected;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            selected = dialog->selectedNameFilter();
            dialog->reject();
        });
        m_frame->command(res::CM_SAVEAS);
        QCOMPARE(filters, (QStringList{"Text files (*.TXT)", "All files (*.*)"}));
        QCOMPARE(selected, QString("Text files (*.TXT)"));
    }

    void allFilesShowsNamesWithoutADot() {
        window()->appendText("x");
        writeFile(m_dir.filePath("README"), "r");
        writeFile(m_dir.filePath("notes.txt"), "n");
        QStringList shown;
        QString typed;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            dialog->setDirectory(m_dir.path());
            auto* fileName = qobject_cast<QLineEdit*>(focusIn(dialog));
            QVERIFY(fileName);
            QTest::keyClicks(fileName, "report.txt");
            auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
            QVERIFY(types);
            QTest::keyClick(types, Qt::Key_Down); // "All files (*.*)"
            auto* list = dialog->findChild<QListView*>("listView");
            QTRY_VERIFY(list->model()->rowCount(list->rootIndex()) >= 2);
            for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                shown.append(list->model()->index(row, 0, list->rootIndex()).data().toString());
            typed = fileName->text();
            dialog->reject();
        });
        m_frame->command(res::CM_SAVEAS);
        QVERIFY2(shown.contains("README"), qPrintable(shown.join(',')));
        QVERIFY(shown.contains("notes.txt"));
        QCOMPARE(typed, QString("report.txt"));
    }

    void arrowCursorAfterACall() {
        window()->setWaitCursor(true);
        QCOMPARE(window()->viewport()->cursor().shape(), Qt::WaitCursor);
        window()->setWaitCursor(false);
        QCOMPARE(window()->viewport()->cursor().shape(), Qt::ArrowCursor);
    }

    void saveAsCancelledWritesNothing() {
        window()->appendText("x");
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);
        whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
        m_frame->command(res::CM_SAVEAS);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), before);
    }

    void fontCommandAppliesPickedFont() {
        whenModal<QFontDialog>([](QFontDialog* dialog) {
            QFont font("DejaVu Sans");
            font.setPixelSize(20);
            dialog->setCurrentFont(font);
            dialog->accept();
        });
        m_frame->command(res::CM_FONT);
        QCOMPARE(m_frame->windowFont().lfHeight, -20);
        QCOMPARE(window()->font().pixelSize(), 20);
    }

    void fontDialogOpensOnTheFontInUseAndOkChangesNothing() {
        const platform::LOGFONT before = m_frame->windowFont();
        const QFont shown = window()->font();
        QString offered;
        whenModal<QFontDialog>([&offered](QFontDialog* dialog) {
            offered = QFontInfo(dialog->currentFont()).family();
            QTest::keyClick(focusIn(dialog), Qt::Key_Return);
        });
        m_frame->command(res::CM_FONT);
        QCOMPARE(offered, QFontInfo(shown).family());
        QVERIFY(m_frame->windowFont() == before);
        QCOMPARE(window()->font(), shown);
    }

    // Every field of the file and font dialogs is named for a screen reader, after its label:
    // a combo box is not named after the entry it shows.
    void saveAsAndFontDialogsNameTheirFields_data() {
        QTest::addColumn<int>("command");
        QTest::newRow("Save As") << int(res::CM_SAVEAS);
        QTest::newRow("Font") << int(res::CM_FONT);
    }
    void saveAsAndFontDialogsNameTheirFields() {
        QFETCH(int, command);
        window()->appendText("x");
        QStringList unnamed;
        int fields = 0;
        whenModal<QDialog>([&](QDialog* dialog) {
            for (QWidget* field : dialog->findChildren<QWidget*>()) {
                if (!field->isVisible() ||
                    (!qobject_cast<QLineEdit*>(field) && !qobject_cast<QComboBox*>(field)))
                    continue;
                if (qobject_cast<QComboBox*>(field->parentWidget()))
                    continue; // a combo box's own edit field
                ++fields;
                const auto* combo = qobject_cast<QComboBox*>(field);
                const QString name =
                    QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name);
                if (name.isEmpty() || (combo && name == combo->currentText()))
                    unnamed.append(field->objectName() + " '" + name + "'");
            }
            dialog->reject();
        });
        m_frame->command(command);
        QVERIFY(fields >= 2);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    }

    void fontCommandCancelledKeepsFont() {
        const platform::LOGFONT before = m_frame->windowFont();
        whenModal<QFontDialog>([](QFontDialog* dialog) { dialog->reject(); });
        m_frame->command(res::CM_FONT);
        QVERIFY(m_frame->windowFont() == before);
    }
};

QTEST_MAIN(tst_TextCommands)
#include "tst_textcommands.moc"
