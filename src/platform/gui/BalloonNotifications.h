// Desktop notifications on Windows: the tray icon's balloon (a toast on current Windows), whose click runs the
// notice's action.
//
// The notification area shows them for the icon that the notice names as its source; without a visible tray icon
// nothing is shown (the message itself waits in the list all the same).
#pragma once

#include "platform/NotificationService.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QSystemTrayIcon;

class BalloonNotifications final : public QObject, public NotificationService {
    Q_OBJECT
public:
    // How long a notification stays, where the system lets the program say (milliseconds).
    static constexpr int SHOWN_MS = 15000;

    bool show(const Notice& notice, std::function<void()> clicked) override;

private:
    std::function<void()> m_clicked;
    // The icons whose balloon clicks are heard already.
    QList<QPointer<QSystemTrayIcon>> m_heard;
};
