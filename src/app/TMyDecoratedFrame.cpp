// SPDX-License-Identifier: MIT
#include "TMyDecoratedFrame.h"
#include "FindCommand.h"
#include "MenuFocusFilter.h"
#include "MenuHintStyle.h"
#include "MenuItemAccessible.h"
#include "PrintCommands.h"
#include "QueryCommands.h"
#include "ScrollValueThrottle.h"
#include "T3DControlBar.h"
#include "TStyleStatusBar.h"
#include "TextCommands.h"
#include "dialogs/StoredList.h"
#include "resources/MenuResource.h"
#include "resources/ToolBarFaces.h"
#include "view/TFingWnd.h"

#include "platform/MessageBox.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace app {

TMyDecoratedFrame::TMyDecoratedFrame(const QString& dataDirectory, QWidget* parent)
    : QMainWindow(parent), m_client(new view::TFingWnd(this)), m_dataDirectory(dataDirectory),
      m_settingsPath(dataDirectory + QStringLiteral("vintrel.ini")),
      m_statusBar(new TStyleStatusBar(this)), m_toolBar(new T3DControlBar(this)),
      m_textCommands(new TextCommands(*this, *m_client)),
      m_queryCommands(new QueryCommands(*this, *m_client)),
      m_findCommand(new FindCommand(*this, *m_client)),
      m_printCommands(new PrintCommands(*this, *m_client)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("Vintrel"));
    setWindowIcon(res::appIcon());
    m_baseTitle = windowTitle().left(38);
    m_waitSaid.setSingleShot(true);
    connect(&m_waitSaid, &QTimer::timeout, this, [this] {
        if (!m_statusText.isEmpty())
            m_statusBar->announce(m_statusText);
        m_waitSaid.start(WaitSaidAgainMs);
    });

    const FrameSettings settings = FrameSettings::read(m_settingsPath);
    move(settings.placement.topLeft());
    resize(settings.placement.size());
    if (settings.reopenMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    m_keepHistory = settings.keepHistory;

    setCentralWidget(m_client);
    m_client->setFrame(this);
    setWindowFont(settings.font);

    setStatusBar(m_statusBar);
    buildToolBar();
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    buildMenu();
    buildAccelerators();

    connect(m_client, &view::TFingWnd::commandStateChanged, this,
            &TMyDecoratedFrame::updateCommands);
    updateCommands();
    m_client->setFocus();
}

TMyDecoratedFrame::~TMyDecoratedFrame() {
    writeSettings();
    delete m_textCommands;
    delete m_queryCommands;
    delete m_findCommand;
    delete m_printCommands;
}

void TMyDecoratedFrame::buildMenu() {
    MenuItemAccessible::installFactory();
    MenuFocusFilter::install();
    ScrollValueThrottle::install();
    m_menuStyle = new MenuHintStyle();
    m_menuStyle->setParent(this);
    menuBar()->setStyle(m_menuStyle);
    for (const res::Menu& menuResource : res::fingerMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(menuResource.text));
        menu->setStyle(m_menuStyle);
        connect(menu, &QMenu::aboutToShow, this, &TMyDecoratedFrame::updateCommands);
        connect(menu, &QMenu::aboutToHide, this, [this] {
            showHint(res::CM_NONE);
            QTimer::singleShot(0, this, &TMyDecoratedFrame::menusClosed);
        });
        for (const res::MenuItem& item : menuResource.items) {
            if (item.id == res::CM_NONE) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            action->setData(item.id);
            action->setEnabled(!item.grayed);
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
            action->setMenuRole(QAction::NoRole);
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { command(id); });
            connect(action, &QAction::hovered, this, [this, id] { showHint(id); });
            m_actions.insert(id, action);
        }
    }
}

void TMyDecoratedFrame::buildAccelerators() {
    for (const res::Accelerator& accelerator : res::acceleratorTable() + res::desktopShortcuts()) {
        auto* shortcut = new QShortcut(accelerator.key, this);
        shortcut->setContext(Qt::WindowShortcut);
        const int id = accelerator.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { command(id); });
    }
    // F10 opens the menu bar, as on every Linux desktop.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    menuKey->setContext(Qt::WindowShortcut);
    connect(menuKey, &QShortcut::activated, this, [this] {
        if (menuBar()->actions().isEmpty())
            return;
        QAction* first = menuBar()->actions().first();
        menuBar()->setActiveAction(first);
        if (QMenu* menu = first->menu())
            for (QAction* item : menu->actions())
                if (item->isEnabled() && !item->isSeparator()) {
                    menu->setActiveAction(item);
                    break;
                }
    });
    // F6 and Ctrl+Tab go between the answer and the tool bar, as between a GTK program's panes.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_F6), QKeySequence(Qt::SHIFT | Qt::Key_F6),
                                    QKeySequence(Qt::CTRL | Qt::Key_Tab),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)}) {
        auto* paneKey = new QShortcut(key, this);
        paneKey->setContext(Qt::WindowShortcut);
        connect(paneKey, &QShortcut::activated, this, [this] {
            if (m_toolBar->holdsFocus() || !m_toolBar->focusFirstButton())
                m_client->setFocus(Qt::TabFocusReason);
        });
    }
}

