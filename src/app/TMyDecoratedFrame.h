// SPDX-License-Identifier: MIT
#pragma once
// The main window.
//
//   TMyDecoratedFrame (QMainWindow)
//     menu "FINGER_MENU", accelerators, T3DControlBar (tool bar), TStyleStatusBar
//     client: view::TFingWnd, the output window, which owns the net::QueryEngine
//     TextCommands   Copy, Clear, Select All, Save As, Font
//     FindCommand    Find Text, with the search settings of the run
//     PrintCommands  Print, Printer Setup, with the printer of the run
//     QueryCommands  Finger, WhoIs, DNS lookup, Address book, Cancel call, About, Help
//
// Every menu item, accelerator and tool-bar button ends in command(id), which refuses a
// command that is disabled; commandEnabled(id) computes availability from live state (the
// engine's Busy and DnsBusy, whether the window holds text, the selection). Hint texts and
// the engine's status texts share the status bar's one field.

#include "FrameSettings.h"
#include "view/FrameOps.h"

#include <QHash>
#include <QMainWindow>
#include <QTimer>

class QAction;
class QToolButton;

namespace view {
class TFingWnd;
}

namespace app {

class FindCommand;
class MenuHintStyle;
class PrintCommands;
class QueryCommands;
class T3DControlBar;
class TStyleStatusBar;
class TextCommands;

class TMyDecoratedFrame : public QMainWindow, public view::FrameOps {
    Q_OBJECT
public:
    // When a waiting call's stage is first said, and how often again.
    static constexpr int WaitSaidFirstMs = 5000;
    static constexpr int WaitSaidAgainMs = 12000;

    // dataDirectory holds "vintrel.ini" (with a trailing '/').
    explicit TMyDecoratedFrame(const QString& dataDirectory, QWidget* parent = nullptr);
    ~TMyDecoratedFrame() override;

    // FrameOps
    void SetStatusText(const QString& text, const QString& suffix = QString()) override;
    void SetCaptionSuffix(const QString& suffix) override;
    void SetCallIdle(bool idle) override;
    void Announce(const QString& text) override;

    void command(int id);
    bool commandEnabled(int id) const;

    view::TFingWnd& client() const { return *m_client; }
    TStyleStatusBar& statusBarField() const { return *m_statusBar; }
    const QString& dataDirectory() const { return m_dataDirectory; }
    const QString& settingsPath() const { return m_settingsPath; }
    const QString& baseTitle() const { return m_baseTitle; }
    bool keepHistory() const { return m_keepHistory; }
    void setKeepHistory(bool keep);
    int hintMode() const { return m_hintMode; }
    bool menuHintTracking() const { return m_menuHintTracking; }
    const platform::LOGFONT& windowFont() const { return m_windowFont; }
    void setWindowFont(const platform::LOGFONT& font);
    QAction* action(int id) const { return m_actions.value(id); }
    QToolButton* toolButton(int id) const { return m_buttons.value(id); }
    QueryCommands& queryCommands() const { return *m_queryCommands; }
    FindCommand& findCommand() const { return *m_findCommand; }
    PrintCommands& printCommands() const { return *m_printCommands; }

    // Shows a command's hint text (0: none) while menu hints are on.
    void showHint(int id);

public slots:
    void updateCommands();

    // No pop-up on the menu bar or the tool bar: Qt's would only offer to hide the tool bar.
    QMenu* createPopupMenu() override { return nullptr; }

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void buildMenu();
    void buildAccelerators();
    void buildToolBar();
    void writeSettings() const;
    // After a menu closes: the menu bar lets go, and a screen reader hears where the focus is.
    void menusClosed();

    view::TFingWnd* m_client;
    QString m_dataDirectory;
    QString m_settingsPath;
    QString m_baseTitle;
    platform::LOGFONT m_windowFont;
    bool m_keepHistory = true;
    int m_hintMode = 2; // 2: hint when the mouse enters a button; 1: while it is pressed
    bool m_menuHintTracking = true;
    QString m_statusText; // the last status text set, which a hint stands over for a while
    // A call that waits is not silent: its stage is said after a few seconds and then now and
    // again, as a screen reader says a progress bar's value.
    QTimer m_waitSaid;
    TStyleStatusBar* m_statusBar;
    T3DControlBar* m_toolBar;
    QHash<int, QAction*> m_actions;
    QHash<int, QToolButton*> m_buttons;
    TextCommands* m_textCommands;
    QueryCommands* m_queryCommands;
    FindCommand* m_findCommand;
    PrintCommands* m_printCommands;
    MenuHintStyle* m_menuStyle = nullptr;
};

} // namespace app
