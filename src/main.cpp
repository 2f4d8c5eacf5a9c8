// Murmelo: a talk client and its machine's talk daemon, living in the tray.
#include "app/CTalkApp.h"
#include "platform/ProfileStore.h"
#include "platform/gui/QtMessageBoxService.h"
#include "platform/gui/TrayNotifications.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
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
        if (talk.InitInstance())
            code = QApplication::exec();
    }
    NotificationService::setInstance(nullptr);
    MessageBoxService::setInstance(nullptr);
    return code;
}
