// SPDX-License-Identifier: MIT
#include "TestNetwork.h"
#include "app/HelpWindow.h"
#include "app/QueryCommands.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TStyleStatusBar.h"
#include "dialogs/DNS_Dialog.h"
#include "dialogs/Finger_Dialog.h"
#include "dialogs/Whois_Dialog.h"
#include "platform/ProfileFile.h"
#include "resources/DialogTemplates.h"
#include "resources/HelpResource.h"
#include "resources/MenuResource.h"
#include "view/TFingWnd.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "Typing.h"

#include "WhenModal.h"
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <arpa/inet.h>

using app::TMyDecoratedFrame;

namespace {

struct Rules {
    bool finger, whois, cancel, dns;
};

} // namespace

class tst_QueryCommands : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TMyDecoratedFrame> m_frame;
    view::TFingWnd* window() { return &m_frame->client(); }
    QString status() { return m_frame->statusBarField().text(); }

    void checkRules(Rules expected) {
        m_frame->updateCommands();
        const QList<std::pair<int, bool>> rules = {{res::CM_FINGER, expected.finger},
                                                   {res::CM_WHOIS, expected.whois},
                                                   {res::CM_CANCEL, expected.cancel},
                                                   {res::CM_DNS, expected.dns}};
        for (auto [id, enabled] : rules) {
            QVERIFY2(m_frame->commandEnabled(id) == enabled, qPrintable(QString::number(id)));
            QVERIFY2(m_frame->action(id)->isEnabled() == enabled, qPrintable(QString::number(id)));
            QVERIFY2(m_frame->toolButton(id)->isEnabled() == enabled,
                     qPrintable(QString::number(id)));
        }
    }

    dialogs::DNS_Dialog* openDnsInfo() { return m_frame->findChild<dialogs::DNS_Dialog*>(); }

