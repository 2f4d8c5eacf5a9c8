// Tray icon, tray menu and blinking.
#include "app/CTrayWindow.h"

#include "app/AppIcons.h"
#include "app/CTalkApp.h"
#include "platform/MessageBoxService.h"
#include "platform/ProfileStore.h"
#include "platform/ShownText.h"
#include "platform/TalkWindowEntry.h"
#include "platform/gui/TrayHost.h"
#include "robot/RobotMessageList.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>

CTrayWindow::CTrayWindow(CTalkApp& app)
    : QWidget(nullptr), m_app(app), m_icon128(AppIcons::application()), m_icon163(AppIcons::blink()) {
    setObjectName(QStringLiteral("trayWindow"));
    m_icon = new QSystemTrayIcon(m_icon128, this);
    m_icon->setToolTip(TIP);
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    connect(m_menu, &QMenu::aboutToShow, this, &CTrayWindow::buildMenu);
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, &CTrayWindow::onActivated);

    m_blinkTimer.setInterval(BLINK_PERIOD_MS);
    connect(&m_blinkTimer, &QTimer::timeout, this, &CTrayWindow::blinkTick);

    m_singleClick.setSingleShot(true);
    m_singleClick.setInterval(QApplication::doubleClickInterval());
    connect(&m_singleClick, &QTimer::timeout, this, [this] { OnCommand(CMD_TALK); });

    connect(&app.messages(), &RobotMessageList::emptinessChanged, this, [this](bool empty) {
        if (!empty)
            startBlinking();
        updateMenu();
    });
    connect(&app.messages(), &RobotMessageList::fullnessChanged, this,
            [this](bool full) { m_icon->setToolTip(full ? TIP_FULL : TIP); });
    buildMenu();
}

CTrayWindow::~CTrayWindow() {
    hideIcon();
}

void CTrayWindow::showIcon() {
    m_icon->show();
    // Without a tray the icon waits for one (it docks as soon as a tray appears).
    const QString platform = QGuiApplication::platformName();
    const bool desktop = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    if (desktop && !QSystemTrayIcon::isSystemTrayAvailable())
        tellNoTray();
}

void CTrayWindow::tellNoTray() {
    // Once for the account, not once a start: with autostart it would come back at every login.
    ProfileStore& store = m_app.store();
    if (store.readInt(NO_TRAY_SECTION, NO_TRAY_TOLD, 0) != 0)
        return;
    store.writeInt(NO_TRAY_SECTION, NO_TRAY_TOLD, 1);
    MessageBoxService::Request r;
    r.title = QStringLiteral("Murmelo");
    r.text = NO_TRAY_TEXT;
    r.icon = MessageBoxService::Icon::Information;
    MessageBoxService::instance().notify(r);
}

void CTrayWindow::hideIcon() {
    m_icon->hide();
}

void CTrayWindow::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Context || reason == QSystemTrayIcon::MiddleClick) {
        // A StatusNotifier host that cannot draw the menu (swaybar) asks the program to show it. A tray that shows
        // it by itself has it on screen by now (an XEmbed tray, on the right button's press) or never asks (a
        // panel that draws the exported menu), so nothing shows twice. A middle click (SecondaryActivate) opens it
        // too, on every tray: a second way to the menu where the right button is taken by the host.
        if (!m_menu->isVisible())
            popUpMenu();
    } else if (reason == QSystemTrayIcon::DoubleClick) {
        m_singleClick.stop();
        OnCommand(CMD_TALK);
    } else if (reason == QSystemTrayIcon::Trigger && TrayHost::lacksDoubleClick()) {
        // Waits out a possible double click so that one gesture never opens two dialogs.
        m_singleClick.start();
    }
}

void CTrayWindow::popUpMenu() {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // With no window of ours in focus, Wayland gives the menu no parent to pop up from: it opens as a window of
        // its own, which a tiling compositor (sway) stretches over the screen unless its size is fixed; then it
        // floats, in the middle of the screen.
        buildMenu();
        m_menu->setFixedSize(m_menu->sizeHint());
    }
    // The host's request carries no position that Qt passes on: the menu opens where the pointer is.
    m_menu->popup(QCursor::pos());
}

QAction* CTrayWindow::addCommand(QMenu* menu, const QString& text, int command) {
    QAction* action = menu->addAction(text);
    action->setData(command);
    connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    return action;
}

QStringList CTrayWindow::menuState() const {
    QStringList state{QString::number(m_app.messages().isEmpty()), QString::number(m_app.robotSwitch())};
    for (const TalkWindowEntry* window : m_app.talkWindows())
        state << QString::number(quintptr(window)) << window->remoteUser() << window->remoteHost();
    return state;
}

