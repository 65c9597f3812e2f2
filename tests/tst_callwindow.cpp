// SPDX-License-Identifier: MIT
#include "TestNetwork.h"
#include "app/TMyDecoratedFrame.h"
#include "app/TStyleStatusBar.h"
#include "resources/Commands.h"
#include "view/TFingWnd.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "WhenModal.h"
#include <QTimer>
#include <QToolButton>

#include <arpa/inet.h>

using app::TMyDecoratedFrame;

namespace {

// Answers the next message box with button once it is open.
void answerMessageBox(QMessageBox::StandardButton button, QString* seenText = nullptr,
                      QString* seenCaption = nullptr) {
    whenModal<QMessageBox>([=](QMessageBox* box) {
        if (seenText)
            *seenText = box->text();
        if (seenCaption)
            *seenCaption = box->windowTitle();
        box->button(button)->click();
    });
}

} // namespace

class tst_CallWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TMyDecoratedFrame> m_frame;
    view::TFingWnd* window() { return &m_frame->client(); }
    QString status() { return m_frame->statusBarField().text(); }

    // Opens the output window's context menu, as a right click does, and reads its Select All.
    int contextMenuSelectAllEnabled() {
        int enabled = -1;
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [&enabled, poll] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            poll->deleteLater();
            for (QAction* action : menu->actions())
                if (action->text() == "Select &All")
                    enabled = action->isEnabled();
            menu->close();
        });
        poll->start(5);
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                window()->viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(window()->viewport(), &click);
        return enabled;
    }

private slots:
    void init() {
        m_frame = std::make_unique<TMyDecoratedFrame>(m_dir.path() + '/');
        window()->setResolver(loopbackResolver());
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() { m_frame.reset(); }

    void replyFillsWindowStatusAndCaption() {
        LoopbackServer server({{"Login: user\r\nName: A User\r\n"}});
        routeServicesTo(window()->engine(), server);
        window()->Finger(AddrInfo("user@finger.test", 1));
        QVERIFY(window()->Busy());
        QTRY_COMPARE(status(), QString("Connection closed"));
        QCOMPARE(window()->toPlainText(), QString("Login: user\nName: A User\n"));
        QCOMPARE(m_frame->windowTitle(), QString("Vintrel: user@finger.test"));
        QCOMPARE(server.requests(), QList<QByteArray>{"/W user\r\n"});
        QVERIFY(window()->holdsText());
        QVERIFY(m_frame->commandEnabled(res::CM_SAVEAS));
    }

    void enablingRulesFollowTheCall() {
        LoopbackServer server({{"some text"}, 0, LoopbackServer::Ending::StaySilent});
        routeServicesTo(window()->engine(), server);
        window()->Finger(AddrInfo("finger.test", 0));
        QTRY_VERIFY(window()->holdsText());
        QVERIFY(!m_frame->commandEnabled(res::CM_FINGER));
        QVERIFY(!m_frame->commandEnabled(res::CM_WHOIS));
        QVERIFY(m_frame->commandEnabled(res::CM_CANCEL));
        QVERIFY(m_frame->commandEnabled(res::CM_DNS));
        QVERIFY(!m_frame->commandEnabled(res::CM_CLEAR)); // text, but a call runs
        QVERIFY(!m_frame->commandEnabled(res::CM_SAVEAS));
        QVERIFY(m_frame->toolButton(res::CM_CANCEL)->isEnabled());
        QVERIFY(!m_frame->toolButton(res::CM_FINGER)->isEnabled());
        QVERIFY(!m_frame->toolButton(res::CM_CLEAR)->isEnabled());
        QCOMPARE(contextMenuSelectAllEnabled(), false); // the view's own menu, likewise

        m_frame->command(res::CM_CANCEL);
        QCOMPARE(status(), QString("Call canceled"));
        QVERIFY(!window()->Busy());
        QVERIFY(m_frame->toolButton(res::CM_FINGER)->isEnabled());
        QVERIFY(!m_frame->toolButton(res::CM_CANCEL)->isEnabled());
        QVERIFY(m_frame->toolButton(res::CM_CLEAR)->isEnabled());
        QCOMPARE(window()->toPlainText(), QString("some text"));
        QCOMPARE(m_frame->windowTitle(), QString("Vintrel"));
        QCOMPARE(contextMenuSelectAllEnabled(), true);
    }

    void progressTextsSurviveHintsDuringACall() {
        LoopbackServer server({{}, 0, LoopbackServer::Ending::StaySilent});
        routeServicesTo(window()->engine(), server);
        window()->Finger(AddrInfo("finger.test", 0));
        QTRY_COMPARE(status(), QString("Connected to host finger.test"));
        m_frame->action(res::CM_FONT)->hover();
        QCOMPARE(status(), QString("Connected to host finger.test"));
        window()->CancelCall();
    }

    void closeGuardCancelKeepsTheCall() {
        LoopbackServer server({{}, 0, LoopbackServer::Ending::StaySilent});
        routeServicesTo(window()->engine(), server);
        window()->Finger(AddrInfo("finger.test", 0));
        QTRY_COMPARE(status(), QString("Connected to host finger.test"));
        QString text, caption;
        answerMessageBox(QMessageBox::Cancel, &text, &caption);
        QVERIFY(!m_frame->close());
        QCOMPARE(text, QString("Close Connection?"));
        QCOMPARE(caption, QString("Warning: socket in use"));
        QVERIFY(window()->Busy());
        QVERIFY(m_frame->isVisible());
        window()->CancelCall();
    }

    void closeGuardOkCancelsAndCloses() {
        LoopbackServer server({{}, 0, LoopbackServer::Ending::StaySilent});
        routeServicesTo(window()->engine(), server);
        window()->Finger(AddrInfo("finger.test", 0));
        QTRY_COMPARE(status(), QString("Connected to host finger.test"));
        answerMessageBox(QMessageBox::Ok);
        QVERIFY(m_frame->close());
        QCOMPARE(status(), QString("Call canceled"));
        QVERIFY(!window()->Busy());
    }

    void closeWhileIdleAsksNothing() { QVERIFY(m_frame->close()); }
};

QTEST_MAIN(tst_CallWindow)
#include "tst_callwindow.moc"
