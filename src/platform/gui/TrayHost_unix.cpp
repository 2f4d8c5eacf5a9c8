// A StatusNotifier tray is one whose watcher is on the session bus.
#include "platform/gui/TrayHost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace TrayHost {
bool lacksDoubleClick() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")).value();
}
} // namespace TrayHost
