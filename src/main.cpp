// Murmelo: a talk client and its machine's talk daemon, living in the tray.
#include "app/CTalkApp.h"
#include "platform/AbruptExit.h"
#include "platform/ProfileStore.h"
#include "platform/TerminationSignals.h"
#include "platform/gui/QtMessageBoxService.h"
#include "platform/gui/TrayNotifications.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // From here on SIGTERM, SIGHUP and SIGINT wait for the event loop instead of killing the program.
    TerminationSignals terminations;
    QApplication::setApplicationName(QStringLiteral("Murmelo"));
    QApplication::setQuitOnLastWindowClosed(false);
    // A relative message container name lands in the user's home.
    QDir::setCurrent(QDir::homePath());

    QtMessageBoxService boxes;
    MessageBoxService::setInstance(&boxes);
    TrayNotifications notifications;
    NotificationService::setInstance(&notifications);
    int code = 1;
    {
        ProfileStore store;
        CTalkApp talk(store);
        talk.followTerminations(terminations);
        if (talk.InitInstance()) {
            code = talk.quitCode();
            if (code < 0) {
                // Losing the display ends the program inside the loop (AbruptExit): it shuts down all the same.
                AbruptExit displayLost([&talk] { talk.shutDown(); });
                code = QApplication::exec();
            }
        }
    }
    NotificationService::setInstance(nullptr);
    MessageBoxService::setInstance(nullptr);
    return code;
}