void TMyDecoratedFrame::buildToolBar() {
    // The bar would scale every face to its own square icon size otherwise.
    m_toolBar->setIconSize(QSize(res::FaceWidth, res::FaceHeight));
    bool first = true;
    for (const res::ToolBarButton& face : res::toolBarButtons()) {
        if (!first)
            m_toolBar->addGap(res::ToolBarSeparatorWidth);
        first = false;
        auto* button = new QToolButton(m_toolBar);
        button->setObjectName(QStringLiteral("button%1").arg(face.id));
        button->setIcon(res::toolBarIcon(face, button));
        button->setIconSize(QSize(res::FaceWidth, res::FaceHeight));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setEnabled(face.enabledAtCreation);
        button->installEventFilter(this);
        // A screen reader names the button after its command and describes it by its hint.
        button->setAccessibleName(res::commandName(face.id));
        button->setAccessibleDescription(res::hintText(face.id));
        const int id = face.id;
        connect(button, &QToolButton::clicked, this, [this, id] { command(id); });
        m_toolBar->addButton(button);
        m_buttons.insert(id, button);
    }
    connect(m_toolBar, &T3DControlBar::keyboardLeft, m_client, [this] { m_client->setFocus(); });
}

void TMyDecoratedFrame::setWindowFont(const platform::LOGFONT& font) {
    m_windowFont = font;
    m_client->setFont(platform::fontFromLogFont(font));
}

void TMyDecoratedFrame::setKeepHistory(bool keep) {
    m_keepHistory = keep;
    updateCommands();
}

void TMyDecoratedFrame::SetStatusText(const QString& text, const QString& suffix) {
    m_statusText = suffix.isEmpty() ? text : text + suffix;
    m_statusBar->setText(m_statusText);
}

void TMyDecoratedFrame::SetCaptionSuffix(const QString& suffix) {
    QString caption = m_baseTitle;
    if (!suffix.isEmpty())
        caption += QStringLiteral(": ") + suffix;
    // "[*]" is Qt's modified-marker placeholder; doubled it shows as itself.
    caption.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(caption);
}

void TMyDecoratedFrame::SetCallIdle(bool idle) {
    if (idle)
        m_waitSaid.stop();
    else
        m_waitSaid.start(WaitSaidFirstMs);
    m_hintMode = idle ? 2 : 1;
    if (!idle)
        m_statusText.clear(); // a new call: the last one's outcome has had its time
    showHint(res::CM_NONE);   // empties the field while hints are still on
    m_menuHintTracking = idle;
}

void TMyDecoratedFrame::menusClosed() {
    if (QApplication::activePopupWidget())
        return; // another menu of the bar took its place
    // Escape leaves the menus at once, as on the desktop, and a screen reader hears where the
    // keyboard is back: the focus never left the window as far as Qt knows, so it says nothing.
    menuBar()->setActiveAction(nullptr);
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus->window() == this && !QApplication::activeModalWidget()) {
        QAccessibleEvent focused(focus, QAccessible::Focus);
        QAccessible::updateAccessibility(&focused);
    }
}

void TMyDecoratedFrame::Announce(const QString& text) {
    m_statusBar->announce(text);
}

void TMyDecoratedFrame::showHint(int id) {
    // A hint stands while its menu item or button is pointed at; then the status text is back,
    // so the last call's outcome stays readable until the next call.
    if (m_menuHintTracking)
        m_statusBar->setText(id == res::CM_NONE ? m_statusText : res::hintText(id));
}

