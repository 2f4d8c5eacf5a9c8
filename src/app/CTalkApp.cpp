// Start-up and shutdown of the program, and the services the shell gives its windows.
#include "app/CTalkApp.h"

#include "app/AppIcons.h"
#include "app/CAboutBox.h"
#include "app/CTrayWindow.h"
#include "app/FirstStart.h"
#include "config/AddressBook.h"
#include "conversation/CHostUserDialog.h"
#include "conversation/CPersonDialog.h"
#include "conversation/CTalkConversation.h"
#include "conversation/ClosingConnection.h"
#include "customize/CMyPropertySheet.h"
#include "daemon/CRequestPrompt.h"
#include "daemon/CTalkDaemon.h"
#include "locate/CLocateWindow.h"
#include "platform/Autostart.h"
#include "platform/CountedErrorBox.h"
#include "platform/LocalAddress.h"
#include "platform/MessageBoxService.h"
#include "platform/NotificationService.h"
#include "platform/ProfileStore.h"
#include "platform/TalkWindowEntry.h"
#include "platform/TerminationSignals.h"
#include "platform/gui/NotificationSound.h"
#include "robot/CMessageMonitor.h"
#include "robot/MessageAnnouncer.h"
#include "robot/MessageKeeper.h"
#include "robot/MessageStore.h"

#include <QApplication>
#include <QEventLoop>
#include <QSessionManager>
#include <QUdpSocket>

CTalkApp::CTalkApp(ProfileStore& store, QObject* parent)
    : QObject(parent), m_store(store), m_messageStore(store.dataFolder()) {
    Q_INIT_RESOURCE(resources);
}

CTalkApp::~CTalkApp() {
    shutDown();
}

void CTalkApp::shutDown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    // Messages filed from now on are not announced: the icon is about to go.
    if (m_announcer)
        m_announcer->stop();
    // Conversations end first, while everything they use is still there: a robot conversation files what its
    // caller typed, an interactive one tells both daemons.
    QList<QPointer<CTalkConversation>> conversations;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* conversation = qobject_cast<CTalkConversation*>(window))
            conversations.append(conversation);
    for (const QPointer<CTalkConversation>& conversation : std::as_const(conversations))
        delete conversation.data();
    // What was typed into them is sent, briefly: the end of a session must not wait on a peer that reads nothing.
    ClosingConnection::finishAll(QDeadlineTimer(CLOSING_LIMIT_MS));
    // The messages stay on disk for the next start; the list in memory goes.
    if (m_keeper)
        m_keeper->stop();
    m_messages.clear();
    m_talkWindows.clear();
    if (m_tray)
        m_tray->hideIcon();
    // The daemon goes first: open prompts are windows of the tray window and go with it, after the daemon.
    m_daemon.reset();
    m_tray.reset();
    m_store.flush();
}

void CTalkApp::setNotificationTarget(const QHostAddress& address, quint16 port) {
    m_notificationAddress = address;
    m_notificationPort = port;
}

QWidget* CTalkApp::ownerWindow() const {
    return m_tray.get();
}

bool CTalkApp::InitInstance() {
    QApplication::setWindowIcon(AppIcons::application());

    // The socket layer: a socket that cannot even be created means no networking at all.
    {
        QUdpSocket probe;
        if (!probe.bind(QHostAddress::AnyIPv4, 0)) {
            MessageBoxService::Request r;
            r.text = QStringLiteral("Windows sockets initialization failed.");
            MessageBoxService::instance().ask(r);
            return false;
        }
    }

    // The host name's address is the local address of last resort (LocalAddress::towards); the name service may
    // be slow, so it is asked now, in the background, never when a request is being sent.
    LocalAddress::lookUpHostName();

    ProfileStore& store = m_store;
    const int version = FirstStart::storedVersion(store);
    if (version != FirstStart::VERSION) {
        CAboutBox about;
        about.exec();
        FirstStart::recordVersion(store, version);
        FirstStart::sendInstallNotification(m_notificationAddress, m_notificationPort);
        // An installed program starts with the desktop session from now on.
        Autostart::install();
    }

    m_tray = std::make_unique<CTrayWindow>(*this);
    m_announcer = std::make_unique<MessageAnnouncer>(*this, m_tray->trayIcon());

    m_settings.LoadSettings(store);
    setRobotSwitch(m_settings.talkrobotmode);
    RestoreMessages();

    CreateDaemon();
    FollowSession();
    m_started = true;
    for (const StartCommand::Command command : std::as_const(m_waitingCommands))
        QMetaObject::invokeMethod(
            this, [this, command] { perform(command); }, Qt::QueuedConnection);
    m_waitingCommands.clear();
    return true;
}

