// The desktop's notification service for this system: the notification server on the session bus (Linux), the tray
// icon's balloon (Windows).
#pragma once

#include "platform/NotificationService.h"

#include <memory>

namespace DesktopNotifications {
std::unique_ptr<NotificationService> create();
} // namespace DesktopNotifications
