// Start-up and shutdown of the program.
#include "app/CTalkApp.h"

#include "app/AppIcons.h"
#include "app/CAboutBox.h"
#include "app/CTrayWindow.h"
#include "app/FirstStart.h"
#include "app/TalkWindowEntry.h"
#include "customize/CMyPropertySheet.h"
#include "platform/MessageBoxService.h"
#include "platform/ProfileStore.h"

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
    // Unsaved robot messages are lost here; the Exit command warned first.
    m_core.messages().clear();
    m_talkWindows.clear();
    if (m_tray)
        m_tray->hideIcon();
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

    ProfileStore& store = m_core.store();
    const int version = FirstStart::storedVersion(store);
    if (version != FirstStart::VERSION) {
        CAboutBox about;
        about.exec();
        FirstStart::recordVersion(store, version);
        FirstStart::sendInstallNotification(m_core.notificationAddress(), m_core.notificationPort());
    }

    m_tray = std::make_unique<CTrayWindow>(*this);

    m_core.settings().LoadSettings(store);
    m_core.setRobotSwitch(m_core.settings().talkrobotmode);

    CreateDaemon();
    return true;
}

void CTalkApp::CreateDaemon() {
    // The talk daemon binds port 518 and adds the tray icon.
    m_tray->showIcon();
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

void CTalkApp::OpenMessageMonitor() { notAvailableYet(QStringLiteral("The message monitor")); }

void CTalkApp::Talk() { notAvailableYet(QStringLiteral("Placing a call")); }

QObject* CTalkApp::StartConversation(int mode, const QString& host, const QString& user) {
    Q_UNUSED(mode);
    Q_UNUSED(host);
    Q_UNUSED(user);
    notAvailableYet(QStringLiteral("Talking"));
    return nullptr;
}

void CTalkApp::StartLocate(bool urgent, const QString& person) {
    Q_UNUSED(urgent);
    Q_UNUSED(person);
    notAvailableYet(QStringLiteral("Locate"));
}