void CTalkApp::perform(StartCommand::Command command) {
    if (command == StartCommand::None || m_shutDown)
        return;
    if (!m_started) {
        if (!m_waitingCommands.contains(command))
            m_waitingCommands.append(command);
        return;
    }
    // Each does what the tray menu's entry does. Messages opens the monitor even when the list is empty (the tray
    // menu hides its entry then): an empty monitor answers the user who chose Messages from the menu entry better
    // than nothing happening. Exit asks first when messages wait.
    switch (command) {
    case StartCommand::Talk:
        return m_tray->OnCommand(CTrayWindow::CMD_TALK);
    case StartCommand::Messages:
        return m_tray->OnCommand(CTrayWindow::CMD_MESSAGES);
    case StartCommand::Customize:
        return m_tray->OnCommand(CTrayWindow::CMD_CUSTOMIZE);
    case StartCommand::Quit:
        return m_tray->OnCommand(CTrayWindow::CMD_EXIT);
    case StartCommand::RobotOn:
    case StartCommand::RobotOff:
        return switchRobot(command == StartCommand::RobotOn);
    case StartCommand::None:
        return;
    }
}

void CTalkApp::switchRobot(bool on) {
    setRobotSwitch(on ? 1 : 0);
    m_tray->updateMenu();
    // The menu's check mark is out of sight (there may be no tray at all): a notification says what the switch is
    // now, or a box where the desktop shows no notifications.
    NotificationService::Notice notice;
    notice.title = QString::fromLatin1(MessageBoxService::APPLICATION_TITLE);
    notice.text = !on ? ROBOT_OFF_TEXT : m_messages.isFull() ? ROBOT_ON_FULL_TEXT : ROBOT_ON_TEXT;
    notice.source = m_tray->trayIcon();
    if (NotificationService::instance().show(notice, {}))
        return;
    MessageBoxService::Request r;
    r.title = notice.title;
    r.text = notice.text;
    r.icon = MessageBoxService::Icon::Information;
    MessageBoxService::instance().notify(r);
}

void CTalkApp::FollowSession() {
    // Both requests come at the end of a session (and when it is only saved, which a session manager does not tell
    // apart). The program is started again by its autostart entry, never by the session manager: that would make
    // two copies at the next login. Direct connections: the session manager waits for the answer of each.
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!application)
        return;
    const auto ending = [this](QSessionManager& manager) {
        manager.setRestartHint(QSessionManager::RestartNever);
        endSession();
    };
    connect(application, &QGuiApplication::commitDataRequest, this, ending, Qt::DirectConnection);
    connect(application, &QGuiApplication::saveStateRequest, this, ending, Qt::DirectConnection);
}

void CTalkApp::followTerminations(TerminationSignals& terminations) {
    connect(&terminations, &TerminationSignals::received, this, &CTalkApp::endSession);
    // Where the process is ended right after (the end of a Windows session), the program ends within the signal.
    connect(&terminations, &TerminationSignals::ending, this, [this] {
        m_sessionEnded = true;
        shutDown();
    });
}

void CTalkApp::endSession() {
    if (m_sessionEnded)
        return;
    m_sessionEnded = true;
    requestQuit(0);
}

void CTalkApp::RestoreMessages() {
    // The messages the robot filed before are read back (the tray blinks for them); from now on every message
    // filed is written to disk at once and every message deleted is removed there.
    m_keeper = std::make_unique<MessageKeeper>(m_messages, m_messageStore);
    connect(m_keeper.get(), &MessageKeeper::failed, &m_containerErrors, &CountedErrorBox::report);
    const QStringList setAside = m_keeper->restore();
    if (!setAside.isEmpty()) {
        MessageBoxService::Request r;
        r.text = MessageStore::setAsideNotice(setAside);
        r.icon = MessageBoxService::Icon::Warning;
        r.buttons = MessageBoxService::Ok;
        MessageBoxService::instance().notify(r);
    }
}

void CTalkApp::CreateDaemon() {
    // The talk daemon takes port 518 (the socket main bound, or a bind of its own) and adds the tray icon; start-up
    // goes on whether it could or not.
    m_daemonErrors = std::make_unique<CountedErrorBox>(MessageBoxService::Icon::Stop);
    m_daemon = std::make_unique<CTalkDaemon>(*this);
    m_daemon->adopt(std::move(m_daemonSocket));
    if (!m_daemon->start()) {
        MessageBoxService::Request r;
        r.text = m_daemon->startError();
        r.icon = MessageBoxService::Icon::Stop;
        r.buttons = MessageBoxService::Ok;
        MessageBoxService::instance().ask(r);
        requestQuit(1);
    }
    CountedErrorBox* errors = m_daemonErrors.get();
    connect(m_daemon.get(), &CTalkDaemon::errorOccurred, errors, &CountedErrorBox::report);
    connect(m_daemon.get(), &CTalkDaemon::ring, this,
            [this](int action, const QString& host, const WireName& name, int robotDelay) {
                if (!m_settings.playsound && !m_messages.robotTakesCalls(m_robotSwitch))
                    PlayBeep();
                openPrompt(action, host, name, robotDelay);
            });
    m_tray->showIcon();
}

