// The notification service tests install.
#include "ScriptedNotifications.h"

ScriptedNotifications::ScriptedNotifications() {
    NotificationService::setInstance(this);
}

ScriptedNotifications::~ScriptedNotifications() {
    NotificationService::setInstance(nullptr);
}

bool ScriptedNotifications::show(const Notice& notice, std::function<void()> clicked) {
    if (!available)
        return false;
    shown.append(notice);
    m_actions.append(std::move(clicked));
    return true;
}

void ScriptedNotifications::click(int index) {
    const int i = index < 0 ? int(m_actions.size()) - 1 : index;
    if (i >= 0 && i < m_actions.size() && m_actions[i])
        m_actions[i]();
}