bool TMyDecoratedFrame::commandEnabled(int id) const {
    const bool busy = m_client->Busy();
    const bool textCommands = m_client->holdsText() && !busy;
    switch (id) {
    case res::CM_EDITCOPY: return m_client->hasSelection();
    case res::CM_CLEAR:
    case res::CM_SELECTALL:
    case res::CM_SAVEAS:
    case res::CM_FINDTEXT:
    case res::CM_PRINT:
    case res::CM_PRINTSETUP: return textCommands;
    case res::CM_FINGER:
    case res::CM_WHOIS:
    case res::CM_DNSRECORDS:
    case res::CM_MAIL:
    case res::CM_ADDRBOOK: return !busy;
    case res::CM_CANCEL: return busy || m_client->DnsBusy();
    case res::CM_DNS: return !m_client->DnsBusy();
    case res::CM_FONT:
    case res::CM_HISTORY:
    case res::CM_ABOUT:
    case res::CM_HELPINDEX:
    case res::CM_HELPUSING:
    case res::CM_EXIT:
    case res::CM_APPEXIT: return true;
    default: return false; // commands whose capability this build does not have
    }
}

void TMyDecoratedFrame::updateCommands() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it)
        it.value()->setEnabled(commandEnabled(it.key()));
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it)
        it.value()->setEnabled(commandEnabled(it.key()));
    if (QAction* history = m_actions.value(res::CM_HISTORY))
        history->setChecked(m_keepHistory);
}

void TMyDecoratedFrame::command(int id) {
    if (!commandEnabled(id))
        return; // a disabled command that arrives anyway, say by accelerator
    switch (id) {
    case res::CM_EDITCOPY: m_textCommands->copy(); break;
    case res::CM_CLEAR: m_textCommands->clear(); break;
    case res::CM_SELECTALL: m_textCommands->selectAll(); break;
    case res::CM_SAVEAS: m_textCommands->saveAs(); break;
    case res::CM_FONT: m_textCommands->chooseFont(); break;
    case res::CM_FINDTEXT: m_findCommand->findText(); break;
    case res::CM_PRINT: m_printCommands->print(); break;
    case res::CM_PRINTSETUP: m_printCommands->printerSetup(); break;
    case res::CM_HISTORY: setKeepHistory(!m_keepHistory); break;
    case res::CM_FINGER: m_queryCommands->finger(); break;
    case res::CM_WHOIS: m_queryCommands->whois(); break;
    case res::CM_DNS: m_queryCommands->dnsLookup(); break;
    case res::CM_DNSRECORDS: m_queryCommands->dnsRecords(); break;
    case res::CM_MAIL: m_queryCommands->mail(); break;
    case res::CM_ADDRBOOK: m_queryCommands->addressBook(); break;
    case res::CM_CANCEL: m_queryCommands->cancel(); break;
    case res::CM_ABOUT: m_queryCommands->about(); break;
    case res::CM_HELPINDEX: m_queryCommands->helpIndex(); break;
    case res::CM_HELPUSING: m_queryCommands->helpUsing(); break;
    case res::CM_EXIT:
    case res::CM_APPEXIT:
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        break;
    default: break;
    }
    updateCommands();
}

bool TMyDecoratedFrame::event(QEvent* e) {
    // Hints reach the status bar only through showHint(); Qt's own status tips are ignored.
    if (e->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(e);
}

bool TMyDecoratedFrame::eventFilter(QObject* watched, QEvent* e) {
    if (auto* button = qobject_cast<QToolButton*>(watched)) {
        const int id = m_buttons.key(button, res::CM_NONE);
        const int shownOn = m_hintMode == 2 ? QEvent::Enter : QEvent::MouseButtonPress;
        const int clearedOn = m_hintMode == 2 ? QEvent::Leave : QEvent::MouseButtonRelease;
        if (e->type() == shownOn)
            showHint(id);
        else if (e->type() == clearedOn)
            showHint(res::CM_NONE);
    }
    return QMainWindow::eventFilter(watched, e);
}

void TMyDecoratedFrame::closeEvent(QCloseEvent* e) {
    if (!m_client->CloseGuard()) {
        e->ignore();
        return;
    }
    e->accept();
}

void TMyDecoratedFrame::writeSettings() const {
    FrameSettings settings;
    settings.reopenMaximized = isMaximized();
    settings.placement = QRect(frameGeometry().topLeft(), size());
    settings.keepHistory = m_keepHistory;
    settings.font = m_windowFont;
    int dropped = 0;
    const bool written = settings.write(m_settingsPath, &dropped);
    dialogs::warnOfDroppedHistory(nullptr, m_settingsPath, dropped);
    if (!written)
        platform::messageBox(nullptr,
                             QStringLiteral("Unable to write the settings file\n%1\n"
                                            "The settings of this session are not saved.")
                                 .arg(QDir::toNativeSeparators(m_settingsPath)),
                             QStringLiteral("File Error"), QMessageBox::Warning);
}

} // namespace app