void CTalkApp::openPrompt(int action, const QString& host, const WireName& name, int robotDelay) {
    // The prompt adds itself to the daemon's list before the daemon replies, and deletes itself when done.
    new CRequestPrompt(*this, m_daemon.get(), action, host, name, robotDelay, m_tray.get());
}

void CTalkApp::requestQuit(int code) {
    if (m_quitCode < 0)
        m_quitCode = code;
    emit quitRequested(code);
    // Posted: exit() before the event loop runs would do nothing.
    QMetaObject::invokeMethod(
        qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

void CTalkApp::addTalkWindow(TalkWindowEntry* window) {
    if (!m_talkWindows.contains(window))
        m_talkWindows.append(window);
    if (m_tray)
        m_tray->updateMenu();
}

void CTalkApp::removeTalkWindow(TalkWindowEntry* window) {
    m_talkWindows.removeAll(window);
    if (m_tray)
        m_tray->updateMenu();
}

void CTalkApp::showAbout() {
    if (m_aboutBox) {
        m_aboutBox->showNormal();
        m_aboutBox->raise();
        m_aboutBox->activateWindow();
        return;
    }
    // Not application-modal: conversations go on taking keys while the box is open.
    auto* box = new CAboutBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_aboutBox = box;
    QEventLoop loop;
    connect(box, &QDialog::finished, &loop, &QEventLoop::quit);
    box->show();
    box->raise();
    box->activateWindow();
    loop.exec();
}

bool CTalkApp::OpenCustomizeSheet(int page) {
    if (auto* open = qobject_cast<CMyPropertySheet*>(m_customizeSheet.data())) {
        open->setActivePage(page);
        open->showNormal();
        open->raise();
        open->activateWindow();
        return false;
    }
    // Not application-modal: conversations go on taking keys while the sheet is open.
    auto* sheet = new CMyPropertySheet(*this, page);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_customizeSheet = sheet;
    QEventLoop loop;
    connect(sheet, &QDialog::finished, &loop, &QEventLoop::quit);
    connect(sheet, &QObject::destroyed, &loop, &QEventLoop::quit);
    sheet->show();
    sheet->raise();
    sheet->activateWindow();
    loop.exec();
    return true;
}

bool CTalkApp::messageMonitorOpen() const {
    return m_messageMonitor && m_messageMonitor->isVisible() && !m_messageMonitor->isMinimized();
}

void CTalkApp::openMessageMonitor() {
    if (auto* open = qobject_cast<CMessageMonitor*>(m_messageMonitor.data())) {
        open->bringToFront();
        return;
    }
    auto* monitor = new CMessageMonitor(*this);
    m_messageMonitor = monitor;
    monitor->bringToFront();
}

void CTalkApp::Talk() {
    if (m_settings.newstyle != 1) {
        CHostUserDialog::openNew(*this);
        return;
    }
    QString person = TopPerson(m_store);
    if (person.isEmpty()) {
        // An empty address book: the People page first, then whoever was added.
        QPointer<CTalkApp> self(this);
        OpenCustomizeSheet(0);
        if (!self)
            return;
        person = TopPerson(m_store);
    }
    if (person.isEmpty())
        return;
    if (m_settings.talktotop)
        StartLocate(m_settings.urgency != 0, person);
    else
        CPersonDialog::openNew(*this);
}

QObject* CTalkApp::startConversation(int mode, const QString& host, const WireName& user) {
    // Interactive windows with a task-bar button of their own have no owner; the others belong to the tray.
    const bool taskbar = mode == 0 && m_settings.taskbar == 1;
    auto* conversation =
        new CTalkConversation(*this, mode, host, user, m_settings.taskbar == 1, taskbar ? nullptr : m_tray.get());
    QPointer<CTalkConversation> guard(conversation);
    if (!conversation->start())
        return nullptr;
    return guard.data();
}

void CTalkApp::StartLocate(bool urgent, const QString& person) {
    // The window owns itself and its search; it is deleted when it closes or hands a row to a conversation.
    auto* window = new CLocateWindow(*this, urgent, person);
    window->start();
}
