// Desktop notifications of the program, with or without a tray; a click runs the notice's action.
//
// The desktop's notification service (org.freedesktop.Notifications on the session bus) shows them, whatever kind
// of tray holds the icon and also where no tray does (GNOME as shipped, a bare window manager): each replaces the
// one before, carries the program's icon and a default action, and comes back when the user clicks it. Qt's own
// route (QSystemTrayIcon::showMessage) needs a tray, reports clicks only for critical notifications on a
// StatusNotifier tray, which would show an error icon in the notification and in the panel, and on an older tray
// draws a balloon of its own over the icon, where it takes the clicks meant for the icon's menu. Without a session
// bus or a notification service nothing is shown (the message itself waits in the list all the same).
#pragma once

#include "platform/NotificationService.h"

#include <QObject>

class QIcon;

class TrayNotifications final : public QObject, public NotificationService {
    Q_OBJECT
public:
    // How long a notification stays, where the desktop lets the program say (milliseconds).
    static constexpr int SHOWN_MS = 15000;
    // The size of the icon a notification carries (pixels).
    static constexpr int ICON_SIZE = 48;

    bool show(const Notice& notice, std::function<void()> clicked) override;

private slots:
    // Signals of the notification service (connected by name: QtDBus has no other way).
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    bool showOnBus(const QIcon& icon, const Notice& notice);
    std::function<void()> m_clicked;
    bool m_listening = false;
    // The service's number of the notification on screen (0: none).
    uint m_shownId = 0;
};
