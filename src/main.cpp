// Murmelo: a talk client and its machine's talk daemon, living in the tray.
#include "app/CTalkApp.h"
#include "platform/AbruptExit.h"
#include "platform/DaemonSocket.h"
#include "platform/Privileges.h"
#include "platform/ProfileStore.h"
#include "platform/TerminationSignals.h"
#include "platform/gui/QtMessageBoxService.h"
#include "platform/gui/TrayNotifications.h"
#include "protocol/ProtocolConstants.h"

#include <QApplication>
#include <QDir>

namespace {

// The one privileged step comes first: port 518 is bound while the right to bind it lasts (root, or the file
// capability the package grants). Then every privilege goes, before Qt or any other library loads a plugin: a
// plugin path in the environment names code of the user's choosing. Where they could not be dropped, such paths are
// forgotten instead.
DaemonSocket takePortAndDropPrivileges() {
    DaemonSocket socket = DaemonSocket::bind(talk::DAEMON_PORT);
    if (!Privileges::drop() && Privileges::startedPrivileged())
        Privileges::forgetPluginPaths();
    return socket;
}

void setUpApplication() {
    QApplication::setApplicationName(QStringLiteral("Murmelo"));
    QApplication::setQuitOnLastWindowClosed(false);
    // A relative message container name lands in the user's home.
    QDir::setCurrent(QDir::homePath());
}

// Start-up, the event loop and shutdown; the program's exit code.
int run(DaemonSocket daemonSocket, TerminationSignals& terminations) {
    ProfileStore store;
    CTalkApp talk(store);
    talk.setDaemonSocket(std::move(daemonSocket));
    talk.followTerminations(terminations);
    if (!talk.InitInstance())
        return 1;
    const int code = talk.quitCode();
    if (code >= 0)
        return code;
    // Losing the display ends the program inside the loop (AbruptExit): it shuts down all the same.
    AbruptExit displayLost([&talk] { talk.shutDown(); });
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    DaemonSocket daemonSocket = takePortAndDropPrivileges();
    QApplication application(argc, argv);
    // From here on SIGTERM, SIGHUP and SIGINT wait for the event loop instead of killing the program.
    TerminationSignals terminations;
    setUpApplication();

    QtMessageBoxService boxes;
    MessageBoxService::setInstance(&boxes);
    TrayNotifications notifications;
    NotificationService::setInstance(&notifications);
    const int code = run(std::move(daemonSocket), terminations);
    NotificationService::setInstance(nullptr);
    MessageBoxService::setInstance(nullptr);
    return code;
}
