// Desktop notifications through the tray icon.
#include "platform/gui/TrayNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSystemTrayIcon>

namespace {

const QString NOTIFICATION_SERVICE = QStringLiteral("org.freedesktop.Notifications");
const QString STATUS_NOTIFIER_WATCHER = QStringLiteral("org.kde.StatusNotifierWatcher");

// Qt hands notifications of a StatusNotifier tray to the desktop's notification service.
bool statusNotifierTray(const QDBusConnectionInterface* bus) {
    return bus && bus->isServiceRegistered(STATUS_NOTIFIER_WATCHER).value();
}

// The service runs, or the bus starts it when asked.
bool notificationServiceThere(const QDBusConnectionInterface* bus) {
    return bus && (bus->isServiceRegistered(NOTIFICATION_SERVICE).value() ||
                   bus->activatableServiceNames().value().contains(NOTIFICATION_SERVICE));
}

} // namespace

bool TrayNotifications::show(const Notice& notice, std::function<void()> clicked) {
    auto* icon = qobject_cast<QSystemTrayIcon*>(notice.source);
    if (!icon || !icon->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable() ||
        !QSystemTrayIcon::supportsMessages())
        return false;
    const QDBusConnection session = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* bus = session.isConnected() ? session.interface() : nullptr;
    QString text = notice.text;
    QSystemTrayIcon::MessageIcon kind = QSystemTrayIcon::Information;
    if (statusNotifierTray(bus)) {
        if (!notificationServiceThere(bus))
            return false;
        // Notification services read the body as markup: "<a href=...>" from a caller must stay text.
        text = text.toHtmlEscaped();
        // Qt gives the desktop's notification a default action, without which a click never comes back to the
        // program, only for this kind; such a notification also waits for the user, who was away when the robot
        // took the message.
        kind = QSystemTrayIcon::Critical;
    }
    follow(icon);
    m_clicked = std::move(clicked);
    icon->showMessage(notice.title, text, kind, SHOWN_MS);
    return true;
}

void TrayNotifications::follow(QSystemTrayIcon* icon) {
    if (m_icon == icon)
        return;
    disconnect(m_clickConnection);
    m_icon = icon;
    // The icon does not say which of its notices was clicked: the action is the last one's.
    m_clickConnection = connect(icon, &QSystemTrayIcon::messageClicked, this, [this] {
        if (m_clicked)
            m_clicked();
    });
}
