// SPDX-License-Identifier: MIT
#include "app/T3DControlBar.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TStyleStatusBar.h"
#include "resources/MenuResource.h"
#include "resources/ToolBarFaces.h"
#include "view/TFingWnd.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using app::TMyDecoratedFrame;

class tst_MainFrame : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TMyDecoratedFrame> m_frame;

    QString status() const { return m_frame->statusBarField().text(); }

private slots:
    void init() { m_frame = std::make_unique<TMyDecoratedFrame>(m_dir.path() + '/'); }
    void cleanup() { m_frame.reset(); }

    void menuMatchesTheResource() {
        // Every menu with its items in order: id and text, "-" for a separator.
        const QStringList expected = {
            "&File: 101 Save &As|-|103 &Print|113 P&rinter Setup|-|102 E&xit",
            "&Edit: 24323 &Copy\t Ctrl+Ins|115 C&lear\t Shift+Del|-|111 &Select All",
            "&Search: 114 Find &Text\t F5",
            "Co&mmand: 104 &Finger query\t Alt-N|116 &WhoIs query\t Alt-W|107 &Cancel call\t Alt-C|"
            "117 &DNS lookup\t Alt-D|120 DNS &records\t Alt-R|121 &Mail...",
            "&Options: 112 &Address book\t Alt-A|-|110 History list|109 Fo&nt",
            "&Help: 119 &Index\t F1|118 &Using Help|-|108 A&bout",
        };
        QStringList actual;
        for (QAction* menuAction : m_frame->menuBar()->actions()) {
            QStringList items;
            for (QAction* item : menuAction->menu()->actions())
                items.append(item->isSeparator()
                                 ? QString("-")
                                 : QString::number(item->data().toInt()) + ' ' + item->text());
            actual.append(menuAction->text() + ": " + items.join('|'));
        }
        QCOMPARE(actual, expected);
        QVERIFY(m_frame->action(res::CM_HISTORY)->isCheckable());
    }

    void acceleratorTable() {
        QStringList table;
        for (const res::Accelerator& a : res::acceleratorTable())
            table.append(a.key.toString() + '=' + QString::number(a.id));
        QCOMPARE(table,
                 (QStringList{"Shift+Del=115", "Alt+D=117", "Alt+N=104", "Alt+C=107", "Alt+A=112",
                              "Alt+X=24310", "F5=114", "Alt+W=116", "F1=119", "Alt+R=120"}));
    }

    void hintTexts_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("hint");
        QTest::newRow("101") << 101 << "Save window contents in a file";
        QTest::newRow("102") << 102 << "Exit Vintrel";
        QTest::newRow("103") << 103 << "Print contents of the window";
        QTest::newRow("104") << 104 << "Get Finger information on host or address";
        QTest::newRow("107") << 107 << "Cancel outstanding call";
        QTest::newRow("108") << 108 << "About Vintrel";
        QTest::newRow("109") << 109 << "Choose window font";
        QTest::newRow("110") << 110 << "Keep history list";
        QTest::newRow("111") << 111 << "Select contents of the window";
        QTest::newRow("112") << 112 << "Address book";
        QTest::newRow("113") << 113 << "Select and set up a printer";
        QTest::newRow("114") << 114 << "Search for text";
        QTest::newRow("115") << 115 << "Clear window contents";
        QTest::newRow("116") << 116 << "Whois query";
        QTest::newRow("117") << 117 << "Get DNS lookup information";
        QTest::newRow("118") << 118 << "How to use online help";
        QTest::newRow("119") << 119 << "Help index";
        QTest::newRow("120") << 120 << "Get DNS records, with DNSSEC checked";
        QTest::newRow("24323") << 24323 << "Copy the selected text to the Clipboard";
        QTest::newRow("no hint for 24310") << 24310 << "";
    }
    void hintTexts() {
        QFETCH(int, id);
        QFETCH(QString, hint);
        QCOMPARE(res::hintText(id), hint);
    }

    void toolBarAtStart() {
        QList<int> order;
        for (const res::ToolBarButton& b : res::toolBarButtons())
            order.append(b.id);
        // The DNS records button comes last, so the others keep their places.
        QCOMPARE(order, (QList<int>{104, 116, 107, 115, 112, 117, 120}));
        for (int id : order) {
            QToolButton* button = m_frame->toolButton(id);
            QVERIFY(button);
            QCOMPARE(button->iconSize(), QSize(50, 16));
        }
        QVERIFY(m_frame->toolButton(104)->isEnabled());
        QVERIFY(m_frame->toolButton(116)->isEnabled());
        QVERIFY(!m_frame->toolButton(107)->isEnabled());
        QVERIFY(!m_frame->toolButton(115)->isEnabled());
        QVERIFY(m_frame->toolButton(117)->isEnabled());
        // Buttons stand left to right in table order with 4-pixel gaps.
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        const int gap =
            m_frame->toolButton(116)->x() - m_frame->toolButton(104)->geometry().right() - 1;
        QCOMPARE(gap, 4);
        QVERIFY(m_frame->toolButton(117)->x() > m_frame->toolButton(112)->x());
    }

    // Faces are drawn at the pixel ratio they are shown at, in the theme's button text colour
    // and its disabled colour, so they are sharp at any scale and readable in a dark theme.
    void facesFollowScaleAndTheme_data() {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("styleSheet");
        QTest::newRow("scale 1") << 1.0 << false << false;
        QTest::newRow("scale 2") << 2.0 << false << false;
        QTest::newRow("scale 2, dark theme") << 2.0 << true << false;
        QTest::newRow("dark style sheet") << 1.0 << false << true;
    }
    void facesFollowScaleAndTheme() {
        QFETCH(qreal, scale);
        QFETCH(bool, dark);
        QFETCH(bool, styleSheet);
        const QPalette before = QGuiApplication::palette();
        const QPalette buttonsBefore = QApplication::palette("QAbstractButton");
        QPalette palette = buttonsBefore;
        if (dark) {
            // A dark theme gives buttons their own dark palette, as the application's.
            palette.setColor(QPalette::Active, QPalette::ButtonText, QColor(240, 240, 240));
            palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
            QApplication::setPalette(palette);
            QApplication::setPalette(palette, "QAbstractButton");
        }
        if (styleSheet) {
            // The colours a dark style sheet gives the buttons, enabled and disabled.
            qApp->setStyleSheet("QToolButton { color: #eeeeee; background: #202020 }"
                                "QToolButton:disabled { color: #777777 }");
            palette.setColor(QPalette::Active, QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
            palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x77, 0x77, 0x77));
        }
        QToolButton* button = m_frame->toolButton(res::toolBarButtons().first().id);
        m_frame->show();
        const QIcon icon = button->icon();
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
            const QImage face = icon.pixmap(QSize(50, 16), scale, mode).toImage();
            QCOMPARE(face.size(), (QSizeF(50, 16) * scale).toSize());
            const QRgb ink =
                palette
                    .color(mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active,
                           QPalette::ButtonText)
                    .rgb();
            int solid = 0;
            for (int y = 0; y < face.height(); ++y)
                for (int x = 0; x < face.width(); ++x)
                    solid += qAlpha(face.pixel(x, y)) == 255 &&
                             (face.pixel(x, y) | 0xFF000000) == (ink | 0xFF000000);
            QVERIFY2(solid > 20 * scale * scale, qPrintable(QString::number(solid)));
        }
        qApp->setStyleSheet(QString());
        QApplication::setPalette(before);
        QApplication::setPalette(buttonsBefore, "QAbstractButton");
    }

    void menuHighlightShowsHintAndClosingEmptiesIt() {
        m_frame->action(res::CM_FONT)->hover();
        QCOMPARE(status(), QString("Choose window font"));
        QMenu* menu = m_frame->menuBar()->actions().at(4)->menu();
        menu->popup(QPoint(0, 0));
        menu->hide();
        QCOMPARE(status(), QString());
    }

    // A call's outcome stays on the status bar: a menu or a button shows its hint while it is
    // pointed at, and the outcome is back when it closes or the pointer leaves.
    void outcomeOutlastsMenusAndButtons() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        m_frame->SetCallIdle(false);
        m_frame->SetStatusText("Connection refused");
        m_frame->SetCallIdle(true);
        QTest::keyClick(m_frame.get(), Qt::Key_F10); // File, with its first item highlighted
        QMenu* file = m_frame->menuBar()->actions().at(0)->menu();
        QTRY_VERIFY(file->isVisible());
        QTest::keyClick(file, Qt::Key_Down);
        QTRY_VERIFY(status() != "Connection refused"); // a hint while the menu is open
        QTest::keyClick(file, Qt::Key_Escape);
        QTest::keyClick(m_frame->menuBar(), Qt::Key_Escape);
        QTRY_VERIFY(!file->isVisible());
        QCOMPARE(status(), QString("Connection refused"));
        QToolButton* whois = m_frame->toolButton(res::CM_WHOIS);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(whois, &enter);
        QCOMPARE(status(), QString("Whois query"));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(whois, &leave);
        QCOMPARE(status(), QString("Connection refused"));
    }

    void greyedMenuItemShowsItsHint() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QMenu* file = m_frame->menuBar()->actions().at(0)->menu();
        file->popup(m_frame->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        m_frame->action(res::CM_EXIT)->hover();
        QCOMPARE(status(), QString("Exit Vintrel"));
        QAction* saveAs = m_frame->action(res::CM_SAVEAS);
        QVERIFY(!saveAs->isEnabled()); // no text yet
        QTest::mouseMove(file, file->actionGeometry(saveAs).center());
        QTRY_COMPARE(status(), QString("Save window contents in a file"));
        file->hide();
    }

    void noPopUpOnMenuBarOrToolBar() {
        QVERIFY(m_frame->createPopupMenu() == nullptr);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QContextMenuEvent onToolBar(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
        QApplication::sendEvent(m_frame->findChild<QToolBar*>(), &onToolBar);
        QVERIFY(!QApplication::activePopupWidget());
        QVERIFY(m_frame->findChild<QToolBar*>()->isVisible());
    }

    void toolButtonHintOnEnterWhileIdle() {
        QToolButton* whois = m_frame->toolButton(res::CM_WHOIS);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(whois, &enter);
        QCOMPARE(status(), QString("Whois query"));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(whois, &leave);
        QCOMPARE(status(), QString());
    }

    void busyHoldsHintsBack() {
        m_frame->SetStatusText("Ready");
        m_frame->SetCallIdle(false);
        QCOMPARE(status(), QString()); // going busy empties the field
        QCOMPARE(m_frame->hintMode(), 1);
        QVERIFY(!m_frame->menuHintTracking());
        m_frame->SetStatusText("Connecting to host ", "example.org");
        m_frame->action(res::CM_FONT)->hover();
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(m_frame->toolButton(res::CM_WHOIS), &enter);
        QCOMPARE(status(), QString("Connecting to host example.org"));

        // Going idle after a call leaves its last status text standing.
        m_frame->SetStatusText("Connection closed");
        m_frame->SetCallIdle(true);
        QCOMPARE(status(), QString("Connection closed"));
        QCOMPARE(m_frame->hintMode(), 2);
        m_frame->action(res::CM_FONT)->hover();
        QCOMPARE(status(), QString("Choose window font"));
    }

    void pressedButtonShowsNothingWhileBusy() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->SetCallIdle(false);
        m_frame->SetStatusText("Resolving address host");
        QToolButton* dns = m_frame->toolButton(res::CM_DNS);
        QTest::mousePress(dns, Qt::LeftButton);
        QCOMPARE(status(), QString("Resolving address host"));
        QTest::mouseRelease(dns, Qt::LeftButton, {}, QPoint(-20, -20)); // outside: no click
        QCOMPARE(status(), QString("Resolving address host"));
        m_frame->SetCallIdle(true);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(dns, &enter);
        QCOMPARE(status(), QString("Get DNS lookup information"));
    }

    void captionSuffix() {
        m_frame->SetCaptionSuffix(QString());
        QCOMPARE(m_frame->windowTitle(), QString("Vintrel"));
        m_frame->SetCaptionSuffix("user@host");
        QCOMPARE(m_frame->windowTitle(), QString("Vintrel: user@host"));
        m_frame->SetCaptionSuffix("a[*]b");
        m_frame->show();
        QCOMPARE(m_frame->windowHandle()->title(), QString("Vintrel: a[*]b"));
        m_frame->SetCaptionSuffix(QString());
        QCOMPARE(m_frame->windowTitle(), QString("Vintrel"));
    }

    void statusTextIsPlainText() {
        m_frame->SetStatusText("<b>bold</b>", " &amp;");
        QCOMPARE(status(), QString("<b>bold</b> &amp;"));
        // The field draws the text as it stands: markup is shown, not interpreted, so the
        // tags take room of their own.
        auto* field = m_frame->statusBarField().findChild<app::MessageField*>("messageField");
        QVERIFY(field);
        field->resize(400, 24);
        auto inkedColumns = [field](const QString& text) {
            field->setText(text);
            QImage image(field->size(), QImage::Format_ARGB32);
            image.fill(Qt::white);
            field->render(&image);
            int columns = 0;
            for (int x = 4; x < image.width() - 4; ++x)
                for (int y = 4; y < image.height() - 4; ++y)
                    if (qGray(image.pixel(x, y)) < 128) {
                        ++columns;
                        break;
                    }
            return columns;
        };
        QVERIFY(inkedColumns("<b>bold</b>") > inkedColumns("bold") + 10);
    }

    void historyListTogglesItsCheckMark() {
        QAction* history = m_frame->action(res::CM_HISTORY);
        QVERIFY(history->isChecked());
        history->trigger();
        QVERIFY(!m_frame->keepHistory());
        QVERIFY(!history->isChecked());
        history->trigger();
        QVERIFY(m_frame->keepHistory());
        QVERIFY(history->isChecked());
    }

    void acceleratorsReachCommands() {
        m_frame->show();
        QApplication::setActiveWindow(m_frame.get());
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        m_frame->client().appendText("some text\n");
        QVERIFY(m_frame->commandEnabled(res::CM_CLEAR));
        QTest::keyClick(m_frame.get(), Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(m_frame->client().toPlainText(), QString());

        QSignalSpy destroyed(m_frame.get(), &QObject::destroyed);
        m_frame->setAttribute(Qt::WA_DeleteOnClose);
        QTest::keyClick(m_frame.get(), Qt::Key_X, Qt::AltModifier);
        QTRY_COMPARE(destroyed.count(), 1);
        m_frame.release();
    }

    // The keyboard reaches the tool bar and comes back: F6 or Ctrl+Tab from the answer, arrows
    // along the enabled buttons, Escape or F6 back to where it was.
    void keyboardReachesTheToolBar_data() {
        QTest::addColumn<QList<int>>("keys");   // key codes, with Ctrl where marked
        QTest::addColumn<int>("focusedButton"); // 0: the answer has the focus
        const int ctrl = int(Qt::ControlModifier);
        QTest::newRow("F6") << QList<int>{Qt::Key_F6} << int(res::CM_FINGER);
        QTest::newRow("Ctrl+Tab") << QList<int>{ctrl | Qt::Key_Tab} << int(res::CM_FINGER);
        QTest::newRow("Tab") << QList<int>{Qt::Key_Tab} << int(res::CM_FINGER);
        QTest::newRow("Right passes disabled buttons")
            << QList<int>{Qt::Key_F6, Qt::Key_Right, Qt::Key_Right} << int(res::CM_ADDRBOOK);
        QTest::newRow("End, then Right stays")
            << QList<int>{Qt::Key_F6, Qt::Key_End, Qt::Key_Right} << int(res::CM_DNSRECORDS);
        QTest::newRow("Escape goes back")
            << QList<int>{Qt::Key_F6, Qt::Key_Right, Qt::Key_Escape} << 0;
        QTest::newRow("F6 twice goes back") << QList<int>{Qt::Key_F6, Qt::Key_F6} << 0;
    }
    void keyboardReachesTheToolBar() {
        QFETCH(QList<int>, keys);
        QFETCH(int, focusedButton);
        m_frame->show();
        QApplication::setActiveWindow(m_frame.get());
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QWidget* answer = QApplication::focusWidget();
        QVERIFY(answer && !m_frame->toolButton(res::CM_FINGER)->hasFocus());
        for (int key : keys)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        QWidget* expected = focusedButton ? m_frame->toolButton(focusedButton) : answer;
        QCOMPARE(QApplication::focusWidget(), expected);
    }

    // The desktop's keys open what their commands open, and only when the command may run.
    void desktopShortcutsRunTheirCommands_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("opens");
        QTest::newRow("Ctrl+S") << int(Qt::Key_S) << int(Qt::ControlModifier) << "saveAsDialog";
        QTest::newRow("Ctrl+P") << int(Qt::Key_P) << int(Qt::ControlModifier) << "printDialog";
        QTest::newRow("Ctrl+F") << int(Qt::Key_F) << int(Qt::ControlModifier) << "dialog203";
        QTest::newRow("F3") << int(Qt::Key_F3) << int(Qt::NoModifier) << "dialog203";
    }
    void desktopShortcutsRunTheirCommands() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, opens);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QString opened;
        auto* poll = new QTimer(m_frame.get());
        connect(poll, &QTimer::timeout, poll, [&opened] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                opened = dialog->objectName(); // dialog203 is Find Text's template
                dialog->reject();
            }
        });
        poll->start(5);
        const auto press = [&] {
            m_frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
            QTest::keyClick(m_frame.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QTest::qWait(50);
        };
        press(); // an empty window: the command is disabled
        QCOMPARE(opened, QString());
        m_frame->client().appendText("some text\n");
        press();
        QCOMPARE(opened, opens);
        delete poll;
    }

    // Select All then Copy, by the desktop's keys as by the classic ones, copies the text.
    void selectAllThenCopy_data() {
        QTest::addColumn<int>("copyKey");
        QTest::newRow("Ctrl+C") << int(Qt::Key_C);
        QTest::newRow("Ctrl+Ins") << int(Qt::Key_Insert);
    }
    void selectAllThenCopy() {
        QFETCH(int, copyKey);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        m_frame->client().appendText("first line\nsecond line\n");
        QApplication::clipboard()->clear();
        m_frame->client().setFocus();
        QTest::keyClick(m_frame->focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(m_frame->focusWidget(), Qt::Key(copyKey), Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("first line\nsecond line\n"));
    }

    void ctrlQEndsTheProgram() {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QSignalSpy destroyed(m_frame.get(), &QObject::destroyed);
        m_frame->setAttribute(Qt::WA_DeleteOnClose);
        QTest::keyClick(m_frame.get(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_COMPARE(destroyed.count(), 1);
        m_frame.release();
    }

    void toolBarDrawsRaisedBorder() {
        app::T3DControlBar bar;
        bar.resize(120, 30);
        QImage image(bar.size(), QImage::Format_ARGB32);
        bar.render(&image);
        const QPalette& pal = bar.palette();
        QCOMPARE(image.pixel(10, 0), pal.light().color().rgb());
        QCOMPARE(image.pixel(0, 10), pal.light().color().rgb());
        QCOMPARE(image.pixel(10, 29), pal.dark().color().rgb());
        QCOMPARE(image.pixel(119, 10), pal.dark().color().rgb());
        QCOMPARE(image.pixel(60, 15), pal.button().color().rgb());
        bar.resize(200, 30);
        image = QImage(bar.size(), QImage::Format_ARGB32);
        bar.render(&image);
        QCOMPARE(image.pixel(199, 10), pal.dark().color().rgb());
    }
};

QTEST_MAIN(tst_MainFrame)
#include "tst_mainframe.moc"