void CTrayWindow::updateMenu() {
    // Not under the user's eyes: the menu as it is about to show rebuilds itself.
    if (!m_menu->isVisible())
        buildMenu();
}

void CTrayWindow::buildMenu() {
    // A menu the panel draws (StatusNotifier trays) keeps the size it had when it asked for the entries: one that
    // changes while it opens scrolls. So the menu follows the program's state as it changes (updateMenu), and as it
    // is about to show it is rebuilt only when something was missed.
    const QStringList state = menuState();
    if (state == m_menuState && !m_menu->isEmpty())
        return;
    m_menuState = state;
    m_menu->clear();
    for (QObject* child : m_menu->children())
        if (auto* sub = qobject_cast<QMenu*>(child))
            sub->deleteLater();
    addCommand(m_menu, QStringLiteral("&Exit"), CMD_EXIT);
    m_menu->addSeparator();
    addCommand(m_menu, QStringLiteral("&About"), CMD_ABOUT);
    if (!m_app.messages().isEmpty())
        addCommand(m_menu, QStringLiteral("&Messages"), CMD_MESSAGES);
    const QList<TalkWindowEntry*> windows = m_app.talkWindows();
    if (!windows.isEmpty()) {
        QMenu* sub = m_menu->addMenu(QStringLiteral("&Windows"));
        sub->setObjectName(QStringLiteral("windowsMenu"));
        // The names come from the network: caret form, and no "&" of theirs makes a mnemonic.
        for (int i = 0; i < windows.size(); ++i)
            addCommand(
                sub,
                QStringLiteral("Talking to %1 from %2")
                    .arg(ShownText::menuText(windows[i]->remoteUser()), ShownText::menuText(windows[i]->remoteHost())),
                CMD_WINDOW_FIRST + i);
    }
    addCommand(m_menu, QStringLiteral("&Customize"), CMD_CUSTOMIZE);
    QAction* robot = addCommand(m_menu, QStringLiteral("Talk &robot"), CMD_ROBOT);
    robot->setCheckable(true);
    robot->setChecked(m_app.robotSwitch() != 0);
    m_menu->addSeparator();
    addCommand(m_menu, QStringLiteral("&Talk"), CMD_TALK);
}

void CTrayWindow::OnCommand(int command) {
    QPointer<CTrayWindow> self(this);
    switch (command) {
    case CMD_CUSTOMIZE:
        m_app.OpenCustomizeSheet(m_app.settings().tab);
        return;
    case CMD_TALK:
        m_app.Talk();
        return;
    case CMD_EXIT: {
        if (!m_app.messages().isEmpty()) {
            MessageBoxService::Request r;
            r.title = QStringLiteral("Murmelo");
            r.text = QStringLiteral("You have talk robot messages. Exit anyway?");
            r.icon = MessageBoxService::Icon::Question;
            r.buttons = MessageBoxService::Yes | MessageBoxService::No;
            r.defaultButton = MessageBoxService::No;
            // The question waits without a nested loop: answered while another window's loop runs (the sheet,
            // a dialog), Yes still ends the program at once. A second Exit meanwhile asks nothing more.
            if (m_askingToExit)
                return;
            m_askingToExit = true;
            MessageBoxService::instance().notify(r, [self](int answer) {
                if (!self)
                    return;
                self->m_askingToExit = false;
                if (answer == MessageBoxService::Yes)
                    self->m_app.requestQuit(0);
                else
                    self->m_app.openMessageMonitor();
            });
            return;
        }
        m_app.requestQuit(0);
        return;
    }
    case CMD_ABOUT:
        m_app.showAbout();
        return;
    case CMD_ROBOT:
        m_app.setRobotSwitch(m_app.robotSwitch() ? 0 : 1);
        updateMenu();
        return;
    case CMD_MESSAGES:
        m_app.openMessageMonitor();
        return;
    default:
        if (command >= CMD_WINDOW_FIRST) {
            const int i = command - CMD_WINDOW_FIRST;
            const QList<TalkWindowEntry*> windows = m_app.talkWindows();
            if (i < windows.size() && windows[i])
                windows[i]->restoreToFront();
        }
        return;
    }
}

void CTrayWindow::setIconId(int id) {
    m_currentIcon = id;
    m_icon->setIcon(id == 163 ? m_icon163 : m_icon128);
}

void CTrayWindow::startBlinking() {
    if (!m_blinkTimer.isActive())
        m_blinkTimer.start();
}

void CTrayWindow::blinkTick() {
    setIconId(m_blinkIcon);
    if (m_app.messages().isEmpty()) {
        setIconId(128);
        m_blinkTimer.stop();
    }
    m_blinkIcon = m_blinkIcon == 163 ? 128 : 163;
}