private slots:
    void init() {
        QFile::remove(m_dir.filePath("vintrel.ini"));
        m_frame = std::make_unique<TMyDecoratedFrame>(m_dir.path() + '/');
        window()->setResolver(loopbackResolver());
        m_frame->show();
        QApplication::setActiveWindow(m_frame.get());
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }
    void cleanup() {
        if (window()->Busy() || window()->DnsBusy())
            window()->CancelCall();
        m_frame.reset();
    }

    void enablingRulesInEveryState() {
        checkRules({true, true, false, true}); // idle

        window()->LookupHost("slow.test"); // DNS outstanding
        checkRules({true, true, true, false});

        QTRY_VERIFY(openDnsInfo()); // DNS info open
        checkRules({true, true, true, false});

        LoopbackServer server({{}, 0, LoopbackServer::Ending::StaySilent});
        routeServicesTo(window()->engine(), server);
        window()->Finger(AddrInfo("user@finger.test", 0)); // both
        checkRules({false, false, true, false});

        openDnsInfo()->done(res::IDOK); // call alone
        QTRY_VERIFY(!window()->DnsBusy());
        checkRules({false, false, true, true});

        m_frame->command(res::CM_CANCEL);
        checkRules({true, true, false, true});
    }

    void disabledCommandByAcceleratorStartsNothing() {
        LoopbackServer server({{}, 0, LoopbackServer::Ending::StaySilent});
        routeServicesTo(window()->engine(), server);
        window()->Finger(AddrInfo("user@finger.test", 0));
        QTRY_COMPARE(status(), QString("Connected to host finger.test"));
        QTest::keyClick(m_frame.get(), Qt::Key_N, Qt::AltModifier);
        QTest::keyClick(m_frame.get(), Qt::Key_W, Qt::AltModifier);
        QTest::qWait(50);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(status(), QString("Connected to host finger.test"));
    }

    void fingerCommandEndToEnd() {
        LoopbackServer server({{"Login: user\r\nPlan: none\r\n"}});
        routeServicesTo(window()->engine(), server);
        whenModal<dialogs::Finger_Dialog>([](dialogs::Finger_Dialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("Finger"));
            dialog->fullInfoBox()->setChecked(true);
            QTest::keyClicks(dialog->addressBox()->lineEdit(), "user@finger.test");
            QTest::mouseClick(dialog->control(res::IDOK), Qt::LeftButton);
        });
        QTest::keyClick(m_frame.get(), Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(status(), QString("Connection closed"));
        QCOMPARE(server.requests(), QList<QByteArray>{"/W user\r\n"});
        QCOMPARE(window()->toPlainText(), QString("Login: user\nPlan: none\n"));
        QCOMPARE(m_frame->windowTitle(), QString("Vintrel: user@finger.test"));
        QCOMPARE(platform::getProfileString("History", "Address1", "", 55, m_frame->settingsPath()),
                 QString("user@finger.test"));
    }

    void fingerDialogCancelledStartsNothing() {
        whenModal<dialogs::Finger_Dialog>([](dialogs::Finger_Dialog* dialog) {
            typeInto(dialog->addressBox()->lineEdit(), "user@finger.test");
            dialog->reject();
        });
        m_frame->command(res::CM_FINGER);
        QVERIFY(!window()->Busy());
        QCOMPARE(status(), QString());
    }

    void whoisCommandEndToEnd() {
        LoopbackServer server({{"Domain Name: EXAMPLE.COM\r\n"}});
        routeServicesTo(window()->engine(), server);
        whenModal<dialogs::Whois_Dialog>([](dialogs::Whois_Dialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("WhoIs query"));
            typeInto(dialog->queryField(), "example.com");
            typeInto(dialog->serverBox()->lineEdit(), "whois.test");
            QTest::mouseClick(dialog->control(res::IDOK), Qt::LeftButton);
        });
        m_frame->command(res::CM_WHOIS);
        QTRY_COMPARE(status(), QString("Connection closed"));
        QCOMPARE(server.requests(), QList<QByteArray>{"example.com\r\n"});
        QCOMPARE(m_frame->windowTitle(), QString("Vintrel: whois.test"));
    }

    void dnsCommandShowsInfo() {
        whenModal<dialogs::InputDialog>([](dialogs::InputDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("DNS lookup dialog"));
            QTest::keyClicks(dialog->field(), "host.test");
            QTest::keyClick(dialog->field(), Qt::Key_Return);
        });
        m_frame->command(res::CM_DNS);
        QTRY_VERIFY(openDnsInfo());
        dialogs::DNS_Dialog* info = openDnsInfo();
        QCOMPARE(info->hostNameField()->text(), QString("host.test"));
        QCOMPARE(info->aliasList()->currentText(), QString("alias.host.test"));
        QVERIFY(info->aliasList()->isEnabled());
        QCOMPARE(info->addressField()->text(), QString("127.0.0.1"));
        QVERIFY(window()->DnsBusy());
        QCOMPARE(status(), QString()); // success leaves the status bar alone
        QTest::mouseClick(info->control(res::IDOK), Qt::LeftButton);
        QTRY_VERIFY(!window()->DnsBusy());
    }

    void dnsCommandForDottedAddress() {
        window()->LookupHost("127.0.0.1");
        QTRY_VERIFY(openDnsInfo());
        QCOMPARE(openDnsInfo()->hostNameField()->text(), QString("localhost"));
        QCOMPARE(openDnsInfo()->addressField()->text(), QString("127.0.0.1"));
        QCOMPARE(openDnsInfo()->aliasList()->currentText(), QString("None"));
        QVERIFY(!openDnsInfo()->aliasList()->isEnabled());
        openDnsInfo()->done(res::IDOK);
    }

    void dnsErrorShowsMessageBox() {
        window()->LookupHost("nowhere.test");
        QTRY_VERIFY(m_frame->findChild<QMessageBox*>());
        auto* box = m_frame->findChild<QMessageBox*>();
        QCOMPARE(box->windowTitle(), QString("DNS lookup error"));
        QCOMPARE(box->text(), QString("Host not found"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QVERIFY(!openDnsInfo());
        // Cancel call and the DNS button stay as they are while the box is open...
        QVERIFY(window()->DnsBusy());
        QVERIFY(!m_frame->commandEnabled(res::CM_DNS));
        QVERIFY(m_frame->commandEnabled(res::CM_CANCEL));
        QCOMPARE(status(), QString());
        box->button(QMessageBox::Ok)->click();
        // ...and change when it closes.
        QTRY_VERIFY(!window()->DnsBusy());
        QVERIFY(m_frame->commandEnabled(res::CM_DNS));
        QVERIFY(!m_frame->commandEnabled(res::CM_CANCEL));
        QVERIFY(m_frame->toolButton(res::CM_DNS)->isEnabled());
    }

    void dnsInputEmptyDoesNothing() {
        whenModal<dialogs::InputDialog>(
            [](dialogs::InputDialog* dialog) { dialog->done(res::IDOK); });
        m_frame->command(res::CM_DNS);
        QVERIFY(!window()->DnsBusy());
    }

    void cancelDuringDnsAlone() {
        window()->LookupHost("slow.test");
        m_frame->command(res::CM_CANCEL);
        QCOMPARE(status(), QString("Call canceled"));
        QVERIFY(!window()->DnsBusy());
        QTest::qWait(600); // the reply never arrives
        QVERIFY(!openDnsInfo());
    }

    void callKeepsFillingWhileDnsInfoIsOpen() {
        LoopbackServer server({{"one\n", "two\n", "three\n"}, 150});
        routeServicesTo(window()->engine(), server);
        window()->LookupHost("host.test");
        QTRY_VERIFY(openDnsInfo());
        window()->Finger(AddrInfo("finger.test", 0));
        QTRY_COMPARE(status(), QString("Connection closed"));
        QCOMPARE(window()->toPlainText(), QString("one\ntwo\nthree\n"));
        QVERIFY(openDnsInfo()->isVisible());
        openDnsInfo()->done(res::IDOK);
    }

    void aboutBox() {
        whenModal<dialogs::Base_Dialog>([](dialogs::Base_Dialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("About Vintrel"));
            QStringList texts;
            for (QLabel* label : dialog->findChildren<QLabel*>())
                texts.append(label->text());
            QVERIFY(texts.contains("32bit"));
            QVERIFY(texts.join('\n').contains("v1.0"));
            QVERIFY(!dialog->control<QLabel>(res::IDC_ABOUT_ICON)->pixmap().isNull());
            QTest::mouseClick(dialog->control(res::IDOK), Qt::LeftButton);
        });
        m_frame->command(res::CM_ABOUT);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void helpOpensIndexAndUsingHelp() {
        QTest::keyClick(m_frame.get(), Qt::Key_F1);
        app::HelpWindow* help = m_frame->queryCommands().helpWindow();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->browser()->source().fragment(), QString("index"));
        // Read from the keyboard: the caret goes line by line, Tab selects a link, Return
        // follows it and leaves the caret on its topic. A screen reader gets screen lines.
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTextBrowser* page = help->browser();
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(page);
        // A text with a caret, as the answer pane is; not one long label.
        QCOMPARE(accessible->role(), QAccessible::EditableText);
        QVERIFY(accessible->state().readOnly && accessible->state().multiLine);
        QAccessibleTextInterface* text = accessible->textInterface();
        QVERIFY(text);
        const auto lineAtCaret = [&] {
            int start = -1;
            int end = -1;
            return text
                ->textAtOffset(text->cursorPosition(), QAccessible::LineBoundary, &start, &end)
                .trimmed();
        };
        QCOMPARE(lineAtCaret(), QString("Vintrel Help: Index"));
        QTest::keyClick(page, Qt::Key_Down);
        const QString line = lineAtCaret();
        QVERIFY2(line.startsWith("Vintrel asks Internet hosts") && line.size() < 120,
                 qPrintable(line));
        QTest::keyClick(page, Qt::Key_Tab);
        QCOMPARE(page->textCursor().selectedText(), QString("The main window"));
        QTRY_COMPARE(help->statusText(), QString("The main window link"));
        QTest::keyClick(page, Qt::Key_Return);
        QCOMPARE(page->source().fragment(), QString("window"));
        QCOMPARE(lineAtCaret(), QString("The main window"));
        QTest::keyClick(page, Qt::Key_Down);
        QVERIFY2(lineAtCaret().startsWith("The tool bar along the top"), qPrintable(lineAtCaret()));
        m_frame->command(res::CM_HELPUSING);
        QCOMPARE(help->browser()->source().fragment(), QString("using-help"));
        // Escape closes it, wherever the focus is in it.
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help->browser(), Qt::Key_Escape);
        QVERIFY(!help->isVisible());
    }

    void helpExplainsEveryCommand() {
        res::initHelpResource();
        QFile file(":/help/vintrel.html");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString document = QString::fromUtf8(file.readAll());
        for (const res::Menu& menu : res::fingerMenu())
            for (const res::MenuItem& item : menu.items) {
                if (item.id == res::CM_NONE)
                    continue;
                QString name = QString::fromLatin1(item.text);
                name = name.left(name.indexOf('\t')).remove('&');
                QVERIFY2(document.contains("<b>" + name + "</b>"), qPrintable(name));
            }
        for (const char* text :
             {"Connection closed", "Call canceled", "Timed out", "Host not found",
              "Close Connection?", "Unable to open file", "DNS lookup error"})
            QVERIFY2(document.contains(text), text);
    }

    void exitGoesThroughTheCloseGuard() {
        LoopbackServer server({{}, 0, LoopbackServer::Ending::StaySilent});
        routeServicesTo(window()->engine(), server);
        window()->Finger(AddrInfo("finger.test", 0));
        QTRY_COMPARE(status(), QString("Connected to host finger.test"));
        whenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); });
        m_frame->command(res::CM_EXIT);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QTest::qWait(50);
        QVERIFY(m_frame->isVisible());
        QVERIFY(window()->Busy());
    }
};

QTEST_MAIN(tst_QueryCommands)
#include "tst_querycommands.moc"
