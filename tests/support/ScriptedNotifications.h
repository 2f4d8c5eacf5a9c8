// A notification service for tests: records every notice and clicks it when the test says so.
#pragma once

#include "platform/NotificationService.h"

#include <QList>

class ScriptedNotifications final : public NotificationService {
public:
    ScriptedNotifications();           // installs itself
    ~ScriptedNotifications() override; // restores the silent service

    // Whether this "desktop" shows notifications; when false, show() records nothing.
    bool available = true;
    QList<Notice> shown;

    bool show(const Notice& notice, std::function<void()> clicked) override;
    // The user clicks the notice shown `index`-th (the last one by default).
    void click(int index = -1);

private:
    QList<std::function<void()>> m_actions;
};
