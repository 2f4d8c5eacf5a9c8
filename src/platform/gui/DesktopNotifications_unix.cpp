// Linux: notifications through the desktop's notification server.
#include "platform/gui/DesktopNotifications.h"

#include "platform/gui/TrayNotifications.h"

namespace DesktopNotifications {
std::unique_ptr<NotificationService> create() {
    return std::make_unique<TrayNotifications>();
}
} // namespace DesktopNotifications
