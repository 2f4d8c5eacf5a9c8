// Desktop notifications shown through the tray icon (QSystemTrayIcon::showMessage); a click runs the notice's action.
//
// Where the desktop shows notifications itself (a StatusNotifier tray and a notification service on the session
// bus), the text goes as plain text made safe for the markup such services read; where the tray is an older one,
// Qt shows a balloon of its own beside the icon. Without a tray, or with neither, nothing is shown.
#pragma once

#include "platform/NotificationService.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QSystemTrayIcon;

class TrayNotifications final : public QObject, public NotificationService {
    Q_OBJECT
public:
    // How long a notification stays, where the desktop lets the program say (milliseconds).
    static constexpr int SHOWN_MS = 15000;

    bool show(const Notice& notice, std::function<void()> clicked) override;

private:
    void follow(QSystemTrayIcon* icon);

    QPointer<QSystemTrayIcon> m_icon;
    QMetaObject::Connection m_clickConnection;
    std::function<void()> m_clicked;
};
