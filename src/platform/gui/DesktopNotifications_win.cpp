// Windows: notifications as the tray icon's balloon.
#include "platform/gui/DesktopNotifications.h"

#include "platform/gui/BalloonNotifications.h"

namespace DesktopNotifications {
std::unique_ptr<NotificationService> create() {
    return std::make_unique<BalloonNotifications>();
}
} // namespace DesktopNotifications
