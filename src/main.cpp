// Murmelo: a talk client and its machine's talk daemon, living in the tray.
#include "app/CTalkApp.h"
#include "app/SingleInstance.h"
#include "app/StartCommand.h"
#include "platform/AbruptExit.h"
#include "platform/DaemonSocket.h"
#include "platform/Privileges.h"
#include "platform/ProfileStore.h"
#include "platform/TerminationSignals.h"
#include "platform/gui/DesktopNotifications.h"
#include "platform/gui/QtMessageBoxService.h"
#include "protocol/ProtocolConstants.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>

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

// The start's command from its options; a usage line on stderr when they are not the program's.
std::optional<StartCommand::Command> readOptions(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const std::optional<StartCommand::Command> command = StartCommand::fromArguments(arguments);
    if (!command)
        std::fprintf(stderr, "%s\n", qPrintable(StartCommand::usage(QStringLiteral("zuno"))));
    return command;
}

// The session's copy is the one on the same settings: two copies on one settings file would undo each other's
// changes, while copies with settings of their own (another home) are other copies, and meet at port 518.
QString sessionKey() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

void setUpApplication() {
    QApplication::setApplicationName(QStringLiteral("Murmelo"));
    QApplication::setQuitOnLastWindowClosed(false);
    // A relative message container name lands in the user's home.
    QDir::setCurrent(QDir::homePath());
}

// A copy of ours took the command and never answered: the user hears of it in a box as well (a start from the
// desktop's menu has no terminal). The program's exit code.
int tellNoAnswer(char* argv[]) {
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    setUpApplication();
    QtMessageBoxService boxes;
    MessageBoxService::setInstance(&boxes);
    SingleInstance::reportNoAnswer();
    MessageBoxService::setInstance(nullptr);
    return 1;
}

// Start-up, the event loop and shutdown; the program's exit code.
int run(DaemonSocket daemonSocket, TerminationSignals& terminations, SingleInstance& instance,
        StartCommand::Command command) {
    ProfileStore store;
    CTalkApp talk(store);
    talk.setDaemonSocket(std::move(daemonSocket));
    talk.followTerminations(terminations);
    // This start's own command, and those of later starts, once start-up is done.
    talk.perform(command);
    QObject::connect(&instance, &SingleInstance::commandReceived, &talk, &CTalkApp::perform);
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
    const std::optional<StartCommand::Command> command = readOptions(argc, argv);
    if (!command)
        return 2;
    // A copy already running in this session takes the command (no option: Talk), and this start ends. This comes
    // after the port: the hand-over runs without any privilege, and a copy of ours that holds the port is asked for
    // nothing more than a failed bind. Only where no copy of ours answers does a taken port get the daemon's box.
    SingleInstance instance(SingleInstance::runtimeFolder(), sessionKey());
    const SingleInstance::Claim claim = instance.claim(*command);
    if (claim == SingleInstance::Claim::HandedOver)
        return 0;
    if (claim == SingleInstance::Claim::NoAnswer)
        return tellNoAnswer(argv);
    // Nothing runs that could quit.
    if (*command == StartCommand::Quit)
        return 0;
    // Qt reads no options of its own from the command line (they are not the program's): only the program's name.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    // From here on SIGTERM, SIGHUP and SIGINT wait for the event loop instead of killing the program.
    TerminationSignals terminations;
    setUpApplication();
    if (claim == SingleInstance::Claim::First)
        instance.listen();

    QtMessageBoxService boxes;
    MessageBoxService::setInstance(&boxes);
    const std::unique_ptr<NotificationService> notifications = DesktopNotifications::create();
    NotificationService::setInstance(notifications.get());
    const int code = run(std::move(daemonSocket), terminations, instance, *command);
    NotificationService::setInstance(nullptr);
    MessageBoxService::setInstance(nullptr);
    return code;
}
