// Start-up and shutdown of the program.
#include "app/CTalkApp.h"

#include "app/AppIcons.h"
#include "app/Autostart.h"
#include "app/CAboutBox.h"
#include "app/CTrayWindow.h"
#include "app/FirstStart.h"
#include "app/TalkWindowEntry.h"
#include "config/AddressBook.h"
#include "conversation/CHostUserDialog.h"
#include "conversation/CPersonDialog.h"
#include "conversation/CTalkConversation.h"
#include "conversation/TalkCommands.h"
#include "customize/CMyPropertySheet.h"
#include "daemon/CRequestPrompt.h"
#include "daemon/CTalkDaemon.h"
#include "locate/CLocateWindow.h"
#include "platform/CountedErrorBox.h"
#include "platform/LocalAddress.h"
#include "platform/MessageBoxService.h"
#include "platform/ProfileStore.h"
#include "robot/CMessageMonitor.h"
#include "robot/NotificationSound.h"

#include <QApplication>
#include <QEventLoop>
#include <QUdpSocket>

namespace {
CTalkApp* g_app = nullptr;
}

CTalkApp::CTalkApp(ProfileStore& store, QObject* parent) : QObject(parent), m_core(store) {
    Q_INIT_RESOURCE(resources);
    g_app = this;
}

CTalkApp::~CTalkApp() {
    // Conversations end first, while everything they use is still there: a robot conversation files what its
    // caller typed, an interactive one tells both daemons.
    QList<QPointer<CTalkConversation>> conversations;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* conversation = qobject_cast<CTalkConversation*>(window))
            conversations.append(conversation);
    for (const QPointer<CTalkConversation>& conversation : std::as_const(conversations))
        delete conversation.data();
    // Unsaved robot messages are lost here; the Exit command warned first.
    m_core.messages().clear();
    m_talkWindows.clear();
    if (m_tray)
        m_tray->hideIcon();
    // The daemon goes first: open prompts are windows of the tray window and go with it, after the daemon.
    m_daemon.reset();
    m_tray.reset();
    m_core.store().flush();
    if (g_app == this)
        g_app = nullptr;
}

CTalkApp* CTalkApp::instance() { return g_app; }

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

    ProfileStore& store = m_core.store();
    const int version = FirstStart::storedVersion(store);
    if (version != FirstStart::VERSION) {
        CAboutBox about;
        about.exec();
        FirstStart::recordVersion(store, version);
        FirstStart::sendInstallNotification(m_core.notificationAddress(), m_core.notificationPort());
        // An installed program starts with the desktop session from now on.
        Autostart::install();
    }

    m_tray = std::make_unique<CTrayWindow>(*this);

    m_core.settings().LoadSettings(store);
    m_core.setRobotSwitch(m_core.settings().talkrobotmode);

    CreateDaemon();
    return true;
}

void CTalkApp::CreateDaemon() {
    // The talk daemon binds port 518 and adds the tray icon; start-up goes on whether it could bind or not.
    m_daemonErrors = std::make_unique<CountedErrorBox>(MessageBoxService::Icon::Stop);
    m_daemon = std::make_unique<CTalkDaemon>(m_core);
    if (!m_daemon->start()) {
        MessageBoxService::Request r;
        r.text = m_daemon->startError();
        r.icon = MessageBoxService::Icon::Stop;
        r.buttons = MessageBoxService::Ok;
        MessageBoxService::instance().ask(r);
        RequestQuit(1);
    }
    CountedErrorBox* errors = m_daemonErrors.get();
    connect(m_daemon.get(), &CTalkDaemon::errorOccurred, errors, &CountedErrorBox::report);
    connect(m_daemon.get(), &CTalkDaemon::ring, this, [this](int action, const QString& host, const WireName& name,
                                                             int robotDelay) {
        if (!m_core.settings().playsound && !m_core.robotTakesCalls())
            PlayBeep();
        openPrompt(action, host, name, robotDelay);
    });
    m_tray->showIcon();
}

