// The process-wide notification service and a silent fallback for programs without a tray.
#include "platform/NotificationService.h"

namespace {

// Used until a real service is installed: this "desktop" shows no notifications.
class NoNotifications final : public NotificationService {
public:
    bool show(const Notice&, std::function<void()>) override { return false; }
};

NoNotifications g_none;
NotificationService* g_service = &g_none;

} // namespace

NotificationService& NotificationService::instance() {
    return *g_service;
}

void NotificationService::setInstance(NotificationService* service) {
    g_service = service ? service : &g_none;
}