void CTalkApp::openPrompt(int action, const QString& host, const WireName& name, int robotDelay) {
    // The prompt adds itself to the daemon's list before the daemon replies, and deletes itself when done.
    new CRequestPrompt(action, host, name, robotDelay, m_tray.get());
}

void CTalkApp::RequestQuit(int code) {
    emit quitRequested(code);
    // Posted: exit() before the event loop runs would do nothing.
    QMetaObject::invokeMethod(
        qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

void CTalkApp::addTalkWindow(TalkWindowEntry* window) {
    if (!m_talkWindows.contains(window))
        m_talkWindows.append(window);
}

void CTalkApp::removeTalkWindow(TalkWindowEntry* window) { m_talkWindows.removeAll(window); }

void CTalkApp::ShowAbout() {
    if (aboutBox) {
        aboutBox->showNormal();
        aboutBox->raise();
        aboutBox->activateWindow();
        return;
    }
    // Not application-modal: conversations go on taking keys while the box is open.
    auto* box = new CAboutBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    aboutBox = box;
    QEventLoop loop;
    connect(box, &QDialog::finished, &loop, &QEventLoop::quit);
    box->show();
    box->raise();
    box->activateWindow();
    loop.exec();
}

void CTalkApp::notAvailableYet(const QString& what) {
    MessageBoxService::Request r;
    r.text = QStringLiteral("%1 is not available yet in this version of Murmelo.").arg(what);
    r.icon = MessageBoxService::Icon::Information;
    MessageBoxService::instance().notify(r);
}

void CTalkApp::OpenCustomizeSheet(int page) {
    if (auto* open = qobject_cast<CMyPropertySheet*>(customizeSheet.data())) {
        open->setActivePage(page);
        open->showNormal();
        open->raise();
        open->activateWindow();
        return;
    }
    // Not application-modal: conversations go on taking keys while the sheet is open.
    auto* sheet = new CMyPropertySheet(*this, page);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    customizeSheet = sheet;
    QEventLoop loop;
    connect(sheet, &QDialog::finished, &loop, &QEventLoop::quit);
    connect(sheet, &QObject::destroyed, &loop, &QEventLoop::quit);
    sheet->show();
    sheet->raise();
    sheet->activateWindow();
    loop.exec();
}

void CTalkApp::OpenMessageMonitor() {
    if (auto* open = qobject_cast<CMessageMonitor*>(messageMonitor.data())) {
        open->bringToFront();
        return;
    }
    auto* monitor = new CMessageMonitor(m_core);
    messageMonitor = monitor;
    monitor->bringToFront();
}

void CTalkApp::Talk() {
    if (settings().newstyle != 1) {
        CHostUserDialog::openNew();
        return;
    }
    QString person = TopPerson(store());
    if (person.isEmpty()) {
        // An empty address book: the People page first, then whoever was added.
        QPointer<CTalkApp> self(this);
        TalkCommands::OpenCustomizeSheet(0);
        if (!self)
            return;
        person = TopPerson(store());
    }
    if (person.isEmpty())
        return;
    if (settings().talktotop)
        TalkCommands::StartLocate(settings().urgency != 0, person);
    else
        CPersonDialog::openNew();
}

QObject* CTalkApp::StartConversation(int mode, const QString& host, const WireName& user) {
    // Interactive windows with a task-bar button of their own have no owner; the others belong to the tray.
    const bool taskbar = mode == 0 && settings().taskbar == 1;
    auto* conversation = new CTalkConversation(m_core, mode, host, user, settings().taskbar == 1,
                                               taskbar ? nullptr : m_tray.get());
    QPointer<CTalkConversation> guard(conversation);
    if (!conversation->start())
        return nullptr;
    return guard.data();
}

void CTalkApp::StartLocate(bool urgent, const QString& person) {
    // The window owns itself and its search; it is deleted when it closes or hands a row to a conversation.
    auto* window = new CLocateWindow(m_core, urgent, person);
    window->start();
}
